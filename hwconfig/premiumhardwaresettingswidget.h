#pragma once

#include "hardwaresettingswidgetvariant.h"

#include <memory>

class FormBinding;

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
    void applyDeviceType(unsigned int deviceType);

    Ui::PremiumHardwareSettingsWidget *form;
    std::unique_ptr<FormBinding> binding;
};
