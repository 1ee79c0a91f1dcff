// One wheelconfig per session: the built program in real processes, each on a simulated wheel
// of its own with its own transfer log, so that what a log shows is what that process sent.
// Every test has its own runtime directory (XDG_RUNTIME_DIR) and working directory.

#include "effect_fields.h"
#include "effect_settings_record.h"
#include "file_conditions.h"
#include "kestrix_protocol.h"
#include "test_support.h"
#include "wheel_test_support.h"

#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocalSocket>
#include <QProcess>
#include <QtTest>

#include <csignal>

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace
{

const QString PROGRAM = QStringLiteral(KESTRIX_RUN_DIR "/wheelconfig");
const QString INSTANCE = QStringLiteral("instance.log");

// Every owned field off the simulated wheel's defaults, all inside their ranges.
const QByteArray RALLY = QByteArray::fromHex("102030ff050011123804131400000000000000000000");

// The transfers from `from` on, without the poll's liveness probes.
std::vector<SimTransfer> after(const std::vector<SimTransfer> &transfers, size_t from)
{
    from = std::min(from, transfers.size());
    return withoutProbes({transfers.begin() + long(from), transfers.end()});
}

QStringList errorLines(QProcess &process)
{
    return QString::fromLocal8Bit(process.readAllStandardError())
        .split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

} // namespace

class WheelInstanceTest : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void firstStartAppliesOnConnection();
    void secondStart_data();
    void secondStart();
    void launchForm_data();
    void launchForm();
    void overlappingGames_data();
    void overlappingGames();
    void ignoredHangupStaysIgnored();
    void withoutDisplay_data();
    void withoutDisplay();
    void staleSocket();
    void requestsOnTheWire_data();
    void requestsOnTheWire();
    void otherUserRefused_data();
    void otherUserRefused();
    void connectionFlood_data();
    void connectionFlood();

private:
    // The program with a wheel (or none) of its own that logs to `log`, not yet started.
    std::unique_ptr<QProcess> program(const QString &log, bool wheel = true) const;
    void startInstance(const QString &log = INSTANCE, bool wheel = true,
                       const QStringList &arguments = {});
    // Exit code (-1: did not end by itself) and the lines on stderr.
    std::pair<int, QStringList> run(const QStringList &arguments, bool display = true);
    std::vector<SimTransfer> log(const QString &name) const
    {
        return readSimulatorLog(work->filePath(name));
    }
    // The first 22 bytes of the record the wheel held when `name` first read it.
    QByteArray firstRecord(const QString &name) const
    {
        const auto reads = getReports(log(name), REPORT_EFFECT_SETTINGS);
        return reads.empty() ? QByteArray() : toBytes(reads.front().data).left(22);
    }
    QString socketPath() const { return runtime->path() + "/kestrix/wheelconfig-simulated.socket"; }
    sockaddr_un socketAddress() const
    {
        sockaddr_un address = {};
        address.sun_family = AF_UNIX;
        qstrncpy(address.sun_path, QFile::encodeName(socketPath()), sizeof address.sun_path);
        return address;
    }

    std::unique_ptr<QTemporaryDir> runtime;
    std::unique_ptr<QTemporaryDir> work;
    std::unique_ptr<QProcess> instance;
};

void WheelInstanceTest::init()
{
    runtime = std::make_unique<QTemporaryDir>();
    work = std::make_unique<QTemporaryDir>();
    QVERIFY(QDir(work->path()).mkdir("wheel_profiles"));
    writeFile(work->filePath("wheel_profiles/Rally"), RALLY);
}

void WheelInstanceTest::cleanup()
{
    if (instance) {
        instance->kill();
        instance->waitForFinished();
    }
}

std::unique_ptr<QProcess> WheelInstanceTest::program(const QString &logName, bool wheel) const
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("XDG_RUNTIME_DIR", runtime->path());
    env.insert("KESTRIX_SIMULATOR", wheel ? "wheel" : "");
    env.insert("KESTRIX_SIMULATOR_LOG", work->filePath(logName));
    env.insert("QT_QPA_PLATFORM", "offscreen");
    auto process = std::make_unique<QProcess>();
    process->setProcessEnvironment(env);
    process->setWorkingDirectory(work->path());
    process->setProgram(PROGRAM);
    return process;
}

