#pragma once

#include "effect_settings_widget_variant.h"

#include <memory>

class FormBinding;

namespace Ui {
class PremiumEffectSettingsWidget;
}

// The wheel's force effects: ten controls, each numeric one a spin box with a slider that
// mirrors it. The spin boxes and the check box hold the values.
class PremiumEffectSettingsWidget : public EffectSettingsWidgetVariant
{
    Q_OBJECT

public:
    explicit PremiumEffectSettingsWidget(QWidget *parent = nullptr);
    ~PremiumEffectSettingsWidget() override;

    void loadSettings(const unsigned char *record) override;
    void storeSettings(unsigned char *record) override;

private slots:
    void on_motion_range_valueChanged(int arg1);
    void on_motion_range_slider_valueChanged(int value);
    void on_total_effect_scale_valueChanged(int);
    void on_total_effect_smoothing_valueChanged(int);
    void on_direct_x_spring_scale_valueChanged(int);
    void on_direct_x_constant_scale_valueChanged(int);
    void on_direct_x_periodic_scale_valueChanged(int);
    void on_soft_stop_scale_valueChanged(int);
    void on_soft_stop_range_valueChanged(int);
    void on_dampening_scale_valueChanged(int);
    void on_invert_constant_force_stateChanged(int);

private:
    void userChanged();

    Ui::PremiumEffectSettingsWidget *form;
    std::unique_ptr<FormBinding> binding;
    bool loading = false;
};
