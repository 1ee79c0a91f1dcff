#include "wheel_channel.h"
#include "wheel_channel_place.h"

#include <QDir>
#include <QFile>
#include <QLocalSocket>
#include <QLockFile>
#include <QSocketNotifier>
#include <QTimer>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace
{

// Made if missing; used only when it is a real directory of this user that nobody else may
// enter, so that neither the socket nor its name is open to another user.
Outcome privateDirectory(const QString &path)
{
    const QByteArray native = QFile::encodeName(path);
    if (::mkdir(native.constData(), 0700) != 0 && errno != EEXIST)
        return Outcome::because(
            QStringLiteral("%1: %2").arg(path, QString::fromLocal8Bit(std::strerror(errno))));
    struct stat status;
    if (::lstat(native.constData(), &status) != 0 || !S_ISDIR(status.st_mode) ||
        status.st_uid != ::geteuid() || (status.st_mode & 077) != 0)
        return Outcome::because(
            QStringLiteral("%1 is not a directory private to this user").arg(path));
    return Outcome();
}

bool peerIsThisUser(int descriptor)
{
#ifdef SO_PEERCRED
    struct ucred credentials;
    socklen_t size = sizeof credentials;
    return ::getsockopt(descriptor, SOL_SOCKET, SO_PEERCRED, &credentials, &size) == 0 &&
           credentials.uid == ::geteuid();
#else
    uid_t user;
    gid_t group;
    return ::getpeereid(descriptor, &user, &group) == 0 && user == ::geteuid();
#endif
}

} // namespace

Outcome wheelChannelPlace(const QString &file, QString *path)
{
    QStringList directories;
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (QDir::isAbsolutePath(runtime))
        directories << runtime + QLatin1String("/kestrix");
    directories << QDir::tempPath() + QLatin1String("/kestrix-") + QString::number(::geteuid());
    Outcome outcome;
    for (const QString &directory : directories) {
        outcome = privateDirectory(directory);
        if (outcome.ok()) {
            *path = directory + QLatin1Char('/') + file;
            return outcome;
        }
    }
    path->clear();
    return outcome;
}

// A listening socket of its own rather than QLocalServer's: the peer check needs the
// descriptor before Qt takes the connection, and running out of descriptors must not stop
// the listening.
struct WheelChannelServer::Listening {
    bool acceptNext(WheelChannelServer &server);
    void pause(WheelChannelServer &server);

    QString path;
    int listener = -1;
    int reserve = -1; // given up to take and close a connection when descriptors run out
    QSocketNotifier *notifier = nullptr;
    int peers = 0;
    quint64 socketInode = 0;
};

WheelChannelServer::WheelChannelServer(QObject *parent)
    : QObject(parent), listening(std::make_unique<Listening>())
{
}

WheelChannelServer::~WheelChannelServer()
{
    Listening &l = *listening;
    delete l.notifier;
    if (l.listener < 0)
        return;
    ::close(l.listener);
    if (l.reserve >= 0)
        ::close(l.reserve);
    // Only our own: a later instance may have replaced it.
    struct stat status;
    const QByteArray native = QFile::encodeName(l.path);
    if (::lstat(native.constData(), &status) == 0 && quint64(status.st_ino) == l.socketInode)
        ::unlink(native.constData());
}

