#include "premiumhardwaresettingswidget.h"

#include "ui_premiumhardwaresettingswidget.h"

#include "combo_rows.h"
#include "hardware_settings_record.h"
#include "record_widgets.h"
#include "kestrix_protocol.h"

#include <QCoreApplication>

namespace Rec = HardwareSettingsRecord;
namespace Axis = AxisSettingsRecord;
using Rec::axisOffset;

namespace {
constexpr int CALIBRATION_MODE_SEARCH = 2; // a wheel has no end stops to search between
}

PremiumHardwareSettingsWidget::PremiumHardwareSettingsWidget(QWidget *parent)
    : HardwareSettingsWidgetVariant(parent), form(new Ui::PremiumHardwareSettingsWidget)
{
    form->setupUi(this);

    // Every change of an angle or of the magnitude is sent to the device at once, also
    // while a record loads; the device needs both to move to the start angle.
    connect(form->axis0_calibration_start_angle, &QSpinBox::valueChanged, this, [this](int v) {
        emit calibrationStartAngleChanged(0, v, form->calibration_magnitude->value());
    });
    connect(form->axis1_calibration_start_angle, &QSpinBox::valueChanged, this, [this](int v) {
        emit calibrationStartAngleChanged(1, v, form->calibration_magnitude->value());
    });
    connect(form->calibration_magnitude, &QSpinBox::valueChanged, this, [this](int v) {
        emit calibrationStartAngleChanged(0, form->axis0_calibration_start_angle->value(), v);
        emit calibrationStartAngleChanged(1, form->axis1_calibration_start_angle->value(), v);
    });
}

PremiumHardwareSettingsWidget::~PremiumHardwareSettingsWidget()
{
    delete form;
}

void PremiumHardwareSettingsWidget::applyDeviceType(unsigned int deviceType)
{
    QComboBox *mode = form->calibration_mode;
    mode->clear();
    mode->addItem(QCoreApplication::translate("QComboBox", "None"));
    mode->addItem(
        QCoreApplication::translate("QComboBox", "Calibration start angle as the center"));
    mode->addItem(QCoreApplication::translate("QComboBox", "Automatic center of range search"));
    setComboRowHidden(mode, CALIBRATION_MODE_SEARCH, deviceType == DEVICE_TYPE_WHEEL);

    if (deviceType == DEVICE_TYPE_JOYSTICK) {
        form->axis_tab->setTabVisible(0, true);
        form->axis_tab->setTabVisible(1, true);
    } else if (deviceType == DEVICE_TYPE_RUDDER || deviceType == DEVICE_TYPE_WHEEL) {
        form->axis_tab->setTabVisible(0, true);
        form->axis_tab->setTabVisible(1, false);
    }

    const bool shown = deviceType != DEVICE_TYPE_WHEEL;
    QWidget *const wheelHides[] = {
        form->axis0_calibration_start_angle, form->axis0_calibration_start_angle_label,
        form->axis1_calibration_start_angle, form->axis1_calibration_start_angle_label,
        form->axis0_motion_range_label,      form->axis0_motion_range,
        form->axis1_motion_range_label,      form->axis1_motion_range,
        form->calibration_speed,             form->calibration_speed_label,
        form->calibration_speed_slider,
    };
    for (QWidget *widget : wheelHides)
        widget->setVisible(shown);
}

void PremiumHardwareSettingsWidget::loadSettings(unsigned int deviceType,
                                                 const unsigned char *record)
{
    applyDeviceType(deviceType);

    loadFlag(form->force_enable, record, Rec::FORCE_ENABLE);
    loadFlag(form->debug_forces, record, Rec::DEBUG_FORCES);
    loadFlag(form->calibrate_on_boot, record, Rec::CALIBRATE_ON_BOOT);

    loadIndex(form->amplifier_gain, record, Rec::AMPLIFIER_GAIN);
    loadIndex(form->calibration_mode, record, Rec::CALIBRATION_MODE);

    loadU8(form->power_limit, record, Rec::POWER_LIMIT);
    loadU8(form->calibration_magnitude, record, Rec::CALIBRATION_MAGNITUDE);
    loadU8(form->calibration_speed, record, Rec::CALIBRATION_SPEED);
    loadU8(form->braking_limit, record, Rec::BRAKING_LIMIT);

    loadAxis(0, record);
    loadAxis(1, record);
}

