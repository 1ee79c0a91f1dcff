#include "file_writer.h"

#include <QFile>
#include <QRandomGenerator>

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace
{

// The kernel follows at most 40 links in one lookup; so does the writer.
constexpr int MAX_LINK_HOPS = 40;

Outcome refusal(Outcome::Problem problem)
{
    return Outcome::failed(problem);
}

// Closes the descriptor on every way out.
struct Descriptor {
    int fd = -1;
    explicit Descriptor(int fd) : fd(fd) {}
    ~Descriptor()
    {
        if (fd >= 0)
            ::close(fd);
    }
    Descriptor(const Descriptor &) = delete;
    Descriptor &operator=(const Descriptor &) = delete;
};

// The kernel's protected_symlinks rule: in a sticky world-writable folder only links owned
// by the follower or by the folder's owner are followed. Applied whatever the sysctl says,
// because the writer resolves the link itself and the kernel never gets to look.
bool mayFollow(const struct stat &folder, const struct stat &link)
{
    const bool shared = (folder.st_mode & (S_ISVTX | S_IWOTH)) == (S_ISVTX | S_IWOTH);
    return !shared || link.st_uid == folder.st_uid || link.st_uid == ::geteuid();
}

QByteArray readLink(int folder, const QByteArray &name, int *error)
{
    QByteArray target(256, '\0');
    for (;;) {
        const ssize_t length = ::readlinkat(folder, name.constData(), target.data(), target.size());
        if (length < 0) {
            *error = errno;
            return {};
        }
        if (length < target.size())
            return target.left(length);
        target.resize(target.size() * 2);
    }
}

Outcome writeInto(int folder, const QByteArray &name, const QByteArray &content,
                      const struct stat *existing)
{
    // Renaming over a file the user may not write would replace it behind the permissions.
    if (existing && ::faccessat(folder, name.constData(), W_OK, AT_EACCESS) != 0)
        return Outcome::fromError(errno);

    // Beside the target, so that the final rename stays on one file system; hidden, and
    // short enough to leave room under the name limit.
    QByteArray temporary;
    int fd = -1;
    for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
        temporary = '.' + name.left(200) + '.' +
                    QByteArray::number(QRandomGenerator::global()->generate(), 16);
        fd = ::openat(folder, temporary.constData(),
                      O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, existing ? 0600 : 0666);
        if (fd < 0 && errno != EEXIST)
            return Outcome::fromError(errno);
    }
    if (fd < 0)
        return Outcome::fromError(EEXIST);
    Descriptor file(fd);
    bool committed = false;
    struct Discard {
        int folder;
        const QByteArray &name;
        const bool &committed;
        ~Discard()
        {
            if (!committed)
                ::unlinkat(folder, name.constData(), 0);
        }
    } discard{folder, temporary, committed};

    const char *next = content.constData();
    qint64 left = content.size();
    while (left > 0) {
        const ssize_t written = ::write(file.fd, next, size_t(left));
        if (written < 0 && errno == EINTR)
            continue;
        if (written < 0)
            return Outcome::fromError(errno);
        if (written == 0) // no progress and no error: the file system has no room
            return Outcome::fromError(ENOSPC);
        next += written;
        left -= written;
    }
    if (existing) {
        // Root writing over a user's file leaves it the user's; others keep at least the
        // group where they may. The mode comes after, as a change of owner clears set-id bits.
        if (::fchown(file.fd, existing->st_uid, existing->st_gid) != 0 &&
            ::fchown(file.fd, uid_t(-1), existing->st_gid) != 0) {
            // Neither could be kept: the file is the writer's now, with the old mode.
        }
        (void)::fchmod(file.fd, existing->st_mode & 07777);
    }
    if (::fsync(file.fd) != 0)
        return Outcome::fromError(errno);
    const int closing = file.fd;
    file.fd = -1;
    if (::close(closing) != 0)
        return Outcome::fromError(errno);
    if (::renameat(folder, temporary.constData(), folder, name.constData()) != 0)
        return Outcome::fromError(errno);
    committed = true;
    // The new content is in place either way; this only hurries the rename to the disk.
    (void)::fsync(folder);
    return Outcome();
}

} // namespace

Outcome writeFileAtomically(const QString &path, const QByteArray &content, LinkPolicy links)
{
    QByteArray current = QFile::encodeName(path);
    if (current.isEmpty())
        return refusal(Outcome::Problem::NotFound);
    for (int hop = 0; hop <= MAX_LINK_HOPS; ++hop) {
        const int slash = current.lastIndexOf('/');
        const QByteArray folderPath = slash < 0    ? QByteArray(".")
                                      : slash == 0 ? QByteArray("/")
                                                   : current.left(slash);
        const QByteArray name = current.mid(slash + 1);
        if (name.isEmpty() || name == "." || name == "..")
            return refusal(Outcome::Problem::NotRegularFile);

        // The folder's own path may pass through links: the kernel judges those itself.
        const Descriptor folder(::open(folderPath.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
        if (folder.fd < 0)
            return errno == ENOENT || errno == ENOTDIR ? refusal(Outcome::Problem::NoFolder)
                                                       : Outcome::fromError(errno);
        struct stat target;
        if (::fstatat(folder.fd, name.constData(), &target, AT_SYMLINK_NOFOLLOW) != 0) {
            if (errno != ENOENT)
                return Outcome::fromError(errno);
            return writeInto(folder.fd, name, content, nullptr);
        }
        if (S_ISLNK(target.st_mode)) {
            if (links == LinkPolicy::Refuse)
                return refusal(Outcome::Problem::SymbolicLink);
            struct stat folderStatus;
            if (::fstat(folder.fd, &folderStatus) != 0)
                return Outcome::fromError(errno);
            if (!mayFollow(folderStatus, target))
                return refusal(Outcome::Problem::PlantedLink);
            int error = 0;
            const QByteArray to = readLink(folder.fd, name, &error);
            if (error != 0)
                return Outcome::fromError(error);
            // Replacing the link itself would turn the user's link into a file: the save goes
            // to what it points at, as an ordinary write through it would.
            current = to.startsWith('/') ? to : folderPath + '/' + to;
            continue;
        }
        if (!S_ISREG(target.st_mode))
            return refusal(Outcome::Problem::NotRegularFile);
        return writeInto(folder.fd, name, content, &target);
    }
    // Links that lead round in a circle, or too many of them.
    Outcome looped = Outcome::failed(Outcome::Problem::Failed);
    looped.systemText = QString::fromLocal8Bit(std::strerror(ELOOP));
    return looped;
}

Outcome openRegularFile(const QString &path, QFile *file, LinkPolicy links)
{
    const int flags =
        O_RDONLY | O_NONBLOCK | O_CLOEXEC | (links == LinkPolicy::Refuse ? O_NOFOLLOW : 0);
    Descriptor opened(::open(QFile::encodeName(path).constData(), flags));
    if (opened.fd < 0)
        return Outcome::fromError(errno);
    struct stat status;
    if (::fstat(opened.fd, &status) != 0)
        return Outcome::fromError(errno);
    if (!S_ISREG(status.st_mode))
        return refusal(Outcome::Problem::NotRegularFile);
    if (!file->open(opened.fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle))
        return Outcome::fromError(EIO);
    opened.fd = -1; // the file owns it now
    return Outcome();
}
