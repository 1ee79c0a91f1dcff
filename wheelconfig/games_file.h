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
        // Why the file can not be used, in the user's language; empty when it can. A
        // missing file is no problem: no game is bound yet.
        QString problem;
        bool ok() const { return problem.isEmpty(); }
    };
    Loaded load() const;
    Outcome save(const GamesList &list) const;

    static QByteArray toJson(const GamesList &list);
    // Why the content is refused, if it is.
    static Outcome fromJson(const QByteArray &content, GamesList *list);
    // Why a rule can not be kept, if it can not.
    static Outcome checkRule(const GameRule &rule);

    static QString kindKey(GameRule::Kind kind);

private:
    QString filePath;
};
