#include "game_watch.h"

#include <algorithm>

GameWatch::GameWatch(Wheel wheel_, const QString &procRoot, QObject *parent)
    : QObject(parent), wheel(std::move(wheel_)), scan(procRoot)
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
        wheel.tell(loaded.problem());
    setGames(loaded.list);
}

void GameWatch::setGames(const GamesList &list)
{
    fileWatch.take();
    games = list.enabled ? list.games : QVector<GameRule>();
    scan.setGames(games);
    if (games.isEmpty()) {
        if (!stack.empty())
            look(); // what runs is no longer bound: put back what was before
        return;
    }
    QTimer::singleShot(0, this, &GameWatch::look);
}

QStringList GameWatch::activeGames() const
{
    QStringList names;
    for (const Active &active : stack)
        names << active.game.name;
    return names;
}

void GameWatch::look()
{
    if (fileWatch.changed())
        return takeUpFile();
    QVector<quint64> started;
    const QVector<int> counts = games.isEmpty() ? QVector<int>() : scan.look(&started);
    auto runs = [&](const GameRule &game) {
        const int index = games.indexOf(game);
        return index >= 0 && counts[index] > 0;
    };
    for (size_t i = stack.size(); i-- > 0;) {
        if (!runs(stack[i].game))
            end(i);
    }
    QVector<int> found;
    for (int i = 0; i < games.size(); ++i) {
        if (counts[i] == 0)
            continue;
        bool active = false;
        for (const Active &entry : stack)
            active = active || entry.game == games[i];
        if (!active)
            found << i;
    }
    // Games found in one look stack as they started: the later-started one holds.
    std::stable_sort(found.begin(), found.end(),
                     [&](int a, int b) { return started[a] < started[b]; });
    for (int i : std::as_const(found))
        stack.push_back(Active{games[i], QByteArray(), false});
    // Once per look: games that start together get the last one's profile alone.
    if (!stack.empty())
        applyTop(false);
}

void GameWatch::wheelConnected()
{
    if (!stack.empty())
        applyTop(true);
}

void GameWatch::applyTop(bool again)
{
    Active &top = stack.back();
    if (!again && (!top.previous.isEmpty() || top.refused))
        return;
    const WheelReply reply = wheel.applyProfile(top.game.profile);
    if (reply.status == WheelReply::Status::NoWheel)
        return; // applied when the wheel comes
    // Told once, not at every look.
    top.refused = !reply.ok();
    if (top.refused) {
        wheel.tell(reply.message);
        return;
    }
    // A wheel that came back holds either this profile still or its own saved settings:
    // the settings from before the game stay the ones to put back.
    if (top.previous.isEmpty())
        top.previous = reply.previous;
    wheel.tell(tr("%1 for %2").arg(top.game.profile, top.game.name));
}

void GameWatch::end(size_t index)
{
    const Active ended = stack[index];
    stack.erase(stack.begin() + index);
    // The next game above that the wheel got takes over what to put back in the end.
    for (size_t above = index; above < stack.size(); ++above) {
        if (!stack[above].previous.isEmpty()) {
            if (!ended.previous.isEmpty())
                stack[above].previous = ended.previous;
            return;
        }
    }
    if (!ended.previous.isEmpty()) {
        const WheelReply reply = wheel.putBack(ended.previous);
        if (reply.ok())
            wheel.tell(
                tr("%1 has ended: the settings from before it are back.").arg(ended.game.name));
        else if (reply.status != WheelReply::Status::NoWheel)
            wheel.tell(reply.message);
    }
}
