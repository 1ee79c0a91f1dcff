#pragma once

// The watch for bound games: every 2 s a look at this user's processes; a bound game that
// starts gets its profile as one live apply, and the settings from before come back when
// its last process has ended. Games that overlap stack: the latest one's profile holds.

#include "games_file.h"
#include "process_scan.h"
#include "wheel_channel.h"

#include <QByteArray>
#include <QHash>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <QVector>

#include <functional>
#include <vector>

class GameWatch : public QObject
{
    Q_OBJECT

public:
    // How the watch reaches the wheel and the user: the same applies as a choice from
    // the tray and as the launch form's putting back.
    struct Wheel {
        std::function<WheelReply(const QString &profile)> applyProfile;
        std::function<WheelReply(const QByteArray &record)> putBack;
        std::function<void(const QString &text)> tell;
    };

    static constexpr int INTERVAL_MS = 2000;

    explicit GameWatch(Wheel wheel, const QString &procRoot = QStringLiteral("/proc"),
                       QObject *parent = nullptr);

    // Starts watching for these games (with a first look at once), or stops when the list
    // is off or empty; games that run and are no longer bound end as if they had ended.
    // wheel_games.json, when it changes on disk later, replaces the list by itself.
    void setGames(const GamesList &list);
    // The bound games running now, the one whose profile holds last.
    QStringList activeGames() const;

public slots:
    void look();
    // A wheel that comes (back) while a game runs gets that game's profile.
    void wheelConnected();

private:
    struct Active {
        GameRule game;
        QByteArray previous; // the settings before its profile; empty while not applied
        bool refused;        // the profile could not be applied
    };
    void applyTop(bool again);
    void end(size_t index);
    void takeUpFile();

    Wheel wheel;
    GamesFile file;
    // A file changed on disk (by hand, or fixed) is taken up at the next look.
    GamesFileWatch fileWatch{file.path()};
    ProcessScan scan;
    QVector<GameRule> games;
    std::vector<Active> stack;
    QTimer timer;
};
