#include "wheel_channel.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <QPointer>
#include <QSocketNotifier>
#include <QTimer>

#include <algorithm>
#include <cctype>
#include <iterator>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>
#endif

namespace
{

const QLatin1String REQUEST_KINDS[] = {
    QLatin1String("show"),       QLatin1String("apply-profile"), QLatin1String("apply-record"),
    QLatin1String("begin-game"), QLatin1String("end-game"),      QLatin1String("show-games"),
    QLatin1String("show-input")};
// The version that brought each kind.
const int REQUEST_VERSIONS[] = {1, 1, 1, 2, 2, 3, 4};
const QLatin1String STATUS_NAMES[] = {QLatin1String("ok"),          QLatin1String("no-wheel"),
                                      QLatin1String("refused"),     QLatin1String("wheel-failed"),
                                      QLatin1String("bad-request"), QLatin1String("unsupported")};
constexpr int WIRE_STATUSES = int(std::size(STATUS_NAMES));
constexpr int REQUEST_KIND_COUNT = int(std::size(REQUEST_KINDS));
static_assert(std::size(REQUEST_VERSIONS) == std::size(REQUEST_KINDS));

// A peer that connects and says nothing does not hold a connection open for long.
constexpr int IDLE_PEER_MS = 10000;
constexpr int CONNECT_MS = 2000;
// Set on a connection once its reply is on the way: the idle limit no longer applies.
constexpr char ANSWERED[] = "kestrixAnswered";

QByteArray line(const QJsonObject &object)
{
    return QJsonDocument(object).toJson(QJsonDocument::Compact) + '\n';
}

QJsonObject parseLine(const QByteArray &text)
{
    const QJsonDocument document = QJsonDocument::fromJson(text.trimmed());
    return document.isObject() ? document.object() : QJsonObject();
}

// Exactly one record, as hex digits; anything else is not a record.
bool recordFromHex(const QJsonValue &value, QByteArray *record)
{
    const QByteArray digits = value.toString().toLatin1();
    if (digits.size() != 2 * EFFECT_SETTINGS_RECORD_SIZE)
        return false;
    for (const char c : digits) {
        if (!std::isxdigit(static_cast<unsigned char>(c)))
            return false;
    }
    *record = QByteArray::fromHex(digits);
    return true;
}

Outcome refusal(Outcome::Problem problem, const char *message)
{
    Outcome outcome = Outcome::failed(problem);
    outcome.systemText = QString::fromLatin1(message);
    return outcome;
}

#ifdef Q_OS_UNIX
// Made if missing; used only when it is a real directory of this user that nobody else may
// enter, so that neither the socket nor its name is open to another user.
QString privateDirectory(const QString &path, QString *problem)
{
    const QByteArray native = QFile::encodeName(path);
    if (::mkdir(native.constData(), 0700) != 0 && errno != EEXIST) {
        *problem = QStringLiteral("%1: %2").arg(path, QString::fromLocal8Bit(std::strerror(errno)));
        return QString();
    }
    struct stat status;
    if (::lstat(native.constData(), &status) != 0 || !S_ISDIR(status.st_mode) ||
        status.st_uid != ::geteuid() || (status.st_mode & 077) != 0) {
        *problem = QStringLiteral("%1 is not a directory private to this user").arg(path);
        return QString();
    }
    return path;
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
#endif

} // namespace

QByteArray encodeRequest(const WheelRequest &request)
{
    QJsonObject object{{QLatin1String("version"), REQUEST_VERSIONS[int(request.kind)]},
                       {QLatin1String("request"), REQUEST_KINDS[int(request.kind)]}};
    if (request.kind == WheelRequest::Kind::ApplyProfile ||
        request.kind == WheelRequest::Kind::BeginGame)
        object.insert(QLatin1String("name"), request.profile);
    if (request.kind == WheelRequest::Kind::BeginGame)
        object.insert(QLatin1String("title"), request.title);
    if (request.kind == WheelRequest::Kind::BeginGame ||
        request.kind == WheelRequest::Kind::EndGame)
        object.insert(QLatin1String("game"), request.game);
    if (request.kind == WheelRequest::Kind::ApplyRecord) {
        object.insert(QLatin1String("record"), QString::fromLatin1(request.record.toHex()));
        object.insert(QLatin1String("permanent"), request.permanent);
    }
    return line(object);
}

Outcome decodeRequest(const QByteArray &text, WheelRequest *request)
{
    using Problem = Outcome::Problem;
    const QJsonObject object = parseLine(text);
    const QJsonValue version = object.value(QLatin1String("version"));
    if (!version.isDouble() || version.toDouble() != version.toInt() || version.toInt() < 1)
        return refusal(Problem::BadRequest, "a request is a JSON object with a version");
    // A client of a later version learns which one this side speaks.
    request->version = std::min(version.toInt(), WHEEL_CHANNEL_VERSION);
    if (version.toInt() > WHEEL_CHANNEL_VERSION)
        return refusal(Problem::Unsupported, "this wheelconfig speaks an older protocol");
    const QString kind = object.value(QLatin1String("request")).toString();
    int index = 0;
    while (index < REQUEST_KIND_COUNT && kind != REQUEST_KINDS[index])
        ++index;
    // A kind that came after the request's own version is no kind of that version.
    if (index == REQUEST_KIND_COUNT || REQUEST_VERSIONS[index] > version.toInt())
        return refusal(Problem::Unsupported, "unknown request");
    WheelRequest decoded;
    decoded.kind = WheelRequest::Kind(index);
    decoded.version = request->version;
    const QJsonValue name = object.value(QLatin1String("name"));
    const QJsonValue permanent = object.value(QLatin1String("permanent"));
    const QJsonValue game = object.value(QLatin1String("game"));
    const QJsonValue title = object.value(QLatin1String("title"));
    switch (decoded.kind) {
    case WheelRequest::Kind::Show:
    case WheelRequest::Kind::ShowGames:
    case WheelRequest::Kind::ShowInput:
        break;
    case WheelRequest::Kind::ApplyProfile:
        if (!name.isString())
            return refusal(Problem::BadRequest, "apply-profile needs a name");
        decoded.profile = name.toString();
        break;
    case WheelRequest::Kind::ApplyRecord:
        if (!recordFromHex(object.value(QLatin1String("record")), &decoded.record) ||
            !(permanent.isUndefined() || permanent.isBool()))
            return refusal(Problem::BadRequest,
                           "apply-record needs a record of 22 bytes in hex digits");
        decoded.permanent = permanent.toBool();
        break;
    case WheelRequest::Kind::BeginGame:
        if (!name.isString() || !game.isString() || game.toString().isEmpty() ||
            !(title.isUndefined() || title.isString()))
            return refusal(Problem::BadRequest, "begin-game needs a game and a name");
        decoded.profile = name.toString();
        decoded.game = game.toString();
        decoded.title = title.toString();
        break;
    case WheelRequest::Kind::EndGame:
        if (!game.isString() || game.toString().isEmpty())
            return refusal(Problem::BadRequest, "end-game needs a game");
        decoded.game = game.toString();
        break;
    }
    *request = decoded;
    return Outcome();
}

Outcome replyOutcome(const WheelReply &reply)
{
    using Status = WheelReply::Status;
    Outcome outcome;
    switch (reply.status) {
    case Status::Ok:
        return outcome;
    case Status::NoInstance:
        return Outcome::failed(Outcome::Problem::NoInstance);
    case Status::NoAnswer:
        return Outcome::failed(Outcome::Problem::NoAnswer);
    case Status::NoWheel:
        outcome = Outcome::failed(Outcome::Problem::NoDevice);
        break;
    case Status::Unsupported:
        outcome = Outcome::failed(Outcome::Problem::Unsupported);
        break;
    case Status::BadRequest:
        outcome = Outcome::failed(Outcome::Problem::BadRequest);
        break;
    default:
        outcome = Outcome::failed(Outcome::Problem::Failed);
        break;
    }
    outcome.systemText = reply.message;
    return outcome;
}

WheelReply outcomeReply(const Outcome &outcome, const QString &message,
                        WheelReply::Status refused)
{
    using Status = WheelReply::Status;
    WheelReply reply;
    if (outcome.ok())
        return reply;
    reply.message = message;
    switch (outcome.problem) {
    case Outcome::Problem::NoDevice:
        reply.status = Status::NoWheel;
        break;
    case Outcome::Problem::BadRequest:
        reply.status = Status::BadRequest;
        break;
    case Outcome::Problem::Unsupported:
        reply.status = Status::Unsupported;
        break;
    default:
        reply.status = outcome.fromDevice() ? Status::WheelFailed : refused;
        break;
    }
    return reply;
}

QByteArray encodeReply(const WheelReply &reply, int version)
{
    // The client's own statuses never go on the wire.
    const int status = std::min(int(reply.status), int(WheelReply::Status::Unsupported));
    QJsonObject object{{QLatin1String("version"), version},
                       {QLatin1String("status"), STATUS_NAMES[status]}};
    if (!reply.message.isEmpty())
        object.insert(QLatin1String("message"), reply.message);
    if (!reply.previous.isEmpty())
        object.insert(QLatin1String("previous"), QString::fromLatin1(reply.previous.toHex()));
    return line(object);
}

WheelReply decodeReply(const QByteArray &text)
{
    const QJsonObject object = parseLine(text);
    const QString status = object.value(QLatin1String("status")).toString();
    WheelReply reply;
    reply.status = WheelReply::Status::NoAnswer;
    for (int i = 0; i < WIRE_STATUSES; ++i) {
        if (status == STATUS_NAMES[i])
            reply.status = WheelReply::Status(i);
    }
    reply.message = object.value(QLatin1String("message")).toString();
    const QJsonValue previous = object.value(QLatin1String("previous"));
    if (!previous.isUndefined() && !recordFromHex(previous, &reply.previous))
        reply.status = WheelReply::Status::NoAnswer;
    return reply;
}

Outcome wheelChannelPath(QString *path)
{
    const QString file = qEnvironmentVariableIsSet("KESTRIX_SIMULATOR")
                             ? QStringLiteral("wheelconfig-simulated.socket")
                             : QStringLiteral("wheelconfig.socket");
    QString reason;
#ifdef Q_OS_UNIX
    QString directory;
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (QDir::isAbsolutePath(runtime))
        directory = privateDirectory(runtime + QLatin1String("/kestrix"), &reason);
    if (directory.isEmpty()) {
        directory = privateDirectory(
            QDir::tempPath() + QLatin1String("/kestrix-") + QString::number(::geteuid()), &reason);
    }
    if (!directory.isEmpty()) {
        *path = directory + QLatin1Char('/') + file;
        return Outcome();
    }
#else
    *path = QStringLiteral("kestrix-") + file; // a pipe name, private to the session
    return Outcome();
#endif
    path->clear();
    return Outcome::because(reason);
}

WheelReply sendToWheelInstance(const WheelRequest &request, int timeoutMs)
{
    WheelReply reply;
    reply.status = WheelReply::Status::NoInstance;
    QString path;
    if (!wheelChannelPath(&path).ok())
        return reply;
    QLocalSocket socket;
    socket.connectToServer(path);
    if (!socket.waitForConnected(CONNECT_MS))
        return reply;

    reply.status = WheelReply::Status::NoAnswer;
    const QDeadlineTimer deadline(timeoutMs);
    socket.write(encodeRequest(request));
    QByteArray received;
    while (!received.contains('\n') && received.size() <= WHEEL_CHANNEL_MAX_LINE) {
        if (socket.bytesToWrite() > 0)
            socket.waitForBytesWritten(int(deadline.remainingTime()));
        const bool more = socket.waitForReadyRead(int(deadline.remainingTime()));
        received += socket.readAll();
        if (!more && (deadline.hasExpired() || socket.state() != QLocalSocket::ConnectedState))
            break;
    }
    const int end = received.indexOf('\n');
    return end < 0 ? reply : decodeReply(received.left(end));
}

WheelChannelServer::WheelChannelServer(QObject *parent) : QObject(parent) {}

#ifdef Q_OS_UNIX

WheelChannelServer::~WheelChannelServer()
{
    delete notifier;
    if (listener < 0)
        return;
    ::close(listener);
    if (reserve >= 0)
        ::close(reserve);
    // Only our own: a later instance may have replaced it.
    struct stat status;
    const QByteArray native = QFile::encodeName(path);
    if (::lstat(native.constData(), &status) == 0 && quint64(status.st_ino) == socketInode)
        ::unlink(native.constData());
}

WheelChannelServer::Claim WheelChannelServer::claim()
{
    const Outcome found = wheelChannelPath(&path);
    if (!found.ok()) {
        failure = found.systemText;
        return Claim::Unavailable;
    }
    // Two starts at the same moment: without the lock both would find no instance, and the
    // second would remove the first one's socket.
    QLockFile lock(path + QLatin1String(".lock"));
    const bool locked = lock.tryLock(10000);
    QLocalSocket probe;
    probe.connectToServer(path);
    if (probe.waitForConnected(CONNECT_MS))
        return Claim::Running;
    if (!locked) {
        failure = QStringLiteral("%1.lock stays locked").arg(path);
        return Claim::Unavailable;
    }
    const QByteArray native = QFile::encodeName(path);
    sockaddr_un address = {};
    address.sun_family = AF_UNIX;
    const auto problem = [this](int error) {
        failure = QStringLiteral("%1: %2").arg(path, QString::fromLocal8Bit(std::strerror(error)));
        return Claim::Unavailable;
    };
    if (size_t(native.size()) >= sizeof address.sun_path)
        return problem(ENAMETOOLONG);
    std::memcpy(address.sun_path, native.constData(), size_t(native.size()));
    // Nobody answers: a socket left behind by a process that died.
    ::unlink(native.constData());
    listener = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (listener < 0)
        return problem(errno);
    struct stat status;
    if (::bind(listener, reinterpret_cast<sockaddr *>(&address), sizeof address) != 0 ||
        ::chmod(native.constData(), S_IRWXU) != 0 || ::listen(listener, SOMAXCONN) != 0 ||
        ::lstat(native.constData(), &status) != 0) {
        const int error = errno;
        ::close(listener);
        listener = -1;
        return problem(error);
    }
    socketInode = quint64(status.st_ino);
    reserve = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
    return Claim::Claimed;
}

void WheelChannelServer::setHandler(Handler handler_)
{
    handler = std::move(handler_);
    if (listener >= 0 && !notifier) {
        notifier = new QSocketNotifier(listener, QSocketNotifier::Read);
        connect(notifier, &QSocketNotifier::activated, this, &WheelChannelServer::accept);
    }
}

void WheelChannelServer::accept()
{
    // A bounded round, so that a flood of connections does not starve the event loop.
    for (int i = 0; i < 64 && acceptNext(); ++i) {
    }
}

// False when nothing more waits, or nothing more can be taken now.
bool WheelChannelServer::acceptNext()
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
        pause();
        return false;
    }
    if (peers >= WHEEL_CHANNEL_MAX_PEERS || !peerIsThisUser(descriptor)) {
        ::close(descriptor);
        return true;
    }
    auto *socket = new QLocalSocket(this);
    if (!socket->setSocketDescriptor(descriptor)) {
        delete socket;
        ::close(descriptor);
        return true;
    }
    ++peers;
    connect(socket, &QObject::destroyed, this, [this] { --peers; });
    welcome(socket);
    return true;
}

