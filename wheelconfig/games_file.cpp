#include "games_file.h"

#include "json_document.h"
#include "profile_store.h"

#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QSet>

namespace
{
constexpr char FILE_NAME[] = "wheel_games.json";
constexpr char FORMAT[] = "kestrix-games";
constexpr int VERSION = 1;
// Far beyond any list of games; a larger file is no games file.
constexpr qint64 MAX_SIZE = 1 << 20;

const GameRule::Kind KINDS[] = {GameRule::Kind::Executable, GameRule::Kind::CommandLine,
                                GameRule::Kind::SteamAppId};
} // namespace

GamesFile::GamesFile(const QDir &workingDirectory)
    : filePath(workingDirectory.filePath(QLatin1String(FILE_NAME)))
{
}

QString GamesFile::kindKey(GameRule::Kind kind)
{
    switch (kind) {
    case GameRule::Kind::Executable:
        return QStringLiteral("executable");
    case GameRule::Kind::CommandLine:
        return QStringLiteral("command_line");
    case GameRule::Kind::SteamAppId:
        break;
    }
    return QStringLiteral("steam_app_id");
}

Outcome GamesFile::checkRule(const GameRule &rule)
{
    if (rule.name.trimmed().isEmpty())
        return Outcome::because(tr("a game has no name"));
    if (rule.pattern.isEmpty())
        return Outcome::because(
            tr("%1: there is no rule to recognise it by").arg(rule.name));
    if (rule.kind == GameRule::Kind::SteamAppId) {
        bool number = false;
        const qulonglong id = rule.pattern.toULongLong(&number);
        if (!number || id == 0 || QString::number(id) != rule.pattern)
            return Outcome::because(
                tr("%1: the Steam app id is not a positive whole number").arg(rule.name));
    }
    if (ProfileStore::checkName(rule.profile) != ProfileStore::NameProblem::None)
        return Outcome::because(tr("%1: \"%2\" can not be a profile's name").arg(rule.name, rule.profile));
    return Outcome();
}

Outcome GamesFile::checkProfile(const GameRule &rule, const QStringList &profiles)
{
    if (profiles.contains(rule.profile))
        return Outcome();
    return Outcome::because(tr("%1: there is no profile \"%2\"").arg(rule.name, rule.profile));
}

QByteArray GamesFile::toJson(const GamesList &list)
{
    QJsonArray games;
    for (const GameRule &rule : list.games) {
        QJsonObject game{{QStringLiteral("name"), rule.name},
                         {QStringLiteral("profile"), rule.profile}};
        if (rule.kind == GameRule::Kind::SteamAppId)
            game.insert(kindKey(rule.kind), rule.pattern.toLongLong());
        else
            game.insert(kindKey(rule.kind), rule.pattern);
        games.append(game);
    }
    const QJsonObject root{{QStringLiteral("format"), QLatin1String(FORMAT)},
                           {QStringLiteral("version"), VERSION},
                           {QStringLiteral("enabled"), list.enabled},
                           {QStringLiteral("games"), games}};
    return QJsonDocument(root).toJson(QJsonDocument::Indented);
}

