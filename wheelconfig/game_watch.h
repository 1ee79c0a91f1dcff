#pragma once

// The watch for bound games: every 2 s a look at this user's processes; a bound game that
// starts gets its profile as one live apply, and the settings from before come back when
// its last process has ended. Games that overlap stack: the latest one's profile holds.

#include "games_file.h"

#include <QByteArray>
#include <QHash>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <QVector>


// What a process shows of itself, as far as a rule needs it.
struct ProcessFacts {
    QString executable;     // the file name of /proc/PID/exe's target, or empty
    QStringList arguments;  // the command line, argv[0] first
    QByteArray environment; // NUL-separated, read only when a rule asks for Steam's id
};

// The first game in `games` that the process is, or -1.
int matchGame(const QVector<GameRule> &games, const ProcessFacts &process);

// The base name of a path, Windows' backslashes counted as separators too.
QString baseName(const QString &path);

// This user's processes under a proc root (/proc, or a stand-in folder for the tests).
// Only processes new since the last look are read; a look without any reads the list alone.
class ProcessScan
{
public:
    explicit ProcessScan(const QString &procRoot = QStringLiteral("/proc"));

    // Forgets what it knew: the next look reads every process afresh.
    void setGames(const QVector<GameRule> &games);
    // For each game of setGames, how many of its processes run now. Processes of a
    // "--profile NAME -- COMMAND" launch form, the form itself and all it started, count
    // for no game: that form switches for them.
    QVector<int> look();

    struct Running {
        int pid = 0;
        QString name;
        QString commandLine;
    };
    // This user's processes now, this one left out, each read in full.
    QVector<Running> running() const;

private:
    struct Known {
        bool own = false;
        int parent = -1;         // not read yet
        bool launchForm = false; // it is one
        int game = -1;           // none also when a launch form started it
    };
    ProcessFacts read(const QByteArray &pidText, bool withExecutable, bool withEnvironment) const;
    int readParent(int pid) const;
    bool underLaunchForm(int pid, QHash<int, Known> &table, int depth) const;

    QByteArray root;
    QVector<GameRule> rules;
    bool steamRules = false;
    bool executableRules = false;
    QHash<int, Known> known;
    unsigned ownUser = 0;
    int ownPid = 0;
};

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
    void setGames(const GamesList &list);
    // The bound games running now, the one that started last at the end.
    QStringList activeGames() const;

public slots:
    void look();

private:
    WheelService &service;
    ProcessScan scan;
    QVector<GameRule> games;
    QVector<GameRule> running;
    QTimer timer;
};
