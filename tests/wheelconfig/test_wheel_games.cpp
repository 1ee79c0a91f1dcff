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

#include <QAccessible>
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
    quint64 started = 0; // clock ticks after boot
    char state = 'S';
};
using Processes = QVector<FakeProcess>;
using Rules = QVector<GameRule>;

GameRule rule(const char *name, GameRule::Kind kind, const char *pattern,
              const char *profile = "Rally")
{
    return GameRule{QLatin1String(name), kind, QLatin1String(pattern), QLatin1String(profile)};
}

// The stand-in system's uptime, and a start that many seconds after boot.
constexpr int UPTIME_S = 1000;
quint64 startedAt(int seconds)
{
    return quint64(seconds) * quint64(::sysconf(_SC_CLK_TCK));
}

// A /proc of this user's processes, as far as the watch reads it.
class StandInProc
{
public:
    StandInProc() { writeFile(dir.filePath("uptime"), QByteArray::number(UPTIME_S) + ".00 0.00"); }
    QString path() const { return dir.path(); }
    // Over a process of the same pid: the same process changed (an exec, a rewritten command
    // line, its end), or with another start a new one in a new folder, as /proc shows it.
    void add(const FakeProcess &p, quint64 replacedStart = 0)
    {
        QDir root(dir.path());
        const QString pid = QString::number(p.pid);
        const bool reused = root.exists(pid) && replacedStart != p.started;
        const QString folder = reused ? QStringLiteral("new") : pid;
        root.mkdir(folder);
        writeFile(dir.filePath(folder + QLatin1String("/stat")),
                  QStringLiteral("%1 (%2) %3 %4 1 1 0 -1 0 0 0 0 0 0 0 0 0 20 0 1 0 %5 1000 100")
                      .arg(pid, p.exe, QChar::fromLatin1(p.state))
                      .arg(p.parent)
                      .arg(p.started)
                      .toUtf8());
        writeFile(dir.filePath(folder + QLatin1String("/cmdline")),
                  p.arguments.join(QLatin1Char('\0')).toUtf8() + '\0');
        writeFile(dir.filePath(folder + QLatin1String("/environ")), p.environment);
        QFile::remove(root.filePath(folder + QLatin1String("/exe")));
        QFile::link(p.exe, root.filePath(folder + QLatin1String("/exe")));
        if (reused) {
            remove(p.pid);
            QVERIFY(root.rename(folder, pid));
        }
    }
    void remove(int pid) { QDir(dir.filePath(QString::number(pid))).removeRecursively(); }

private:
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
    // The list's entries, or when it starts with a quote, keys beside an empty list.
    QTest::addColumn<QByteArray>("games");
    // "name:kind:pattern:profile", or "refused", or "refused:" and what the reason says.
    QTest::addColumn<QString>("read");
    QTest::newRow("Steam id") << QByteArray(
                                     R"({"name": "G", "steam_app_id": 244210, "profile": "P"})")
                              << "G:steam_app_id:244210:P";
    QTest::newRow("two rules")
        << QByteArray(R"({"name": "G", "executable": "g", "command_line": "g", "profile": "P"})")
        << "refused";
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
    QTest::newRow("a key twice in a game")
        << QByteArray(R"({"name": "G", "executable": "g", "profile": "P", "profile": "Q"})")
        << R"(refused:G: the key "profile" is given twice)";
    QTest::newRow("a key twice at the top")
        << QByteArray(R"("enabled": true, "enabled": false)") << R"(refused:"enabled")";
    QTest::newRow("unknown top-level key")
        << QByteArray(R"("enable": false)") << R"(refused:unknown key "enable")";
}

