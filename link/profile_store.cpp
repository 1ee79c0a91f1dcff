#include "profile_store.h"

#include "effect_settings_record.h"
#include "file_writer.h"

#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstring>

namespace {

const QString PROFILE_DIRECTORY = QStringLiteral("wheel_profiles");

using Problem = Outcome::Problem;

// What the system's error number means to someone who saves a profile.
Outcome systemFailure(int error, const QString &qtText)
{
    if (error != 0)
        return Outcome::fromError(error);
    Outcome failed = Outcome::failed(Problem::Failed);
    failed.systemText = qtText;
    return failed;
}

} // namespace

ProfileStore::ProfileStore(const QDir &workingDirectory, Folder folder)
    : profileDir(workingDirectory),
      folderPath(QDir::cleanPath(workingDirectory.absoluteFilePath(PROFILE_DIRECTORY)))
{
    if (folder == Folder::Make)
        profileDir.mkdir(PROFILE_DIRECTORY);
    storeUsable = profileDir.cd(PROFILE_DIRECTORY);
}

ProfileStore::NameProblem ProfileStore::checkName(const QString &name)
{
    if (name.isEmpty())
        return NameProblem::Empty;
    if (name.trimmed().isEmpty())
        return NameProblem::OnlyWhiteSpace;
    for (const QChar c : name) {
        const QChar::Category category = c.category();
        if (category == QChar::Other_Control || category == QChar::Separator_Line ||
            category == QChar::Separator_Paragraph)
            return NameProblem::ControlCharacter;
    }
    // A name is joined to the store's path: it must not lead out of it, and a hidden name
    // would be saved but never listed.
    if (name.startsWith(QLatin1Char('.')))
        return NameProblem::LeadingDot;
    if (name.contains(QLatin1Char('/')) || name.contains(QLatin1Char('\\')))
        return NameProblem::PathSeparator;
    return NameProblem::None;
}

QStringList ProfileStore::names() const
{
    if (!storeUsable)
        return {};
    QStringList names;
    const QStringList entries =
        profileDir.entryList(QDir::Files | QDir::NoSymLinks, QDir::Name | QDir::IgnoreCase);
    for (const QString &name : entries) {
        if (checkName(name) == NameProblem::None) // else it could be neither applied nor deleted
            names << name;
    }
    return names;
}

ProfileStore::Outcome ProfileStore::examine(const QString &name, bool mustExist) const
{
    if (!storeUsable)
        return Outcome::failed(Problem::NoFolder);
    if (const NameProblem problem = checkName(name); problem != NameProblem::None) {
        Outcome refused = Outcome::failed(Problem::BadName);
        refused.detail = int(problem);
        return refused;
    }
    const QFileInfo info(profileDir.filePath(name));
    if (info.isSymLink()) // also one that points nowhere, which exists() does not see
        return Outcome::failed(Problem::SymbolicLink);
    if (!info.exists())
        return mustExist ? Outcome::failed(Problem::NotFound) : Outcome();
    if (!info.isFile())
        return Outcome::failed(Problem::NotRegularFile);
    return Outcome();
}

ProfileStore::Outcome ProfileStore::read(const QString &name, unsigned char *record) const
{
    if (Outcome examined = examine(name, true); !examined.ok())
        return examined;
    // Not through a link that appeared since, and not waiting for a writer of a FIFO.
    QFile file;
    if (Outcome opened = openRegularFile(profileDir.filePath(name), &file, LinkPolicy::Refuse);
        !opened.ok())
        return opened;
    errno = 0;
    unsigned char bytes[EFFECT_SETTINGS_RECORD_SIZE];
    const qint64 received = file.read(reinterpret_cast<char *>(bytes), sizeof bytes);
    if (received < 0)
        return systemFailure(errno, file.errorString());
    // A short file holds no whole profile: loading it would mix in bytes nobody read.
    if (received != EFFECT_SETTINGS_RECORD_SIZE)
        return Outcome::failed(Problem::Damaged);
    std::memcpy(record, bytes, sizeof bytes);
    return Outcome();
}

ProfileStore::Outcome ProfileStore::write(const QString &name, const unsigned char *record) const
{
    if (Outcome examined = examine(name, false); !examined.ok())
        return examined;
    // A link that appeared since it was examined is refused too.
    const ::Outcome written = writeFileAtomically(
        profileDir.filePath(name),
        QByteArray(reinterpret_cast<const char *>(record), EFFECT_SETTINGS_RECORD_SIZE),
        LinkPolicy::Refuse);
    // A folder that went away since the store was opened.
    return written.problem == Problem::NotFound ? Outcome::failed(Problem::NoFolder) : written;
}

ProfileStore::Outcome ProfileStore::remove(const QString &name) const
{
    if (Outcome examined = examine(name, true); !examined.ok())
        return examined;
    errno = 0;
    // unlink() never follows a link, so at worst a link made meanwhile goes, not its target.
    if (!QFile::remove(profileDir.filePath(name)))
        return systemFailure(errno, QString());
    return Outcome();
}

bool ProfileStore::exists(const QString &name) const
{
    const QFileInfo info(profileDir.filePath(name));
    return storeUsable && (info.exists() || info.isSymLink());
}

QString ProfileStore::reason(const Outcome &outcome)
{
    switch (outcome.problem) {
    case Problem::None:
        return {};
    case Problem::NoFolder:
        return tr("the folder wheel_profiles can not be used");
    case Problem::BadName:
        switch (NameProblem(outcome.detail)) {
        case NameProblem::None:
        case NameProblem::Empty:
            return tr("no name was typed");
        case NameProblem::OnlyWhiteSpace:
            return tr("the name is only white space");
        case NameProblem::ControlCharacter:
            return tr("the name contains a control character, such as a tab or a line break");
        case NameProblem::LeadingDot:
            return tr("the name starts with a dot");
        case NameProblem::PathSeparator:
            return tr("the name contains / or \\");
        }
        break;
    case Problem::NotFound:
        return tr("there is no profile of that name");
    case Problem::SymbolicLink:
    case Problem::PlantedLink:
        return tr("that name is a symbolic link, and links are never followed");
    case Problem::NotRegularFile:
        return tr("that name is not a profile file");
    case Problem::Damaged:
        return tr("the file is damaged: it is shorter than 22 bytes");
    case Problem::DiskFull:
        return tr("the disk is full");
    case Problem::AccessDenied:
    case Problem::ReadOnly:
        return tr("permission was denied");
    case Problem::NameTooLong:
        return tr("the name is too long");
    default:
        break;
    }
    return outcome.systemText.isEmpty() ? outcome.reason() : outcome.systemText;
}