// Nothing can be taken now: listening waits a moment rather than spinning on the error.
void WheelChannelServer::pause()
{
    notifier->setEnabled(false);
    QTimer::singleShot(100, this, [this] {
        if (reserve < 0)
            reserve = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
        notifier->setEnabled(true);
    });
}

#else

WheelChannelServer::~WheelChannelServer() = default;

WheelChannelServer::Claim WheelChannelServer::claim()
{
    QString path;
    wheelChannelPath(&path);
    QLocalSocket probe;
    probe.connectToServer(path);
    if (probe.waitForConnected(CONNECT_MS))
        return Claim::Running;
    server = new QLocalServer(this);
    server->setSocketOptions(QLocalServer::UserAccessOption);
    if (!server->listen(path)) {
        failure = QStringLiteral("%1: %2").arg(path, server->errorString());
        delete server;
        server = nullptr;
        return Claim::Unavailable;
    }
    return Claim::Claimed;
}

void WheelChannelServer::setHandler(Handler handler_)
{
    const bool first = !handler;
    handler = std::move(handler_);
    if (server && first)
        connect(server, &QLocalServer::newConnection, this, &WheelChannelServer::accept);
}

void WheelChannelServer::accept()
{
    while (QLocalSocket *socket = server->nextPendingConnection())
        welcome(socket);
}