void WheelGamesTest::gamesFile()
{
    QFETCH(QByteArray, games);
    QFETCH(QString, read);
    const QByteArray content =
        games.startsWith('"')
            ? R"({"format": "kestrix-games", "version": 1, )" + games + R"(, "games": []})"
            : R"({"format": "kestrix-games", "version": 1, "games": [)" + games + "]}";
    GamesList list;
    const Outcome parsed = GamesFile::fromJson(content, &list);
    QCOMPARE(parsed.ok(), !read.startsWith(QLatin1String("refused")));
    QCOMPARE(parsed.reason().isEmpty(), parsed.ok());
    if (!parsed.ok()) {
        QVERIFY2(parsed.reason().contains(read.mid(8)), qPrintable(parsed.reason()));
        return;
    }
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
    QTest::addColumn<Processes>("after");   // written before the second look
    QTest::addColumn<QStringList>("first"); // what the first look finds, when there are two
    QTest::addColumn<QStringList>("expected");

    const Rules rally{rule("Rally game", EXE, "rallygame")};
    QTest::newRow("executable") << rally
                                << Processes{{100, 1, "/usr/games/rallygame", {"rallygame", "-w"}}}
                                << Processes{} << QStringList{} << QStringList{"Rally game"};
    QTest::newRow("a longer name is another program")
        << rally << Processes{{100, 1, "/usr/bin/rallygame-launcher", {"rallygame-launcher"}}}
        << Processes{} << QStringList{} << QStringList{};
    const Rules wine{rule("Rally game", EXE, "RallyGame.exe")};
    QTest::newRow("Wine .exe, any case")
        << wine
        << Processes{{100, 1, "/usr/bin/wine64-preloader", {"C:\\Games\\Rally\\rallygame.EXE"}}}
        << Processes{} << QStringList{} << QStringList{"Rally game"};
    QTest::newRow("wine rallygame.exe")
        << wine << Processes{{100, 1, "/usr/bin/wine", {"wine", "RallyGame.exe"}}} << Processes{}
        << QStringList{} << QStringList{"Rally game"};
    QTest::newRow("command-line substring")
        << Rules{rule("Sim", LINE, "main.py --track")}
        << Processes{{100,
                      1,
                      "/usr/bin/python3",
                      {"python3", "/opt/sim/main.py", "--track", "spa"}}}
        << Processes{} << QStringList{} << QStringList{"Sim"};
    const Rules steam{rule("Steam game", STEAM, "244210")};
    QTest::newRow("Steam id on the command line")
        << steam
        << Processes{{100,
                      1,
                      "/steam/reaper",
                      {"reaper", "SteamLaunch", "AppId=244210", "--", "g"}}}
        << Processes{} << QStringList{} << QStringList{"Steam game"};
    QTest::newRow("another Steam id")
        << steam << Processes{{100, 1, "/steam/reaper", {"reaper", "SteamLaunch", "AppId=2442100"}}}
        << Processes{} << QStringList{} << QStringList{};
    QTest::newRow("Steam id in the environment")
        << steam
        << Processes{{100,
                      1,
                      "/opt/game.bin",
                      {"game.bin"},
                      QByteArray("A=1\0SteamAppId=244210\0", 23)}}
        << Processes{} << QStringList{} << QStringList{"Steam game"};
    QTest::newRow("two games overlapping")
        << Rules{rule("Rally game", EXE, "rallygame"), rule("Drift", LINE, "drift --fast", "Drift")}
        << Processes{{100, 1, "/usr/games/rallygame", {"rallygame"}},
                     {101, 1, "/usr/games/drift", {"drift", "--fast"}}}
        << Processes{} << QStringList{} << QStringList{"Rally game", "Drift"};
    const QStringList launchForm{"/usr/libexec/kestrix/wheelconfig", "--profile", "Rally", "--",
                                 "rallygame"};
    QTest::newRow("the launch form's game, and the form itself")
        << Rules{rule("Rally game", LINE, "rallygame")}
        << Processes{{200, 1, "/usr/libexec/kestrix/wheelconfig", launchForm},
                     {201, 200, "/usr/games/rallygame", {"rallygame"}}}
        << Processes{} << QStringList{} << QStringList{};
    QTest::newRow("the launch form's game further down, through Steam's reaper")
        << rally
        << Processes{{200, 1, "/usr/libexec/kestrix/wheelconfig", launchForm},
                     {201, 200, "/steam/reaper", {"reaper", "SteamLaunch", "AppId=1"}},
                     {202, 201, "/usr/games/rallygame", {"rallygame"}}}
        << Processes{} << QStringList{} << QStringList{};
    // Between two looks: a pid used again, a zombie, an exec.
    const quint64 old = startedAt(100), young = startedAt(UPTIME_S - 1);
    const FakeProcess rallyOld{100, 1, "/usr/games/rallygame", {"rallygame"}, {}, old};
    const FakeProcess editorOld{100, 1, "/usr/bin/editor", {"editor"}, {}, old};
    QTest::newRow("pid used again by another program")
        << rally << Processes{rallyOld}
        << Processes{{100, 1, "/usr/bin/editor", {"editor"}, {}, young}}
        << QStringList{"Rally game"} << QStringList{};
    QTest::newRow("pid used again by the game")
        << rally << Processes{editorOld}
        << Processes{{100, 1, "/usr/games/rallygame", {"rallygame"}, {}, young}} << QStringList{}
        << QStringList{"Rally game"};
    QTest::newRow("a zombie has ended")
        << rally << Processes{rallyOld}
        << Processes{{100, 1, "/usr/games/rallygame", {}, {}, old, 'Z'}}
        << QStringList{"Rally game"} << QStringList{};
    QTest::newRow("exec after the first look")
        << rally
        << Processes{{100, 1, "/bin/dash", {"sh", "-c", "sleep 2.5; exec rallygame"}, {}, young}}
        << Processes{{100, 1, "/usr/games/rallygame", {"rallygame"}, {}, young}} << QStringList{}
        << QStringList{"Rally game"};
    QTest::newRow("an old process is not read again")
        << rally << Processes{editorOld}
        << Processes{{100, 1, "/usr/bin/editor", {"rallygame"}, {}, old}} << QStringList{}
        << QStringList{};
}

