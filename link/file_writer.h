#pragma once

// The one way the programs write a file: the whole new content reaches the disk, or the old
// file stays exactly as it was. Only regular files are replaced; a symbolic link is not
// followed where the kernel itself would refuse to follow it; a replaced file keeps its owner
// and mode where the process may set them.

#include <QByteArray>
#include <QString>

// Ok, or why a file could not be written or read, in words a person can read.
struct FileOutcome {
    enum class Problem {
        None,
        DiskFull,
        NotRegularFile, // a folder, a device, a FIFO or a socket
        SymbolicLink,   // refused by the caller's wish
        PlantedLink,    // another user's link in a shared sticky folder
        AccessDenied,
        ReadOnly,
        NameTooLong,
        NoFolder, // the folder the file would be in is missing
        NotFound,
        Failed, // anything else; systemText says what
    };

    Problem problem = Problem::None;
    QString systemText;

    bool ok() const { return problem == Problem::None; }
    // "the disk is full", to follow "... can not be written: ".
    QString reason() const;

    // What an error number means to someone who writes or reads a file.
    static FileOutcome fromError(int error);
};

enum class LinkPolicy {
    FollowSafe, // follow links, but not those the kernel's protected_symlinks rule refuses
    Refuse,     // a link at the path is never followed
};

FileOutcome writeFileAtomically(const QString &path, const QByteArray &content,
                                LinkPolicy links = LinkPolicy::FollowSafe);
