#include "file_writer.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <cerrno>
#include <cstring>

#include <windows.h>

namespace
{

// Windows follows at most 63 reparse points in one lookup; the writer keeps Linux's 40.
constexpr int MAX_LINK_HOPS = 40;

std::wstring native(const QString &path)
{
    return QDir::toNativeSeparators(path).toStdWString();
}

// The error numbers the reasons are told by.
int errorNumber(DWORD error)
{
    switch (error) {
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
        return ENOSPC;
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
    case ERROR_PRIVILEGE_NOT_HELD:
        return EACCES;
    case ERROR_WRITE_PROTECT:
        return EROFS;
    case ERROR_FILENAME_EXCED_RANGE:
        return ENAMETOOLONG;
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_NAME:
        return ENOENT;
    case ERROR_CANT_RESOLVE_FILENAME:
        return ELOOP;
    default:
        return EIO;
    }
}

Outcome systemFailure(DWORD error)
{
    Outcome failure = Outcome::fromError(errorNumber(error));
    if (failure.problem == Outcome::Problem::Failed)
        failure.systemText = qt_error_string(int(error));
    return failure;
}

struct Handle {
    HANDLE handle = INVALID_HANDLE_VALUE;
    explicit Handle(HANDLE handle) : handle(handle) {}
    ~Handle()
    {
        if (handle != INVALID_HANDLE_VALUE)
            CloseHandle(handle);
    }
    Handle(const Handle &) = delete;
    Handle &operator=(const Handle &) = delete;
};

// What is at the path, without following a link there.
struct Found {
    bool exists = false;
    bool link = false;
    bool regular = false;
    DWORD attributes = 0;
};

Outcome look(const QString &path, Found *found)
{
    const Handle file(CreateFileW(native(path).c_str(), FILE_READ_ATTRIBUTES,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                  OPEN_EXISTING,
                                  FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS,
                                  nullptr));
    if (file.handle == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        if (error == ERROR_FILE_NOT_FOUND)
            return Outcome();
        if (error == ERROR_PATH_NOT_FOUND)
            return Outcome::failed(Outcome::Problem::NoFolder);
        return systemFailure(error);
    }
    found->exists = true;
    BY_HANDLE_FILE_INFORMATION information;
    // A console, a pipe or a device (NUL, COM1) is no disk file.
    if (GetFileType(file.handle) != FILE_TYPE_DISK ||
        !GetFileInformationByHandle(file.handle, &information))
        return Outcome();
    found->attributes = information.dwFileAttributes;
    found->link = (information.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
    found->regular = !found->link && !(information.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY);
    return Outcome();
}

Outcome writeInto(const QString &target, const QByteArray &content, const Found &existing)
{
    // Replacing a read-only file would go behind its protection.
    if (existing.exists && (existing.attributes & FILE_ATTRIBUTE_READONLY))
        return Outcome::fromError(EACCES);

    const QFileInfo info(target);
    QString temporary;
    HANDLE created = INVALID_HANDLE_VALUE;
    for (int attempt = 0; attempt < 100 && created == INVALID_HANDLE_VALUE; ++attempt) {
        temporary = info.dir().filePath(
            QLatin1Char('.') + info.fileName().left(200) + QLatin1Char('.') +
            QString::number(QRandomGenerator::global()->generate(), 16));
        created = CreateFileW(native(temporary).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
        if (created == INVALID_HANDLE_VALUE && GetLastError() != ERROR_FILE_EXISTS)
            return systemFailure(GetLastError());
    }
    if (created == INVALID_HANDLE_VALUE)
        return systemFailure(ERROR_FILE_EXISTS);
    Handle file(created);
    bool committed = false;
    struct Discard {
        const QString &path;
        const bool &committed;
        ~Discard()
        {
            if (!committed)
                DeleteFileW(native(path).c_str());
        }
    } discard{temporary, committed};

    const char *next = content.constData();
    qint64 left = content.size();
    while (left > 0) {
        DWORD written = 0;
        const DWORD chunk = DWORD(qMin<qint64>(left, 1 << 30));
        if (!WriteFile(file.handle, next, chunk, &written, nullptr))
            return systemFailure(GetLastError());
        if (written == 0)
            return Outcome::fromError(ENOSPC);
        next += written;
        left -= written;
    }
    if (!FlushFileBuffers(file.handle))
        return systemFailure(GetLastError());
    CloseHandle(file.handle);
    file.handle = INVALID_HANDLE_VALUE;
    // The replaced file's hidden, system and archive marks stay with its name.
    if (existing.exists)
        SetFileAttributesW(native(temporary).c_str(),
                           existing.attributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                                                  FILE_ATTRIBUTE_ARCHIVE |
                                                  FILE_ATTRIBUTE_NOT_CONTENT_INDEXED));
    // One rename within the folder: the old file stays whole until the new one takes its
    // name, and the rename reaches the disk before the call returns.
    if (!MoveFileExW(native(temporary).c_str(), native(target).c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return systemFailure(GetLastError());
    committed = true;
    return Outcome();
}

} // namespace

Outcome writeFileAtomically(const QString &path, const QByteArray &content, LinkPolicy links)
{
    if (path.isEmpty())
        return Outcome::failed(Outcome::Problem::NotFound);
    QString current = QDir::fromNativeSeparators(path);
    for (int hop = 0; hop <= MAX_LINK_HOPS; ++hop) {
        const QString name = QFileInfo(current).fileName();
        if (name.isEmpty() || name == QLatin1String(".") || name == QLatin1String(".."))
            return Outcome::failed(Outcome::Problem::NotRegularFile);
        if (!QFileInfo(QFileInfo(current).absolutePath()).isDir())
            return Outcome::failed(Outcome::Problem::NoFolder);
        Found found;
        if (const Outcome looked = look(current, &found); !looked.ok())
            return looked;
        if (!found.exists)
            return writeInto(current, content, found);
        if (found.link) {
            if (links == LinkPolicy::Refuse)
                return Outcome::failed(Outcome::Problem::SymbolicLink);
            // The save goes to what the link points at, as a write through it would.
            const QString to = QFileInfo(current).symLinkTarget();
            if (to.isEmpty())
                return Outcome::failed(Outcome::Problem::NotRegularFile);
            current = to;
            continue;
        }
        if (!found.regular)
            return Outcome::failed(Outcome::Problem::NotRegularFile);
        return writeInto(current, content, found);
    }
    Outcome looped = Outcome::failed(Outcome::Problem::Failed);
    looped.systemText = QString::fromLocal8Bit(std::strerror(ELOOP));
    return looped;
}

Outcome openRegularFile(const QString &path, QFile *file, LinkPolicy links)
{
    Found found;
    if (const Outcome looked = look(path, &found); !looked.ok())
        return looked.problem == Outcome::Problem::NoFolder ? Outcome::fromError(ENOENT) : looked;
    if (!found.exists)
        return Outcome::fromError(ENOENT);
    if (found.link && links == LinkPolicy::Refuse)
        return Outcome::fromError(ELOOP);
    if (!found.link && !found.regular)
        return Outcome::failed(Outcome::Problem::NotRegularFile);
    file->setFileName(path);
    if (!file->open(QIODevice::ReadOnly))
        return Outcome::fromError(file->error() == QFileDevice::PermissionsError ? EACCES : EIO);
    // Through a link: what it led to must be a disk file too.
    if (found.link && !QFileInfo(path).isFile()) {
        file->close();
        return Outcome::failed(Outcome::Problem::NotRegularFile);
    }
    return Outcome();
}