void WheelGamesTest::matcher()
{
    QFETCH(Rules, rules);
    QFETCH(Processes, processes);
    QFETCH(Processes, after);
    QFETCH(QStringList, first);
    QFETCH(QStringList, expected);
    StandInProc proc;
    for (const FakeProcess &process : processes)
        CHECKED(proc.add(process));
    ProcessScan scan(proc.path());
    scan.setGames(rules);
    QVector<int> counts = scan.look();
    if (!after.isEmpty()) {
        QCOMPARE(runningGames(rules, counts), first);
        for (const FakeProcess &process : after)
            CHECKED(proc.add(process, processes.first().started));
        counts = scan.look();
    }
    QCOMPARE(runningGames(rules, counts), expected);
}

void WheelGamesTest::stacking_data()
{
    // Steps: "+Rally game" starts a game's process, "-..." ends it, "file off" switches the
    // watch off in the file on disk. After each step: what the wheel holds.
    QTest::addColumn<QStringList>("steps");
    QTest::addColumn<QStringList>("held");
    QTest::newRow("the earlier game ends first")
        << QStringList{"+Rally game", "+Drift", "-Rally game", "-Drift"}
        << QStringList{"Rally", "Drift", "Drift", "before"};
    QTest::newRow("started together: the later-started one holds")
        << QStringList{"+Drift+Rally game", "-Rally game", "-Drift"}
        << QStringList{"Rally", "Drift", "before"};
    QTest::newRow("the file switched off by hand meanwhile")
        << QStringList{"+Rally game", "file off"} << QStringList{"Rally", "before"};
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
    openIfAbsent(device.entry);
    service.setConnection(device.entry.handle);
    auto wheelHolds = [&] {
        return service.heldProfile().isEmpty() ? QStringLiteral("before") : service.heldProfile();
    };
    GameWatch watch(service, proc.path());
    watch.setGames(GamesList{true, rules});
    for (int i = 0; i < steps.size(); ++i) {
        const QString &step = steps[i];
        if (step == QLatin1String("file off")) {
            CHECKED(writeFile(QStringLiteral("wheel_games.json"),
                              R"({"format": "kestrix-games", "version": 1, "enabled": false,
                "games": []})"));
            watch.look();
        } else {
            const QStringList names = step.mid(1).split(QLatin1Char('+'));
            for (int n = 0; n < names.size(); ++n) {
                const int pid = names[n] == QLatin1String("Drift") ? 101 : 100;
                // Each later than the one before it, in the order of the step.
                if (step.startsWith(QLatin1Char('+')))
                    CHECKED(proc.add({pid,
                                      1,
                                      "/usr/games/" + rules[pid - 100].pattern,
                                      {"g"},
                                      {},
                                      startedAt(100 + 10 * i + n)}));
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
    // A shell command, started as its own process; "%rally" is a copy of sleep named as the
    // bound game.
    QTest::addColumn<QString>("shell");
    QTest::addColumn<bool>("runningBefore");
    // Within how long of its start the game gets Rally, and (for a game that exits by itself
    // and stays a zombie) the settings from before come back after its exit; 0 where only
    // the outcome matters.
    QTest::addColumn<int>("promise");
    QTest::newRow("running when wheelconfig starts") << "exec %rally 60" << true << 0;
    QTest::newRow("exec'd by its wrapper after 2.5 s")
        << "sleep 2.5; exec %rally 60" << false << 5000;
    QTest::newRow("a zombie has ended") << "%rally 6 & echo $!; exec sleep 60" << false << 5000;
}

namespace
{
// A field of /proc/PID/stat after the name: 0 the state.
QByteArray statField(qint64 pid, int field)
{
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    const QByteArray text = stat.open(QIODevice::ReadOnly) ? stat.readAll() : QByteArray();
    return text.mid(text.lastIndexOf(')') + 2).split(' ').value(field);
}
} // namespace

void WheelGamesTest::realGameOnTheWheel()
{
    QFETCH(QString, shell);
    QFETCH(bool, runningBefore);
    QFETCH(int, promise);
#ifdef __SANITIZE_ADDRESS__
    // The promise is the normal build's: instrumented code runs several times slower.
    promise *= 3;
#endif
    // Three times what a quiet machine needs at most: a look every 2 s after a 2.5 s wrapper.
    constexpr int WAIT_MS = 15000;
    const QByteArray rally = profileBytes(33, 540);
    CHECKED(writeProfile(QStringLiteral("Rally"), rally));
    const QString rallyGame = ownGameName("rallygame");
    CHECKED(writeFile(QStringLiteral("wheel_games.json"),
                      QStringLiteral(R"({"format": "kestrix-games", "version": 1, "games": [
        {"name": "Rally game", "executable": "%1", "profile": "Rally"}]})")
                          .arg(rallyGame)
                          .toUtf8()));
    const QString game = workingDirectory->filePath(rallyGame);
    QVERIFY(QFile::copy(QStringLiteral("/bin/sleep"), game));
    const QByteArray before = wheelRecord(wheel);

    QProcess process;
    QElapsedTimer clock;
    auto startGame = [&] {
        process.start(
            QStringLiteral("/bin/sh"),
            {QStringLiteral("-c"), QString(shell).replace(QLatin1String("%rally"), game)});
        QVERIFY(process.waitForStarted());
        if (shell.startsWith(QLatin1String("exec "))) {
            // The game, not its shell, is what a look finds: on a busy machine the exec may
            // otherwise come after wheelconfig's first look.
            const QString exe = QStringLiteral("/proc/%1/exe").arg(process.processId());
            QTRY_VERIFY_WITH_TIMEOUT(QFile::symLinkTarget(exe).endsWith(QLatin1String("game")),
                                     WAIT_MS);
        }
        clock.start();
    };
    if (runningBefore)
        CHECKED(startGame());
    start();
    wheel->clearTransfers();
    if (!runningBefore)
        CHECKED(startGame());
    QTRY_COMPARE_WITH_TIMEOUT(hex(wheelRecord(wheel)), hex(withOwnBytes(rally, before)), WAIT_MS);
    if (promise)
        QVERIFY2(clock.elapsed() <= promise, qPrintable(QString::number(clock.elapsed())));
    QCOMPARE(takeWarnings(),
             QStringList{"Games: The profile \"Rally\" is applied for Rally game."});

    const QByteArray zombie = process.readLine().trimmed();
    if (!zombie.isEmpty()) {
        QTRY_COMPARE_WITH_TIMEOUT(statField(zombie.toLongLong(), 0), "Z", WAIT_MS);
        clock.start();
    } else {
        process.kill();
        QVERIFY(process.waitForFinished());
    }
    QTRY_COMPARE_WITH_TIMEOUT(hex(wheelRecord(wheel)), hex(before), WAIT_MS);
    if (!zombie.isEmpty())
        QVERIFY2(clock.elapsed() <= promise, qPrintable(QString::number(clock.elapsed())));
    QCOMPARE(takeWarnings().size(), 1);
    const auto t = wheel->transfers();
    // Two live applies, nothing made permanent.
    QCOMPARE(commands(t, CMD_WRITE_EFFECT_SETTINGS).size(), size_t(4));
    QCOMPARE(commands(t, CMD_SAVE_EFFECT_SETTINGS).size(), size_t(0));
    process.kill();
    process.waitForFinished();
}

// A misspelt switch is refused in the running program too: told once, the file kept.
void WheelGamesTest::badFileIsLeftAlone()
{
    const QByteArray bad = R"({"format": "kestrix-games", "version": 1, "enable": false,
        "games": [{"name": "G", "executable": "g", "profile": "P"}]})";
    CHECKED(writeFile(QStringLiteral("wheel_games.json"), bad));
    start();
    QTRY_COMPARE(window->trayMessages.size(), 1);
    QVERIFY(window->trayMessages.first().contains(QLatin1String("wheel_games.json")));
    QVERIFY(window->trayMessages.first().contains(QLatin1String(R"("enable")")));
    QTest::qWait(300);
    QCOMPARE(takeWarnings().size(), 1);
    QCOMPARE(readFile(QStringLiteral("wheel_games.json")), bad);
}

