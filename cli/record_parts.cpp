#include "record_parts.h"

#include "effect_settings_record.h"
#include "hardware_settings_record.h"
#include "kestrix_protocol.h"
#include "transport.h"
#include "wheel_channel.h"

#include <cstring>

namespace
{
QString waitFailure(const Controller &controller, ReadyResult ready)
{
    switch (ready) {
    case ReadyResult::Ready:
        return QString();
    case ReadyResult::StillBusy:
        return QStringLiteral("the %1 was still busy %2 s after the write")
            .arg(controller.label())
            .arg(READY_WAIT_LIMIT_MS / 1000);
    case ReadyResult::Failed:
        break;
    }
    return QStringLiteral("the %1 stopped answering after the write").arg(controller.label());
}

QString writeHardwarePart(const Controller &controller, const RecordValues &values,
                          unsigned char *record)
{
    writeRecordValues(values, record);
    const int result = writeChunked(controller.handle, CMD_WRITE_HARDWARE_SETTINGS, record,
                                    static_cast<uint16_t>(values.table->size));
    if (result != 0)
        return QStringLiteral("writing the hardware settings to the %1 failed (error %2)")
            .arg(controller.label())
            .arg(result);
    return waitFailure(controller, waitUntilReady(controller.handle));
}

// While wheelconfig runs, its panel holds the effect settings too and sends them with every
// edit: they are handed to it, so that its window shows them and can not overwrite them.
// `handedOver` stays false when no wheelconfig with a wheel answers; the caller writes then.
QString handToWheelconfig(const Controller &controller, const RecordValues &values,
                          unsigned char *record, bool *handedOver)
{
    writeRecordValues(values, record);
    WheelRequest request;
    request.kind = WheelRequest::Kind::ApplyRecord;
    request.record = QByteArray(reinterpret_cast<const char *>(record), values.table->size);
    request.permanent = true;
    const WheelReply reply = sendToWheelInstance(request);
    using Status = WheelReply::Status;
    *handedOver = reply.status != Status::NoInstance && reply.status != Status::NoWheel;
    const QString because =
        reply.message.isEmpty() ? QString() : QStringLiteral(": ") + reply.message;
    switch (reply.status) {
    case Status::Ok:
    case Status::NoInstance:
    case Status::NoWheel:
        return QString();
    case Status::NoAnswer:
        // It may still be busy with the wheel: writing beside it would race it.
        return QStringLiteral("wheelconfig runs, but did not answer; the effect settings of "
                              "the %1 were not written")
            .arg(controller.label());
    case Status::WheelFailed:
        return QStringLiteral("wheelconfig could not write the effect settings to the %1%2")
            .arg(controller.label(), because);
    case Status::Refused:
    case Status::BadRequest:
    case Status::Unsupported:
        break;
    }
    return QStringLiteral("wheelconfig refused the effect settings for the %1%2")
        .arg(controller.label(), because);
}

QString writeEffectPart(const Controller &controller, const RecordValues &values)
{
    // The wheel's own save: its record afresh, the values over it, command 18, then
    // command 2 and the busy wait.
    const WheelExchange saved = saveEffectSettings(
        controller.handle, [&values](unsigned char *record) { writeRecordValues(values, record); });
    const QString wheel = controller.label();
    switch (saved) {
    case WheelExchange::Done:
        return QString();
    case WheelExchange::NoWheel:
    case WheelExchange::ReadFailed:
        return QStringLiteral("reading the effect_settings of the %1 failed; nothing was written")
            .arg(wheel);
    case WheelExchange::WriteFailed:
        return QStringLiteral("writing the effect settings to the %1 failed; it kept its own")
            .arg(wheel);
    case WheelExchange::CommitFailed:
        return QStringLiteral("the %1 took the effect settings, but not the command to keep "
                              "them: it loses them when it is switched off")
            .arg(wheel);
    case WheelExchange::NotConfirmed:
        return waitFailure(controller, ReadyResult::StillBusy);
    case WheelExchange::StatusFailed:
        break;
    }
    return waitFailure(controller, ReadyResult::Failed);
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
        parts.push_back({&hardwareSettingsTable(), REPORT_HARDWARE_SETTINGS});
    if (controller.product->effectSettings)
        parts.push_back({&effectSettingsTable(), REPORT_EFFECT_SETTINGS});
    return parts;
}

bool readPart(const Controller &controller, const RecordPart &part, unsigned char *record,
              QString *error)
{
    std::memset(record, 0, RECEIVE_BUFFER_SIZE);
    const int received = getReport(controller.handle, part.reportId, record, RECEIVE_BUFFER_SIZE);
    if (received >= part.table->size)
        return true;
    *error = received < 0 ? QStringLiteral("reading the %1 of the %2 failed (error %3)")
                                .arg(part.table->name, controller.label())
                                .arg(received)
                          : QStringLiteral("the %1 of the %2 came short: %3 of %4 bytes")
                                .arg(part.table->name, controller.label())
                                .arg(received)
                                .arg(part.table->size);
    return false;
}

QString writePart(const Controller &controller, const RecordPart &part, const RecordValues &values,
                  unsigned char *record, EffectRoute route, bool *handedOver)
{
    *handedOver = false;
    if (part.table == &effectSettingsTable()) {
        if (route == EffectRoute::ThroughWheelconfig) {
            const QString error = handToWheelconfig(controller, values, record, handedOver);
            if (*handedOver || !error.isEmpty())
                return error;
        }
        return writeEffectPart(controller, values);
    }
    return writeHardwarePart(controller, values, record);
}
