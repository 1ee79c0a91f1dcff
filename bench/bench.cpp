// The benchmark's driver: runs the benchmark programs under valgrind's callgrind (offscreen,
// fixed hash seed, counted ticks) and natively for the transfers, prints the figures as
// Markdown tables with their ratios, and fails when a figure misses its goal; hwconfig's
// file-system calls while idle on the real bus, under strace.
//
//   kestrix-bench [--short]     (--short: fewer ticks and one run per start, for CI)

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QStringList>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace
{

constexpr double IDLE_TICK_GOAL = 1.5; // an idle state's tick against the busy state's
constexpr double START_GOAL = 1.1;     // a program's start against the bare window's
constexpr double NO_WINDOW_GOAL = 5.0; // a start that shows no window against a bare core's
constexpr int RUN_TIMEOUT_MS = 10 * 60 * 1000;
constexpr double LOOK_GOAL_MS = 1.0;    // a look of the game watch that finds nothing new
constexpr double IDLE_SHARE_GOAL = 0.1; // % of one core, wheelconfig idle with the watch on
constexpr double VIEW_SHARE_GOAL = 2.0;    // % of one core, the Live input window at 1 kHz
constexpr double COMMAND_SHARE_GOAL = 1.0; // % of one core, kestrix input at 1 kHz
constexpr int INPUT_SECONDS = 5;

struct Settings {
    int ticks = 200;
    int startRuns = 3; // the median is taken
    int looks = 200;
    int idleSeconds = 20;
    int straceSeconds = 10;
};

QStringList failures;

[[noreturn]] void fail(const QString &message)
{
    std::fprintf(stderr, "kestrix-bench: %s\n", qPrintable(message));
    std::exit(2);
}

// Where a program runs: the programs' directory, or one of the run's own with the
// channel's directory beside it.
struct Place {
    QString directory = QStringLiteral(KESTRIX_RUN_DIR);
    QString runtime; // XDG_RUNTIME_DIR, when set
};

QProcessEnvironment environment(const QString &simulated, const Place &place = {})
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.insert(QStringLiteral("QT_HASH_SEED"), QStringLiteral("0"));
    env.insert(QStringLiteral("LC_ALL"), QStringLiteral("C.UTF-8"));
    env.insert(QStringLiteral("KESTRIX_REFUSE_HARDWARE"), QStringLiteral("1"));
    env.insert(QStringLiteral("KESTRIX_SIMULATOR"), simulated);
    env.remove(QStringLiteral("KESTRIX_SIMULATOR_LOG"));
    if (!place.runtime.isEmpty())
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), place.runtime);
    return env;
}

// The benchmark's programs beside the driver; the programs themselves in their own directory.
QString programPath(const QString &name)
{
    const QString path = name.startsWith(QLatin1String("bench_"))
                             ? QDir(QCoreApplication::applicationDirPath()).filePath(name)
                             : QDir(QStringLiteral(KESTRIX_RUN_DIR)).filePath(name);
    if (!QFileInfo(path).isExecutable())
        fail(path + QStringLiteral(" is not built"));
    return path;
}

// Runs a benchmark program from the programs' directory; returns what it printed.
QByteArray run(const QString &program, const QStringList &arguments, const QString &simulated,
               const QStringList &valgrindOptions = {}, const Place &place = {})
{
    QProcess process;
    process.setWorkingDirectory(place.directory);
    process.setProcessEnvironment(environment(simulated, place));
    if (valgrindOptions.isEmpty()) {
        process.start(programPath(program), arguments);
    } else {
        process.start(QStringLiteral("valgrind"),
                      valgrindOptions + QStringList{programPath(program)} + arguments);
    }
    if (!process.waitForFinished(RUN_TIMEOUT_MS) || process.exitStatus() != QProcess::NormalExit ||
        process.exitCode() != 0)
        fail(QStringLiteral("%1 %2 failed:\n%3")
                 .arg(program, arguments.join(QLatin1Char(' ')),
                      QString::fromLocal8Bit(process.readAllStandardError())));
    return process.readAllStandardOutput() + process.readAllStandardError();
}

