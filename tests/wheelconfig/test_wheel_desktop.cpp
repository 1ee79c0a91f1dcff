// The wheel program on the desktop: the autostart entry behind "Start with the session",
// the start in the tray (--hidden), the Games window opened from the desktop (--games), and
// what a game's switch tells.

#include "autostart.h"
#include "effect_fields.h"
#include "effect_settings_record.h"
#include "file_conditions.h"
#include "games_window.h"
#include "test_support.h"
#include "wheel_start.h"
#include "wheel_test_support.h"

#include "program_identity.h"

#include <QMenu>
#include <QProcess>
#include <QStandardPaths>
#include <QSystemTrayIcon>
#include <QtTest>

#include <future>

namespace
{

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void write(const QString &path, const QByteArray &content)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write(content) == content.size());
}

// A start of the program with these options, as main() reads them.
struct Start {
    explicit Start(const QList<QByteArray> &options)
    {
        words << "wheelconfig" << options;
        for (QByteArray &word : words)
            pointers.push_back(word.data());
        arguments = std::make_unique<WheelArguments>(int(pointers.size()), pointers.data());
        start = std::make_unique<WheelStart>(*arguments);
    }
    QList<QByteArray> words;
    std::vector<char *> pointers;
    std::unique_ptr<WheelArguments> arguments;
    std::unique_ptr<WheelStart> start;
};

bool gamesWindowShown(const QWidget &window)
{
    const auto *games = window.findChild<GamesWindow *>();
    return games && games->isVisible();
}

} // namespace

class WheelDesktopTest : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void startWithSession_data();
    void startWithSession();
    void hiddenStart_data();
    void hiddenStart();
    void gamesFromDesktop_data();
    void gamesFromDesktop();
    void gameMessages_data();
    void gameMessages();
    void startedName_data();
    void startedName();

private:
    std::unique_ptr<QTemporaryDir> config;
    QByteArray savedConfigHome;
    QByteArray savedRuntime;
};

void WheelDesktopTest::init()
{
    config = std::make_unique<QTemporaryDir>();
    savedConfigHome = qgetenv("XDG_CONFIG_HOME");
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(config->filePath("config")));
    // The channel's socket, private to the test.
    savedRuntime = qgetenv("XDG_RUNTIME_DIR");
    QVERIFY(QDir(config->path()).mkdir("runtime"));
    QVERIFY(QFile::setPermissions(config->filePath("runtime"),
                                  QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(config->filePath("runtime")));
}

void WheelDesktopTest::cleanup()
{
    qputenv("XDG_CONFIG_HOME", savedConfigHome);
    qputenv("XDG_RUNTIME_DIR", savedRuntime);
    config.reset();
}

enum class Entry { None, Written, HandMade, HandMadeOff, UnwritableFolder };

void WheelDesktopTest::startWithSession_data()
{
    QTest::addColumn<Entry>("before");
    QTest::addColumn<bool>("shownChecked"); // as the menu opens
    QTest::addColumn<bool>("checkedAfter"); // after one click
    QTest::addColumn<QString>("told");      // the start of the message, if any

    QTest::newRow("check") << Entry::None << false << true << QString();
    QTest::newRow("uncheck") << Entry::Written << true << false << QString();
    QTest::newRow("hand-made entry") << Entry::HandMade << true << false << QString();
    QTest::newRow("hand-made, switched off") << Entry::HandMadeOff << false << true << QString();
    QTest::newRow("folder missing") << Entry::None << false << true << QString();
    QTest::newRow("unwritable folder")
        << Entry::UnwritableFolder << false << false << "permission was denied.";
}

