#include "side_window.h"

#include "family.h"
#include "game_watch.h"
#include "games_window.h"
#include "live_input_window.h"

SideWindows::SideWindows(QWidget *owner_, GameWatch &watch_)
    : QObject(owner_), owner(owner_), watch(watch_)
{
}

QWidget *SideWindows::prepare(SideWindow kind)
{
    switch (kind) {
    case SideWindow::Games:
        if (!games) {
            games = new GamesWindow(QStringLiteral("/proc"), owner);
            games->setChangeHandler([this](const GamesList &list) { watch.setGames(list); });
        } else {
            games->reload();
        }
        return games;
    case SideWindow::Input:
        // The event device is opened only while the window is shown.
        if (!input)
            input = new LiveInputWindow(wheelProduct().productId, owner);
        // Beside the main window where it shows, so that an applied profile's effect is seen.
        if (!input->isVisible() && owner->isVisible())
            input->move(owner->frameGeometry().topRight() + QPoint(8, 0));
        return input;
    }
    return nullptr;
}

void SideWindows::show(SideWindow kind)
{
    QWidget *window = prepare(kind);
    window->show();
    window->setWindowState(window->windowState() & ~Qt::WindowMinimized);
    window->raise();
    window->activateWindow();
}
