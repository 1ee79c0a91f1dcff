#include "game_watch.h"

#include "wheel_service.h"

#include <algorithm>

namespace
{
WheelService::Game serviceGame(const GameRule &rule)
{
    return WheelService::Game{QLatin1String("watch:") + rule.name, rule.name, rule.profile, true};
}
} // namespace

GameWatch::GameWatch(WheelService &service_, const QString &procRoot, QObject *parent)
    : QObject(parent), service(service_), scan(procRoot)
{
    timer.setInterval(INTERVAL_MS);
    connect(&timer, &QTimer::timeout, this, &GameWatch::look);
    // With no game to watch still, for the file.
    timer.start();
}

void GameWatch::takeUpFile()
{
    const GamesFile::Loaded loaded = file.load();
    if (!loaded.ok())
        emit service.told(loaded.problem(), true);
    setGames(loaded.list);
}

void GameWatch::setGames(const GamesList &list)
{
    fileWatch.take();
    games = list.enabled ? list.games : QVector<GameRule>();
    scan.setGames(games);
    if (games.isEmpty()) {
        if (!running.isEmpty())
            look(); // what runs is no longer bound: put back what was before
        return;
    }
    QTimer::singleShot(0, this, &GameWatch::look);
}

QStringList GameWatch::activeGames() const
{
    QStringList names;
    for (const GameRule &game : running)
        names << game.name;
    return names;
}

void GameWatch::look()
{
    if (fileWatch.changed())
        return takeUpFile();
    QVector<quint64> started;
    const QVector<int> counts = games.isEmpty() ? QVector<int>() : scan.look(&started);
    // Bottom first: games that end in the same look leave one put-back, not an apply of
    // each game below on the way down.
    for (qsizetype i = 0; i < running.size();) {
        const qsizetype index = games.indexOf(running[i]);
        if (index < 0 || counts[index] == 0)
            service.popGame(serviceGame(running.takeAt(i)).id);
        else
            ++i;
    }
    QVector<int> found;
    for (int i = 0; i < games.size(); ++i) {
        if (counts[i] > 0 && !running.contains(games[i]))
            found << i;
    }
    // Games found in one look stack as they started: the later-started one holds. Pushed
    // together, so that they get one apply: the last one's profile.
    std::stable_sort(found.begin(), found.end(),
                     [&](int a, int b) { return started[a] < started[b]; });
    std::vector<WheelService::Game> pushed;
    for (int i : std::as_const(found)) {
        running << games[i];
        pushed.push_back(serviceGame(games[i]));
    }
    if (!pushed.empty())
        service.pushGames(pushed);
}