// Instructions that callgrind counted: from the program's start until it says the start is
// done, or only the ticks the program counts.
qint64 instructions(const QString &program, const QStringList &arguments, const QString &simulated,
                    bool fromStart, const Place &place = {})
{
    QStringList options{QStringLiteral("--tool=callgrind"),
                        QStringLiteral("--callgrind-out-file=/dev/null")};
    if (!fromStart)
        options << QStringLiteral("--instr-atstart=no");
    const QString output =
        QString::fromLocal8Bit(run(program, arguments, simulated, options, place));
    static const QRegularExpression collected(QStringLiteral("Collected\\s*:\\s*(\\d+)"));
    const QRegularExpressionMatch match = collected.match(output);
    if (!match.hasMatch())
        fail(QStringLiteral("no count from callgrind for %1:\n%2").arg(program, output));
    return match.captured(1).toLongLong();
}

qint64 startInstructions(const Settings &settings, const QString &program, const QString &simulated,
                         const QStringList &arguments = {QStringLiteral("start")},
                         const Place &place = {})
{
    std::vector<qint64> runs;
    for (int i = 0; i < settings.startRuns; ++i)
        runs.push_back(instructions(program, arguments, simulated, true, place));
    std::sort(runs.begin(), runs.end());
    return runs[runs.size() / 2];
}

qint64 tickInstructions(const Settings &settings, const QString &program, const QString &simulated,
                        bool select = false)
{
    QStringList arguments{QStringLiteral("ticks"), QString::number(settings.ticks)};
    if (select)
        arguments << QStringLiteral("select");
    return instructions(program, arguments, simulated, false) / settings.ticks;
}

QString grouped(qint64 value)
{
    QString digits = QString::number(value);
    for (int i = digits.size() - 3; i > 0; i -= 3)
        digits.insert(i, QLatin1Char(' '));
    return digits;
}

// A row with a ratio against `base` and the goal it must meet.
void ratioRow(const QString &what, qint64 value, qint64 base, double goal)
{
    const double ratio = base > 0 ? double(value) / double(base) : 0.0;
    if (goal <= 0) { // for comparison only
        std::printf("| %s | %s | %.2f | | |\n", qPrintable(what), qPrintable(grouped(value)),
                    ratio);
        return;
    }
    const bool met = base > 0 && ratio <= goal;
    std::printf("| %s | %s | %.2f | at most %.1f | %s |\n", qPrintable(what),
                qPrintable(grouped(value)), ratio, goal, met ? "met" : "MISSED");
    if (!met)
        failures << QStringLiteral("%1: %2 times, goal at most %3").arg(what).arg(ratio).arg(goal);
}

void baseRow(const QString &what, qint64 value)
{
    std::printf("| %s | %s | 1.00 | | |\n", qPrintable(what), qPrintable(grouped(value)));
}

void transferRows(const QString &program)
{
    const QString output = QString::fromLocal8Bit(run(program, {QStringLiteral("transfers")}, {}));
    static const QRegularExpression line(QStringLiteral("^transfers (.+)\\t(\\d+)\\t(\\d+)$"),
                                         QRegularExpression::MultilineOption);
    int rows = 0;
    for (auto it = line.globalMatch(output); it.hasNext(); ++rows) {
        const QRegularExpressionMatch m = it.next();
        const bool met = m.captured(2) == m.captured(3);
        std::printf("| %s | %s | %s | %s |\n", qPrintable(m.captured(1)), qPrintable(m.captured(2)),
                    qPrintable(m.captured(3)), met ? "met" : "MISSED");
        if (!met)
            failures << QStringLiteral("%1: %2 transfers, floor %3")
                            .arg(m.captured(1), m.captured(2), m.captured(3));
    }
    if (rows == 0)
        fail(QStringLiteral("%1 reported no transfers:\n%2").arg(program, output));
}