#endif

void WheelChannelServer::welcome(QLocalSocket *socket)
{
    connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
    connect(socket, &QLocalSocket::readyRead, this, [this, socket] { read(socket); });
    QTimer::singleShot(IDLE_PEER_MS, socket, [socket] {
        if (socket->property(ANSWERED).toBool())
            return;
        socket->abort();
        socket->deleteLater();
    });
}

void WheelChannelServer::read(QLocalSocket *socket)
{
    if (!socket->canReadLine()) {
        if (socket->bytesAvailable() > WHEEL_CHANNEL_MAX_LINE)
            socket->abort();
        return;
    }
    // One request per connection; the answer may take a while (the wheel's transfers), and
    // nothing the peer sends meanwhile is read.
    disconnect(socket, &QLocalSocket::readyRead, this, nullptr);
    const QPointer<QLocalSocket> peer(socket);
    WheelRequest request;
    const Outcome decoded = decodeRequest(socket->readLine(WHEEL_CHANNEL_MAX_LINE + 1), &request);
    WheelReply reply;
    if (!decoded.ok())
        reply = outcomeReply(decoded, decoded.systemText);
    else if (handler)
        reply = handler(request);
    else
        reply = outcomeReply(refusal(Outcome::Problem::Unsupported, "no handler for requests"),
                             QStringLiteral("no handler for requests"));
    if (!peer)
        return;
    peer->setProperty(ANSWERED, true);
    peer->write(encodeReply(reply, request.version));
    peer->flush();
    peer->disconnectFromServer();
}