void WheelInstanceTest::startInstance(const QString &logName, bool wheel,
                                      const QStringList &arguments)
{
    instance = program(logName, wheel);
    instance->setArguments(arguments);
    instance->start();
    QVERIFY(instance->waitForStarted());
    QTRY_VERIFY_WITH_TIMEOUT(QFileInfo::exists(socketPath()), 20000);
    if (wheel)
        QTRY_VERIFY_WITH_TIMEOUT(!firstRecord(logName).isEmpty(), 20000);
}

std::pair<int, QStringList> WheelInstanceTest::run(const QStringList &arguments, bool display)
{
    const auto process = program("run.log");
    if (!display) {
        QProcessEnvironment env = process->processEnvironment();
        for (const char *name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
            env.remove(name);
        process->setProcessEnvironment(env);
    }
    process->setArguments(arguments);
    process->start();
    const bool ended =
        process->waitForFinished(30000) && process->exitStatus() == QProcess::NormalExit;
    return {ended ? process->exitCode() : -1, errorLines(*process)};
}

// With none running, --profile starts the tray program, which applies the profile once.
void WheelInstanceTest::firstStartAppliesOnConnection()
{
    CHECKED(startInstance(INSTANCE, true, {"--profile", "Rally"}));
    QTRY_VERIFY(!commands(log(INSTANCE), CMD_WRITE_EFFECT_SETTINGS).empty());
    QTest::qWait(300);
    auto sent = after(log(INSTANCE), 0);
    sent.erase(sent.begin()); // the read on connection
    verifyOneLiveApply(sent, withOwnBytes(RALLY, firstRecord(INSTANCE)));
}

void WheelInstanceTest::secondStart_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<bool>("wheel"); // the instance has one
    QTest::addColumn<int>("exitCode");

    QTest::newRow("profile") << QStringList{"--profile", "Rally"} << true << 0;
    QTest::newRow("missing profile") << QStringList{"--profile", "Monza"} << true << 1;
    QTest::newRow("no wheel") << QStringList{"--profile", "Rally"} << false << 1;
}

void WheelInstanceTest::secondStart()
{
    QFETCH(QStringList, arguments);
    QFETCH(bool, wheel);
    QFETCH(int, exitCode);

    CHECKED(startInstance(INSTANCE, wheel));
    const size_t before = log(INSTANCE).size();
    const auto [code, errors] = run(arguments);
    QCOMPARE(code, exitCode);
    QCOMPARE(errors.size(), exitCode == 0 ? 0 : 1);

    // The second start never reached a wheel; the first one polls on.
    QVERIFY(log("run.log").empty());
    QCOMPARE(instance->state(), QProcess::Running);
    const auto sent = after(log(INSTANCE), before);
    if (exitCode == 0)
        verifyOneLiveApply(sent, withOwnBytes(RALLY, firstRecord(INSTANCE)));
    else
        QCOMPARE(describe(sent), QStringList());
}

void WheelInstanceTest::launchForm_data()
{
    QTest::addColumn<bool>("withInstance");
    QTest::addColumn<QString>("profile");
    QTest::addColumn<int>("signal"); // sent to the launch while the game runs; 0 for none
    QTest::addColumn<int>("exitCode");

    QTest::newRow("instance") << true << "Rally" << 0 << 7;
    QTest::newRow("no instance") << false << "Rally" << 0 << 7;
    QTest::newRow("instance, missing profile") << true << "Monza" << 0 << 7;
    QTest::newRow("no instance, refused name") << false << ".Rally" << 0 << 7;
    QTest::newRow("no instance, terminated") << false << "Rally" << int(SIGTERM) << 5;
    QTest::newRow("no instance, user signal") << false << "Rally" << int(SIGUSR1) << 6;
    // Bytes outside the controls' ranges: the wheel gets what the window would send.
    QTest::newRow("no instance, out of range") << false << "Wild" << 0 << 7;
}