// wheelconfig's starts that show no window, the whole process each: a hand-over to a
// running wheelconfig, and a game's launch with none running.
void noWindowRows(const Settings &settings)
{
    const QString wheelconfig = QStringLiteral("wheelconfig");
    const QString wheel = QStringLiteral("wheel");
    QTemporaryDir work;
    QTemporaryDir runtime;
    if (!work.isValid() || !runtime.isValid() ||
        !QDir(work.path()).mkdir(QStringLiteral("wheel_profiles")))
        fail(QStringLiteral("no temporary directory"));
    QFile profile(work.filePath(QStringLiteral("wheel_profiles/Rally")));
    if (!profile.open(QIODevice::WriteOnly) ||
        profile.write(QByteArray::fromHex("102030ff050011123804131400000000000000000000")) != 22)
        fail(QStringLiteral("the profile could not be written"));
    profile.close();
    const Place launch{work.path(), runtime.path()};

    std::printf("\n| Start without a window (the whole process) | instructions | ratio | goal | |\n"
                "|---|---:|---:|---|---|\n");
    const qint64 bare = startInstructions(settings, QStringLiteral("bench_bare_core"), {}, {});
    baseRow(QStringLiteral("bare QCoreApplication program"), bare);
    ratioRow(QStringLiteral("wheelconfig --profile Rally -- true, none running"),
             startInstructions(settings, wheelconfig, wheel,
                               {QStringLiteral("--profile"), QStringLiteral("Rally"),
                                QStringLiteral("--"), QStringLiteral("true")},
                               launch),
             bare, NO_WINDOW_GOAL);

    // The running one, natively, on a channel of this run's own.
    QProcess running;
    running.setWorkingDirectory(work.path());
    running.setProcessEnvironment(environment(wheel, launch));
    running.start(programPath(wheelconfig), {});
    const QString socket = runtime.filePath(QStringLiteral("kestrix/wheelconfig-simulated.socket"));
    for (int i = 0; i < 200 && !QFileInfo::exists(socket); ++i)
        running.waitForFinished(50);
    if (!QFileInfo::exists(socket))
        fail(QStringLiteral("the running wheelconfig did not open its channel"));
    ratioRow(QStringLiteral("wheelconfig --profile Rally, handed over"),
             startInstructions(settings, wheelconfig, wheel,
                               {QStringLiteral("--profile"), QStringLiteral("Rally")}, launch),
             bare, NO_WINDOW_GOAL);
    running.kill();
    running.waitForFinished();
}

// Nanoseconds the process has run on a CPU, from the scheduler's own account.
qint64 cpuNanoseconds(qint64 pid)
{
    QFile schedstat(QStringLiteral("/proc/%1/schedstat").arg(pid));
    if (!schedstat.open(QIODevice::ReadOnly))
        fail(QStringLiteral("no CPU time of process %1").arg(pid));
    return schedstat.readAll().split(' ').value(0).toLongLong();
}

void goalRow(const QString &what, const QString &value, bool met, const QString &goal)
{
    std::printf("| %s | %s | %s | %s |\n", qPrintable(what), qPrintable(value), qPrintable(goal),
                met ? "met" : "MISSED");
    if (!met)
        failures << QStringLiteral("%1: %2, goal %3").arg(what, value, goal);
}

