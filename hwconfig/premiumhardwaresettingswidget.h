#pragma once

#include "hardwaresettingswidgetvariant.h"

class QCheckBox;
class QLineEdit;
class QSpinBox;

namespace Ui {
class PremiumHardwareSettingsWidget;
}

// The hardware panel: switches, current-sense gain, calibration, limits and the two motor
// axes. Adapts to the device type on every load; hidden widgets still load and store.
class PremiumHardwareSettingsWidget : public HardwareSettingsWidgetVariant
{
    Q_OBJECT

public:
    explicit PremiumHardwareSettingsWidget(QWidget *parent = nullptr);
    ~PremiumHardwareSettingsWidget() override;

    void loadSettings(unsigned int deviceType, const unsigned char *record) override;
    void storeSettings(unsigned char *record) override;

private:
    struct AxisWidgets {
        QCheckBox *encoderDirection;
        QCheckBox *forceDirection;
        QSpinBox *encoderCpr;
        QSpinBox *polePairs;
        QSpinBox *motionRange;
        QSpinBox *startAngle;
        QLineEdit *pGain;
        QLineEdit *iGain;
    };
    AxisWidgets axisWidgets(int axis) const;
    void applyDeviceType(unsigned int deviceType);
    void loadAxis(int axis, const unsigned char *record);
    void storeAxis(int axis, unsigned char *record);

    Ui::PremiumHardwareSettingsWidget *form;
};
