#include "wheel_channel.h"
#include "wheel_channel_place.h"

#include <QDeadlineTimer>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocalSocket>
#include <QPointer>
#include <QTimer>

#include <algorithm>
#include <cctype>
#include <iterator>

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
    return wheelChannelPlace(file, path);
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
    if (!socket.waitForConnected(WHEEL_CHANNEL_CONNECT_MS) ||
        !wheelChannelServerIsThisUser(socket))
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
    else if (handler) {
        request.peer = wheelChannelPeerProcess(*socket);
        reply = handler(request);
    } else {
        reply = outcomeReply(refusal(Outcome::Problem::Unsupported, "no handler for requests"),
                             QStringLiteral("no handler for requests"));
    }
    if (!peer)
        return;
    peer->setProperty(ANSWERED, true);
    peer->write(encodeReply(reply, request.version));
    peer->flush();
    peer->disconnectFromServer();
}
