#pragma once

// The games bound to profiles: wheel_games.json in the working directory, beside
// wheel_profiles. No widgets, so that the watch and the window read it the same way.
//
//   {"format": "kestrix-games", "version": 1, "enabled": true,
//    "games": [{"name": "Rally game", "executable": "rallygame", "profile": "Rally"}]}

#include "file_writer.h"

#include <QCoreApplication>
#include <QDir>
#include <QString>
#include <QStringList>
#include <QVector>

struct GameRule {
    // How a process is recognised as the game: exactly one per game.
    enum class Kind {
        Executable,  // the file name of its executable or of its first argument
        CommandLine, // a substring of its command line, arguments joined by spaces
        SteamAppId,  // Steam's id on its command line or in its environment
    };

    QString name;
    Kind kind = Kind::Executable;
    QString pattern; // for SteamAppId the decimal id
    QString profile;

    bool operator==(const GameRule &other) const
    {
        return name == other.name && kind == other.kind && pattern == other.pattern &&
               profile == other.profile;
    }
};

struct GamesList {
    bool enabled = true; // a file without "enabled" switches
    QVector<GameRule> games;
};

class GamesFile
{
    Q_DECLARE_TR_FUNCTIONS(GamesFile)

public:
    explicit GamesFile(const QDir &workingDirectory = QDir::current());

    QString path() const { return filePath; }

    struct Loaded {
        GamesList list;
        // Why the file can not be used, in the user's language. A missing file is no
        // problem: no game is bound yet.
        Outcome outcome;
        bool exists = false;
        QByteArray content; // as read, to tell a change on disk by
        bool ok() const { return outcome.ok(); }
        QString problem() const { return outcome.ok() ? QString() : outcome.reason(); }
    };
    Loaded load() const;
    Outcome save(const GamesList &list) const;

    static QByteArray toJson(const GamesList &list);
    // Why the content is refused, if it is.
    static Outcome fromJson(const QByteArray &content, GamesList *list);
    // Why a rule can not be kept, if it can not.
    static Outcome checkRule(const GameRule &rule);
    // Whether the rule's profile is among `profiles`: a profile may go after its games.
    static Outcome checkProfile(const GameRule &rule, const QStringList &profiles);

    static QString kindKey(GameRule::Kind kind);

private:
    QString filePath;
};

// Whether the games file changed on disk since it was last taken up: its modification time,
// size and inode (a file written anew is a new inode), one stat() a look.
class GamesFileWatch
{
public:
    explicit GamesFileWatch(const QString &path);
    // True once for each change since the last call or take().
    bool changed();
    // The file as it is now is the one taken up.
    void take();

private:
    struct Stamp {
        bool exists = false;
        qint64 modified = 0; // ns
        qint64 size = 0;
        quint64 inode = 0;
        bool operator==(const Stamp &other) const
        {
            return exists == other.exists && modified == other.modified && size == other.size &&
                   inode == other.inode;
        }
    };
    Stamp now() const;

    QByteArray path;
    Stamp seen;
};