// The game watch: its looks over a stand-in /proc, natively in CPU time, and the running
// wheelconfig's share of one core while it watches and nothing happens.
void watchRows(const Settings &settings)
{
    std::printf("\n| Game watch (CPU time, natively) | time | goal | |\n|---|---:|---|---|\n");
    const QString output = QString::fromLocal8Bit(
        run(QStringLiteral("bench_watch"), {QString::number(settings.looks)}, {}));
    static const QRegularExpression line(QStringLiteral("^look (.+)\\t(\\d+)$"),
                                         QRegularExpression::MultilineOption);
    for (auto it = line.globalMatch(output); it.hasNext();) {
        const QRegularExpressionMatch m = it.next();
        const double ms = m.captured(2).toDouble() / 1e6;
        const QString what = QStringLiteral("one look over 500 processes, %1").arg(m.captured(1));
        const QString value = QStringLiteral("%1 ms").arg(ms, 0, 'f', 3);
        if (m.captured(1) == QLatin1String("none new"))
            goalRow(what, value, ms <= LOOK_GOAL_MS,
                    QStringLiteral("at most %1 ms").arg(LOOK_GOAL_MS));
        else
            std::printf("| %s | %s | | |\n", qPrintable(what), qPrintable(value));
    }

    // Two wheelconfigs side by side, each with a channel of its own, so that both see the
    // same load of the machine: one watches a bound game, the other has none to watch. The
    // goal is for what the watch adds; the program's own idle cost is the first row's.
    struct Idle {
        QTemporaryDir work;
        QTemporaryDir runtime;
        QProcess process;
        qint64 before = 0;
        double share = 0;
    } plain, watching;
    for (Idle *idle : {&plain, &watching}) {
        if (!idle->work.isValid() || !idle->runtime.isValid())
            fail(QStringLiteral("no temporary directory"));
        idle->process.setWorkingDirectory(idle->work.path());
        idle->process.setProcessEnvironment(
            environment(QStringLiteral("wheel"), Place{idle->work.path(), idle->runtime.path()}));
    }
    QFile games(watching.work.filePath(QStringLiteral("wheel_games.json")));
    if (!games.open(QIODevice::WriteOnly) ||
        games.write(R"({"format": "kestrix-games", "version": 1, "games": [)"
                    R"({"name": "Rally game", "executable": "rallygame", "profile": "Rally"}]})") <
            0)
        fail(QStringLiteral("the games file could not be written"));
    games.close();
    for (Idle *idle : {&plain, &watching}) {
        idle->process.start(programPath(QStringLiteral("wheelconfig")), {});
        if (!idle->process.waitForStarted())
            fail(QStringLiteral("wheelconfig did not start"));
    }
    watching.process.waitForFinished(3000); // the starts are no part of the idle time
    for (Idle *idle : {&plain, &watching}) {
        if (idle->process.state() != QProcess::Running)
            fail(QStringLiteral("wheelconfig ended at once"));
        idle->before = cpuNanoseconds(idle->process.processId());
    }
    QElapsedTimer wall;
    wall.start();
    watching.process.waitForFinished(settings.idleSeconds * 1000);
    for (Idle *idle : {&plain, &watching}) {
        const qint64 used = cpuNanoseconds(idle->process.processId()) - idle->before;
        idle->share = 100.0 * double(used) / double(wall.nsecsElapsed());
        idle->process.kill();
        idle->process.waitForFinished();
    }
    const auto percent = [](double share) {
        return QStringLiteral("%1 % of one core").arg(share, 0, 'f', 3);
    };
    std::printf("| wheelconfig idle, wheel connected, no game bound (%d s) | %s | | |\n",
                settings.idleSeconds, qPrintable(percent(plain.share)));
    std::printf("| wheelconfig idle, wheel connected, the watch on (%d s) | %s | | |\n",
                settings.idleSeconds, qPrintable(percent(watching.share)));
    const double added = std::max(0.0, watching.share - plain.share);
    goalRow(QStringLiteral("what the watch adds to wheelconfig's idle"), percent(added),
            added < IDLE_SHARE_GOAL, QStringLiteral("under %1 %").arg(IDLE_SHARE_GOAL));
}

// Following the input at 1,000 reports a second: the window and the command, natively.
void inputRows()
{
    std::printf("\n| Following the input (1,000 reports a second, %d s; CPU time of the main "
                "thread, natively) | time | goal | |\n|---|---:|---|---|\n",
                INPUT_SECONDS);
    const QString seconds = QString::number(INPUT_SECONDS);
    // The figures are the first line; what Qt says on the error output follows it.
    const auto figures = [&](const QString &mode) {
        return run(QStringLiteral("bench_input"), {mode, seconds}, {})
            .split('\n')
            .value(0)
            .trimmed()
            .split('\t');
    };
    const QList<QByteArray> view = figures(QStringLiteral("view"));
    const QList<QByteArray> command = figures(QStringLiteral("command"));
    if (view.size() != 4 || command.size() != 3)
        fail(QStringLiteral("bench_input printed no figures"));
    const auto percent = [](double share) {
        return QStringLiteral("%1 % of one core").arg(share, 0, 'f', 3);
    };
    const double viewShare = view[1].toDouble();
    goalRow(QStringLiteral("Live input window, shown (%1 repaints)").arg(QString::fromLatin1(view[3])),
            percent(viewShare), viewShare < VIEW_SHARE_GOAL,
            QStringLiteral("under %1 %").arg(VIEW_SHARE_GOAL));
    const double commandShare = command[1].toDouble();
    goalRow(QStringLiteral("kestrix input joystick (%1 reports)").arg(QString::fromLatin1(command[2])),
            percent(commandShare), commandShare < COMMAND_SHARE_GOAL,
            QStringLiteral("under %1 %").arg(COMMAND_SHARE_GOAL));
}

