#include "process_scan.h"

#include <algorithm>

namespace
{

// Launchers nest a few levels (a shell, Steam's reaper, Proton, Wine); a loop in a stand-in
// tree must not hang the look.
constexpr int MAX_ANCESTRY = 64;

bool sameExecutable(const QString &rule, const QString &name)
{
    if (name.isEmpty())
        return false;
    // Windows names ignore case; a rule for an .exe finds it however Wine spells it.
    const Qt::CaseSensitivity sense = rule.endsWith(QLatin1String(".exe"), Qt::CaseInsensitive)
                                          ? Qt::CaseInsensitive
                                          : Qt::CaseSensitive;
    return baseName(rule).compare(name, sense) == 0;
}

bool steamIdOnCommandLine(const QStringList &arguments, const QString &id)
{
    const QString wanted = QLatin1String("AppId=") + id;
    const int launch = arguments.indexOf(QLatin1String("SteamLaunch"));
    return launch >= 0 && arguments.indexOf(wanted, launch + 1) > launch;
}

bool steamIdInEnvironment(const QByteArray &environment, const QString &id)
{
    const QByteArray wanted = "SteamAppId=" + id.toLatin1();
    for (const QByteArray &variable : environment.split('\0')) {
        if (variable == wanted)
            return true;
    }
    return false;
}

} // namespace

QString baseName(const QString &path)
{
    const int slash =
        std::max(path.lastIndexOf(QLatin1Char('/')), path.lastIndexOf(QLatin1Char('\\')));
    return path.mid(slash + 1);
}

int matchGame(const QVector<GameRule> &games, const ProcessFacts &process)
{
    const QString first = process.arguments.value(0);
    // "wine rallygame.exe" before Wine has put the game's own name in front.
    const QString wineGame = baseName(first).startsWith(QLatin1String("wine"))
                                 ? baseName(process.arguments.value(1))
                                 : QString();
    QString joined;
    for (int i = 0; i < games.size(); ++i) {
        const GameRule &rule = games[i];
        switch (rule.kind) {
        case GameRule::Kind::Executable:
            if (sameExecutable(rule.pattern, process.executable) ||
                sameExecutable(rule.pattern, baseName(first)) ||
                sameExecutable(rule.pattern, wineGame))
                return i;
            break;
        case GameRule::Kind::CommandLine:
            if (joined.isEmpty())
                joined = process.arguments.join(QLatin1Char(' '));
            if (joined.contains(rule.pattern))
                return i;
            break;
        case GameRule::Kind::SteamAppId:
            if (steamIdOnCommandLine(process.arguments, rule.pattern) ||
                steamIdInEnvironment(process.environment, rule.pattern))
                return i;
            break;
        }
    }
    return -1;
}

void ProcessScan::setGames(const QVector<GameRule> &games)
{
    rules = games;
    steamRules = false;
    executableRules = false;
    for (const GameRule &rule : games) {
        steamRules = steamRules || rule.kind == GameRule::Kind::SteamAppId;
        executableRules = executableRules || rule.kind == GameRule::Kind::Executable;
    }
    known.clear();
}

bool ProcessScan::underLaunchForm(int pid, const QHash<int, Known> &table, int depth) const
{
    const auto it = table.constFind(pid);
    if (it == table.constEnd() || !it->own || depth > MAX_ANCESTRY)
        return false;
    return it->launchForm || underLaunchForm(it->parent, table, depth + 1);
}

QVector<int> ProcessScan::settle(QHash<int, Known> &now, const QVector<int> &fresh,
                                 QVector<quint64> *started)
{
    // Once all are known: a game's launcher may be as new as the game.
    for (int pid : std::as_const(fresh)) {
        if (now[pid].game >= 0 && underLaunchForm(pid, now, 0))
            now[pid].game = -1;
    }
    QVector<int> counts(rules.size(), 0);
    if (started)
        started->fill(0, rules.size());
    for (const Known &process : std::as_const(now)) {
        if (!process.own || process.game < 0)
            continue;
        // A game started when its first process did.
        if (started && (counts[process.game] == 0 || process.started < (*started)[process.game]))
            (*started)[process.game] = process.started;
        ++counts[process.game];
    }
    known.swap(now);
    return counts;
}
