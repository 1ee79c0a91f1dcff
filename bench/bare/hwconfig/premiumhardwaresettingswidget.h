#pragma once

#include "form_only.h"
#include "ui_premiumhardwaresettingswidget.h"

class PremiumHardwareSettingsWidget : public FormOnly<Ui::PremiumHardwareSettingsWidget>
{
public:
    using FormOnly::FormOnly;
};
