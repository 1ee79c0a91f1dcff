#include "effect_settings_widget_variant.h"

EffectSettingsWidgetVariant::EffectSettingsWidgetVariant(QWidget *parent) : QWidget(parent) {}