// The command records its input, an argument, the environment and its directory, then waits
// for the test to look at the wheel.
void WheelInstanceTest::launchForm()
{
    QFETCH(bool, withInstance);
    QFETCH(QString, profile);
    QFETCH(int, signal);
    QFETCH(int, exitCode);

    // A gain and a smoothing of 200, a total scale of 150, direction 0x80, motion range
    // 65535, soft stop range 0, the wheel's own bytes set: each control clamps, the own bytes
    // stay the wheel's.
    const QByteArray wild = QByteArray::fromHex("c8203080050796c8ffff13000000000000ff00000000");
    const QByteArray wildSent = QByteArray::fromHex("642030ff050764640f27130100000000000000000000");
    CHECKED(writeFile(work->filePath("wheel_profiles/Wild"), wild));

    if (withInstance)
        CHECKED(startInstance());
    const QString wheelLog = withInstance ? INSTANCE : "launch.log";
    const size_t before = log(wheelLog).size();

    const QString game = work->filePath("game");
    QVERIFY(QDir().mkpath(game));
    const auto launch = program("launch.log");
    QProcessEnvironment env = launch->processEnvironment();
    env.insert("KESTRIX_LAUNCH_DIRECTORY", game);
    env.insert("MARK", "set");
    launch->setProcessEnvironment(env);
    const QString script =
        "trap 'exit 5' TERM; trap 'exit 6' USR1; read line; "
        "printf '%s|%s|%s|%s|%s' \"$line\" \"$1\" \"$MARK\" "
        "\"${KESTRIX_LAUNCH_DIRECTORY-unset}\" \"$(pwd)\" > ran; n=0; "
        "while [ ! -e go ] && [ $n -lt 1000 ]; do sleep 0.02; n=$((n+1)); done; exit 7";
    launch->setArguments({"--profile", profile, "--", "sh", "-c", script, "sh", "two words"});
    launch->start();
    launch->write("hello\n");
    launch->closeWriteChannel();

    QTRY_VERIFY_WITH_TIMEOUT(QFileInfo::exists(game + "/ran"), 20000);
    const auto during = after(log(wheelLog), before);
    if (signal != 0)
        QCOMPARE(::kill(pid_t(launch->processId()), signal), 0);
    else
        QVERIFY(QFile(game + "/go").open(QIODevice::WriteOnly));
    QVERIFY(launch->waitForFinished(20000));
    QCOMPARE(launch->exitStatus(), QProcess::NormalExit);
    QCOMPARE(launch->exitCode(), exitCode);
    QFile ran(game + "/ran");
    QVERIFY(ran.open(QIODevice::ReadOnly));
    QCOMPARE(QString::fromUtf8(ran.readAll()), "hello|two words|set|unset|" + game);

    const auto all = after(log(wheelLog), before);
    const std::vector<SimTransfer> restore(all.begin() + long(during.size()), all.end());
    const QStringList errors = errorLines(*launch);
    if (profile == "Rally" || profile == "Wild") {
        const QByteArray own = firstRecord(wheelLog);
        CHECKED(
            verifyOneLiveApply(during, withOwnBytes(profile == "Rally" ? RALLY : wildSent, own)));
        CHECKED(verifyOneLiveApply(restore, own));
        QCOMPARE(errors, QStringList());
    } else {
        QCOMPARE(describe(all), QStringList());
        QCOMPARE(errors.size(), 1);
    }
}

void WheelInstanceTest::overlappingGames_data()
{
    QTest::addColumn<bool>("watchedFirst");
    QTest::addColumn<bool>("launchKilled"); // killed, it can not end its game itself
    QTest::newRow("watched game, then the launch form") << true << false;
    QTest::newRow("launch form, then the watched game") << false << false;
    QTest::newRow("launch form killed under the watched game") << false << true;
}

