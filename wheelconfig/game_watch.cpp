#include "game_watch.h"

#include "wheel_service.h"

#include <QFile>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace
{

// Command lines and environments beyond this are cut: a rule looks at their start.
constexpr qint64 MAX_READ = 256 * 1024;
// Launchers nest a few levels (a shell, Steam's reaper, Proton, Wine); a loop in a stand-in
// tree must not hang the look.
constexpr int MAX_ANCESTRY = 64;

QByteArray readWhole(const QByteArray &path)
{
    const int fd = ::open(path.constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return QByteArray();
    QByteArray content;
    char buffer[4096];
    for (;;) {
        const ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got <= 0)
            break;
        content.append(buffer, int(got));
        if (content.size() >= MAX_READ)
            break;
    }
    ::close(fd);
    return content;
}

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

// wheelconfig's "--profile NAME -- COMMAND", which switches around its command itself.
bool isLaunchForm(const QStringList &arguments)
{
    if (arguments.isEmpty() || !baseName(arguments.first()).contains(QLatin1String("wheelconfig")))
        return false;
    const int separator = arguments.indexOf(QLatin1String("--"), 1);
    for (int i = 1; i < separator; ++i) {
        if (arguments[i] == QLatin1String("--profile") ||
            arguments[i].startsWith(QLatin1String("--profile=")))
            return true;
    }
    return false;
}

bool isNumber(const char *name)
{
    if (!*name)
        return false;
    for (; *name; ++name) {
        if (*name < '0' || *name > '9')
            return false;
    }
    return true;
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

ProcessScan::ProcessScan(const QString &procRoot)
    : root(QFile::encodeName(procRoot)), ownUser(::getuid()), ownPid(int(::getpid()))
{
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

ProcessFacts ProcessScan::read(const QByteArray &pidText, bool withExecutable,
                               bool withEnvironment) const
{
    const QByteArray dir = root + '/' + pidText + '/';
    ProcessFacts facts;
    QByteArray cmdline = readWhole(dir + "cmdline");
    if (cmdline.endsWith('\0'))
        cmdline.chop(1);
    if (!cmdline.isEmpty()) {
        for (const QByteArray &argument : cmdline.split('\0'))
            facts.arguments << QString::fromLocal8Bit(argument);
    }
    char target[4096];
    const ssize_t length =
        withExecutable ? ::readlink((dir + "exe").constData(), target, sizeof target - 1) : 0;
    if (length > 0) {
        QString exe = baseName(QFile::decodeName(QByteArray(target, int(length))));
        if (exe.endsWith(QLatin1String(" (deleted)")))
            exe.chop(10);
        facts.executable = exe;
    }
    if (withEnvironment)
        facts.environment = readWhole(dir + "environ");
    return facts;
}

int ProcessScan::readParent(int pid) const
{
    // "pid (name) state ppid ...": the name may hold spaces and parentheses itself.
    const QByteArray stat = readWhole(root + '/' + QByteArray::number(pid) + "/stat");
    const int close = stat.lastIndexOf(')');
    const QList<QByteArray> fields = stat.mid(close + 2).split(' ');
    return close > 0 && fields.size() > 1 ? fields[1].toInt() : 0;
}

bool ProcessScan::underLaunchForm(int pid, QHash<int, Known> &table, int depth) const
{
    auto it = table.find(pid);
    if (it == table.end() || !it->own || depth > MAX_ANCESTRY)
        return false;
    if (it->launchForm)
        return true;
    // Read only for a game's process and those above it: most new processes are no game.
    if (it->parent < 0)
        it->parent = readParent(pid);
    return underLaunchForm(it->parent, table, depth + 1);
}

QVector<int> ProcessScan::look()
{
    QHash<int, Known> now;
    now.reserve(known.size() + 16);
    QVector<int> fresh;
    DIR *dir = ::opendir(root.constData());
    if (dir) {
        const int dirFd = ::dirfd(dir);
        while (const dirent *entry = ::readdir(dir)) {
            if (!isNumber(entry->d_name))
                continue;
            const int pid = std::atoi(entry->d_name);
            const auto was = known.constFind(pid);
            if (was != known.constEnd()) {
                now.insert(pid, *was);
                continue;
            }
            Known process;
            struct stat status;
            process.own = pid != ownPid && ::fstatat(dirFd, entry->d_name, &status, 0) == 0 &&
                          status.st_uid == ownUser;
            if (process.own) {
                const ProcessFacts facts = read(entry->d_name, executableRules, steamRules);
                process.launchForm = isLaunchForm(facts.arguments);
                process.game = matchGame(rules, facts);
                fresh << pid;
            }
            now.insert(pid, process);
        }
        ::closedir(dir);
    }
    // Once all are known: a game's launcher may be as new as the game.
    for (int pid : std::as_const(fresh)) {
        if (now[pid].game >= 0 && underLaunchForm(pid, now, 0))
            now[pid].game = -1;
    }
    QVector<int> counts(rules.size(), 0);
    for (const Known &process : std::as_const(now)) {
        if (process.own && process.game >= 0)
            ++counts[process.game];
    }
    known.swap(now);
    return counts;
}

QVector<ProcessScan::Running> ProcessScan::running() const
{
    QVector<Running> list;
    DIR *dir = ::opendir(root.constData());
    if (!dir)
        return list;
    const int dirFd = ::dirfd(dir);
    while (const dirent *entry = ::readdir(dir)) {
        struct stat status;
        if (!isNumber(entry->d_name) || std::atoi(entry->d_name) == ownPid ||
            ::fstatat(dirFd, entry->d_name, &status, 0) != 0 || status.st_uid != ownUser)
            continue;
        const ProcessFacts facts = read(entry->d_name, true, false);
        if (facts.arguments.isEmpty())
            continue; // a kernel thread or one that is gone
        Running process;
        process.pid = std::atoi(entry->d_name);
        // Under Wine the executable is Wine's loader; the game's .exe comes first instead.
        const QString first = baseName(facts.arguments.first());
        process.name =
            facts.executable.isEmpty() || first.endsWith(QLatin1String(".exe"), Qt::CaseInsensitive)
                ? first
                : facts.executable;
        process.commandLine = facts.arguments.join(QLatin1Char(' '));
        list << process;
    }
    ::closedir(dir);
    return list;
}

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
}

void GameWatch::setGames(const GamesList &list)
{
    games = list.enabled ? list.games : QVector<GameRule>();
    scan.setGames(games);
    if (games.isEmpty()) {
        timer.stop();
        if (!running.isEmpty())
            look(); // what runs is no longer bound: put back what was before
        return;
    }
    timer.start();
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
    const QVector<int> counts = games.isEmpty() ? QVector<int>() : scan.look();
    for (qsizetype i = running.size(); i-- > 0;) {
        const qsizetype index = games.indexOf(running[i]);
        if (index < 0 || counts[index] == 0)
            service.popGame(serviceGame(running.takeAt(i)).id);
    }
    // Together, so that games found in one look get one apply: the last one's profile.
    std::vector<WheelService::Game> started;
    for (int i = 0; i < games.size(); ++i) {
        if (counts[i] > 0 && !running.contains(games[i])) {
            running << games[i];
            started.push_back(serviceGame(games[i]));
        }
    }
    if (!started.empty())
        service.pushGames(started);
}
