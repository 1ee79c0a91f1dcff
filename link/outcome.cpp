#include "outcome.h"

#include <cerrno>
#include <cstring>

Outcome Outcome::failed(Problem problem, int transfer)
{
    Outcome outcome;
    outcome.problem = problem;
    outcome.transfer = transfer;
    return outcome;
}

Outcome Outcome::because(const QString &reason)
{
    Outcome outcome = failed(Problem::Failed);
    outcome.systemText = reason;
    return outcome;
}

QString Outcome::reason() const
{
    switch (problem) {
    case Problem::None:
        return {};
    case Problem::DiskFull:
        return QStringLiteral("the disk is full");
    case Problem::NotRegularFile:
        return QStringLiteral("it is not a regular file");
    case Problem::SymbolicLink:
        return QStringLiteral("it is a symbolic link, and links are not followed");
    case Problem::PlantedLink:
        return QStringLiteral("it is a symbolic link that another user made in a shared folder, "
                              "and such links are not followed");
    case Problem::AccessDenied:
        return QStringLiteral("permission was denied");
    case Problem::ReadOnly:
        return QStringLiteral("the file system is read-only");
    case Problem::NameTooLong:
        return QStringLiteral("the name is too long");
    case Problem::NoFolder:
        return QStringLiteral("its folder does not exist");
    case Problem::NotFound:
        return QStringLiteral("there is no such file");
    case Problem::NoDevice:
        return QStringLiteral("no such controller is connected");
    case Problem::ReadFailed:
        return QStringLiteral("its settings could not be read");
    case Problem::Changed:
        return QStringLiteral("its settings changed since they were read");
    case Problem::WriteFailed:
        return QStringLiteral("it did not take the settings");
    case Problem::CommandFailed:
        return QStringLiteral("it did not take the command");
    case Problem::NotConfirmed:
        return QStringLiteral("it stayed busy and did not confirm in time");
    case Problem::StoppedAnswering:
        return QStringLiteral("it stopped answering");
    case Problem::Damaged:
        return QStringLiteral("the file is damaged");
    case Problem::BadName:
        return QStringLiteral("the name is refused");
    case Problem::Failed:
    case Problem::BadRequest:
    case Problem::Unsupported:
    case Problem::NoInstance:
    case Problem::NoAnswer:
        break;
    }
    return systemText;
}

Outcome Outcome::fromError(int error)
{
    switch (error) {
    case 0:
        return Outcome();
    case ENOSPC:
    case EFBIG:
#ifdef EDQUOT
    case EDQUOT:
#endif
        return failed(Problem::DiskFull);
    case EACCES:
    case EPERM:
        return failed(Problem::AccessDenied);
    case EROFS:
        return failed(Problem::ReadOnly);
    case ENAMETOOLONG:
        return failed(Problem::NameTooLong);
    case ENOENT:
        return failed(Problem::NotFound);
    case ELOOP: // a link where none is followed
        return failed(Problem::SymbolicLink);
    case EISDIR:
    case ENXIO: // a device or socket with nothing behind it
        return failed(Problem::NotRegularFile);
    default:
        break;
    }
    Outcome outcome = failed(Problem::Failed);
    outcome.systemText = QString::fromLocal8Bit(std::strerror(error));
    return outcome;
}
