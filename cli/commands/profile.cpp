#include "commands.h"

#include "effect_settings_record.h"
#include "file_writer.h"
#include "profile_store.h"

#include <QFileInfo>
#include <QTextStream>

Outcome ProfileCommand::run()
{
    const QString action = arguments.positionals.first();
    const int count = arguments.positionals.size() - 1;
    const bool listing = action == QLatin1String("list");
    const bool exporting = action == QLatin1String("export");
    const bool importing = action == QLatin1String("import");
    if (!listing && !exporting && !importing)
        return refusal(EXIT_USAGE, QStringLiteral("unknown profile command \"%1\": use list, "
                                                  "export or import")
                                       .arg(action));
    if ((listing && count != 0) || (exporting && count != 2) ||
        (importing && (count < 1 || count > 2)))
        return refusal(
            EXIT_USAGE,
            QStringLiteral("wrong arguments for profile %1; see kestrix --help").arg(action));
    if (listing && arguments.force)
        return refusal(EXIT_USAGE, QStringLiteral("--force is not an option of profile list"));

    QDir folder;
    if (const Outcome chosen = chooseFolder(importing, &folder); !chosen.ok())
        return chosen;
    // Only an import makes the folder; a look in the wrong place must leave nothing behind.
    const ProfileStore store(folder, importing ? ProfileStore::Folder::Make
                                               : ProfileStore::Folder::MustExist);
    if (!store.usable())
        return refusal(EXIT_DEVICE,
                       QStringLiteral("%1 can not be used: run kestrix where wheelconfig runs, "
                                      "or give --profiles DIR")
                           .arg(store.path()));
    if (listing)
        return list(store);
    return exporting ? exportProfile(store) : importProfile(store);
}

// The folder the installed wheelconfig runs in, as its launcher finds it; empty without one.
QString ProfileCommand::installedFolder()
{
    const QString dataHome = qEnvironmentVariable("XDG_DATA_HOME");
    if (QDir::isAbsolutePath(dataHome)) // a relative one is invalid and ignored
        return dataHome + QStringLiteral("/kestrix");
    const QString home = qEnvironmentVariable("HOME");
    return home.isEmpty() ? QString() : home + QStringLiteral("/.local/share/kestrix");
}

// The folder that holds wheel_profiles: --profiles, else the working one where it holds
// them, else the installed wheelconfig's where that holds them.
Outcome ProfileCommand::chooseFolder(bool importing, QDir *folder)
{
    if (arguments.profilesGiven) {
        *folder = QDir(arguments.profiles);
        if (importing && !folder->exists() && !QDir().mkpath(folder->path()))
            return refusal(EXIT_DEVICE,
                           QStringLiteral("the folder %1 can not be made").arg(folder->path()));
        if (!folder->exists())
            return refusal(EXIT_USAGE, QStringLiteral("there is no folder %1").arg(folder->path()));
        return Outcome();
    }
    *folder = QDir::current();
    const QString working = folder->absoluteFilePath(QStringLiteral("wheel_profiles"));
    const QString installed = installedFolder();
    if (QFileInfo::exists(working) || installed.isEmpty())
        return Outcome();
    const QString profiles = installed + QStringLiteral("/wheel_profiles");
    if (QFileInfo::exists(profiles)) {
        *folder = QDir(installed);
        note(QStringLiteral("the profiles in %1, where wheelconfig keeps them").arg(profiles));
        return Outcome();
    }
    if (importing)
        return Outcome(); // made in the working folder, as before there was an installed one
    return refusal(EXIT_DEVICE,
                   QStringLiteral("neither %1 nor %2 can be used: run kestrix where wheelconfig "
                                  "runs, or give --profiles DIR")
                       .arg(working, profiles));
}

Outcome ProfileCommand::list(const ProfileStore &store)
{
    for (const QString &name : store.names())
        out << name << '\n';
    return Outcome();
}

Outcome ProfileCommand::exportProfile(const ProfileStore &store)
{
    const QString name = arguments.positionals.at(1);
    const QString path = arguments.positionals.at(2);
    if (const Outcome refused = refuseExisting(path, arguments.force); !refused.ok())
        return refused;

    unsigned char record[EFFECT_SETTINGS_RECORD_SIZE];
    const Outcome read = store.read(name, record);
    if (!read.ok())
        return refusal(read.problem == Outcome::Problem::BadName ? EXIT_USAGE : EXIT_DEVICE,
                       QStringLiteral("the profile \"%1\" can not be read: %2")
                           .arg(name, ProfileStore::reason(read)));
    const RecordValues values = readRecordValues(effectSettingsTable(), record);
    if (const Outcome saved = writeFileAtomically(path, profileJson(values)); !saved.ok())
        return refusal(EXIT_USAGE,
                       QStringLiteral("%1 can not be written: %2").arg(path, saved.reason()));
    out << QStringLiteral("Saved the profile \"%1\" to %2\n").arg(name, path);
    return Outcome();
}

Outcome ProfileCommand::importProfile(const ProfileStore &store)
{
    const QString path = arguments.positionals.at(1);
    const QString name = arguments.positionals.size() == 3 ? arguments.positionals.at(2)
                                                           : QFileInfo(path).completeBaseName();
    if (const ProfileStore::NameProblem problem = ProfileStore::checkName(name);
        problem != ProfileStore::NameProblem::None) {
        Outcome named = Outcome::failed(Outcome::Problem::BadName);
        named.detail = int(problem);
        return refusal(EXIT_USAGE, QStringLiteral("\"%1\" can not name a profile: %2")
                                       .arg(name, ProfileStore::reason(named)));
    }
    QByteArray json;
    if (const Outcome read = readSmallFile(path, &json); !read.ok())
        return read;
    RecordValues values;
    if (const Outcome parsed = parseProfile(json, &values); !parsed.ok())
        return refusal(EXIT_USAGE, path + QStringLiteral(": ") + parsed.reason());
    if (store.exists(name) && !arguments.force)
        return refusal(
            EXIT_USAGE,
            QStringLiteral("the profile \"%1\" exists already; --force replaces it").arg(name));

    // The file's bytes, with its fields over them as a restore writes them.
    QByteArray record = values.raw;
    writeRecordValues(values, reinterpret_cast<unsigned char *>(record.data()));
    const Outcome written =
        store.write(name, reinterpret_cast<const unsigned char *>(record.constData()));
    if (!written.ok())
        return refusal(EXIT_DEVICE, QStringLiteral("the profile \"%1\" can not be stored: %2")
                                        .arg(name, ProfileStore::reason(written)));
    out << QStringLiteral("Stored %1 as the profile \"%2\"\n").arg(path, name);
    return Outcome();
}
