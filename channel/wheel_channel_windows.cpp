#include "this_user_windows.h"
#include "wheel_channel.h"
#include "wheel_channel_place.h"

#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>

#include <windows.h>

namespace
{

// The pipe's other end, by the user its process runs as.
bool pipePeerIsThisUser(const QLocalSocket &socket, bool client)
{
    const HANDLE pipe = reinterpret_cast<HANDLE>(socket.socketDescriptor());
    ULONG pid = 0;
    const BOOL known = client ? ::GetNamedPipeClientProcessId(pipe, &pid)
                              : ::GetNamedPipeServerProcessId(pipe, &pid);
    return known && processIsThisUser(pid);
}

} // namespace

Outcome wheelChannelPlace(const QString &file, QString *path)
{
    // Pipe names are one namespace for every session and user: the user's SID keeps this
    // user's instance apart, and the pipe's access list keeps others out of it.
    const QString user = thisUserSid();
    if (user.isEmpty()) {
        path->clear();
        return Outcome::because(QStringLiteral("this user's security identifier can not be read"));
    }
    *path = QStringLiteral("kestrix-%1-%2").arg(user, file);
    return Outcome();
}

bool wheelChannelServerIsThisUser(const QLocalSocket &socket)
{
    // Anyone may create a pipe of any name first: one of another user's is no instance of ours.
    return pipePeerIsThisUser(socket, false);
}

qint64 wheelChannelPeerProcess(const QLocalSocket &socket)
{
    ULONG pid = 0;
    const HANDLE pipe = reinterpret_cast<HANDLE>(socket.socketDescriptor());
    return ::GetNamedPipeClientProcessId(pipe, &pid) ? qint64(pid) : 0;
}

struct WheelChannelServer::Listening {
    QString path;
    QLocalServer *server = nullptr;
    int peers = 0;
};

WheelChannelServer::WheelChannelServer(QObject *parent)
    : QObject(parent), listening(std::make_unique<Listening>())
{
}

WheelChannelServer::~WheelChannelServer() = default;

WheelChannelServer::Claim WheelChannelServer::claim()
{
    Listening &l = *listening;
    const Outcome found = wheelChannelPath(&l.path);
    if (!found.ok()) {
        failure = found.systemText;
        return Claim::Unavailable;
    }
    // Two starts at the same moment: without the lock both would find no instance and both
    // listen. The temporary folder is the user's own on Windows.
    QLockFile lock(QDir::tempPath() + QLatin1Char('/') + l.path + QLatin1String(".lock"));
    const bool locked = lock.tryLock(10000);
    QLocalSocket probe;
    probe.connectToServer(l.path);
    if (probe.waitForConnected(WHEEL_CHANNEL_CONNECT_MS)) {
        if (wheelChannelServerIsThisUser(probe))
            return Claim::Running;
        failure = QStringLiteral("%1 is held by another user's program").arg(l.path);
        return Claim::Unavailable;
    }
    if (!locked) {
        failure = QStringLiteral("%1 stays locked").arg(lock.fileName());
        return Claim::Unavailable;
    }
    l.server = new QLocalServer(this);
    l.server->setSocketOptions(QLocalServer::UserAccessOption);
    if (!l.server->listen(l.path)) {
        failure = QStringLiteral("%1: %2").arg(l.path, l.server->errorString());
        delete l.server;
        l.server = nullptr;
        return Claim::Unavailable;
    }
    return Claim::Claimed;
}

void WheelChannelServer::setHandler(Handler handler_)
{
    const bool first = !handler;
    handler = std::move(handler_);
    if (listening->server && first) {
        connect(listening->server, &QLocalServer::newConnection, this, &WheelChannelServer::accept);
        accept(); // those that came before
    }
}

void WheelChannelServer::accept()
{
    Listening &l = *listening;
    while (QLocalSocket *socket = l.server->nextPendingConnection()) {
        // In place of SO_PEERCRED: the client's process token names its user.
        if (l.peers >= WHEEL_CHANNEL_MAX_PEERS || !pipePeerIsThisUser(*socket, true)) {
            socket->abort();
            socket->deleteLater();
            continue;
        }
        ++l.peers;
        connect(socket, &QObject::destroyed, this, [this] { --listening->peers; });
        welcome(socket);
    }
}
