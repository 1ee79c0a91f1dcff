#pragma once

#include <QWidget>

// What the main window knows of a hardware panel: it loads a record just read from the
// device, stores its fields into a record just read again before a save, and reports
// calibration start angle edits, which the window sends to the device at once.
class HardwareSettingsWidgetVariant : public QWidget
{
    Q_OBJECT

public:
    explicit HardwareSettingsWidgetVariant(QWidget *parent = nullptr);

    // `record` holds the bytes of report 0x21 (at least the 107-byte record; callers
    // pass the whole zero-filled receive buffer). Adapts the panel to the device type.
    virtual void loadSettings(unsigned int deviceType, const unsigned char *record) = 0;
    // Writes the panel's own fields into `record` and touches no other byte.
    virtual void storeSettings(unsigned char *record) = 0;

signals:
    void calibrationStartAngleChanged(int axis, int value, int magnitude);
};
