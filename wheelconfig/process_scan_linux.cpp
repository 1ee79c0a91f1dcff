#include "process_scan.h"

#include <QFile>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

namespace
{

// Command lines and environments beyond this are cut: a rule looks at their start.
constexpr qint64 MAX_READ = 256 * 1024;

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

ProcessScan::ProcessScan(const QString &procRoot)
    : root(QFile::encodeName(procRoot)), ownUser(::getuid()), ownPid(int(::getpid())),
      ticksPerSecond(quint64(std::max(1L, ::sysconf(_SC_CLK_TCK))))
{
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

ProcessScan::Stat ProcessScan::readStat(const char *pidText) const
{
    // "pid (name) state ppid ... starttime ...": the name may hold spaces and parentheses
    // itself, so the fields are counted from its last ')'; starttime is the 22nd field.
    Stat stat;
    const QByteArray text = readWhole(root + '/' + pidText + "/stat");
    const int close = text.lastIndexOf(')');
    if (close < 0)
        return stat;
    const QList<QByteArray> fields = text.mid(close + 2).split(' ');
    if (fields.size() < 20 || fields[0].isEmpty())
        return stat;
    stat.state = fields[0].at(0);
    stat.parent = fields[1].toInt();
    stat.started = fields[19].toULongLong(&stat.ok);
    return stat;
}

quint64 ProcessScan::uptimeTicks() const
{
    // The stand-in folders of the tests bring their own clock.
    const QByteArray text = readWhole(root + "/uptime");
    bool ok = false;
    const double seconds = text.left(text.indexOf(' ')).toDouble(&ok);
    if (ok && seconds >= 0)
        return quint64(seconds * double(ticksPerSecond));
    timespec now;
    ::clock_gettime(CLOCK_BOOTTIME, &now);
    return quint64(now.tv_sec) * ticksPerSecond + quint64(now.tv_nsec) * ticksPerSecond / 1000000000;
}

quint64 ProcessScan::startOf(qint64 pid)
{
    const Stat stat = ProcessScan().readStat(QByteArray::number(pid).constData());
    return stat.ok && stat.state != 'Z' ? stat.started : 0;
}

QVector<int> ProcessScan::look(QVector<quint64> *started)
{
    const quint64 youngTicks = quint64(YOUNG_SECONDS) * ticksPerSecond;
    const quint64 uptime = uptimeTicks();
    const quint64 youngFrom = uptime > youngTicks ? uptime - youngTicks : 0;
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
            const bool wasKnown = was != known.constEnd();
            // /proc gives each process's folder an inode number of its own, so an unchanged
            // number is the same process: most looks read nothing but the list. A game's
            // process is read each time all the same, for its end as a zombie.
            if (wasKnown && entry->d_ino != 0 && was->node == entry->d_ino && !was->young &&
                was->game < 0) {
                now.insert(pid, *was);
                continue;
            }
            const Stat stat = readStat(entry->d_name);
            if (!stat.ok)
                continue; // gone in between
            Known process = wasKnown ? *was : Known();
            process.node = entry->d_ino;
            const bool same = wasKnown && was->started == stat.started;
            if (stat.state == 'Z') {
                // It has ended; only its parent has not collected it yet.
                process.game = -1;
                process.launchForm = false;
                process.young = false;
                process.started = stat.started;
                now.insert(pid, process);
                continue;
            }
            if (same && !was->young) {
                now.insert(pid, process);
                continue;
            }
            // New, or young enough still to exec the game or to rewrite its command line.
            process.started = stat.started;
            process.young = stat.started >= youngFrom;
            process.parent = stat.parent;
            struct stat status;
            process.own = pid != ownPid && ::fstatat(dirFd, entry->d_name, &status, 0) == 0 &&
                          status.st_uid == ownUser;
            process.launchForm = false;
            process.game = -1;
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
    return settle(now, fresh, started);
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
