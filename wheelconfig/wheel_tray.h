#pragma once

// wheelconfig's tray icon and its menu: "Profiles" (while a wheel was there), "Games...",
// "Input...", "Start with the session", "Exit". The icon shows once a tray is there; a
// session's panel may come up after this program, so it is looked for every second during
// the first 30 s.

#include "side_window.h"

#include <QIcon>
#include <QObject>
#include <QSystemTrayIcon>

#include <functional>

class AutostartAction;
class QAction;
class QMenu;
class QTimer;
class QWidget;

class WheelTray : public QObject
{
    Q_OBJECT

public:
    // `available` says whether the desktop offers a tray now. The menu is the window's child.
    WheelTray(const QIcon &icon, std::function<bool()> available, QWidget *window);
    ~WheelTray() override;

    QSystemTrayIcon *icon() const { return trayIcon; }
    // Filled by the profile strip.
    QMenu *profiles() const { return profilesMenu; }
    // With the profiles from the wheel's first connection on.
    void offerProfiles();

signals:
    void windowRequested(SideWindow window);
    void exitRequested();
    void clicked();
    // The wait for a tray ran out without one.
    void noTray();
    // "Start with the session" could not change the autostart entry.
    void failed(const QString &text);

private:
    void look();
    void fillMenu(bool withProfiles);
    QAction *sideAction(const QString &text, SideWindow window);

    std::function<bool()> available;
    QSystemTrayIcon *trayIcon;
    QMenu *menu;
    QMenu *profilesMenu;
    QAction *gamesAction;
    QAction *inputAction;
    AutostartAction *autostartAction;
    QAction *exitAction;
    QTimer *wait;
    int looks = 0;
};
