#pragma once

// The channel to the running wheelconfig. wheelconfig runs once per user session; a second
// start, a game's launch options or another tool hand their request to the running one
// through a local socket, so that only one process talks to the wheel and its window shows
// what the wheel holds. Qt Core and Network only: a program without widgets links it.
//
// Where, on Linux: a socket in a directory private to the user (mode 0700, owned by the
// user): $XDG_RUNTIME_DIR/kestrix when XDG_RUNTIME_DIR names such a directory, else
// <temp>/kestrix-<uid>. The socket is "wheelconfig.socket", or "wheelconfig-simulated.socket"
// while KESTRIX_SIMULATOR is set (a program on simulated controllers serves another wheel).
// Tests give each run its own XDG_RUNTIME_DIR. On Windows: a named pipe whose name holds the
// user's SID, "kestrix-<SID>-wheelconfig.socket" (or -simulated), open to that user alone.
// The server also drops any connection whose peer is another user.
//
// Protocol, version 4. One connection carries one request and its reply. Each is one line:
// a JSON object in UTF-8 ending in "\n", at most WHEEL_CHANNEL_MAX_LINE bytes.
//
//   request: {"version": 1, "request": <kind>, ...}
//     "show"          show the window and bring it to the front
//     "apply-profile" "name": <profile name>. Applied as if picked from the tray's menu:
//                     one live apply, the panel shows it, nothing becomes permanent.
//     "apply-record"  "record": <22 bytes as 44 hex digits>, "permanent": <bool, default
//                     false>. The owned fields of the effect record, shown in the panel and
//                     sent as one live apply (the wheel keeps its own bytes 5 and 12..21);
//                     with "permanent" the save sequence (command 2) follows.
//   version 2:
//     "begin-game"    "game": <an id no other game has>, "name": <profile name>, "title":
//                     <what the user is told the game is>. The game goes onto the instance's
//                     stack of games and its profile is applied; the instance keeps the
//                     settings to put back.
//     "end-game"      "game": <the id>. The game leaves the stack; the last one's end puts
//                     back the settings from before the first. A game also ends when the
//                     process that began it ends: a killed launch form leaves nothing held.
//   version 3:
//     "show-games"    show the Games window and bring it to the front
//   version 4:
//     "show-input"    show the Live input window for the wheel and bring it to the front
//   reply:   {"version": 1, "status": <status>, "message": <text>, "previous": <hex>}
//     "status"   "ok", "no-wheel", "refused" (the profile can not be applied), "wheel-failed"
//                (the wheel did not take it), "bad-request" or "unsupported" (a kind or a
//                version this side does not know)
//     "message"  one line for the user when the status is not "ok", in the instance's
//                language
//     "previous" for "apply-profile" that went through: the owned fields as the wheel had
//                them before, as 44 hex digits; "apply-record" with it puts them back
//
// A client gives each request the lowest version that has its kind, so that an older
// instance still answers the requests it knows; "unsupported" to "begin-game" tells the
// client to do with "apply-profile" and "apply-record".
//
// A request's "version" is the protocol the client speaks. A server answers every version up
// to its own and "unsupported" to a later one; fields it does not know are ignored. A
// change that older peers would misread takes a new version.

#include "effect_settings_record.h"
#include "outcome.h"

#include <QByteArray>
#include <QObject>
#include <QString>

#include <functional>
#include <memory>

class QLocalSocket;

constexpr int WHEEL_CHANNEL_VERSION = 4;
constexpr int WHEEL_CHANNEL_MAX_LINE = 4096;
constexpr int WHEEL_CHANNEL_MAX_PEERS = 32;   // connections the instance holds at once

struct WheelRequest {
    enum class Kind { Show, ApplyProfile, ApplyRecord, BeginGame, EndGame, ShowGames, ShowInput };
    Kind kind = Kind::Show;
    QString profile;   // ApplyProfile, BeginGame
    QString game;      // BeginGame, EndGame: the game's id
    QString title;     // BeginGame
    QByteArray record; // ApplyRecord, EFFECT_SETTINGS_RECORD_SIZE bytes
    bool permanent = false;
    int version = 1; // the client's, as far as this side speaks it: its reply's
    qint64 peer = 0; // the asking process as the instance's end sees it (not sent); 0 unknown
};

struct WheelReply {
    enum class Status {
        Ok,
        NoWheel,
        Refused,
        WheelFailed,
        BadRequest,
        Unsupported,
        // Only on the client's side: nothing reached a running instance, or it did not
        // answer in time.
        NoInstance,
        NoAnswer,
    };
    Status status = Status::Ok;
    QString message;
    QByteArray previous; // EFFECT_SETTINGS_RECORD_SIZE bytes, or empty

    bool ok() const { return status == Status::Ok; }
};

QByteArray encodeRequest(const WheelRequest &request);
// BadRequest or Unsupported, with the reason in systemText, for anything but a well-formed
// request this side knows.
Outcome decodeRequest(const QByteArray &line, WheelRequest *request);
QByteArray encodeReply(const WheelReply &reply, int version = WHEEL_CHANNEL_VERSION);
WheelReply decodeReply(const QByteArray &line);

// The socket's full path; fails, with the reason, when no private directory can be had.
Outcome wheelChannelPath(QString *path);

// A reply as the requesting side's outcome: NoInstance, NoAnswer, NoDevice for "no-wheel",
// else Failed; systemText holds the instance's message.
Outcome replyOutcome(const WheelReply &reply);
// An outcome of the instance as its reply; `refused` is the status of a failure that is no
// device's and no request's.
WheelReply outcomeReply(const Outcome &outcome, const QString &message,
                        WheelReply::Status refused = WheelReply::Status::Refused);

// Sends one request to the running instance and waits for its reply (blocking; no event
// loop needed). NoInstance when none listens, NoAnswer when it does not reply in time.
WheelReply sendToWheelInstance(const WheelRequest &request, int timeoutMs = 20000);

// The running instance's end. It keeps listening whatever its peers do: at most
// WHEEL_CHANNEL_MAX_PEERS connections are open at once, and the connections beyond them, or
// beyond what the process's descriptors allow, are closed at once. Its socket is removed
// only when it goes.
class WheelChannelServer : public QObject
{
public:
    enum class Claim {
        Claimed,     // this process is the instance now
        Running,     // another one answers: hand the request over
        Unavailable, // no private directory or socket: see problem()
    };

    explicit WheelChannelServer(QObject *parent = nullptr);
    ~WheelChannelServer() override;

    // Takes the socket unless a running instance answers on it. A socket left behind by a
    // process that died is removed. Starts made at the same moment take turns. Connections
    // wait until a handler is set.
    Claim claim();
    QString problem() const { return failure; }

    // Answers each request; called on the event loop's thread. Accepting starts here, on
    // the application object that runs the event loop.
    using Handler = std::function<WheelReply(const WheelRequest &)>;
    void setHandler(Handler handler);

private:
    void accept();
    void welcome(QLocalSocket *socket);
    void read(QLocalSocket *socket);

    Handler handler;
    QString failure;
    // Each platform's listening end and peer check.
    struct Listening;
    std::unique_ptr<Listening> listening;
};