// A watched game and a launch-form game that overlap, real processes both: the wheel ends
// with the settings from before both, whichever started or ended first.
void WheelInstanceTest::overlappingGames()
{
    QFETCH(bool, watchedFirst);
    QFETCH(bool, launchKilled);
    const QByteArray drift = profileBytes(44, 720);
    const QByteArray snow = profileBytes(55, 900);
    CHECKED(writeFile(work->filePath("wheel_profiles/Drift"), drift));
    CHECKED(writeFile(work->filePath("wheel_profiles/Snow"), snow));
    const QString rallyGame = ownGameName("rallygame");
    const QString snowGame = ownGameName("snowgame");
    CHECKED(writeFile(work->filePath("wheel_games.json"),
                      QStringLiteral(R"({"format": "kestrix-games", "version": 1, "games": [
        {"name": "Rally game", "executable": "%1", "profile": "Rally"},
        {"name": "Snow game", "executable": "%2", "profile": "Snow"}]})")
                          .arg(rallyGame, snowGame)
                          .toUtf8()));
    for (const QString &game : {rallyGame, snowGame})
        QVERIFY(QFile::copy("/bin/sleep", work->filePath(game)));
    CHECKED(startInstance());
    const QByteArray own = firstRecord(INSTANCE);
    // What the wheel holds: the last record written to it.
    auto holds = [this] {
        const auto writes = commands(log(INSTANCE), CMD_WRITE_EFFECT_SETTINGS);
        return writes.empty() ? QString()
                              : hex(toBytes(writes.back().data)
                                        .mid(CHUNK_DATA_OFFSET, EFFECT_SETTINGS_RECORD_SIZE));
    };
    // A look of the watch every 2 s, on two busy cores: three times what it needs.
    constexpr int WAIT_MS = 20000;

    QProcess rally;
    auto startRally = [&] {
        rally.start(work->filePath(rallyGame), {"60"});
        QVERIFY(rally.waitForStarted());
        QTRY_COMPARE_WITH_TIMEOUT(holds(), hex(withOwnBytes(RALLY, own)), WAIT_MS);
    };
    const auto launch = program("launch.log");
    launch->setArguments(
        {"--profile", "Drift", "--", "sh", "-c", "while [ ! -e go ]; do sleep 0.05; done"});
    launch->setWorkingDirectory(work->path());
    auto startLaunch = [&] {
        launch->start();
        QTRY_COMPARE_WITH_TIMEOUT(holds(), hex(withOwnBytes(drift, own)), WAIT_MS);
    };
    if (watchedFirst) {
        CHECKED(startRally());
        CHECKED(startLaunch());
        rally.kill();
        QVERIFY(rally.waitForFinished());
        // A second watched game shows when the watch has looked since: its profile is the
        // only thing written meanwhile, the wheel having kept Drift for the ended game.
        const size_t before = log(INSTANCE).size();
        QProcess marker;
        marker.start(work->filePath(snowGame), {"60"});
        QVERIFY(marker.waitForStarted());
        QTRY_COMPARE_WITH_TIMEOUT(holds(), hex(withOwnBytes(snow, own)), WAIT_MS);
        CHECKED(verifyOneLiveApply(after(log(INSTANCE), before), withOwnBytes(snow, own)));
        marker.kill();
        QVERIFY(marker.waitForFinished());
        QTRY_COMPARE_WITH_TIMEOUT(holds(), hex(withOwnBytes(drift, own)), WAIT_MS);
        QVERIFY(QFile(work->filePath("go")).open(QIODevice::WriteOnly));
        QVERIFY(launch->waitForFinished(WAIT_MS));
    } else {
        CHECKED(startLaunch());
        CHECKED(startRally());
        if (launchKilled)
            launch->kill();
        QVERIFY(QFile(work->filePath("go")).open(QIODevice::WriteOnly));
        QVERIFY(launch->waitForFinished(WAIT_MS));
        QCOMPARE(holds(), hex(withOwnBytes(RALLY, own))); // kept for the game still running
        rally.kill();
        QVERIFY(rally.waitForFinished());
    }
    QTRY_COMPARE_WITH_TIMEOUT(holds(), hex(own), WAIT_MS);
    QCOMPARE(errorLines(*launch), QStringList());
    QVERIFY(log("launch.log").empty()); // the instance did all the wheel's work
}

// Started under nohup, the launch hands the game its hang-up ignored, as it got it.
void WheelInstanceTest::ignoredHangupStaysIgnored()
{
    const auto launch = program("launch.log");
    const QString wheelconfig = launch->program();
    launch->setProgram("sh");
    launch->setArguments(
        {"-c", "trap '' HUP; exec \"$0\" --profile Rally -- sh -c 'kill -HUP $$; exit 3'",
         wheelconfig});
    launch->start();
    QVERIFY(launch->waitForFinished(20000));
    QCOMPARE(launch->exitCode(), 3);
}

