#pragma once

#include "form_only.h"
#include "ui_premium_effect_settings_widget.h"

class PremiumEffectSettingsWidget : public FormOnly<Ui::PremiumEffectSettingsWidget>
{
public:
    using FormOnly::FormOnly;
};
