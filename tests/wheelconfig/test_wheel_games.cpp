// Games bound to profiles: the games file, the matcher over a stand-in /proc folder, the
// stack of overlapping games, and the watch in the window against a real child process on
// the simulated wheel.

#include "effect_fields.h"
#include "effect_settings_record.h"
#include "game_watch.h"
#include "games_file.h"
#include "games_window.h"
#include "kestrix_protocol.h"
#include "test_support.h"
#include "wheel_device.h"
#include "wheel_service.h"
#include "wheel_test_support.h"

#include <QCheckBox>
#include <QComboBox>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QTableWidget>
#include <QTreeWidget>
#include <QtTest>

#include <unistd.h>

namespace
{

struct FakeProcess {
    int pid;
    int parent;
    QString exe;
    QStringList arguments;
    QByteArray environment = QByteArray();
};
using Processes = QVector<FakeProcess>;
using Rules = QVector<GameRule>;

GameRule rule(const char *name, GameRule::Kind kind, const char *pattern,
              const char *profile = "Rally")
{
    return GameRule{QLatin1String(name), kind, QLatin1String(pattern), QLatin1String(profile)};
}

// A /proc of this user's processes, as far as the watch reads it.
class StandInProc
{
public:
    QString path() const { return dir.path(); }
    void add(const FakeProcess &p)
    {
        const QDir root(dir.path());
        const QString pid = QString::number(p.pid);
        root.mkdir(pid);
        write(pid + QLatin1String("/stat"),
              QStringLiteral("%1 (%2) S %3 1 1 0").arg(pid, p.exe).arg(p.parent).toUtf8());
        write(pid + QLatin1String("/cmdline"), p.arguments.join(QLatin1Char('\0')).toUtf8() + '\0');
        write(pid + QLatin1String("/environ"), p.environment);
        QFile::link(p.exe, root.filePath(pid + QLatin1String("/exe")));
    }
    void remove(int pid) { QDir(dir.filePath(QString::number(pid))).removeRecursively(); }

private:
    void write(const QString &name, const QByteArray &content)
    {
        QFile file(dir.filePath(name));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(content);
    }
    QTemporaryDir dir;
};

QStringList runningGames(const Rules &rules, const QVector<int> &counts)
{
    QStringList names;
    for (int i = 0; i < counts.size(); ++i) {
        if (counts[i] > 0)
            names << rules[i].name;
    }
    return names;
}


const GameRule::Kind EXE = GameRule::Kind::Executable;
const GameRule::Kind LINE = GameRule::Kind::CommandLine;
const GameRule::Kind STEAM = GameRule::Kind::SteamAppId;

} // namespace

Q_DECLARE_METATYPE(Processes)
Q_DECLARE_METATYPE(Rules)

class WheelGamesTest : public QObject, private WheelSession
{
    Q_OBJECT

private slots:
    void init() { setUp(); }
    void cleanup() { tearDown(); }

    void gamesFile_data();
    void gamesFile();
    void matcher_data();
    void matcher();
    void stacking_data();
    void stacking();
    void realGameOnTheWheel_data();
    void realGameOnTheWheel();
    void badFileIsLeftAlone();
    void gamesWindow_data();
    void gamesWindow();
};

void WheelGamesTest::gamesFile_data()
{
    QTest::addColumn<QByteArray>("games"); // the list's entries
    QTest::addColumn<QString>("read");     // "name:kind:pattern:profile", or "refused"
    QTest::newRow("the issue's example")
        << QByteArray(R"({"name": "Rally game", "executable": "rallygame", "profile": "Rally"})")
        << "Rally game:executable:rallygame:Rally";
    QTest::newRow("Steam id") << QByteArray(
                                     R"({"name": "G", "steam_app_id": 244210, "profile": "P"})")
                              << "G:steam_app_id:244210:P";
    QTest::newRow("two rules")
        << QByteArray(R"({"name": "G", "executable": "g", "command_line": "g", "profile": "P"})")
        << "refused";
    QTest::newRow("no rule") << QByteArray(R"({"name": "G", "profile": "P"})") << "refused";
    QTest::newRow("Steam id not whole")
        << QByteArray(R"({"name": "G", "steam_app_id": 7.5, "profile": "P"})") << "refused";
    QTest::newRow("profile leads out")
        << QByteArray(R"({"name": "G", "executable": "g", "profile": "../x"})") << "refused";
    QTest::newRow("unknown key")
        << QByteArray(R"({"name": "G", "exectuable": "g", "executable": "g", "profile": "P"})")
        << "refused";
    QTest::newRow("same name twice") << QByteArray(R"({"name": "G", "executable": "g", "profile":
        "P"}, {"name": "G", "executable": "h", "profile": "P"})")
                                     << "refused";
    QTest::newRow("not JSON") << QByteArray(R"({"name": )") << "refused";
}

