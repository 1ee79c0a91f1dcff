#pragma once

// The windows beside the main one that the tray menu, a start's option and the channel
// open, each made when first asked for.

#include <QObject>

class GameWatch;
class GamesWindow;
class LiveInputWindow;
class QWidget;

enum class SideWindow { Games, Input };

class SideWindows : public QObject
{
public:
    // `owner` is the main window: their parent, and what the input window opens beside.
    SideWindows(QWidget *owner, GameWatch &watch);

    void show(SideWindow kind);

private:
    QWidget *prepare(SideWindow kind);

    QWidget *owner;
    GameWatch &watch;
    GamesWindow *games = nullptr;
    LiveInputWindow *input = nullptr;
};
