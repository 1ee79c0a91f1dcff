#include "premiumhardwaresettingswidget.h"

#include "ui_premiumhardwaresettingswidget.h"

#include "combo_rows.h"
#include "hardware_settings_record.h"
#include "form_binding.h"
#include "kestrix_protocol.h"

#include <QCoreApplication>

namespace {
constexpr int CALIBRATION_MODE_SEARCH = 2; // a wheel has no end stops to search between
}

PremiumHardwareSettingsWidget::PremiumHardwareSettingsWidget(QWidget *parent)
    : HardwareSettingsWidgetVariant(parent), form(new Ui::PremiumHardwareSettingsWidget)
{
    form->setupUi(this);
    binding = std::make_unique<FormBinding>(hardwareSettingsTable(), this);

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
    binding.reset();
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
    // In the table's order: the magnitude before the start angles, so that each angle's
    // command carries the magnitude just loaded.
    binding->load(record);
}

void PremiumHardwareSettingsWidget::storeSettings(unsigned char *record)
{
    binding->store(record);
}
