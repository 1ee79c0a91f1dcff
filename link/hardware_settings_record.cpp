#include "hardware_settings_record.h"

#include "kestrix_protocol.h"

#include <limits>

namespace
{
namespace Rec = HardwareSettingsRecord;
namespace Axis = AxisSettingsRecord;
using E = FieldEncoding;

RecordTable buildTable()
{
    RecordTable table{QStringLiteral("hardware_settings"), Rec::SIZE, REPORT_HARDWARE_SETTINGS,
                      CMD_WRITE_HARDWARE_SETTINGS, {}};
    auto add = [&table](const QString &name, int offset, E encoding, double minimum, double maximum,
                        const char *unit, const QString &widget) {
        return &table.add(name, offset, encoding, minimum, maximum, QString::fromLatin1(unit),
                          widget);
    };
    auto addFlag = [&add](const char *name, int offset) {
        return add(QString::fromLatin1(name), offset, E::Flag, 0, 1, "", QString::fromLatin1(name));
    };
    auto addIndex = [&add](const QString &name, int offset, const QStringList &items,
                           const QString &widget) {
        RecordField *field = add(name, offset, E::Index, 0, items.size() - 1, "", widget);
        field->items = items;
        return field;
    };
    auto addPercent = [&add](const char *name, int offset) {
        return add(QString::fromLatin1(name), offset, E::U8, 0, 100, "%",
                   QString::fromLatin1(name));
    };

    addFlag("force_enable", Rec::FORCE_ENABLE)->appliedAfterReboot = true;
    addFlag("debug_forces", Rec::DEBUG_FORCES);
    addFlag("calibrate_on_boot", Rec::CALIBRATE_ON_BOOT);
    addIndex("calibration_mode", Rec::CALIBRATION_MODE,
             {"None", "Calibration start angle as the center", "Automatic center of range search"},
             "calibration_mode")
        ->appliedAfterReboot = true;
    addIndex("amplifier_gain", Rec::AMPLIFIER_GAIN, {"80V/V", "40V/V", "20V/V", "10V/V"},
             "amplifier_gain")
        ->appliedAfterReboot = true;
    addIndex("spi_mode", Rec::SPI_MODE, {"Disabled", "SN74HC165N x 3", "C4021 x 3"},
             "spiModeCombo");

    const QStringList gpioModes = {"Disabled",
                                   "Generic button",
                                   "Analog",
                                   "SPI CS",
                                   "SPI SCK",
                                   "SPI MISO",
                                   "Enable effects switch",
                                   "Recalibrate button",
                                   "Reboot button",
                                   "Braking PWM"};
    const char *const pins[Rec::GPIO_COUNT] = {"pin_1",      "pin_2",     "pin_3", "pin_4",
                                               "pin_5",      "pin_6",     "pin_7", "pin_8",
                                               "encoder_z0", "encoder_z1"};
    for (int i = 0; i < Rec::GPIO_COUNT; ++i)
        addIndex(QStringLiteral("gpio_mode.") + QLatin1String(pins[i]), Rec::GPIO_MODE + i,
                 gpioModes, QStringLiteral("gpioModeCombo_%1").arg(i + 1));

    const QStringList buttonModes = {"Disabled", "Normal", "Inverted", "Pulse normal",
                                     "Pulse inverted"};
    for (int i = 0; i < Rec::BUTTON_COUNT; ++i)
        addIndex(QStringLiteral("button_mode.%1").arg(i + 1), Rec::BUTTON_MODE + i, buttonModes,
                 QStringLiteral("buttonMode_%1").arg(i + 1));

    addPercent("power_limit", Rec::POWER_LIMIT);
    addPercent("braking_limit", Rec::BRAKING_LIMIT);
    addPercent("calibration_magnitude", Rec::CALIBRATION_MAGNITUDE);
    addPercent("calibration_speed", Rec::CALIBRATION_SPEED);

    // The analog axes' settings have no unit.
    const struct {
        const char *name;
        int offset;
        const char *widget;
    } analog[] = {{"lower_dead_zone", Rec::LOWER_DEAD_ZONE, "lowerDeadZoneSpinBox_"},
                  {"upper_dead_zone", Rec::UPPER_DEAD_ZONE, "upperDeadZoneSpinBox_"},
                  {"analog_smoothing", Rec::ANALOG_SMOOTHING, "analogSmoothingSpinBox_"},
                  {"button_threshold", Rec::BUTTON_THRESHOLD, "analogButtonSpinBox_"}};
    const char *const analogAxes[Rec::ANALOG_AXIS_COUNT] = {"rx", "ry", "rz"};
    for (const auto &setting : analog) {
        for (int i = 0; i < Rec::ANALOG_AXIS_COUNT; ++i)
            add(QLatin1String(setting.name) + QLatin1Char('.') + QLatin1String(analogAxes[i]),
                setting.offset + i, E::U8, 0, 100, "",
                QLatin1String(setting.widget) + QString::number(i + 1));
    }

    constexpr double gainLimit = std::numeric_limits<float>::max();
    for (int axis = 0; axis < Rec::AXIS_COUNT; ++axis) {
        const QString name = QStringLiteral("axis%1.").arg(axis);
        const QString widget = QStringLiteral("axis%1_").arg(axis);
        auto place = [axis](int field) { return Rec::axisOffset(axis, field); };
        add(name + "encoder_direction", place(Axis::ENCODER_DIRECTION), E::Direction, -1, 1, "",
            widget + "encoder_direction");
        add(name + "force_direction", place(Axis::FORCE_DIRECTION), E::Direction, -1, 1, "",
            widget + "force_direction");
        add(name + "pole_pairs", place(Axis::POLE_PAIRS), E::U8, 0, 99, "", widget + "pole_pair");
        add(name + "encoder_cpr", place(Axis::ENCODER_CPR), E::U16, 0, 65535,
            "counts per revolution", widget + "encoder_CPR");
        add(name + "motion_range", place(Axis::MOTION_RANGE), E::U16, 0, 65535, "degrees",
            widget + "motion_range");
        add(name + "calibration_start_angle", place(Axis::CALIBRATION_START_ANGLE), E::I16, -180,
            180, "degrees", widget + "calibration_start_angle");
        add(name + "p_gain", place(Axis::P_GAIN), E::F32, -gainLimit, gainLimit, "",
            widget + "p_gain");
        add(name + "i_gain", place(Axis::I_GAIN), E::F32, -gainLimit, gainLimit, "",
            widget + "i_gain");
    }
    return table;
}
} // namespace

const RecordTable &hardwareSettingsTable()
{
    static const RecordTable table = buildTable();
    return table;
}