// The family's vendor, as sysfs spells it.
constexpr char FAMILY_VENDOR[] = "045b";
// Seconds hwconfig runs before its system calls count: the start is no part of idle.
constexpr int SYSCALL_WARM_UP_S = 3;
constexpr double IDLE_FILE_CALLS_GOAL = 5.0; // a second, with udev running
// The folders that the two searches (the hidraw bus's and presence's) list, one listing each.
const QStringList SEARCH_FOLDERS{QStringLiteral("/sys/class/hidraw"),
                                 QStringLiteral("/sys/bus/usb/devices")};

bool familyPluggedIn()
{
    const QDir devices(QStringLiteral("/sys/bus/usb/devices"));
    for (const QString &name : devices.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile vendor(devices.filePath(name + QStringLiteral("/idVendor")));
        if (vendor.open(QIODevice::ReadOnly) && vendor.readAll().trimmed() == FAMILY_VENDOR)
            return true;
    }
    return false;
}

// One line per system call of strace -f -ttt: pid, time, the call. Resumed halves of a call
// that another thread interrupted start with "<..." and do not match, so each counts once.
struct TracedCall {
    double time;
    QString name;
    QString arguments;
};
std::vector<TracedCall> tracedCalls(const QString &path)
{
    std::vector<TracedCall> calls;
    QFile trace(path);
    if (!trace.open(QIODevice::ReadOnly))
        return calls;
    static const QRegularExpression line(QStringLiteral("^\\d+\\s+(\\d+\\.\\d+) (\\w+)\\((.*)$"));
    while (!trace.atEnd()) {
        const QRegularExpressionMatch m = line.match(QString::fromLocal8Bit(trace.readLine()));
        if (m.hasMatch())
            calls.push_back({m.captured(1).toDouble(), m.captured(2), m.captured(3)});
    }
    return calls;
}

