#pragma once

// wheelconfig's tray icon and its menu: "Profiles" (while a wheel was there), "Games...",
// "Exit". The icon shows once a tray is there; a session's panel may come up after this
// program, so it is looked for every second during the first 30 s.

#include <QIcon>
#include <QObject>
#include <QSystemTrayIcon>

#include <functional>

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
    void gamesRequested();
    void exitRequested();
    void clicked();

private:
    void look();

    std::function<bool()> available;
    QSystemTrayIcon *trayIcon;
    QMenu *menu;
    QMenu *profilesMenu;
    QAction *gamesAction;
    QAction *exitAction;
    QTimer *wait;
    int looks = 0;
};
