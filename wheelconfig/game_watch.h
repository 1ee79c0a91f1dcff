#pragma once

// The watch for bound games: every 2 s a look at this user's processes; a bound game that
// starts gets its profile as one live apply, and the settings from before come back when
// its last process has ended. Games that overlap stack: the latest one's profile holds.

#include "games_file.h"
#include "process_scan.h"

#include <QByteArray>
#include <QHash>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <QVector>


class WheelService;

class GameWatch : public QObject
{
    Q_OBJECT

public:
    static constexpr int INTERVAL_MS = 2000;

    // A game that starts goes onto the service's stack; one that ends leaves it.
    explicit GameWatch(WheelService &service, const QString &procRoot = QStringLiteral("/proc"),
                       QObject *parent = nullptr);

    // Starts watching for these games (with a first look at once), or stops when the list
    // is off or empty; games that run and are no longer bound end as if they had ended.
    // wheel_games.json, when it changes on disk later, replaces the list by itself.
    void setGames(const GamesList &list);
    // The bound games running now, the one that started last at the end.
    QStringList activeGames() const;

public slots:
    void look();

private:
    void takeUpFile();

    WheelService &service;
    GamesFile file;
    // A file changed on disk (by hand, or fixed) is taken up at the next look.
    GamesFileWatch fileWatch{file.path()};
    ProcessScan scan;
    QVector<GameRule> games;
    QVector<GameRule> running;
    QTimer timer;
};
