#pragma once

// This user's processes as the game watch and the Games window see them, and the rules
// that recognise a bound game among them.

#include "games_file.h"

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QStringList>
#include <QVector>

// What a process shows of itself, as far as a rule needs it.
// On Windows no other process's command line or environment is to be had cheaply: the
// arguments there are the executable's full path alone, and the environment stays empty.
struct ProcessFacts {
    QString executable;     // the file name of the process's executable, or empty
    QStringList arguments;  // the command line, argv[0] first
    QByteArray environment; // NUL-separated, read only when a rule asks for Steam's id
};

// The first game in `games` that the process is, or -1.
int matchGame(const QVector<GameRule> &games, const ProcessFacts &process);

// The base name of a path, Windows' backslashes counted as separators too.
QString baseName(const QString &path);

// This user's processes: on Linux under a proc root (/proc, or a stand-in folder for the
// tests), on Windows the system's process list (Toolhelp32; the root is not used there).
// A process is known by its pid and its start time, so a pid used again is a new process.
// Processes new since the last look are read, and the young ones again at each look (a
// wrapper that execs the game, a start that rewrites its command line); a look without any
// reads the list, and the games' own processes for their end.
class ProcessScan
{
public:
    explicit ProcessScan(const QString &procRoot = QStringLiteral("/proc"));

    // Forgets what it knew: the next look reads every process afresh.
    void setGames(const QVector<GameRule> &games);
    // For each game of setGames, how many of its processes run now. Processes of a
    // "--profile NAME -- COMMAND" launch form, the form itself and all it started, count
    // for no game: that form switches for them. A zombie has ended. `started`, when given,
    // gets for each game that runs the start of its first process: clock ticks after boot on
    // Linux, the creation time in 100 ns units on Windows.
    QVector<int> look(QVector<quint64> *started = nullptr);

    // Until this age a process is read again at each look.
    static constexpr int YOUNG_SECONDS = 30;

    struct Running {
        int pid = 0;
        QString name;
        QString commandLine;
    };
    // This user's processes now, this one left out, each read in full.
    QVector<Running> running() const;

    // When the process `pid` started, in look()'s units; 0 once it has ended (a zombie
    // too) or when it can not be read. With the pid it tells one process from a later one.
    static quint64 startOf(qint64 pid);

private:
    struct Known {
        bool own = false;
        quint64 node = 0;        // what tells it apart cheaply in the listing
        quint64 started = 0;     // as look() gives it
        bool young = false;      // read again at the next look
        int parent = 0;
        bool launchForm = false; // it is one
        int game = -1;           // none also when a launch form started it, or it has ended
    };
    struct Stat {
        bool ok = false;
        char state = 0;
        int parent = 0;
        quint64 started = 0;
    };
    ProcessFacts read(const QByteArray &pidText, bool withExecutable, bool withEnvironment) const;
    Stat readStat(const char *pidText) const;
    quint64 uptimeTicks() const;
    bool underLaunchForm(int pid, const QHash<int, Known> &table, int depth) const;
    // Takes `now` as what is known, and counts each game's processes in it.
    QVector<int> settle(QHash<int, Known> &now, const QVector<int> &fresh,
                        QVector<quint64> *started);

    QByteArray root;
    QVector<GameRule> rules;
    bool steamRules = false;
    bool executableRules = false;
    QHash<int, Known> known;
    unsigned ownUser = 0;
    int ownPid = 0;
    quint64 ticksPerSecond = 100;
};
