#pragma once

#include "device_sequences.h"
#include "effect_settings_record.h"
#include "side_window.h"
#include "wheel_device.h"
#include "wheel_service.h"

#include <QIcon>
#include <QMainWindow>
#include <QSystemTrayIcon>
#include <QTranslator>

class EffectSettingsWidgetVariant;
class GameWatch;
class AccessProblemLine;
class WheelTray;

namespace Ui
{
class MainWindow;
}

class MainWindow : public QMainWindow
{
    Q_OBJECT

public:
    explicit MainWindow(QWidget *parent = nullptr);
    ~MainWindow() override;

    // Read-only view for tests and diagnostics.
    const WheelDevice &device() const { return wheelDevice; }

    // The one way to the wheel, also for the requests of other processes.
    WheelService *wheelService() const { return service; }
    void raiseWindow();
    // Instead of showing the window at start: the tray icon alone, and the window only when
    // no tray comes within the wait for one.
    void startHidden();

    // Applies the profile as if picked from the tray once the wheel is connected: at once
    // when it is, else on its connection.
    void applyProfileWhenConnected(const QString &name);

    // A message through the tray icon that needs no answer: a game's profile switched.
    void notify(const QString &title, const QString &text, bool isFailure);

    // The watch for the games in wheel_games.json.
    GameWatch *gameWatch() const { return watch; }
    // The Games window that edits them, or the wheel's Live input window, in front.
    void showSideWindow(SideWindow window);


protected:
    void closeEvent(QCloseEvent *event) override;
    // Asked at every close: without a tray a hidden window could never be reached again.
    virtual bool systemTrayAvailable() const;
    // The tray icon's balloon: a warning for failures, else information.
    virtual void showTrayMessage(const QString &title, const QString &text, bool isFailure);
    // The same message as a desktop notification, for where no tray shows it; false when
    // no notification service took it.
    virtual bool showDesktopNotification(const QString &title, const QString &text, bool isFailure);

private slots:
    void on_reboot_button_clicked();
    void on_save_settings_button_clicked();

private:
    void pollDevice();
    void showDisconnected();
    // The line of the disconnected state, and the tray's tooltip, for a wheel that is
    // plugged in but can not be opened; empty clears both.
    void showAccessProblem(const QString &text);
    void showConnected(const unsigned char *record);
    void adjustToContents();
    void sendEffectSettings();
    void saveToWheel();
    void applyPendingProfile();
    StoreFields panelFields();
    // After a failed exchange: the panel shows what the wheel holds, or the window goes to
    // the disconnected state when the wheel does not answer.
    void showWheelRecord();
    // Once per failure: a warning box, or while the window is hidden the tray's balloon or
    // a desktop notification.
    void tellUser(const QString &text);
    // The tray's balloon where a tray is there now, else a desktop notification; false when
    // neither could show it.
    bool tellOutsideWindow(const QString &title, const QString &text, bool isFailure);
    // The wheel's handle while the window shows it connected, else null.
    DeviceHandle *connectedHandle() const;
    void startGameWatch();

    Ui::MainWindow *form;
    WheelService *service;
    EffectSettingsWidgetVariant *currentPanel = nullptr;
    WheelTray *tray = nullptr;
    QSystemTrayIcon *trayIcon = nullptr;
    AccessProblemLine *accessProblem = nullptr; // made when first needed
    bool showWithoutTray = false;
    bool quitRequested = false;
    // The state the window shows, so that a poll that finds nothing new changes nothing.
    enum class Shown { Nothing, Disconnected, Connected } shown = Shown::Nothing;
    QIcon connectedIcon;
    QIcon disconnectedIcon;
    QTranslator translator;
    QString pendingProfile;
    GameWatch *watch = nullptr;
    SideWindows *sideWindows = nullptr;

    WheelDevice wheelDevice;
};