Outcome GamesFile::fromJson(const QByteArray &content, GamesList *list)
{
    const JsonRead json = readJson(content);
    if (json.problem == JsonRead::Problem::NotJson)
        return Outcome::because(
            tr("it is not JSON (%1 at byte %2)").arg(json.parseError).arg(json.offset));
    const QJsonObject root = json.document.object();
    if (json.problem == JsonRead::Problem::DuplicateKey) {
        // Inside a game, the game by its name: "games[2]" is nothing a person counts.
        if (json.path.isEmpty())
            return Outcome::because(tr("the key \"%1\" is given twice").arg(json.key));
        static const QRegularExpression inGame(QStringLiteral("^games\\[(\\d+)\\]$"));
        if (const QRegularExpressionMatch game = inGame.match(json.path); game.hasMatch())
            return Outcome::because(tr("%1: the key \"%2\" is given twice")
                                        .arg(root.value(QStringLiteral("games"))
                                                 .toArray()
                                                 .at(game.captured(1).toInt())
                                                 .toObject()
                                                 .value(QStringLiteral("name"))
                                                 .toString(),
                                             json.key));
        return Outcome::because(
            tr("the key \"%1\" is given twice in %2").arg(json.key, json.path));
    }
    if (!json.document.isObject() || root.value(QStringLiteral("format")) != QLatin1String(FORMAT))
        return Outcome::because(
            tr("it is no games file (\"format\" is not \"%1\")").arg(QLatin1String(FORMAT)));
    if (root.value(QStringLiteral("version")) != VERSION)
        return Outcome::because(tr("its version is not %1").arg(VERSION));
    // A misspelt key would be ignored without a word: "enable": false would keep switching.
    const QSet<QString> topKeys{QStringLiteral("format"), QStringLiteral("version"),
                                QStringLiteral("enabled"), QStringLiteral("games")};
    for (auto it = root.begin(); it != root.end(); ++it) {
        if (!topKeys.contains(it.key()))
            return Outcome::because(tr("it has an unknown key \"%1\"").arg(it.key()));
    }
    const QJsonValue enabled = root.value(QStringLiteral("enabled"));
    if (!enabled.isUndefined() && !enabled.isBool())
        return Outcome::because(tr("\"enabled\" is neither true nor false"));
    if (!root.value(QStringLiteral("games")).isArray())
        return Outcome::because(tr("\"games\" is not a list"));
    const QSet<QString> known{QStringLiteral("name"), QStringLiteral("profile"),
                              QStringLiteral("executable"), QStringLiteral("command_line"),
                              QStringLiteral("steam_app_id")};
    GamesList read;
    read.enabled = enabled.toBool(true);
    QSet<QString> names;
    for (const QJsonValue &value : root.value(QStringLiteral("games")).toArray()) {
        const QJsonObject game = value.toObject();
        if (!value.isObject() || !game.value(QStringLiteral("name")).isString() ||
            !game.value(QStringLiteral("profile")).isString())
            return Outcome::because(tr("a game is not an object with a name and a profile"));
        GameRule rule;
        rule.name = game.value(QStringLiteral("name")).toString();
        rule.profile = game.value(QStringLiteral("profile")).toString();
        for (auto it = game.begin(); it != game.end(); ++it) {
            if (!known.contains(it.key()))
                return Outcome::because(
                    tr("%1: unknown key \"%2\"").arg(rule.name, it.key()));
        }
        int rules = 0;
        for (GameRule::Kind kind : KINDS) {
            const QJsonValue given = game.value(kindKey(kind));
            if (given.isUndefined())
                continue;
            ++rules;
            rule.kind = kind;
            if (kind == GameRule::Kind::SteamAppId) {
                const double id = given.toDouble(-1);
                // Beyond 2^53 a double no longer holds every whole number.
                rule.pattern = given.isDouble() && id == double(qint64(id)) && id < 9.0e15
                                   ? QString::number(qint64(id))
                                   : QString();
                if (rule.pattern.isEmpty())
                    return Outcome::because(
                        tr("%1: the Steam app id is not a positive whole number")
                            .arg(rule.name));
            } else {
                rule.pattern = given.toString();
                if (!given.isString())
                    return Outcome::because(
                        tr("%1: \"%2\" is not text").arg(rule.name, kindKey(kind)));
            }
        }
        if (rules != 1)
            return Outcome::because(
                tr("%1: it needs exactly one of \"executable\", \"command_line\" "
                   "and \"steam_app_id\"")
                    .arg(rule.name));
        if (Outcome refused = checkRule(rule); !refused.ok())
            return refused;
        if (names.contains(rule.name))
            return Outcome::because(tr("the name \"%1\" is given to two games").arg(rule.name));
        names.insert(rule.name);
        read.games.append(rule);
    }
    *list = read;
    return Outcome();
}

GamesFile::Loaded GamesFile::load() const
{
    Loaded loaded;
    const QFileInfo info(filePath);
    if (!info.exists() && !info.isSymLink())
        return loaded;
    loaded.exists = true;
    QFile file;
    Outcome problem;
    if (const Outcome opened = openRegularFile(filePath, &file); !opened.ok())
        problem = opened.problem == Outcome::Problem::NotRegularFile
                      ? Outcome::because(tr("it is not a regular file"))
                      : opened;
    else if (file.size() > MAX_SIZE)
        problem = Outcome::because(tr("it is larger than %1 bytes").arg(MAX_SIZE));
    else {
        loaded.content = file.read(MAX_SIZE);
        problem = fromJson(loaded.content, &loaded.list);
    }
    if (!problem.ok()) {
        loaded.list = GamesList();
        loaded.outcome =
            Outcome::because(tr("%1 can not be used: %2.").arg(filePath, problem.reason()));
    }
    return loaded;
}

Outcome GamesFile::save(const GamesList &list) const
{
    return writeFileAtomically(filePath, toJson(list));
}

GamesFileWatch::GamesFileWatch(const QString &path_) : path(QFile::encodeName(path_))
{
    take();
}

bool GamesFileWatch::changed()
{
    const Stamp stamp = now();
    if (stamp == seen)
        return false;
    seen = stamp;
    return true;
}

void GamesFileWatch::take()
{
    seen = now();
}
