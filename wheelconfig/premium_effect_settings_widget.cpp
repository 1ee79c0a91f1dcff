#include "premium_effect_settings_widget.h"

#include "ui_premium_effect_settings_widget.h"

#include "effect_settings_record.h"
#include "form_binding.h"

PremiumEffectSettingsWidget::PremiumEffectSettingsWidget(QWidget *parent)
    : EffectSettingsWidgetVariant(parent), form(new Ui::PremiumEffectSettingsWidget)
{
    form->setupUi(this);
    binding = std::make_unique<FormBinding>(effectSettingsTable(), this);
}

PremiumEffectSettingsWidget::~PremiumEffectSettingsWidget()
{
    binding.reset();
    delete form;
}

void PremiumEffectSettingsWidget::loadSettings(const unsigned char *record)
{
    loading = true;
    binding->load(record);
    loading = false;
}

void PremiumEffectSettingsWidget::storeSettings(unsigned char *record)
{
    binding->store(record);
}

void PremiumEffectSettingsWidget::userChanged()
{
    if (!loading)
        emit settingsChanged();
}

void PremiumEffectSettingsWidget::on_motion_range_valueChanged(int arg1)
{
    // Wheels turn further than the slider's usual scale: the scale grows, and stays grown.
    if (arg1 > form->motion_range_slider->maximum())
        form->motion_range_slider->setMaximum(arg1);
    if (form->motion_range_slider->value() != arg1)
        form->motion_range_slider->setValue(arg1);
    userChanged();
}

void PremiumEffectSettingsWidget::on_motion_range_slider_valueChanged(int value)
{
    if (form->motion_range->value() != value)
        form->motion_range->setValue(value);
}

void PremiumEffectSettingsWidget::on_total_effect_scale_valueChanged(int)
{
    userChanged();
}

void PremiumEffectSettingsWidget::on_total_effect_smoothing_valueChanged(int)
{
    userChanged();
}

void PremiumEffectSettingsWidget::on_direct_x_spring_scale_valueChanged(int)
{
    userChanged();
}

void PremiumEffectSettingsWidget::on_direct_x_constant_scale_valueChanged(int)
{
    userChanged();
}

void PremiumEffectSettingsWidget::on_direct_x_periodic_scale_valueChanged(int)
{
    userChanged();
}

void PremiumEffectSettingsWidget::on_soft_stop_scale_valueChanged(int)
{
    userChanged();
}

void PremiumEffectSettingsWidget::on_soft_stop_range_valueChanged(int)
{
    userChanged();
}

void PremiumEffectSettingsWidget::on_dampening_scale_valueChanged(int)
{
    userChanged();
}

void PremiumEffectSettingsWidget::on_invert_constant_force_stateChanged(int)
{
    userChanged();
}