// hwconfig idle on the real Linux bus with nothing of the family plugged in: its file-system
// calls counted by strace. Without KESTRIX_REFUSE_HARDWARE, which would keep presence from
// looking at all; a plugged-in controller of the family is left alone and nothing measured.
void fileCallRows(const Settings &settings)
{
    const bool udevRuns = QFileInfo::exists(QStringLiteral("/run/udev/control"));
    std::printf("\n| hwconfig idle, nothing plugged in, real bus (%s; strace, %d s) | a second | "
                "goal | |\n|---|---:|---|---|\n",
                udevRuns ? "udev running" : "without udev", settings.straceSeconds);
    const auto notMeasured = [](const QString &why) {
        std::printf("| file-system calls | not measured: %s | | |\n", qPrintable(why));
    };
    if (QStandardPaths::findExecutable(QStringLiteral("strace")).isEmpty())
        return notMeasured(QStringLiteral("strace is not installed"));
    if (familyPluggedIn())
        return notMeasured(QStringLiteral("a controller of the family is plugged in"));

    QTemporaryDir work;
    QTemporaryDir runtime;
    if (!work.isValid() || !runtime.isValid())
        fail(QStringLiteral("no temporary directory"));
    const QString tracePath = work.filePath(QStringLiteral("trace"));
    QProcessEnvironment env = environment({}, Place{work.path(), runtime.path()});
    env.remove(QStringLiteral("KESTRIX_REFUSE_HARDWARE"));
    env.remove(QStringLiteral("KESTRIX_SIMULATOR"));
    QProcess process;
    process.setWorkingDirectory(work.path());
    process.setProcessEnvironment(env);
    // timeout ends strace and the program it runs together.
    process.start(QStringLiteral("timeout"),
                  {QStringLiteral("-s"), QStringLiteral("INT"),
                   QString::number(SYSCALL_WARM_UP_S + settings.straceSeconds + 1),
                   QStringLiteral("strace"), QStringLiteral("-f"), QStringLiteral("-qq"),
                   QStringLiteral("-ttt"), QStringLiteral("-e"),
                   QStringLiteral("trace=%file,getdents64"), QStringLiteral("-o"), tracePath,
                   programPath(QStringLiteral("hwconfig"))});
    if (!process.waitForFinished(RUN_TIMEOUT_MS))
        fail(QStringLiteral("strace of hwconfig did not end"));
    const std::vector<TracedCall> calls = tracedCalls(tracePath);
    if (calls.empty()) // no ptrace here (a container without the capability, a policy)
        return notMeasured(QStringLiteral("strace could not trace: ") +
                           QString::fromLocal8Bit(process.readAllStandardError())
                               .section(QLatin1Char('\n'), 0, 0)
                               .trimmed());
    if (process.exitCode() != 124)
        fail(QStringLiteral("hwconfig ended before its idle was measured:\n%1")
                 .arg(QString::fromLocal8Bit(process.readAllStandardError())));

    const double from = calls.front().time + SYSCALL_WARM_UP_S;
    const double to = from + settings.straceSeconds;
    int fileCalls = 0;
    std::vector<int> searches(SEARCH_FOLDERS.size(), 0);
    for (const TracedCall &call : calls) {
        if (call.time < from || call.time >= to)
            continue;
        ++fileCalls;
        for (int i = 0; i < SEARCH_FOLDERS.size(); ++i) {
            if (call.name.startsWith(QLatin1String("open")) &&
                call.arguments.contains(QLatin1Char('"') + SEARCH_FOLDERS[i] + QLatin1Char('"')))
                ++searches[i];
        }
    }
    const auto perSecond = [&](int count) {
        return QString::number(double(count) / settings.straceSeconds, 'f', 1);
    };
    const QString what = QStringLiteral("file-system calls (%file, getdents64)");
    if (udevRuns)
        goalRow(what, perSecond(fileCalls), fileCalls <= IDLE_FILE_CALLS_GOAL * settings.straceSeconds,
                QStringLiteral("at most %1").arg(IDLE_FILE_CALLS_GOAL));
    else
        std::printf("| %s | %s | | |\n", qPrintable(what), qPrintable(perSecond(fileCalls)));
    // With udev a search waits for an announcement, and none comes while nothing is plugged.
    for (int i = 0; i < SEARCH_FOLDERS.size(); ++i)
        goalRow(QStringLiteral("searches (listings of %1)").arg(SEARCH_FOLDERS[i]),
                perSecond(searches[i]),
                udevRuns ? searches[i] == 0 : searches[i] <= settings.straceSeconds,
                udevRuns ? QStringLiteral("none") : QStringLiteral("at most 1"));
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication application(argc, argv);
    Settings settings;
    const QStringList arguments = application.arguments().mid(1);
    if (arguments == QStringList{QStringLiteral("--short")}) {
        settings.ticks = 50;
        settings.startRuns = 1;
        settings.looks = 50;
        settings.idleSeconds = 5;
        settings.straceSeconds = 5;
    } else if (!arguments.isEmpty()) {
        std::fprintf(stderr, "usage: kestrix-bench [--short]\n");
        return 2;
    }
    if (QStandardPaths::findExecutable(QStringLiteral("valgrind")).isEmpty())
        fail(QStringLiteral("valgrind is not installed"));

    const QString hwconfig = QStringLiteral("bench_hwconfig");
    const QString wheelconfig = QStringLiteral("bench_wheelconfig");
    const QString two = QStringLiteral("joystick,wheel");
    const QString wheel = QStringLiteral("wheel");
    const QString none;

    // Once natively first, so that caches (fontconfig's) are built outside the counts.
    for (const QString &program : {hwconfig, wheelconfig, QStringLiteral("bench_bare_hwconfig"),
                                   QStringLiteral("bench_bare_wheelconfig")})
        run(program, {QStringLiteral("start")}, two);

    std::printf("Instructions counted by valgrind's callgrind on the offscreen platform; idle "
                "ticks: the mean of %d ticks; starts: %s.\n\n",
                settings.ticks,
                settings.startRuns > 1
                    ? qPrintable(QStringLiteral("the median of %1 runs").arg(settings.startRuns))
                    : "one run");

    std::printf("| Idle tick (100 ms poll) | instructions | ratio | goal | |\n"
                "|---|---:|---:|---|---|\n");
    const qint64 selected = tickInstructions(settings, hwconfig, two, true);
    baseRow(QStringLiteral("hwconfig, joystick and wheel, joystick selected"), selected);
    ratioRow(QStringLiteral("hwconfig, joystick and wheel, nothing selected"),
             tickInstructions(settings, hwconfig, two), selected, IDLE_TICK_GOAL);
    const qint64 noController = tickInstructions(settings, hwconfig, none);
    ratioRow(QStringLiteral("hwconfig, no controller, nothing selected"), noController, selected,
             IDLE_TICK_GOAL);
    const qint64 connected = tickInstructions(settings, wheelconfig, wheel);
    baseRow(QStringLiteral("wheelconfig, wheel connected"), connected);
    ratioRow(QStringLiteral("wheelconfig, no wheel"), tickInstructions(settings, wheelconfig, none),
             connected, IDLE_TICK_GOAL);

    // What the poll adds to a tick at all: against the same forms with a timer that does
    // nothing, idle with nothing to find.
    std::printf("\n| Idle tick against a bare window (its 100 ms timer does nothing) | "
                "instructions | ratio | goal | |\n|---|---:|---:|---|---|\n");
    const qint64 bareTick = tickInstructions(settings, QStringLiteral("bench_bare_hwconfig"), none);
    baseRow(QStringLiteral("bare window with hwconfig's forms"), bareTick);
    ratioRow(QStringLiteral("hwconfig, no controller, nothing selected"), noController, bareTick,
             IDLE_TICK_GOAL);

    // The goal is to the first frame, what the user waits for; settled, the bare window
    // may paint more often than a program, which would flatter the program.
    for (const bool frame : {true, false}) {
        std::printf(frame ? "\n| Start (until the window's first frame) | instructions | ratio | "
                            "goal | |\n|---|---:|---:|---|---|\n"
                          : "\n| Start (until the window is shown and settled) | instructions | "
                            "ratio | goal | |\n|---|---:|---:|---|---|\n");
        const QStringList start = frame ? QStringList{QStringLiteral("start"), QStringLiteral("frame")}
                                        : QStringList{QStringLiteral("start")};
        const double goal = frame ? START_GOAL : 0;
        const qint64 bareHwconfig =
            startInstructions(settings, QStringLiteral("bench_bare_hwconfig"), two, start);
        baseRow(QStringLiteral("bare window with hwconfig's forms"), bareHwconfig);
        ratioRow(QStringLiteral("hwconfig, joystick and wheel"),
                 startInstructions(settings, hwconfig, two, start), bareHwconfig, goal);
        const qint64 bareWheelconfig =
            startInstructions(settings, QStringLiteral("bench_bare_wheelconfig"), wheel, start);
        baseRow(QStringLiteral("bare window with wheelconfig's forms"), bareWheelconfig);
        ratioRow(QStringLiteral("wheelconfig, wheel connected"),
                 startInstructions(settings, wheelconfig, wheel, start), bareWheelconfig, goal);
    }

    noWindowRows(settings);
    watchRows(settings);
    inputRows();
    fileCallRows(settings);

    std::printf("\n| Operation | transfers | floor | |\n|---|---:|---:|---|\n");
    transferRows(hwconfig);
    transferRows(wheelconfig);

    if (!failures.isEmpty()) {
        std::printf("\nGoals missed:\n");
        for (const QString &failure : std::as_const(failures))
            std::printf("- %s\n", qPrintable(failure));
        return 1;
    }
    std::printf("\nEvery goal met.\n");
    return 0;
}
