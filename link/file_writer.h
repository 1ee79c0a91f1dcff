#pragma once

// The one way the programs write a file: the whole new content reaches the disk, or the old
// file stays exactly as it was. Only regular files are replaced; a symbolic link is not
// followed where the kernel itself would refuse to follow it; a replaced file keeps its owner
// and mode where the process may set them. Files are read through the one check below.

#include "outcome.h"

#include <QByteArray>
#include <QString>

class QFile;

enum class LinkPolicy {
    FollowSafe, // follow links, but not those the kernel's protected_symlinks rule refuses
    Refuse,     // a link at the path is never followed
};

Outcome writeFileAtomically(const QString &path, const QByteArray &content,
                                LinkPolicy links = LinkPolicy::FollowSafe);

// Opens a file to read it, only if it is a regular file: never waits for the writer of a
// FIFO nor opens a device. FollowSafe leaves links to the kernel, which keeps its own
// protected_symlinks rule when it reads. `file` is open on success.
Outcome openRegularFile(const QString &path, QFile *file,
                        LinkPolicy links = LinkPolicy::FollowSafe);
