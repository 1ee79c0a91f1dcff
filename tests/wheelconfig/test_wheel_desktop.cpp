// The wheel program on the desktop: "Start with the session", the start in the tray
// (--hidden), the Games and Live input windows from the desktop (--games, --input), and what
// a game's switch tells.

#include "autostart.h"
#include "effect_fields.h"
#include "effect_settings_record.h"
#include "family.h"
#include "file_conditions.h"
#include "games_window.h"
#include "live_input_window.h"
#include "program_identity.h"
#include "test_support.h"
#include "wheel_start.h"
#include "wheel_test_support.h"

#include <QSystemTrayIcon>
#include <QtTest>

#include <future>

namespace
{
// The program's start with this option, or none, as main() reads it.
struct Start {
    explicit Start(const QByteArray &given)
        : option(given), arguments(given.isEmpty() ? 1 : 2, words),
          start(std::make_unique<WheelStart>(arguments))
    {
    }
    char program[12] = "wheelconfig";
    QByteArray option;
    char *words[3] = {program, option.data(), nullptr};
    WheelArguments arguments;
    std::unique_ptr<WheelStart> start;
};

// The window that --games or --input opens, and the other one, once made.
QWidget *sideWindow(const QWidget &window, const QByteArray &option)
{
    if (option == "--games")
        return window.findChild<GamesWindow *>();
    return window.findChild<LiveInputWindow *>();
}
} // namespace

class WheelDesktopTest : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup() { config.reset(); }

    void startWithSession_data();
    void startWithSession();
    void hiddenStart_data();
    void hiddenStart();
    void sideWindowFromDesktop_data();
    void sideWindowFromDesktop();
    void gameFailureNamesGameAndProfile();

private:
    std::unique_ptr<QTemporaryDir> config;
};

void WheelDesktopTest::init()
{
    config = std::make_unique<QTemporaryDir>();
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(config->filePath("config")));
    // The channel's socket, private to the test.
    QVERIFY(QDir(config->path()).mkdir("run"));
    QVERIFY(QFile::setPermissions(config->filePath("run"),
                                  QFile::ExeOwner | QFile::WriteOwner | QFile::ReadOwner));
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(config->filePath("run")));
}

void WheelDesktopTest::startWithSession_data()
{
    QTest::addColumn<QByteArray>("before"); // the entry there before; "-" none, "/" no folder
    QTest::addColumn<bool>("checked");      // as the menu opens; one click toggles it
    QTest::addColumn<QString>("told");
    const QByteArray handMade = "[Desktop Entry]\nType=Application\nName=K\nExec=kestrix-wheel\n";
    QTest::newRow("check") << QByteArray("-") << false << QString();
    QTest::newRow("uncheck") << QByteArray() << true << QString();
    QTest::newRow("hand-made entry") << handMade << true << QString();
    QTest::newRow("hand-made, switched off") << handMade + "Hidden=true\n" << false << QString();
    QTest::newRow("folder missing") << QByteArray("/") << false << QString();
    QTest::newRow("unwritable folder") << QByteArray("-") << false << "permission was denied";
}

void WheelDesktopTest::startWithSession()
{
    QFETCH(QByteArray, before);
    QFETCH(bool, checked);
    QFETCH(QString, told);
    const QString entry = config->filePath("config/autostart/kestrix-wheelconfig.desktop");
    QCOMPARE(SessionAutostart::defaultPath(), entry);
    if (before != "/")
        QVERIFY(QDir().mkpath(QFileInfo(entry).path()));
    if (before.isEmpty())
        QVERIFY(SessionAutostart().enable(programIdentity()).ok());
    else if (before.size() > 1)
        CHECKED(writeFile(entry, before));

    QStringList messages;
    AutostartAction action([&messages](const QString &text) { messages << text; }, nullptr);
    QCOMPARE(action.isChecked(), checked);
    if (!told.isEmpty()) {
        // As root, as another user, so that a mode that allows no writing applies.
        for (const QString &dir : {config->path(), config->filePath("config")})
            QVERIFY(QFile::setPermissions(dir, QFile::ReadOwner | QFile::WriteOwner |
                                                   QFile::ExeOwner | QFile::ExeOther));
        QVERIFY(QFile::setPermissions(QFileInfo(entry).path(),
                                      QFile::ReadOwner | QFile::ExeOwner | QFile::ExeOther));
        AsOtherUser other;
        action.trigger();
    } else {
        action.trigger();
    }
    const bool on = !checked && told.isEmpty();
    QCOMPARE(action.isChecked(), on);
    QCOMPARE(QFileInfo::exists(entry), on);
    QCOMPARE(messages, told.isEmpty()
                           ? QStringList()
                           : QStringList{entry + " can not be written: " + told +
                                         ". The wheel program does not start with the session."});
    if (on)
        QVERIFY(readFile(entry).contains("\nExec=" + programIdentity().command.toUtf8() +
                                         " --hidden\n"));
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
    wait->setInterval(10); // its 30 looks
    window.startHidden();
    auto *icon = window.findChild<QSystemTrayIcon *>();
    QTRY_VERIFY_WITH_TIMEOUT(tray ? icon->isVisible() : window.isVisible(), 5000);
    QTRY_VERIFY_WITH_TIMEOUT(!wait->isActive(), 5000);
    QCOMPARE(window.isVisible(), !tray);
    QCOMPARE(icon->isVisible(), tray);
}

