#include "wheel_tray.h"

#include "autostart.h"

#include <QAction>
#include <QMenu>
#include <QTimer>

namespace
{
// How long a tray is waited for after start, in looks one second apart.
constexpr int TRAY_LOOKS = 30;
} // namespace

WheelTray::WheelTray(const QIcon &icon, std::function<bool()> available_, QWidget *window)
    : QObject(window), available(std::move(available_)), trayIcon(new QSystemTrayIcon(icon, this)),
      menu(new QMenu(window)), profilesMenu(new QMenu(tr("Profiles"))),
      gamesAction(sideAction(tr("Games..."), SideWindow::Games)),
      inputAction(sideAction(tr("Input..."), SideWindow::Input)),
      autostartAction(
          new AutostartAction([this](const QString &text) { emit failed(text); }, this)),
      exitAction(new QAction(tr("Exit"), this)), wait(new QTimer(this))
{
    trayIcon->setContextMenu(menu);
    // Closing the window only hides it: without a wheel, Exit is the only way out.
    fillMenu(false);
    // An entry made or removed by hand since shows as it is.
    connect(menu, &QMenu::aboutToShow, autostartAction, &AutostartAction::refresh);
    connect(exitAction, &QAction::triggered, this, &WheelTray::exitRequested);
    connect(trayIcon, &QSystemTrayIcon::activated, this,
            [this](QSystemTrayIcon::ActivationReason reason) {
                if (reason == QSystemTrayIcon::Trigger)
                    emit clicked();
            });
    wait->setObjectName(QStringLiteral("tray_wait"));
    wait->setInterval(1000);
    connect(wait, &QTimer::timeout, this, &WheelTray::look);
    // The first look once the window is constructed, so that it asks the desktop the window
    // was made for.
    QTimer::singleShot(0, this, &WheelTray::look);
}

WheelTray::~WheelTray()
{
    delete profilesMenu;
}

void WheelTray::offerProfiles()
{
    fillMenu(true);
}

void WheelTray::fillMenu(bool withProfiles)
{
    menu->clear();
    if (withProfiles) {
        menu->addMenu(profilesMenu);
        menu->addSeparator();
    }
    menu->addActions({gamesAction, inputAction, autostartAction, exitAction});
}

QAction *WheelTray::sideAction(const QString &text, SideWindow window)
{
    auto *action = new QAction(text, this);
    connect(action, &QAction::triggered, this, [this, window] { emit windowRequested(window); });
    return action;
}

void WheelTray::look()
{
    if (available()) {
        wait->stop();
        trayIcon->show();
        return;
    }
    // Past the wait there is no tray; a close still asks again at that moment.
    if (looks++ >= TRAY_LOOKS) {
        wait->stop();
        emit noTray();
    } else if (!wait->isActive()) {
        wait->start();
    }
}