void WheelGamesTest::gamesFile()
{
    QFETCH(QByteArray, games);
    QFETCH(QString, read);
    const QByteArray content =
        R"({"format": "kestrix-games", "version": 1, "games": [)" + games + "]}";
    GamesList list;
    const Outcome parsed = GamesFile::fromJson(content, &list);
    QCOMPARE(parsed.ok(), read != QLatin1String("refused"));
    QCOMPARE(parsed.reason().isEmpty(), parsed.ok());
    if (!parsed.ok())
        return;
    QCOMPARE(list.games.size(), 1);
    const GameRule &game = list.games.first();
    QCOMPARE(QStringList({game.name, GamesFile::kindKey(game.kind), game.pattern, game.profile})
                 .join(QLatin1Char(':')),
             read);
    // What the window writes reads back the same.
    GamesList again;
    QVERIFY(GamesFile::fromJson(GamesFile::toJson(list), &again).ok());
    QVERIFY(again.games == list.games);
}

void WheelGamesTest::matcher_data()
{
    QTest::addColumn<Rules>("rules");
    QTest::addColumn<Processes>("processes");
    QTest::addColumn<int>("gone"); // a pid removed before the second look, or 0
    QTest::addColumn<QStringList>("expected");

    const Rules rally{rule("Rally game", EXE, "rallygame")};
    QTest::newRow("executable") << rally
                                << Processes{{100, 1, "/usr/games/rallygame", {"rallygame", "-w"}}}
                                << 0 << QStringList{"Rally game"};
    QTest::newRow("a longer name is another program")
        << rally << Processes{{100, 1, "/usr/bin/rallygame-launcher", {"rallygame-launcher"}}} << 0
        << QStringList{};
    const Rules wine{rule("Rally game", EXE, "RallyGame.exe")};
    QTest::newRow("Wine .exe, any case")
        << wine
        << Processes{{100, 1, "/usr/bin/wine64-preloader", {"C:\\Games\\Rally\\rallygame.EXE"}}}
        << 0 << QStringList{"Rally game"};
    QTest::newRow("wine rallygame.exe")
        << wine << Processes{{100, 1, "/usr/bin/wine", {"wine", "RallyGame.exe"}}} << 0
        << QStringList{"Rally game"};
    QTest::newRow("command-line substring")
        << Rules{rule("Sim", LINE, "main.py --track")}
        << Processes{{100,
                      1,
                      "/usr/bin/python3",
                      {"python3", "/opt/sim/main.py", "--track", "spa"}}}
        << 0 << QStringList{"Sim"};
    const Rules steam{rule("Steam game", STEAM, "244210")};
    QTest::newRow("Steam id on the command line")
        << steam
        << Processes{{100,
                      1,
                      "/steam/reaper",
                      {"reaper", "SteamLaunch", "AppId=244210", "--", "g"}}}
        << 0 << QStringList{"Steam game"};
    QTest::newRow("another Steam id")
        << steam << Processes{{100, 1, "/steam/reaper", {"reaper", "SteamLaunch", "AppId=2442100"}}}
        << 0 << QStringList{};
    QTest::newRow("Steam id in the environment")
        << steam
        << Processes{{100,
                      1,
                      "/opt/game.bin",
                      {"game.bin"},
                      QByteArray("A=1\0SteamAppId=244210\0", 23)}}
        << 0 << QStringList{"Steam game"};
    QTest::newRow("a process gone")
        << rally << Processes{{100, 1, "/usr/games/rallygame", {"rallygame"}}} << 100
        << QStringList{};
    QTest::newRow("two games overlapping")
        << Rules{rule("Rally game", EXE, "rallygame"), rule("Drift", LINE, "drift --fast", "Drift")}
        << Processes{{100, 1, "/usr/games/rallygame", {"rallygame"}},
                     {101, 1, "/usr/games/drift", {"drift", "--fast"}}}
        << 0 << QStringList{"Rally game", "Drift"};
    const QStringList launchForm{"/usr/libexec/kestrix/wheelconfig", "--profile", "Rally", "--",
                                 "rallygame"};
    QTest::newRow("the launch form's game, and the form itself")
        << Rules{rule("Rally game", LINE, "rallygame")}
        << Processes{{200, 1, "/usr/libexec/kestrix/wheelconfig", launchForm},
                     {201, 200, "/usr/games/rallygame", {"rallygame"}}}
        << 0 << QStringList{};
    QTest::newRow("the launch form's game further down, through Steam's reaper")
        << rally
        << Processes{{200, 1, "/usr/libexec/kestrix/wheelconfig", launchForm},
                     {201, 200, "/steam/reaper", {"reaper", "SteamLaunch", "AppId=1"}},
                     {202, 201, "/usr/games/rallygame", {"rallygame"}}}
        << 0 << QStringList{};
}

