#pragma once

// The profile store: one 22-byte file per profile in wheel_profiles of the working
// directory, named by the profile. No widgets, so that anything that applies profiles on
// the user's behalf can use it as the window does.
//
// The store is the user's own data: a save replaces a profile only once the whole new
// record is on disk, and entries that are symbolic links are neither listed, read,
// written nor deleted, so no name ever reaches a file outside the folder.

#include "outcome.h"

#include <QCoreApplication>
#include <QDir>
#include <QString>
#include <QStringList>

class ProfileStore
{
    Q_DECLARE_TR_FUNCTIONS(ProfileStore)

public:
    // Why a name can not name a profile.
    enum class NameProblem {
        None,
        Empty,
        OnlyWhiteSpace,
        ControlCharacter, // a tab or a line break, for example: invisible in every list
        LeadingDot,       // hidden, and "." and ".." name the folders themselves
        PathSeparator,    // would lead out of the folder
    };

    // Ok, or why not: BadName with a NameProblem as its detail, NoFolder when
    // wheel_profiles can not be made or entered, Damaged for a file shorter than 22 bytes.
    using Outcome = ::Outcome;

    enum class Folder {
        Make,      // wheel_profiles is made if it is missing
        MustExist, // a missing one is no store: a look must not leave a folder behind
    };

    explicit ProfileStore(const QDir &workingDirectory = QDir::current(),
                          Folder folder = Folder::Make);

    // False when wheel_profiles could not be made or entered.
    bool usable() const { return storeUsable; }
    // The folder's path, to name it in messages.
    QString path() const { return folderPath; }

    // The profiles: regular files with usable names, sorted by name, case-insensitive.
    QStringList names() const;

    // Reads the first 22 bytes of the profile into `record` (EFFECT_SETTINGS_RECORD_SIZE
    // bytes); on failure `record` is left as it was.
    Outcome read(const QString &name, unsigned char *record) const;
    // Writes the 22 bytes of `record` as the profile, replacing one of that name only
    // when all of them reached the disk.
    Outcome write(const QString &name, const unsigned char *record) const;
    Outcome remove(const QString &name) const;
    // Whether anything stands at the name: a profile, a folder, or a link even one that
    // points nowhere.
    bool exists(const QString &name) const;

    static NameProblem checkName(const QString &name);

    static QString reason(const Outcome &outcome);

private:
    // What stands at `name` (not following a link), or a refusal.
    Outcome examine(const QString &name, bool mustExist) const;

    QDir profileDir;
    QString folderPath;
    // False when wheel_profiles could not be made or entered: then there is no store at
    // all, rather than the working directory standing in for it.
    bool storeUsable = false;
};
