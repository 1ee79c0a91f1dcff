#pragma once

#include "device_entry.h"

#include <QIcon>
#include <QList>
#include <QMainWindow>
#include <QTranslator>

#include <memory>
#include <vector>

class FormBinding;
class LiveInputWindow;
class QLabel;
class HardwareSettingsWidgetVariant;

namespace Ui {
class MainWindow;
}

class MainWindow : public QMainWindow
{
    Q_OBJECT

public:
    explicit MainWindow(QWidget *parent = nullptr);
    ~MainWindow() override;

    // Read-only views for tests and diagnostics.
    int selectedDeviceIndex() const { return selectedDevice; }
    const DeviceEntry &catalogueEntry(int index) const { return deviceCatalogue[index]; }

private slots:
    void on_comboBox_activated(int index);
    void on_spiModeCombo_activated(int index);
    void on_reboot_button_clicked();
    void on_read_settings_button_clicked();
    void on_save_settings_button_clicked();
    void on_input_button_clicked();

private:
    // Page set-up, run once by the constructor.
    void fillGpioModeCombos();
    void fillButtonModeCombos();
    // Each pin's list offers only the modes its hardware has; done once, before the pages
    // are first shown.
    void hidePinModes();
    // The pages' bytes of the hardware settings record (the panel's are its own).
    void loadPages(const unsigned char *record);
    void storePages(unsigned char *record);

    void pollDevices();
    // The line under the selector for a controller that is plugged in but can not be opened.
    void showAccessProblems();
    void hideAllTabs();
    // The read action; true when it loaded the pages of the selected device.
    bool readSettings();
    void sendCalibrationStartAngle(int axis, int value, int magnitude);
    // The open handle of the selected device, or null after the warning box was shown.
    DeviceHandle *targetDevice();
    void warnNoTarget();
    void warn(const QString &text);

    Ui::MainWindow *form;
    QLabel *accessProblem = nullptr;
    QIcon icon;
    // The pages' widgets, bound to their fields of the record.
    std::unique_ptr<FormBinding> pages;
    HardwareSettingsWidgetVariant *currentPanel = nullptr;
    QTranslator translator;

    // The live view of the selected controller, made when first asked for.
    std::unique_ptr<LiveInputWindow> liveInput;

    std::vector<DeviceEntry> deviceCatalogue;
    int selectedDevice = -666;
    // What the selector shows, as the poll last set it: a row per entry, true while shown,
    // and the count its placeholder names (none set yet: empty and -1).
    std::vector<bool> rowsShown;
    int placeholderCount = -1;
    // The owned bytes of the record the pages were loaded from, and of the last one a save
    // sent: a save goes ahead only while the controller holds one of them, whatever happened
    // to the connection.
    QByteArray loadedRecord;
    QByteArray savedRecord;
    // A run of failed calibration commands is told once; the commands after a failure wait
    // until the user has seen it.
    bool pinModesHidden = false;
    bool calibrationFailing = false;
    bool calibrationWarningPending = false;
};