void WheelGamesTest::matcher()
{
    QFETCH(Rules, rules);
    QFETCH(Processes, processes);
    QFETCH(int, gone);
    QFETCH(QStringList, expected);
    StandInProc proc;
    for (const FakeProcess &process : processes)
        CHECKED(proc.add(process));
    ProcessScan scan(proc.path());
    scan.setGames(rules);
    QVector<int> counts = scan.look();
    if (gone) {
        QVERIFY(!runningGames(rules, counts).isEmpty());
        proc.remove(gone);
        counts = scan.look();
    }
    QCOMPARE(runningGames(rules, counts), expected);
}

void WheelGamesTest::stacking_data()
{
    // Steps: "+Rally game" starts a game's process, "-..." ends it, "connect" plugs the
    // wheel in (it starts unplugged when the first step is "connect"). After each step:
    // what the wheel holds.
    QTest::addColumn<QStringList>("steps");
    QTest::addColumn<QStringList>("held");
    QTest::newRow("the later game ends first")
        << QStringList{"+Rally game", "+Drift", "-Drift", "-Rally game"}
        << QStringList{"Rally", "Drift", "Rally", "before"};
    QTest::newRow("the earlier game ends first")
        << QStringList{"+Rally game", "+Drift", "-Rally game", "-Drift"}
        << QStringList{"Rally", "Drift", "Drift", "before"};
    QTest::newRow("started together: the later one in the file holds")
        << QStringList{"+Rally game+Drift", "-Drift", "-Rally game"}
        << QStringList{"Drift", "Rally", "before"};
    QTest::newRow("no wheel while the game starts")
        << QStringList{"connect", "+Rally game", "connect", "-Rally game"}
        << QStringList{"none", "none", "Rally", "before"};
}