void WheelDesktopTest::sideWindowFromDesktop_data()
{
    QTest::addColumn<QByteArray>("option"); // and the other one's, which stays unmade
    QTest::addColumn<QString>("from");      // a second start, the first one, the tray menu
    QTest::addColumn<QString>("entry");
    for (const char *option : {"--games", "--input"}) {
        const QString entry = option == QByteArray("--games") ? "Games..." : "Input...";
        for (const char *from : {"running", "new", "tray"})
            QTest::addRow("%s, %s", option, from) << QByteArray(option) << from << entry;
    }
}

void WheelDesktopTest::sideWindowFromDesktop()
{
    QFETCH(QByteArray, option);
    QFETCH(QString, from);
    QFETCH(QString, entry);
    const QByteArray other = option == "--games" ? "--input" : "--games";
    WorkingDirectory work;
    ScopedSimulator sim({ControllerKind::Wheel});
    TrayWindow window;
    WheelChannelServer channel;
    QCOMPARE(channel.claim(), WheelChannelServer::Claim::Claimed);
    Start first(from == "new" ? option : QByteArray());
    first.start->serve(channel, window);
    window.show();
    QVERIFY(from == "new" || !sideWindow(window, option));
    if (from == "tray") {
        const QList<QAction *> entries =
            window.findChild<QSystemTrayIcon *>()->contextMenu()->actions();
        const auto found = std::find_if(entries.begin(), entries.end(),
                                        [&entry](QAction *a) { return a->text() == entry; });
        QVERIFY(found != entries.end());
        (*found)->trigger();
    } else if (from == "running") {
        // A second start hands it over and ends; the channel needs this event loop.
        Start second(option);
        auto handedOver = std::async(std::launch::async, [&second] {
            WheelChannelServer own;
            return second.start->handOver(own);
        });
        QTRY_VERIFY_WITH_TIMEOUT(
            handedOver.wait_for(std::chrono::seconds(0)) == std::future_status::ready, 20000);
        QVERIFY(handedOver.get());
        QCOMPARE(second.start->exitCode(), 0);
    }
    QTRY_VERIFY_WITH_TIMEOUT(sideWindow(window, option) && sideWindow(window, option)->isVisible(),
                             5000);
    QVERIFY(!sideWindow(window, other));
    if (const auto *input = window.findChild<LiveInputWindow *>()) {
        QCOMPARE(input->product(), wheelProduct().productId);
        QVERIFY(input->reading());
    }
}

void WheelDesktopTest::gameFailureNamesGameAndProfile()
{
    WorkingDirectory work;
    ScopedSimulator sim({ControllerKind::Wheel});
    sim.controller(ControllerKind::Wheel)
        ->setReport(REPORT_EFFECT_SETTINGS, plausibleEffectRecord());
    TrayWindow window;
    QTRY_COMPARE(window.windowTitle(), QStringLiteral("Wheel (Connected)"));
    window.wheelService()->pushGame({"g", "Rally game", "Monza", true});
    QTRY_COMPARE(window.trayMessages,
                 QStringList{"Games: The profile \"Monza\" for Rally game could not be applied: "
                             "there is no profile of that name."});
    QCOMPARE(window.trayFailures, QList<bool>{true});
}

QTEST_MAIN(WheelDesktopTest)
#include "test_wheel_desktop.moc"