void WheelInstanceTest::withoutDisplay_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<bool>("withInstance");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<int>("errors"); // lines on stderr

    QTest::newRow("help") << QStringList{"--help"} << false << 0 << 0;
    QTest::newRow("version") << QStringList{"--version"} << false << 0 << 0;
    QTest::newRow("version, in Russian") << QStringList{"ru", "--version"} << false << 0 << 0;
    // Taken by the tray program's QApplication, never an unknown option.
    QTest::newRow("window system's option")
        << QStringList{"-platform", "offscreen", "--version"} << false << 0 << 0;
    QTest::newRow("unknown long option") << QStringList{"--bogus"} << false << 2 << 1;
    QTest::newRow("profile without a name") << QStringList{"--profile"} << false << 2 << 1;
    QTest::newRow("nothing after --") << QStringList{"--profile", "Rally", "--"} << false << 2 << 1;
    QTest::newRow("two windows at once") << QStringList{"--games", "--input"} << false << 2 << 1;
    QTest::newRow("hand-over") << QStringList() << true << 0 << 0;
    QTest::newRow("hand-over, profile") << QStringList{"--profile", "Rally"} << true << 0 << 0;
    QTest::newRow("tray program") << QStringList{"--profile", "Rally"} << false << 1 << 1;
    QTest::newRow("launch form") << QStringList{"--profile", "Rally", "--", "sh", "-c", "exit 4"}
                                 << false << 4 << 0;
    QTest::newRow("launch form, not found")
        << QStringList{"--profile", "Rally", "--", "./no such game"} << false << 127 << 1;
    QTest::newRow("launch form, not executable")
        << QStringList{"--profile", "Rally", "--", "./wheel_profiles/Rally"} << false << 126 << 1;
}

// No window system at all: only the tray program needs one, and it says so in one line.
// Options are answered before any window system is asked for, and reach no wheel.
void WheelInstanceTest::withoutDisplay()
{
    QFETCH(QStringList, arguments);
    QFETCH(bool, withInstance);
    QFETCH(int, exitCode);
    QFETCH(int, errors);

    if (withInstance)
        CHECKED(startInstance());
    const auto [code, lines] = run(arguments, false);
    QCOMPARE(code, exitCode);
    QCOMPARE(lines.size(), errors);
    // A tray program that could not start leaves no socket behind for the next start.
    QCOMPARE(QFileInfo::exists(socketPath()), withInstance);
    if (withInstance)
        QCOMPARE(instance->state(), QProcess::Running);
    if (arguments.indexOf("--") < 0 || arguments.last() == "--")
        QVERIFY(log("run.log").empty());
}

void WheelInstanceTest::staleSocket()
{
    CHECKED(startInstance("killed.log"));
    instance->kill();
    QVERIFY(instance->waitForFinished());
    QVERIFY(QFileInfo::exists(socketPath()));

    // The next start becomes the instance (it reads the wheel), and later starts find it.
    CHECKED(startInstance());
    QCOMPARE(run({}).first, 0);
    QVERIFY(log("run.log").empty());
    QCOMPARE(instance->state(), QProcess::Running);
}

void WheelInstanceTest::requestsOnTheWire_data()
{
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<QString>("status");
    QTest::addColumn<int>("replyVersion");

    const QByteArray record =
        R"({"version":1,"request":"apply-record","permanent":true,"record":")";
    QTest::newRow("later version")
        << QByteArray(R"({"version":5,"request":"show"})") << "unsupported" << 4;
    QTest::newRow("a later kind in an older version")
        << QByteArray(R"({"version":1,"request":"end-game","game":"g"})") << "unsupported" << 1;
    QTest::newRow("not JSON") << QByteArray("show") << "bad-request" << 1;
    QTest::newRow("short record") << record + RALLY.left(21).toHex() + "\"}"
                                  << "bad-request" << 1;
    QTest::newRow("permanent record") << record + RALLY.toHex() + "\"}"
                                      << "ok" << 1;
}

// Only a whole request of a known version reaches the wheel: here, made permanent.
void WheelInstanceTest::requestsOnTheWire()
{
    QFETCH(QByteArray, line);
    QFETCH(QString, status);
    QFETCH(int, replyVersion);

    CHECKED(startInstance());
    const size_t before = log(INSTANCE).size();
    QLocalSocket socket;
    socket.connectToServer(socketPath());
    QVERIFY(socket.waitForConnected(5000));
    socket.write(line + '\n');
    while (!socket.canReadLine() && socket.waitForReadyRead(20000)) {
    }
    const QJsonObject reply = QJsonDocument::fromJson(socket.readLine()).object();
    QCOMPARE(reply.value("version").toInt(), replyVersion);
    QCOMPARE(reply.value("status").toString(), status);

    const auto sent = after(log(INSTANCE), before);
    const auto packets = commands(sent, CMD_WRITE_EFFECT_SETTINGS);
    QCOMPARE(commands(sent, CMD_SAVE_EFFECT_SETTINGS).size(), packets.size() / 2);
    QCOMPARE(packets.size(), size_t(status == "ok" ? 2 : 0));
    if (!packets.empty())
        QCOMPARE(hex(toBytes(packets[1].data).mid(CHUNK_DATA_OFFSET, 22)),
                 hex(withOwnBytes(RALLY, firstRecord(INSTANCE))));
}