void WheelGamesTest::stacking()
{
    QFETCH(QStringList, steps);
    QFETCH(QStringList, held);
    const Rules rules{rule("Rally game", EXE, "rallygame"), rule("Drift", EXE, "drift", "Drift")};
    StandInProc proc;
    CHECKED(writeProfile(QStringLiteral("Rally"), profileBytes(33, 540)));
    CHECKED(writeProfile(QStringLiteral("Drift"), profileBytes(44, 720)));
    usbInit();
    WheelDevice device;
    WheelService service;
    if (steps.first() != QLatin1String("connect")) {
        openIfAbsent(device.entry);
        service.setConnection(device.entry.handle);
    }
    auto wheelHolds = [&] {
        if (!device.entry.handle)
            return QStringLiteral("none");
        return service.heldProfile().isEmpty() ? QStringLiteral("before") : service.heldProfile();
    };
    GameWatch watch(service, proc.path());
    watch.setGames(GamesList{true, rules});
    for (int i = 0; i < steps.size(); ++i) {
        const QString &step = steps[i];
        if (step == QLatin1String("connect")) {
            if (i > 0) {
                openIfAbsent(device.entry);
                service.setConnection(device.entry.handle);
            }
        } else {
            for (const QString &game : step.mid(1).split(QLatin1Char('+'))) {
                const int pid = game == QLatin1String("Drift") ? 101 : 100;
                if (step.startsWith(QLatin1Char('+')))
                    CHECKED(proc.add({pid, 1, "/usr/games/" + rules[pid - 100].pattern, {"g"}}));
                else
                    proc.remove(pid);
            }
            watch.look();
        }
        QCOMPARE(wheelHolds(), held[i]);
    }
    closeEntry(device.entry);
    usbExit();
}

void WheelGamesTest::realGameOnTheWheel_data()
{
    QTest::addColumn<bool>("runningBefore");
    QTest::newRow("started while wheelconfig runs") << false;
    QTest::newRow("running when wheelconfig starts") << true;
}

void WheelGamesTest::realGameOnTheWheel()
{
    QFETCH(bool, runningBefore);
    const QByteArray rally = profileBytes(33, 540);
    CHECKED(writeProfile(QStringLiteral("Rally"), rally));
    QFile games(QStringLiteral("wheel_games.json"));
    QVERIFY(games.open(QIODevice::WriteOnly));
    games.write(R"({"format": "kestrix-games", "version": 1,
        "games": [{"name": "Rally game", "executable": "rallygame", "profile": "Rally"}]})");
    games.close();
    const QString game = workingDirectory->filePath(QStringLiteral("rallygame"));
    QVERIFY(QFile::copy(QStringLiteral("/bin/sleep"), game));
    const QByteArray before = wheelRecord(wheel);

    QProcess process;
    QElapsedTimer clock;
    auto startGame = [&] {
        process.start(game, {QStringLiteral("60")});
        QVERIFY(process.waitForStarted());
        clock.start();
    };
    if (runningBefore)
        CHECKED(startGame());
    start();
    wheel->clearTransfers();
    if (!runningBefore)
        CHECKED(startGame());
    QTRY_COMPARE_WITH_TIMEOUT(hex(wheelRecord(wheel)), hex(withOwnBytes(rally, before)), 3000);
    QVERIFY(clock.elapsed() <= 3000);
    QCOMPARE(takeWarnings(), QStringList{"Games: The profile \"Rally\" is applied for Rally game."});

    process.kill();
    QVERIFY(process.waitForFinished());
    clock.start();
    QTRY_COMPARE_WITH_TIMEOUT(hex(wheelRecord(wheel)), hex(before), 3000);
    QVERIFY(clock.elapsed() <= 3000);
    QCOMPARE(takeWarnings().size(), 1);
    // Two live applies, nothing made permanent.
    const auto t = wheel->transfers();
    QCOMPARE(commands(t, CMD_WRITE_EFFECT_SETTINGS).size(), size_t(4));
    QCOMPARE(commands(t, CMD_SAVE_EFFECT_SETTINGS).size(), size_t(0));
}

void WheelGamesTest::badFileIsLeftAlone()
{
    const QByteArray bad = R"({"format": "kestrix-games", "version": 1, "games": [{"name": "G"}]})";
    QFile games(QStringLiteral("wheel_games.json"));
    QVERIFY(games.open(QIODevice::WriteOnly));
    games.write(bad);
    games.close();
    start();
    QTRY_COMPARE(window->trayMessages.size(), 1);
    QVERIFY(window->trayMessages.first().contains(QLatin1String("wheel_games.json")));
    QTest::qWait(300);
    QCOMPARE(takeWarnings().size(), 1);
    QVERIFY(games.open(QIODevice::ReadOnly));
    QCOMPARE(games.readAll(), bad);
}

