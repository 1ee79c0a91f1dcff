// The wheel program's Windows sides on real processes: the Toolhelp32 scan, the launch form
// through CreateProcess, and the channel's named pipe with its peer check.

#include "autostart.h"
#include "games_file.h"
#include "launched_command.h"
#include "process_scan.h"
#include "program_identity.h"
#include "wheel_channel.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QFileInfo>
#include <QProcess>
#include <QtTest>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <future>

#include <windows.h>

#include <objbase.h>
#include <objidl.h>
#include <shlobj.h>

namespace
{

// Three times what a quiet machine under Wine needs to start a process and to look.
constexpr int WAIT_MS = 20000;
constexpr char STAND_IN[] = "--stand-in-game";
constexpr char STAND_IN_WORDS[] = "stand-in-words.txt";
// FILETIME's 1601 to the Unix epoch, in ms.
constexpr qint64 EPOCH_OFFSET_MS = 11644473600000LL;

QString self()
{
    return QCoreApplication::applicationFilePath();
}

bool samePath(const QString &a, const QString &b)
{
    return QDir::fromNativeSeparators(a).compare(QDir::fromNativeSeparators(b),
                                                 Qt::CaseInsensitive) == 0;
}

const ProcessScan::Running *findProcess(const QVector<ProcessScan::Running> &list, qint64 pid)
{
    for (const ProcessScan::Running &process : list) {
        if (process.pid == pid)
            return &process;
    }
    return nullptr;
}

// What the shell reads from a shortcut: the program, its arguments, the folder it runs in.
QStringList shortcut(const QString &path)
{
    QStringList read;
    IShellLinkW *link = nullptr;
    IPersistFile *file = nullptr;
    wchar_t text[MAX_PATH * 4] = {};
    if (SUCCEEDED(::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER,
                                     IID_IShellLinkW, reinterpret_cast<void **>(&link))) &&
        SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void **>(&file))) &&
        SUCCEEDED(file->Load(QDir::toNativeSeparators(path).toStdWString().c_str(), STGM_READ))) {
        if (SUCCEEDED(link->GetPath(text, MAX_PATH, nullptr, 0)))
            read << QString::fromWCharArray(text);
        if (SUCCEEDED(link->GetArguments(text, MAX_PATH)))
            read << QString::fromWCharArray(text);
        if (SUCCEEDED(link->GetWorkingDirectory(text, MAX_PATH)))
            read << QString::fromWCharArray(text);
    }
    if (file)
        file->Release();
    if (link)
        link->Release();
    return read;
}

} // namespace

class WheelWindowsTest : public QObject
{
    Q_OBJECT

private slots:
    void processScanFollowsAChild();
    void launchForm_data();
    void launchForm();
    void channelAcceptsOwnClient();
    void autostartShortcut();
};

void WheelWindowsTest::processScanFollowsAChild()
{
    const QString exe = QFileInfo(self()).fileName();
    ProcessScan scan;
    scan.setGames({GameRule{QStringLiteral("Stand-in"), GameRule::Kind::Executable, exe,
                            QStringLiteral("Rally")}});
    // This process has the same executable, and is left out.
    QCOMPARE(scan.look(), QVector<int>{0});

    const qint64 before = QDateTime::currentMSecsSinceEpoch();
    QProcess child;
    child.start(self(), {QLatin1String(STAND_IN)});
    QVERIFY(child.waitForStarted(WAIT_MS));
    QVector<quint64> started;
    QTRY_COMPARE_WITH_TIMEOUT(scan.look(&started), QVector<int>{1}, WAIT_MS);
    // The creation time, in the system's clock; a second's slack for its granularity.
    const qint64 startedMs = qint64(started.value(0) / 10000) - EPOCH_OFFSET_MS;
    QVERIFY2(startedMs >= before - 1000 && startedMs <= QDateTime::currentMSecsSinceEpoch() + 1000,
             qPrintable(QString::number(startedMs - before)));
    const QVector<ProcessScan::Running> running = scan.running();
    const ProcessScan::Running *found = findProcess(running, child.processId());
    QVERIFY(found);
    QVERIFY2(found->name.compare(exe, Qt::CaseInsensitive) == 0, qPrintable(found->name));
    QVERIFY2(samePath(found->commandLine, self()), qPrintable(found->commandLine));
    QVERIFY(!findProcess(running, QCoreApplication::applicationPid()));

    child.closeWriteChannel(); // its cue to end
    QVERIFY(child.waitForFinished(WAIT_MS));
    QCOMPARE(scan.look(), QVector<int>{0});
    QVERIFY(!findProcess(scan.running(), child.processId()));
}