void WheelDesktopTest::startWithSession()
{
    QFETCH(Entry, before);
    QFETCH(bool, shownChecked);
    QFETCH(bool, checkedAfter);
    QFETCH(QString, told);

    const QString folder = config->filePath("config/autostart");
    const QString entry = folder + "/kestrix-wheelconfig.desktop";
    QCOMPARE(SessionAutostart::defaultPath(), entry);
    const bool folderMissing = QByteArray(QTest::currentDataTag()) == "folder missing";
    if (!folderMissing)
        QVERIFY(QDir().mkpath(folder));
    if (before == Entry::Written)
        QVERIFY(SessionAutostart().enable(programIdentity()).ok());
    const QByteArray handMade = "[Desktop Entry]\nType=Application\nName=Kestrix Wheel\n"
                                "Exec=/usr/bin/kestrix-wheelconfig\n";
    if (before == Entry::HandMade)
        CHECKED(write(entry, handMade));
    if (before == Entry::HandMadeOff)
        CHECKED(write(entry, handMade + "Hidden=true\n"));
    if (before == Entry::UnwritableFolder) {
        QVERIFY(QFile::setPermissions(config->path(), QFile::ReadOwner | QFile::WriteOwner |
                                                          QFile::ExeOwner | QFile::ExeOther));
        QVERIFY(QFile::setPermissions(config->filePath("config"),
                                      QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner |
                                          QFile::ExeOther));
        QVERIFY(QFile::setPermissions(folder, QFile::ReadOwner | QFile::ExeOwner |
                                                  QFile::ReadOther | QFile::ExeOther));
    }

    QStringList messages;
    AutostartAction action([&messages](const QString &text) { messages << text; }, nullptr);
    QCOMPARE(action.text(), QStringLiteral("Start with the session"));
    QCOMPARE(action.isChecked(), shownChecked);
    if (before == Entry::UnwritableFolder) {
        AsOtherUser other; // as root, so that the folder's mode applies
        QVERIFY(other.active);
        action.trigger();
    } else {
        action.trigger();
    }
    QCOMPARE(action.isChecked(), checkedAfter);
    QCOMPARE(QFileInfo::exists(entry), checkedAfter);
    if (told.isEmpty()) {
        QCOMPARE(messages, QStringList());
    } else {
        QCOMPARE(messages.size(), 1);
        QVERIFY2(messages.first().startsWith(entry + " can not be written: " + told),
                 qPrintable(messages.first()));
    }
    if (!checkedAfter)
        return;

    // What the session will run: this program, in the tray.
    const QString exec =
        QString::fromUtf8(readAll(entry)).section("\nExec=", 1).section('\n', 0, 0);
    QCOMPARE(exec, programIdentity().command + " --hidden");
    const QString validator = QStandardPaths::findExecutable("desktop-file-validate");
    if (!validator.isEmpty()) {
        QProcess validate;
        validate.setProcessChannelMode(QProcess::MergedChannels);
        validate.start(validator, {entry});
        QVERIFY(validate.waitForFinished(30000));
        QVERIFY2(validate.exitCode() == 0, validate.readAll().constData());
    }
}

void WheelDesktopTest::hiddenStart_data()
{
    QTest::addColumn<bool>("tray");
    QTest::newRow("with a tray") << true;
    QTest::newRow("without a tray") << false;
}

void WheelDesktopTest::hiddenStart()
{
    QFETCH(bool, tray);
    WorkingDirectory work;
    ScopedSimulator sim;
    TrayWindow window;
    window.trayAvailable = tray;
    auto *wait = namedChild<QTimer>(&window, "tray_wait");
    wait->setInterval(10); // 30 looks
    window.startHidden();

    auto *icon = window.findChild<QSystemTrayIcon *>();
    QVERIFY(icon);
    if (tray) {
        QTRY_VERIFY_WITH_TIMEOUT(icon->isVisible(), 5000);
    } else {
        QTRY_VERIFY_WITH_TIMEOUT(window.isVisible(), 5000);
    }
    QTRY_VERIFY_WITH_TIMEOUT(!wait->isActive(), 5000);
    QCOMPARE(window.isVisible(), !tray);
    QCOMPARE(icon->isVisible(), tray);
}

void WheelDesktopTest::gamesFromDesktop_data()
{
    QTest::addColumn<bool>("running"); // a wheelconfig runs already
    QTest::newRow("in the running one") << true;
    QTest::newRow("in a new one") << false;
}

