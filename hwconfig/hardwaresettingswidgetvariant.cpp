#include "hardwaresettingswidgetvariant.h"

HardwareSettingsWidgetVariant::HardwareSettingsWidgetVariant(QWidget *parent) : QWidget(parent) {}
