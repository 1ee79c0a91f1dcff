#pragma once

// Who a Windows process runs as, by its token's user: what the channel's peer check and the
// game watch tell this user's processes by.

#include <QByteArray>
#include <QString>

// This process's user SID ("S-1-5-21-..."), or empty when the token can not be read.
QString thisUserSid();

// The user SID of the process `pid`, as its bytes; empty when it is gone or may not be
// looked at (another user's, the system's).
QByteArray processUser(unsigned long pid);

// The process runs as this user; false whenever that can not be told.
bool processIsThisUser(unsigned long pid);
