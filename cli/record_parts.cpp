#include "record_parts.h"

#include "device_sequences.h"
#include "effect_settings_record.h"
#include "hardware_settings_record.h"
#include "kestrix_protocol.h"
#include "transport.h"
#include "wheel_handover.h"

namespace
{
// A part's write that did not go through, as the command line says it.
Outcome inWords(const Controller &controller, const RecordTable &table, const Outcome &done)
{
    const QString device = controller.label();
    const bool effect = &table == &effectSettingsTable();
    switch (done.problem) {
    case Outcome::Problem::None:
        return done;
    case Outcome::Problem::NoDevice:
    case Outcome::Problem::ReadFailed:
        return Outcome::because(
            QStringLiteral("reading the %1 of the %2 failed; nothing was written")
                .arg(table.name, device));
    case Outcome::Problem::WriteFailed:
        return Outcome::because(
            effect ? QStringLiteral("writing the effect settings to the %1 failed; it kept "
                                    "its own")
                         .arg(device)
                   : QStringLiteral("writing the hardware settings to the %1 failed (error %2)")
                         .arg(device)
                         .arg(done.transfer));
    case Outcome::Problem::CommandFailed:
        return Outcome::because(
            QStringLiteral("the %1 took the effect settings, but not the command to keep "
                           "them: it loses them when it is switched off")
                .arg(device));
    case Outcome::Problem::NotConfirmed:
        return Outcome::because(QStringLiteral("the %1 was still busy %2 s after the write")
                                    .arg(device)
                                    .arg(READY_WAIT_LIMIT_MS / 1000));
    default:
        return Outcome::because(
            QStringLiteral("the %1 stopped answering after the write").arg(device));
    }
}

} // namespace

std::vector<const RecordTable *> settingsTables()
{
    return {&hardwareSettingsTable(), &effectSettingsTable()};
}

std::vector<RecordPart> partsOf(const Controller &controller)
{
    std::vector<RecordPart> parts;
    if (controller.deviceType != DEVICE_TYPE_NONE)
        parts.push_back({&hardwareSettingsTable()});
    if (controller.product->effectSettings)
        parts.push_back({&effectSettingsTable()});
    return parts;
}

Outcome readPart(const Controller &controller, const RecordPart &part, unsigned char *record)
{
    const Outcome read = readRecord(controller.handle, *part.table, record);
    if (read.ok())
        return read;
    return Outcome::because(read.transfer < 0
                                ? QStringLiteral("reading the %1 of the %2 failed (error %3)")
                                      .arg(part.table->name, controller.label())
                                      .arg(read.transfer)
                                : QStringLiteral("the %1 of the %2 came short: %3 of %4 bytes")
                                      .arg(part.table->name, controller.label())
                                      .arg(read.transfer)
                                      .arg(part.table->size));
}

Outcome writePart(const Controller &controller, const RecordPart &part, const RecordValues &values,
                  unsigned char *record, EffectRoute route, bool *handedOver)
{
    *handedOver = false;
    // The device's record afresh, the file's values over it, as the windows save.
    const StoreFields store = [&values](unsigned char *r) { writeRecordValues(values, r); };
    if (part.table == &effectSettingsTable()) {
        if (route == EffectRoute::ThroughWheelconfig) {
            const Outcome handed = handToWheelconfig(controller, values, record, handedOver);
            if (*handedOver || !handed.ok())
                return handed;
        }
        return inWords(controller, *part.table, saveEffectSettings(controller.handle, store));
    }
    return inWords(controller, *part.table, saveHardwareSettings(controller.handle, record, store));
}
