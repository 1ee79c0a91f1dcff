// The game watch's looks over a stand-in /proc of 500 of this user's processes, in CPU time:
// the first look, which reads every process, and the looks after it, which find none new.
//
//   bench_watch LOOKS      prints "look all new\t<ns>" and "look none new\t<ns>" (the mean)

#include "game_watch.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <cstdio>
#include <ctime>

namespace
{

constexpr int PROCESSES = 500;

qint64 cpuNanoseconds()
{
    timespec now;
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return qint64(now.tv_sec) * 1000000000 + now.tv_nsec;
}

bool write(const QString &path, const QByteArray &content)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(content) == content.size();
}

// Processes as a desktop session has them: a few kilobytes of environment each, command
// lines of a few arguments, none of them a bound game.
bool makeProcesses(const QDir &root)
{
    QByteArray environment;
    for (int i = 0; i < 40; ++i)
        environment += "VARIABLE_" + QByteArray::number(i) + "=" + QByteArray(60, 'x') + '\0';
    // An hour after boot: all of them started long enough ago not to be read again.
    if (!write(root.filePath(QStringLiteral("uptime")), "3600.00 7000.00"))
        return false;
    for (int pid = 1000; pid < 1000 + PROCESSES; ++pid) {
        const QString dir = QString::number(pid);
        const QByteArray name = "program" + QByteArray::number(pid);
        if (!root.mkdir(dir) ||
            !write(root.filePath(dir + "/stat"),
                   QByteArray::number(pid) + " (" + name +
                       ") S 1 1 1 0 -1 4194304 0 0 0 0 0 0 0 0 20 0 1 0 " +
                       QByteArray::number(pid * 100) + " 10000000 500") ||
            !write(root.filePath(dir + "/cmdline"),
                   "/usr/bin/" + name + "\0--option\0value\0/home/user/file"_qba) ||
            !write(root.filePath(dir + "/environ"), environment) ||
            !QFile::link(QStringLiteral("/usr/bin/") + QString::fromLatin1(name),
                         root.filePath(dir + "/exe")))
            return false;
    }
    return true;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication application(argc, argv);
    const int looks = argc == 2 ? std::atoi(argv[1]) : 0;
    QTemporaryDir proc;
    if (looks <= 0 || !proc.isValid() || !makeProcesses(QDir(proc.path()))) {
        std::fprintf(stderr, "usage: bench_watch LOOKS (and a writable temporary folder)\n");
        return 2;
    }
    // One rule of each kind, so that every file a new process has is read.
    const QVector<GameRule> games{{QStringLiteral("Rally game"), GameRule::Kind::Executable,
                                   QStringLiteral("rallygame"), QStringLiteral("Rally")},
                                  {QStringLiteral("Sim"), GameRule::Kind::CommandLine,
                                   QStringLiteral("main.py --track"), QStringLiteral("Rally")},
                                  {QStringLiteral("Steam game"), GameRule::Kind::SteamAppId,
                                   QStringLiteral("244210"), QStringLiteral("Rally")}};
    ProcessScan scan(proc.path());
    scan.setGames(games);
    qint64 start = cpuNanoseconds();
    scan.look();
    std::printf("look all new\t%lld\n", cpuNanoseconds() - start);
    start = cpuNanoseconds();
    for (int i = 0; i < looks; ++i)
        scan.look();
    std::printf("look none new\t%lld\n", (cpuNanoseconds() - start) / looks);
    return 0;
}
