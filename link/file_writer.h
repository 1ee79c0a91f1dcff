#pragma once

// The one way the programs write a file: the whole new content reaches the disk, or the old
// file stays exactly as it was. Only regular files are replaced; a symbolic link is not
// followed where the kernel itself would refuse to follow it; a replaced file keeps its owner
// and mode where the process may set them.

#include "outcome.h"

#include <QByteArray>
#include <QString>

enum class LinkPolicy {
    FollowSafe, // follow links, but not those the kernel's protected_symlinks rule refuses
    Refuse,     // a link at the path is never followed
};

Outcome writeFileAtomically(const QString &path, const QByteArray &content,
                                LinkPolicy links = LinkPolicy::FollowSafe);
