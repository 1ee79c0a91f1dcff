#pragma once

#include <QWidget>

// An effect settings panel, as the main window and the profile widget see it.
class EffectSettingsWidgetVariant : public QWidget
{
    Q_OBJECT

public:
    explicit EffectSettingsWidgetVariant(QWidget *parent = nullptr);

    // Sets the controls from an effect settings record (see effect_settings_record.h).
    // Loading never emits settingsChanged.
    virtual void loadSettings(const unsigned char *record) = 0;
    // Writes the controls into the record; bytes the panel does not own stay as they are.
    virtual void storeSettings(unsigned char *record) = 0;

signals:
    // Once for every change the user makes.
    void settingsChanged();
};
