#pragma once

// The one owner of the wheel in wheelconfig. The window, its tray and profile strip, the
// channel's requests, the game watch and the launch form all reach the wheel through it. It
// knows the name of the profile the wheel holds and keeps one stack of the games that run
// with a profile of their own, each with the settings to put back once it ends.
//
// With a window, the window's poll keeps the connection and hands it over; without one (the
// launch form when no wheelconfig runs), each operation opens the wheel and lets go of it.

#include "device_entry.h"
#include "device_sequences.h"
#include "outcome.h"

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QTimer>

#include <vector>

class WheelService : public QObject
{
    Q_OBJECT

public:
    explicit WheelService(QObject *parent = nullptr);
    ~WheelService() override;

    // The window's connection: the handle while the window shows the wheel, else null. A
    // handle that comes (back) gets the top game's profile again, or the kept put-back.
    void setConnection(DeviceHandle *handle);
    // No window: the service opens the wheel for each operation itself.
    void useOwnConnection();

    // The profile the wheel holds; empty once anything else was applied.
    QString heldProfile() const { return held; }

    // A profile from wheel_profiles as one live apply; `previous` (if given) gets the owned
    // fields the wheel had before.
    Outcome applyProfile(const QString &name, QByteArray *previous = nullptr);
    // Owned fields (EFFECT_SETTINGS_RECORD_SIZE bytes) as one live apply, or saved.
    Outcome applyRecord(const QByteArray &record, bool permanent = false);
    // The window's panel: `store` over a fresh read, then the write (or the save).
    Outcome applyFields(const StoreFields &store);
    Outcome saveFields(const StoreFields &store);

    // A game that runs with a profile: `id` tells it apart from every other, `name` is what
    // the user is told. Only games with `announce` are told of in told(). A game with an
    // `owner` process also ends when that process ends without saying so (a launch form
    // that was killed).
    struct Game {
        QString id;
        QString name;
        QString profile;
        bool announce = false;
        qint64 owner = 0;
    };
    Outcome pushGame(const Game &game);
    // Games that started together: the last one's profile alone is applied.
    Outcome pushGames(const std::vector<Game> &games);
    // A game that ended. Not on top: the wheel keeps the top game's profile. The last one:
    // the settings from before the first come back.
    Outcome popGame(const QString &id);
    // Sends the settings kept from a put-back that did not reach the wheel.
    Outcome putBack();
    bool putBackKept() const { return !kept.isEmpty(); }
    QByteArray keptPutBack() const { return kept; }
    // The ids of the games on the stack, the one whose profile holds last.
    QStringList games() const;

    // What the user is told of an outcome of applyProfile or applyRecord.
    static QString failureText(const Outcome &outcome, const QString &profile = QString());
    static QString gameFailureText(const Outcome &outcome, const Game &game);
    static QString noWheelText();
    // What the user is told of a save that did not go through.
    static QString saveFailureText(const Outcome &saved);
    static QString applyRefusedText(const QString &profile);

signals:
    // The owned fields just written: what the window's panel shows.
    void recordApplied(const QByteArray &fields);
    void heldProfileChanged(const QString &name);
    // A transfer failed: the window reads the wheel again, or shows it gone.
    void exchangeFailed();
    // What the user is told of what the service did by itself (a game's switch, a put-back).
    void told(const QString &text, bool isFailure);

private:
    struct Entry {
        Game game;
        QByteArray previous; // the settings before its profile; empty while not applied
        QString previousHeld; // the profile they were, if one
        bool refused = false;
        quint64 ownerStarted = 0; // the owner's start, while it is watched
    };
    // The live apply of `store` over a fresh read; `before` gets the owned fields read.
    Outcome exchange(const StoreFields &store, bool permanent, QByteArray *before = nullptr);
    Outcome applyOwned(const QByteArray &fields, bool permanent, QByteArray *before);
    Outcome applyTop(bool again);
    Outcome sendPutBack(const Entry &ended);
    void setHeld(const QString &name);
    void endGamesWithoutOwner();

    DeviceHandle *handle = nullptr;
    bool ownConnection = false;
    QString held;
    std::vector<Entry> stack;
    QByteArray kept; // a put-back that did not reach the wheel
    QString keptHeld;
    QString keptFor; // the ended game's name, while kept
    bool keptTold = false;
    QTimer ownerWatch; // runs only while a game has an owner
};