void WheelDesktopTest::gamesFromDesktop()
{
    QFETCH(bool, running);
    WorkingDirectory work;
    ScopedSimulator sim;
    TrayWindow window;
    WheelChannelServer channel;
    QCOMPARE(channel.claim(), WheelChannelServer::Claim::Claimed);
    Start first(running ? QList<QByteArray>() : QList<QByteArray>{"--games"});
    QVERIFY(!first.start->finished());
    first.start->serve(channel, window);
    window.show();
    if (!running) {
        QTRY_VERIFY_WITH_TIMEOUT(gamesWindowShown(window), 5000);
        return;
    }
    QVERIFY(!gamesWindowShown(window));

    // A second start hands the request over and ends; the channel needs this event loop.
    Start second({"--games"});
    auto handedOver = std::async(std::launch::async, [&second] {
        WheelChannelServer own;
        return second.start->handOver(own);
    });
    QTRY_VERIFY_WITH_TIMEOUT(
        handedOver.wait_for(std::chrono::seconds(0)) == std::future_status::ready, 20000);
    QVERIFY(handedOver.get());
    QCOMPARE(second.start->exitCode(), 0);
    QVERIFY(gamesWindowShown(window));
}

void WheelDesktopTest::gameMessages_data()
{
    QTest::addColumn<QString>("profile");
    QTest::addColumn<QString>("told");
    QTest::addColumn<bool>("failure");
    QTest::newRow("applied") << "Rally"
                             << "The profile \"Rally\" is applied for Rally game." << false;
    QTest::newRow("no such profile")
        << "Monza"
        << "The profile \"Monza\" for Rally game could not be applied: there is no profile "
           "of that name."
        << true;
}

void WheelDesktopTest::gameMessages()
{
    QFETCH(QString, profile);
    QFETCH(QString, told);
    QFETCH(bool, failure);
    WorkingDirectory work;
    ScopedSimulator sim({ControllerKind::Wheel});
    sim.controller(ControllerKind::Wheel)
        ->setReport(REPORT_EFFECT_SETTINGS, plausibleEffectRecord());
    CHECKED(writeProfile(QStringLiteral("Rally"), profileBytes(33, 540)));
    TrayWindow window;
    QTRY_COMPARE(window.windowTitle(), QStringLiteral("Wheel (Connected)"));

    window.wheelService()->pushGame({"g", "Rally game", profile, true});
    QTRY_COMPARE(window.trayMessages, QStringList{"Games: " + told});
    QCOMPARE(window.trayFailures, QList<bool>{failure});
}

void WheelDesktopTest::startedName_data()
{
    QTest::addColumn<bool>("launcher"); // started by the installed launcher
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("said"); // the start of its one line: stdout if 0, else stderr
    QTest::newRow("version, launched")
        << true << QStringList{"--version"} << 0 << "kestrix-wheelconfig ";
    QTest::newRow("version, as itself") << false << QStringList{"--version"} << 0 << "wheelconfig ";
    QTest::newRow("both windows' options")
        << true << QStringList{"--hidden", "--games"} << 2
        << "kestrix-wheelconfig: --hidden and --games exclude each other. "
           "See \"kestrix-wheelconfig --help\".";
}

void WheelDesktopTest::startedName()
{
    QFETCH(bool, launcher);
    QFETCH(QStringList, arguments);
    QFETCH(int, exitCode);
    QFETCH(QString, said);
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove("KESTRIX_LAUNCHER");
    if (launcher) {
        const QString path = config->filePath("kestrix-wheelconfig");
        CHECKED(write(path, "#!/bin/sh\n"));
        QVERIFY(QFile::setPermissions(path, QFile::ReadOwner | QFile::ExeOwner));
        environment.insert("KESTRIX_LAUNCHER", path);
    }
    QProcess program;
    program.setProcessEnvironment(environment);
    program.start(QStringLiteral(KESTRIX_RUN_DIR "/wheelconfig"), arguments);
    QVERIFY(program.waitForFinished(30000));
    QCOMPARE(program.exitCode(), exitCode);
    const QStringList lines = QString::fromLocal8Bit(exitCode == 0 ? program.readAllStandardOutput()
                                                                   : program.readAllStandardError())
                                  .split('\n', Qt::SkipEmptyParts);
    QCOMPARE(lines.size(), 1);
    QVERIFY2(lines.first().startsWith(said), qPrintable(lines.first()));
}

QTEST_MAIN(WheelDesktopTest)
#include "test_wheel_desktop.moc"