void WheelWindowsTest::launchForm_data()
{
    // A stand-in game: "%self --stand-in-game CODE WORDS..." ends with CODE and leaves the
    // words it was given in the folder it runs in.
    QTest::addColumn<QStringList>("command");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<bool>("started");
    QTest::newRow("the game's exit code") << QStringList{"%self", STAND_IN, "3"} << 3 << true;
    // The code Windows gives a console program that Ctrl+C ended: all 32 bits.
    QTest::newRow("a code above 31 bits")
        << QStringList{"%self", STAND_IN, "3221225786"} << int(0xC000013AU) << true;
    QTest::newRow("arguments with spaces, quotes and backslashes reach the game whole")
        << QStringList{"%self", STAND_IN, "7", "a \"quoted\" word\\", "", "C:\\a b\\"} << 7 << true;
    QTest::newRow("no such program") << QStringList{"kestrix-no-such-game.exe"} << 127 << false;
}

void WheelWindowsTest::launchForm()
{
    QFETCH(QStringList, command);
    QFETCH(int, exitCode);
    QFETCH(bool, started);
    // The game runs in the launch directory.
    QTemporaryDir directory;
    QVERIFY(directory.isValid());
    qputenv(LAUNCH_DIRECTORY_VARIABLE, QFile::encodeName(directory.path()));
    std::vector<QByteArray> words;
    for (const QString &word : command)
        words.push_back((word == QLatin1String("%self") ? self() : word).toLocal8Bit());
    const LaunchedCommand::Ended ended = LaunchedCommand(words).run();
    qunsetenv(LAUNCH_DIRECTORY_VARIABLE);
    QCOMPARE(ended.started.ok(), started);
    QCOMPARE(ended.exitCode, exitCode);
    if (!started)
        return;
    QFile given(directory.filePath(QLatin1String(STAND_IN_WORDS)));
    QVERIFY(given.open(QIODevice::ReadOnly));
    QCOMPARE(given.readAll(), command.mid(3).join(QLatin1Char('\n')).toLocal8Bit());
}

void WheelWindowsTest::channelAcceptsOwnClient()
{
    // Away from the pipe of a wheelconfig of the user's own.
    qputenv("KESTRIX_SIMULATOR", "wheel");
    WheelChannelServer server;
    QCOMPARE(server.claim(), WheelChannelServer::Claim::Claimed);
    QStringList seen;
    server.setHandler([&seen](const WheelRequest &request) {
        seen << request.profile;
        WheelReply reply;
        reply.previous = QByteArray(22, '\x5a');
        return reply;
    });
    WheelRequest request;
    request.kind = WheelRequest::Kind::ApplyProfile;
    request.profile = QStringLiteral("Rally");
    // The client blocks: the server answers on this thread's event loop meanwhile.
    auto reply =
        std::async(std::launch::async, [request] { return sendToWheelInstance(request, WAIT_MS); });
    QTRY_VERIFY_WITH_TIMEOUT(reply.wait_for(std::chrono::seconds(0)) == std::future_status::ready,
                             WAIT_MS);
    const WheelReply answered = reply.get();
    QCOMPARE(int(answered.status), int(WheelReply::Status::Ok));
    QCOMPARE(answered.previous, QByteArray(22, '\x5a'));
    QCOMPARE(seen, QStringList{"Rally"});
    // A second start finds this one and hands over.
    WheelChannelServer second;
    QCOMPARE(second.claim(), WheelChannelServer::Claim::Running);
}

void WheelWindowsTest::autostartShortcut()
{
    QTemporaryDir startup;
    QVERIFY(startup.isValid());
    const QString path = startup.filePath(QStringLiteral("Startup/kestrix-wheelconfig.lnk"));
    const SessionAutostart entry(path);
    QVERIFY(!entry.enabled());
    ProgramIdentity program;
    program.name = QStringLiteral("wheelconfig.exe");
    program.command = self();
    program.workingDirectory = startup.path();
    QVERIFY(entry.enable(program).ok());
    QVERIFY(entry.enabled());
    ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    const QStringList read = shortcut(path);
    QCOMPARE(read.size(), 3);
    QVERIFY2(samePath(read[0], self()), qPrintable(read[0]));
    QCOMPARE(read[1], QStringLiteral("--hidden"));
    // The program reads its icons and catalogues where it runs.
    QVERIFY2(samePath(read[2], startup.path()), qPrintable(read[2]));
    QVERIFY(entry.disable().ok());
    QVERIFY(!entry.enabled());
    QVERIFY(entry.disable().ok());
}

// Started again as a stand-in game: "--stand-in-game CODE WORDS..." writes its words into
// the folder it runs in and ends with CODE; "--stand-in-game" alone ends when its input
// closes.
int main(int argc, char *argv[])
{
    if (argc >= 2 && std::strcmp(argv[1], STAND_IN) == 0) {
        if (argc < 3) {
            while (std::fgetc(stdin) != EOF) {
            }
            return 0;
        }
        if (std::FILE *file = std::fopen(STAND_IN_WORDS, "wb")) {
            for (int i = 3; i < argc; ++i)
                std::fprintf(file, i > 3 ? "\n%s" : "%s", argv[i]);
            std::fclose(file);
        }
        return int(std::strtoul(argv[2], nullptr, 10));
    }
    QCoreApplication app(argc, argv);
    WheelWindowsTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_wheel_windows.moc"