void PremiumHardwareSettingsWidget::loadAxis(int axis, const unsigned char *record)
{
    const AxisWidgets w = axisWidgets(axis);
    loadDirection(w.encoderDirection, record, axisOffset(axis, Axis::ENCODER_DIRECTION));
    loadDirection(w.forceDirection, record, axisOffset(axis, Axis::FORCE_DIRECTION));
    loadU16(w.encoderCpr, record, axisOffset(axis, Axis::ENCODER_CPR));
    loadU8(w.polePairs, record, axisOffset(axis, Axis::POLE_PAIRS));
    loadGain(w.pGain, record, axisOffset(axis, Axis::P_GAIN));
    loadGain(w.iGain, record, axisOffset(axis, Axis::I_GAIN));
    loadI16(w.startAngle, record, axisOffset(axis, Axis::CALIBRATION_START_ANGLE));
    loadU16(w.motionRange, record, axisOffset(axis, Axis::MOTION_RANGE));
}

void PremiumHardwareSettingsWidget::storeSettings(unsigned char *record)
{
    storeFlag(form->force_enable, record, Rec::FORCE_ENABLE);
    storeFlag(form->debug_forces, record, Rec::DEBUG_FORCES);
    storeFlag(form->calibrate_on_boot, record, Rec::CALIBRATE_ON_BOOT);

    storeIndex(form->amplifier_gain, record, Rec::AMPLIFIER_GAIN);
    storeIndex(form->calibration_mode, record, Rec::CALIBRATION_MODE);

    storeU8(form->power_limit, record, Rec::POWER_LIMIT);
    storeU8(form->calibration_magnitude, record, Rec::CALIBRATION_MAGNITUDE);
    storeU8(form->calibration_speed, record, Rec::CALIBRATION_SPEED);
    storeU8(form->braking_limit, record, Rec::BRAKING_LIMIT);

    storeAxis(0, record);
    storeAxis(1, record);
}

void PremiumHardwareSettingsWidget::storeAxis(int axis, unsigned char *record)
{
    const AxisWidgets w = axisWidgets(axis);
    storeDirection(w.encoderDirection, record, axisOffset(axis, Axis::ENCODER_DIRECTION));
    storeDirection(w.forceDirection, record, axisOffset(axis, Axis::FORCE_DIRECTION));
    storeI16(w.startAngle, record, axisOffset(axis, Axis::CALIBRATION_START_ANGLE));
    storeU16(w.encoderCpr, record, axisOffset(axis, Axis::ENCODER_CPR));
    storeU8(w.polePairs, record, axisOffset(axis, Axis::POLE_PAIRS));
    storeGain(w.pGain, record, axisOffset(axis, Axis::P_GAIN));
    storeGain(w.iGain, record, axisOffset(axis, Axis::I_GAIN));
    storeU16(w.motionRange, record, axisOffset(axis, Axis::MOTION_RANGE));
}

PremiumHardwareSettingsWidget::AxisWidgets
PremiumHardwareSettingsWidget::axisWidgets(int axis) const
{
    if (axis == 0)
        return {form->axis0_encoder_direction, form->axis0_force_direction,
                form->axis0_encoder_CPR,       form->axis0_pole_pair,
                form->axis0_motion_range,      form->axis0_calibration_start_angle,
                form->axis0_p_gain,            form->axis0_i_gain};
    return {form->axis1_encoder_direction, form->axis1_force_direction,
            form->axis1_encoder_CPR,       form->axis1_pole_pair,
            form->axis1_motion_range,      form->axis1_calibration_start_angle,
            form->axis1_p_gain,            form->axis1_i_gain};
}