void WheelGamesTest::gamesWindow_data()
{
    // Steps: "pick NAME" a running process, "type NAME|KIND|RULE", "add", "remove", "off".
    QTest::addColumn<QStringList>("steps");
    QTest::addColumn<QString>("file"); // the games the file holds afterwards, or "none"
    QTest::addColumn<int>("warnings");
    QTest::newRow("picked from the running processes")
        << QStringList{"pick rallygame", "add"} << "rallygame:executable:rallygame" << 0;
    QTest::newRow("a Wine game picked by its .exe")
        << QStringList{"pick Drift.exe", "add"} << "Drift:executable:Drift.exe" << 0;
    QTest::newRow("typed command line") << QStringList{"type Sim|1|main.py --track", "add"}
                                        << "Sim:command_line:main.py --track" << 0;
    QTest::newRow("Steam id that is no number")
        << QStringList{"type G|2|abc", "add"} << "none" << 1;
    QTest::newRow("a name taken") << QStringList{"pick rallygame", "add", "pick rallygame", "add"}
                                  << "rallygame:executable:rallygame" << 1;
    QTest::newRow("removed") << QStringList{"pick rallygame", "add", "remove"} << "" << 0;
    QTest::newRow("switched off") << QStringList{"off"} << "off" << 0;
}

void WheelGamesTest::gamesWindow()
{
    QFETCH(QStringList, steps);
    QFETCH(QString, file);
    QFETCH(int, warnings);
    CHECKED(writeProfile(QStringLiteral("Rally"), profileBytes(33, 540)));
    StandInProc proc;
    CHECKED(proc.add({100, 1, "/usr/games/rallygame", {"rallygame", "-w"}}));
    CHECKED(proc.add({101, 1, "/usr/bin/wine64-preloader", {"C:\\Drift\\Drift.exe"}}));
    GamesWindow games(proc.path());
    GamesList told;
    games.setChangeHandler([&](const GamesList &list) { told = list; });
    auto *running = namedChild<QTreeWidget>(&games, "runningList");
    QCOMPARE(running->topLevelItemCount(), 2);
    for (const QString &step : steps) {
        const QStringList typed = step.mid(5).split(QLatin1Char('|'));
        if (step.startsWith(QLatin1String("pick"))) {
            const auto found = running->findItems(typed.first(), Qt::MatchExactly);
            QCOMPARE(found.size(), 1);
            running->setCurrentItem(found.first());
        } else if (step.startsWith(QLatin1String("type"))) {
            namedChild<QLineEdit>(&games, "nameEdit")->setText(typed[0]);
            namedChild<QComboBox>(&games, "kindCombo")->setCurrentIndex(typed[1].toInt());
            namedChild<QLineEdit>(&games, "ruleEdit")->setText(typed[2]);
        } else if (step == QLatin1String("off")) {
            QTest::mouseClick(namedChild<QCheckBox>(&games, "enabledCheckBox"), Qt::LeftButton);
        } else {
            QTest::mouseClick(namedChild<QPushButton>(&games, step == QLatin1String("add")
                                                                  ? "addButton"
                                                                  : "removeButton"),
                              Qt::LeftButton);
        }
    }
    QCOMPARE(int(boxes->boxes().size()), warnings);
    const GamesFile::Loaded loaded = GamesFile().load();
    QVERIFY(loaded.ok());
    QStringList held;
    for (const GameRule &game : loaded.list.games)
        held << QStringList{game.name, GamesFile::kindKey(game.kind), game.pattern}.join(':');
    if (file == QLatin1String("none")) {
        QVERIFY(!QFile::exists(QStringLiteral("wheel_games.json")));
        return;
    }
    QCOMPARE(loaded.list.enabled, file != QLatin1String("off"));
    if (file != QLatin1String("off"))
        QCOMPARE(held.join(QLatin1Char(',')), file);
    // The watch is told what the file holds.
    QVERIFY(told.games == loaded.list.games);
    QCOMPARE(told.enabled, loaded.list.enabled);
    QCOMPARE(namedChild<QTableWidget>(&games, "gamesTable")->rowCount(), held.size());
}

QTEST_MAIN(WheelGamesTest)
#include "test_wheel_games.moc"