void WheelInstanceTest::otherUserRefused_data()
{
    QTest::addColumn<bool>("opened"); // every directory and the socket opened to all
    QTest::addColumn<int>("outcome"); // 10 can not connect, 20 dropped without a reply

    QTest::newRow("private directory") << false << 10;
    QTest::newRow("opened up by mistake") << true << 20;
}

void WheelInstanceTest::otherUserRefused()
{
    QFETCH(bool, opened);
    QFETCH(int, outcome);
    if (::geteuid() != 0)
        QSKIP("acting as another user takes root");

    CHECKED(startInstance());
    const size_t before = log(INSTANCE).size();
    for (const QString &path : {runtime->path(), runtime->path() + "/kestrix", socketPath()})
        QVERIFY(!opened || ::chmod(QFile::encodeName(path), 0777) == 0);
    const sockaddr_un address = socketAddress();
    const QByteArray request = R"({"version":1,"request":"apply-profile","name":"Rally"})"
                               "\n";
    const QString got = inChildAsOtherUser([&] {
        ::alarm(10);
        const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
        if (::connect(fd, reinterpret_cast<const sockaddr *>(&address), sizeof address) != 0)
            return QStringLiteral("10");
        char answer;
        // A dropped connection may come before the request is out: no SIGPIPE for that.
        const bool replied =
            ::send(fd, request.constData(), size_t(request.size()), MSG_NOSIGNAL) > 0 &&
            ::read(fd, &answer, 1) > 0;
        return QString::fromLatin1(replied ? "30" : "20");
    });
    QCOMPARE(got, QString::number(outcome));
    QTest::qWait(300);
    QCOMPARE(describe(after(log(INSTANCE), before)), QStringList());
}

void WheelInstanceTest::connectionFlood_data()
{
    QTest::addColumn<int>("connections"); // held open by the test at once
    QTest::addColumn<int>("fileLimit");   // the instance's descriptors; 0: as inherited
    QTest::addColumn<bool>("answeredWhileHeld");

    QTest::newRow("a few") << 8 << 0 << true;
    // Room for the sanitizer build's own descriptors, far below the connections held.
    QTest::newRow("beyond the descriptors") << 600 << 64 << false;
}

// The instance keeps listening, and its socket file stays, whatever its peers hold open.
void WheelInstanceTest::connectionFlood()
{
    QFETCH(int, connections);
    QFETCH(int, fileLimit);
    QFETCH(bool, answeredWhileHeld);

    instance = program(INSTANCE);
    if (fileLimit > 0) {
        instance->setArguments(
            {"-c", QString("ulimit -n %1 && exec \"$0\"").arg(fileLimit), instance->program()});
        instance->setProgram("sh");
    }
    instance->start();
    QTRY_VERIFY_WITH_TIMEOUT(QFileInfo::exists(socketPath()), 20000);
    QTRY_VERIFY_WITH_TIMEOUT(!firstRecord(INSTANCE).isEmpty(), 20000);

    const sockaddr_un address = socketAddress();
    std::vector<int> held;
    for (int i = 0; i < connections; ++i) {
        const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
        QVERIFY(fd >= 0);
        held.push_back(fd);
        ::connect(fd, reinterpret_cast<const sockaddr *>(&address), sizeof address);
    }
    QTest::qWait(1000);
    QVERIFY(QFileInfo::exists(socketPath()));
    QCOMPARE(instance->state(), QProcess::Running);
    const auto show = [this] {
        QLocalSocket socket;
        socket.connectToServer(socketPath());
        if (!socket.waitForConnected(5000))
            return QString("not connected");
        socket.write(R"({"version":1,"request":"show"})"
                     "\n");
        while (!socket.canReadLine() && socket.waitForReadyRead(5000)) {
        }
        return QJsonDocument::fromJson(socket.readLine()).object().value("status").toString();
    };
    if (answeredWhileHeld)
        QCOMPARE(show(), "ok");
    for (const int fd : held)
        ::close(fd);
    QTRY_COMPARE_WITH_TIMEOUT(show(), "ok", 15000);
    QVERIFY(QFileInfo::exists(socketPath()));
}

QTEST_GUILESS_MAIN(WheelInstanceTest)
#include "test_wheel_instance.moc"
