#include "effect_settings_record.h"

#include "kestrix_protocol.h"


namespace
{
RecordTable buildTable()
{
    RecordTable table{QStringLiteral("effect_settings"), EFFECT_SETTINGS_RECORD_SIZE,
                      REPORT_EFFECT_SETTINGS, CMD_WRITE_EFFECT_SETTINGS, {}};
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