void WheelGamesTest::gamesWindow_data()
{
    // Steps: "pick NAME" a running process, "type NAME|KIND|RULE", "add", "remove", "off".
    QTest::addColumn<QStringList>("steps");
    QTest::addColumn<QString>("file"); // the games the file holds afterwards, or "none"
    QTest::addColumn<int>("warnings");
    QTest::newRow("picked from the running processes")
        << QStringList{"pick rallygame", "add"} << "rallygame:executable:rallygame:Rally" << 0;
    QTest::newRow("a Wine game picked by its .exe")
        << QStringList{"pick Drift.exe", "add"} << "Drift:executable:Drift.exe:Rally" << 0;
    QTest::newRow("typed command line") << QStringList{"type Sim|1|main.py --track", "add"}
                                        << "Sim:command_line:main.py --track:Rally" << 0;
    QTest::newRow("Steam id that is no number")
        << QStringList{"type G|2|abc", "add"} << "none" << 1;
    QTest::newRow("a name taken") << QStringList{"pick rallygame", "add", "pick rallygame", "add"}
                                  << "rallygame:executable:rallygame:Rally" << 1;
    QTest::newRow("removed") << QStringList{"pick rallygame", "add", "remove"} << "" << 0;
    QTest::newRow("switched off") << QStringList{"off"} << "off" << 0;
    QTest::newRow("switched off by a screen reader") << QStringList{"toggle"} << "off" << 0;
    QTest::newRow("profile changed in place")
        << QStringList{"pick rallygame", "add", "profile Snow"}
        << "rallygame:executable:rallygame:Snow" << 0;
    QTest::newRow("file changed on disk meanwhile")
        << QStringList{"pick rallygame", "edit on disk", "add"} << "Hand:executable:hand:Rally"
        << 1;
}

