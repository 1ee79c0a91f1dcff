#include "premium_effect_settings_widget.h"

#include "ui_premium_effect_settings_widget.h"

#include "effect_settings_record.h"

PremiumEffectSettingsWidget::PremiumEffectSettingsWidget(QWidget *parent)
    : EffectSettingsWidgetVariant(parent), form(new Ui::PremiumEffectSettingsWidget)
{
    form->setupUi(this);
}

PremiumEffectSettingsWidget::~PremiumEffectSettingsWidget()
{
    delete form;
}

void PremiumEffectSettingsWidget::loadSettings(const unsigned char *record)
{
    loading = true;
    form->invert_constant_force->setChecked(constantForceInverted(record));
    form->motion_range->setValue(motionRange(record));
    form->total_effect_scale->setValue(record[EFFECT_TOTAL_EFFECT_SCALE]);
    form->total_effect_smoothing->setValue(record[EFFECT_TOTAL_EFFECT_SMOOTHING]);
    form->direct_x_spring_scale->setValue(record[EFFECT_DIRECT_X_SPRING_SCALE]);
    form->direct_x_constant_scale->setValue(record[EFFECT_DIRECT_X_CONSTANT_SCALE]);
    form->direct_x_periodic_scale->setValue(record[EFFECT_DIRECT_X_PERIODIC_SCALE]);
    form->soft_stop_scale->setValue(record[EFFECT_SOFT_STOP_SCALE]);
    form->soft_stop_range->setValue(record[EFFECT_SOFT_STOP_RANGE]);
    form->dampening_scale->setValue(record[EFFECT_DAMPENING_SCALE]);
    loading = false;
}

void PremiumEffectSettingsWidget::storeSettings(unsigned char *record)
{
    setConstantForceInverted(record, form->invert_constant_force->isChecked());
    setMotionRange(record, static_cast<uint16_t>(form->motion_range->value()));
    record[EFFECT_TOTAL_EFFECT_SCALE] =
        static_cast<unsigned char>(form->total_effect_scale->value());
    record[EFFECT_TOTAL_EFFECT_SMOOTHING] =
        static_cast<unsigned char>(form->total_effect_smoothing->value());
    record[EFFECT_DIRECT_X_SPRING_SCALE] =
        static_cast<unsigned char>(form->direct_x_spring_scale->value());
    record[EFFECT_DIRECT_X_CONSTANT_SCALE] =
        static_cast<unsigned char>(form->direct_x_constant_scale->value());
    record[EFFECT_DIRECT_X_PERIODIC_SCALE] =
        static_cast<unsigned char>(form->direct_x_periodic_scale->value());
    record[EFFECT_SOFT_STOP_SCALE] = static_cast<unsigned char>(form->soft_stop_scale->value());
    record[EFFECT_SOFT_STOP_RANGE] = static_cast<unsigned char>(form->soft_stop_range->value());
    record[EFFECT_DAMPENING_SCALE] = static_cast<unsigned char>(form->dampening_scale->value());
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