WheelChannelServer::Claim WheelChannelServer::claim()
{
    Listening &l = *listening;
    const Outcome found = wheelChannelPath(&l.path);
    if (!found.ok()) {
        failure = found.systemText;
        return Claim::Unavailable;
    }
    const QString &path = l.path;
    // Two starts at the same moment: without the lock both would find no instance, and the
    // second would remove the first one's socket.
    QLockFile lock(path + QLatin1String(".lock"));
    const bool locked = lock.tryLock(10000);
    QLocalSocket probe;
    probe.connectToServer(path);
    if (probe.waitForConnected(WHEEL_CHANNEL_CONNECT_MS))
        return Claim::Running;
    if (!locked) {
        failure = QStringLiteral("%1.lock stays locked").arg(path);
        return Claim::Unavailable;
    }
    const QByteArray native = QFile::encodeName(path);
    sockaddr_un address = {};
    address.sun_family = AF_UNIX;
    const auto problem = [this, &path](int error) {
        failure = QStringLiteral("%1: %2").arg(path, QString::fromLocal8Bit(std::strerror(error)));
        return Claim::Unavailable;
    };
    if (size_t(native.size()) >= sizeof address.sun_path)
        return problem(ENAMETOOLONG);
    std::memcpy(address.sun_path, native.constData(), size_t(native.size()));
    // Nobody answers: a socket left behind by a process that died.
    ::unlink(native.constData());
    l.listener = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (l.listener < 0)
        return problem(errno);
    struct stat status;
    if (::bind(l.listener, reinterpret_cast<sockaddr *>(&address), sizeof address) != 0 ||
        ::chmod(native.constData(), S_IRWXU) != 0 || ::listen(l.listener, SOMAXCONN) != 0 ||
        ::lstat(native.constData(), &status) != 0) {
        const int error = errno;
        ::close(l.listener);
        l.listener = -1;
        return problem(error);
    }
    l.socketInode = quint64(status.st_ino);
    l.reserve = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
    return Claim::Claimed;
}

void WheelChannelServer::setHandler(Handler handler_)
{
    handler = std::move(handler_);
    Listening &l = *listening;
    if (l.listener >= 0 && !l.notifier) {
        l.notifier = new QSocketNotifier(l.listener, QSocketNotifier::Read);
        connect(l.notifier, &QSocketNotifier::activated, this, &WheelChannelServer::accept);
    }
}

void WheelChannelServer::accept()
{
    // A bounded round, so that a flood of connections does not starve the event loop.
    for (int i = 0; i < 64 && listening->acceptNext(*this); ++i) {
    }
}

// False when nothing more waits, or nothing more can be taken now.
bool WheelChannelServer::Listening::acceptNext(WheelChannelServer &server)
{
    const int descriptor = ::accept4(listener, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
    if (descriptor < 0) {
        switch (errno) {
        case EAGAIN:
        case EINTR:
        case ECONNABORTED:
            return errno != EAGAIN;
        case EMFILE:
        case ENFILE:
            // Out of descriptors: the reserve makes room to take the connection and close
            // it, so that it leaves the queue and its peer learns at once.
            if (reserve >= 0) {
                ::close(reserve);
                const int refused = ::accept(listener, nullptr, nullptr);
                if (refused >= 0)
                    ::close(refused);
                reserve = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
                if (refused >= 0)
                    return true;
            }
            break;
        default:
            break;
        }
        pause(server);
        return false;
    }
    if (peers >= WHEEL_CHANNEL_MAX_PEERS || !peerIsThisUser(descriptor)) {
        ::close(descriptor);
        return true;
    }
    auto *socket = new QLocalSocket(&server);
    if (!socket->setSocketDescriptor(descriptor)) {
        delete socket;
        ::close(descriptor);
        return true;
    }
    ++peers;
    QObject::connect(socket, &QObject::destroyed, &server, [this] { --peers; });
    server.welcome(socket);
    return true;
}

// Nothing can be taken now: listening waits a moment rather than spinning on the error.
void WheelChannelServer::Listening::pause(WheelChannelServer &server)
{
    notifier->setEnabled(false);
    QTimer::singleShot(100, &server, [this] {
        if (reserve < 0)
            reserve = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
        notifier->setEnabled(true);
    });
}

bool wheelChannelServerIsThisUser(const QLocalSocket &)
{
    // Nobody else can put a socket into the user's private directory.
    return true;
}

qint64 wheelChannelPeerProcess(const QLocalSocket &socket)
{
#ifdef SO_PEERCRED
    struct ucred credentials;
    socklen_t size = sizeof credentials;
    if (::getsockopt(int(socket.socketDescriptor()), SOL_SOCKET, SO_PEERCRED, &credentials,
                     &size) == 0)
        return credentials.pid;
#endif
    return 0;
}
