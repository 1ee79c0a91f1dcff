#include "profile_store.h"

#include "effect_settings_record.h"
#include "file_writer.h"

#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstring>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

const QString PROFILE_DIRECTORY = QStringLiteral("wheel_profiles");

ProfileStore::Outcome outcome(ProfileStore::Status status)
{
    ProfileStore::Outcome result;
    result.status = status;
    return result;
}

// The writer's and the system's outcome as the store tells it; `missing` is what a missing
// entry means where it happens.
ProfileStore::Outcome storeOutcome(const ::Outcome &done, ProfileStore::Status missing)
{
    using Status = ProfileStore::Status;
    using Problem = ::Outcome::Problem;
    switch (done.problem) {
    case Problem::None:
        return outcome(Status::Ok);
    case Problem::DiskFull:
        return outcome(Status::DiskFull);
    case Problem::NotRegularFile:
        return outcome(Status::NotAFile);
    case Problem::SymbolicLink: // also an entry that turned into a link after it was examined
    case Problem::PlantedLink:
        return outcome(Status::SymbolicLink);
    case Problem::AccessDenied:
    case Problem::ReadOnly:
        return outcome(Status::AccessDenied);
    case Problem::NameTooLong:
        return outcome(Status::NameTooLong);
    case Problem::NoFolder:
        return outcome(Status::NoStore);
    case Problem::NotFound:
        return outcome(missing);
    default:
        break;
    }
    ProfileStore::Outcome failed = outcome(Status::Failed);
    failed.systemText = done.reason();
    return failed;
}

// What the system's error number means to someone who saves a profile.
ProfileStore::Outcome systemFailure(int error, const QString &qtText)
{
    if (error != 0)
        return storeOutcome(::Outcome::fromError(error), ProfileStore::Status::NotFound);
    ProfileStore::Outcome failed = outcome(ProfileStore::Status::Failed);
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
        return outcome(Status::NoStore);
    if (const NameProblem problem = checkName(name); problem != NameProblem::None) {
        Outcome refused = outcome(Status::BadName);
        refused.nameProblem = problem;
        return refused;
    }
    const QFileInfo info(profileDir.filePath(name));
    if (info.isSymLink()) // also one that points nowhere, which exists() does not see
        return outcome(Status::SymbolicLink);
    if (!info.exists())
        return outcome(mustExist ? Status::NotFound : Status::Ok);
    if (!info.isFile())
        return outcome(Status::NotAFile);
    return outcome(Status::Ok);
}

ProfileStore::Outcome ProfileStore::read(const QString &name, unsigned char *record) const
{
    if (Outcome examined = examine(name, true); !examined.ok())
        return examined;
    const QString path = profileDir.filePath(name);
    QFile file;
    errno = 0;
#ifdef Q_OS_UNIX
    // Not through a link that appeared since, and not waiting for a writer of a FIFO.
    const int fd =
        ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return systemFailure(errno, QString());
    struct stat status;
    if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode)) {
        ::close(fd);
        return outcome(Status::NotAFile);
    }
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return systemFailure(errno, file.errorString());
    }
#else
    file.setFileName(path);
    if (!file.open(QIODevice::ReadOnly))
        return systemFailure(errno, file.errorString());
#endif
    unsigned char bytes[EFFECT_SETTINGS_RECORD_SIZE];
    const qint64 received = file.read(reinterpret_cast<char *>(bytes), sizeof bytes);
    if (received < 0)
        return systemFailure(errno, file.errorString());
    // A short file holds no whole profile: loading it would mix in bytes nobody read.
    if (received != EFFECT_SETTINGS_RECORD_SIZE)
        return outcome(Status::Short);
    std::memcpy(record, bytes, sizeof bytes);
    return outcome(Status::Ok);
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
    return storeOutcome(written, Status::NoStore);
}

ProfileStore::Outcome ProfileStore::remove(const QString &name) const
{
    if (Outcome examined = examine(name, true); !examined.ok())
        return examined;
    errno = 0;
    // unlink() never follows a link, so at worst a link made meanwhile goes, not its target.
    if (!QFile::remove(profileDir.filePath(name)))
        return systemFailure(errno, QString());
    return outcome(Status::Ok);
}

bool ProfileStore::exists(const QString &name) const
{
    const QFileInfo info(profileDir.filePath(name));
    return storeUsable && (info.exists() || info.isSymLink());
}

QString ProfileStore::reason(const Outcome &outcome)
{
    switch (outcome.status) {
    case Status::Ok:
        return {};
    case Status::NoStore:
        return tr("the folder wheel_profiles can not be used");
    case Status::BadName:
        switch (outcome.nameProblem) {
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
    case Status::NotFound:
        return tr("there is no profile of that name");
    case Status::SymbolicLink:
        return tr("that name is a symbolic link, and links are never followed");
    case Status::NotAFile:
        return tr("that name is not a profile file");
    case Status::Short:
        return tr("the file is damaged: it is shorter than 22 bytes");
    case Status::DiskFull:
        return tr("the disk is full");
    case Status::AccessDenied:
        return tr("permission was denied");
    case Status::NameTooLong:
        return tr("the name is too long");
    case Status::Failed:
        break;
    }
    return outcome.systemText;
}