void WheelGamesTest::gamesWindow()
{
    QFETCH(QStringList, steps);
    QFETCH(QString, file);
    QFETCH(int, warnings);
    CHECKED(writeProfile(QStringLiteral("Rally"), profileBytes(33, 540)));
    CHECKED(writeProfile(QStringLiteral("Snow"), profileBytes(44, 900)));
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
        } else if (step == QLatin1String("toggle")) {
            QAccessibleInterface *box = QAccessible::queryAccessibleInterface(
                namedChild<QCheckBox>(&games, "enabledCheckBox"));
            QVERIFY(box && box->actionInterface());
            box->actionInterface()->doAction(QAccessibleActionInterface::toggleAction());
        } else if (step.startsWith(QLatin1String("profile"))) {
            auto *combo = qobject_cast<QComboBox *>(
                namedChild<QTableWidget>(&games, "gamesTable")->cellWidget(0, 2));
            QVERIFY(combo);
            combo->setCurrentText(step.mid(8));
            QTRY_COMPARE(GamesFile().load().list.games.value(0).profile, step.mid(8));
        } else if (step == QLatin1String("edit on disk")) {
            CHECKED(writeFile(QStringLiteral("wheel_games.json"),
                              R"({"format": "kestrix-games", "version": 1, "games": [
                {"name": "Hand", "executable": "hand", "profile": "Rally"}]})"));
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
        held << QStringList{game.name, GamesFile::kindKey(game.kind), game.pattern, game.profile}
                    .join(':');
    if (file == QLatin1String("none")) {
        QVERIFY(!QFile::exists(QStringLiteral("wheel_games.json")));
        return;
    }
    QCOMPARE(loaded.list.enabled, file != QLatin1String("off"));
    if (file != QLatin1String("off"))
        QCOMPARE(held.join(QLatin1Char(',')), file);
    // The watch is told what the window wrote; a file changed on disk it takes up itself.
    if (!steps.contains(QLatin1String("edit on disk"))) {
        QVERIFY(told.games == loaded.list.games);
        QCOMPARE(told.enabled, loaded.list.enabled);
    }
    // The window shows what the file holds.
    auto *table = namedChild<QTableWidget>(&games, "gamesTable");
    QCOMPARE(table->rowCount(), held.size());
    if (!held.isEmpty())
        QCOMPARE(table->item(0, 0)->text(), loaded.list.games.first().name);
}

QTEST_MAIN(WheelGamesTest)
#include "test_wheel_games.moc"
