#pragma once

// What the channel's shared code and each platform's listening end have in common.

#include "outcome.h"

#include <QString>

class QLocalSocket;

// How long a start waits for a running instance to take its connection.
constexpr int WHEEL_CHANNEL_CONNECT_MS = 2000;

// The full name that `file` ("wheelconfig.socket", ...) listens under for this user; fails,
// with the reason, when no place private to the user can be had.
Outcome wheelChannelPlace(const QString &file, QString *path);

// The instance that took a connection runs as this user, so that no request reaches a
// stranger's.
bool wheelChannelServerIsThisUser(const QLocalSocket &socket);

// The process at the other end of an accepted connection, 0 when the system does not say.
qint64 wheelChannelPeerProcess(const QLocalSocket &socket);
