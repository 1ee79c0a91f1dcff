#include "effect_settings_record.h"

#include "kestrix_protocol.h"
#include "transport.h"

#include <cstring>

namespace
{
RecordTable buildTable()
{
    RecordTable table{QStringLiteral("effect_settings"), EFFECT_SETTINGS_RECORD_SIZE, {}};
    auto add = [&table](const char *name, int offset, FieldEncoding encoding, double minimum,
                        double maximum, const char *unit, const char *widget) {
        table.add(QString::fromLatin1(name), offset, encoding, minimum, maximum,
                  QString::fromLatin1(unit), QString::fromLatin1(widget));
    };
    auto addU8 = [&add](const char *name, int offset, double minimum, double maximum,
                        const char *unit) {
        add(name, offset, FieldEncoding::U8, minimum, maximum, unit, name);
    };
    addU8("direct_x_spring_scale", EFFECT_DIRECT_X_SPRING_SCALE, 0, 100, "%");
    addU8("direct_x_constant_scale", EFFECT_DIRECT_X_CONSTANT_SCALE, 0, 100, "%");
    addU8("direct_x_periodic_scale", EFFECT_DIRECT_X_PERIODIC_SCALE, 0, 100, "%");
    add("constant_force_direction", EFFECT_CONSTANT_FORCE_DIRECTION, FieldEncoding::Sign, -1, 1, "",
        "invert_constant_force");
    addU8("dampening_scale", EFFECT_DAMPENING_SCALE, 0, 100, "");
    addU8("total_effect_scale", EFFECT_TOTAL_EFFECT_SCALE, 0, 100, "%");
    addU8("total_effect_smoothing", EFFECT_TOTAL_EFFECT_SMOOTHING, 0, 100, "%");
    add("motion_range", EFFECT_MOTION_RANGE, FieldEncoding::U16, 0, 9999, "degrees",
        "motion_range");
    addU8("soft_stop_scale", EFFECT_SOFT_STOP_SCALE, 0, 100, "%");
    addU8("soft_stop_range", EFFECT_SOFT_STOP_RANGE, 1, 45, "degrees");
    return table;
}
} // namespace

const RecordTable &effectSettingsTable()
{
    static const RecordTable table = buildTable();
    return table;
}

bool readEffectSettings(DeviceHandle *handle, unsigned char *record)
{
    std::memset(record, 0, RECEIVE_BUFFER_SIZE);
    return getReport(handle, REPORT_EFFECT_SETTINGS, record, RECEIVE_BUFFER_SIZE) >=
           EFFECT_SETTINGS_RECORD_SIZE;
}

WheelExchange applyEffectSettings(DeviceHandle *handle, const StoreEffectFields &store)
{
    if (!handle)
        return WheelExchange::NoWheel;
    unsigned char record[RECEIVE_BUFFER_SIZE];
    // Without the wheel's own bytes the write would replace them with zeros.
    if (!readEffectSettings(handle, record))
        return WheelExchange::ReadFailed;
    store(record);
    if (writeChunked(handle, CMD_WRITE_EFFECT_SETTINGS, record, EFFECT_SETTINGS_RECORD_SIZE) != 0)
        return WheelExchange::WriteFailed;
    return WheelExchange::Done;
}

WheelExchange saveEffectSettings(DeviceHandle *handle, const StoreEffectFields &store)
{
    // A wheel that did not take the settings must not make its old ones permanent either.
    if (const WheelExchange written = applyEffectSettings(handle, store);
        written != WheelExchange::Done)
        return written;
    sleepMs(EFFECT_SAVE_PAUSE_MS);
    if (!packetSent(sendCommand(handle, CMD_SAVE_EFFECT_SETTINGS)))
        return WheelExchange::CommitFailed;
    switch (waitUntilReady(handle)) {
    case ReadyResult::Ready:
        return WheelExchange::Done;
    case ReadyResult::StillBusy:
        return WheelExchange::NotConfirmed;
    case ReadyResult::Failed:
        break;
    }
    return WheelExchange::StatusFailed;
}
