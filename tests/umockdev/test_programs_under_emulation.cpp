// The built programs, started as users start them, with their default USB bus against
// simulated controllers on emulated usbfs device nodes. Everything is checked from the
// device side: which transfers reached which controller, on which device node, and when.

#include "carried_bytes.h"
#include "effect_settings_record.h"
#include "kestrix_protocol.h"
#include "simulator_log.h"
#include "test_support.h"
#include "usb_testbed.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QtTest>

#include <algorithm>
#include <limits>

Q_DECLARE_METATYPE(ControllerKind)
Q_DECLARE_METATYPE(std::vector<ControllerKind>)
Q_DECLARE_METATYPE(std::vector<int>)

namespace
{

constexpr int POLL_MS = 100;
// Probes in a window of `ms`: the poll runs every 100 ms; a loaded machine delays single
// ticks, and the timer catches up.
bool aboutEvery100Ms(size_t probes, int ms)
{
    const double expected = double(ms) / POLL_MS;
    return probes >= expected * 0.6 && probes <= expected * 1.3 + 1;
}

bool isProbe(const SimTransfer &t)
{
    return t.isGetReport(REPORT_DEVICE_INFO) && t.index == 0 && t.length == RECEIVE_BUFFER_SIZE;
}

// The transfers from `from` until `to`.
std::vector<SimTransfer> between(const std::vector<SimTransfer> &transfers, int64_t from,
                                 int64_t to = std::numeric_limits<int64_t>::max())
{
    std::vector<SimTransfer> out;
    std::copy_if(transfers.begin(), transfers.end(), std::back_inserter(out),
                 [=](const SimTransfer &t) { return t.ms >= from && t.ms < to; });
    return out;
}

size_t countProbes(const std::vector<SimTransfer> &transfers)
{
    return std::count_if(transfers.begin(), transfers.end(), isProbe);
}

// Lets each device be probed `count` times from `from` (bound: three times what the poll
// needs), and returns when it was, to measure the rate against.
int64_t afterProbes(const std::vector<SimulatedController *> &devices, int64_t from, size_t count)
{
    // A wait that runs out leaves the caller's rate check to fail with the numbers.
    [[maybe_unused]] const bool probed = QTest::qWaitFor(
        [&] {
            return std::all_of(devices.begin(), devices.end(), [&](SimulatedController *d) {
                return countProbes(between(d->transfers(), from)) >= count;
            });
        },
        int(3 * count * POLL_MS));
    return simulatorClockMs();
}

QString list(const std::vector<SimTransfer> &transfers)
{
    return describe(transfers).join(QLatin1Char('\n'));
}

// A connection seen from the device: probes, and each of `reads` exactly once, after the
// first probe, since that probe is what tells the program the device is there.
QString checkConnection(const std::vector<SimTransfer> &transfers, const std::vector<int> &reads)
{
    if (transfers.empty() || !isProbe(transfers.front()))
        return QStringLiteral("does not start with a probe:\n") + list(transfers);
    for (int reportId : reads) {
        const size_t count = getReports(transfers, static_cast<uint8_t>(reportId)).size();
        if (count != 1)
            return QStringLiteral("report 0x%1 read %2 times:\n").arg(reportId, 0, 16).arg(count) +
                   list(transfers);
    }
    for (const SimTransfer &t : transfers) {
        const bool expected =
            isProbe(t) || (t.requestType == HID_REQUEST_TYPE_IN && t.request == HID_GET_REPORT &&
                           std::count(reads.begin(), reads.end(), t.value & 0xFF) == 1 &&
                           (t.value & 0xFF00) == HID_REPORT_TYPE_FEATURE && t.index == 0 &&
                           t.length == RECEIVE_BUFFER_SIZE);
        if (!expected)
            return QStringLiteral("unexpected transfer:\n") + list(transfers);
        if (t.result < 0)
            return QStringLiteral("failed transfer:\n") + list(transfers);
    }
    return QString();
}

#ifdef KESTRIX_HAVE_WHEELCONFIG
// The record of the one live apply that `sent` holds (a read of report 0x22, then the two
// packets of command 18), or the transfers that went instead.
QString oneLiveApply(const std::vector<SimTransfer> &sent)
{
    const auto packets = commands(sent, CMD_WRITE_EFFECT_SETTINGS);
    if (sent.size() != 3 || getReports(sent, REPORT_EFFECT_SETTINGS).size() != 1 ||
        packets.size() != 2)
        return list(sent);
    return hex(toBytes(packets[1].data).mid(CHUNK_DATA_OFFSET, 22));
}
#endif

} // namespace

class ProgramsUnderEmulationTest : public UsbTestbedTest
{
    Q_OBJECT

private slots:
    // The program goes before the testbed it runs on.
    void cleanup()
    {
        running.stop();
        UsbTestbedTest::cleanup();
    }

    void pollFollowsPlugging_data();
    void pollFollowsPlugging();
#ifdef KESTRIX_HAVE_WHEELCONFIG
    void launchForm_data();
    void launchForm();
#endif

private:
    RunningProgram running;
};

// Each program with what it watches and what it reads once when a device connects.
// plugged: on the bus; watched: the devices the program polls (the rest must see nothing);
// reads: reports read once on every connection; replugged: the device unplugged and back.
void ProgramsUnderEmulationTest::pollFollowsPlugging_data()
{
    QTest::addColumn<QString>("program");
    QTest::addColumn<std::vector<ControllerKind>>("plugged");
    QTest::addColumn<std::vector<ControllerKind>>("watched");
    QTest::addColumn<std::vector<int>>("reads");
    QTest::addColumn<ControllerKind>("replugged");

    using K = ControllerKind;
    const std::vector<K> all{K::Generic, K::Joystick, K::Rudder, K::Wheel};
    QTest::newRow("hwconfig") << "hwconfig" << all << all << std::vector<int>{} << K::Joystick;
#ifdef KESTRIX_HAVE_WHEELCONFIG
    QTest::newRow("wheelconfig") << "wheelconfig" << std::vector<K>{K::Joystick, K::Wheel}
                                 << std::vector<K>{K::Wheel}
                                 << std::vector<int>{REPORT_EFFECT_SETTINGS} << K::Wheel;
#endif
}

void ProgramsUnderEmulationTest::pollFollowsPlugging()
{
    QFETCH(QString, program);
    QFETCH(std::vector<ControllerKind>, plugged);
    QFETCH(std::vector<ControllerKind>, watched);
    QFETCH(std::vector<int>, reads);
    QFETCH(ControllerKind, replugged);

    std::vector<SimulatedController *> watchedDevices;
    std::vector<SimulatedController *> ignoredDevices;
    SimulatedController *moving = nullptr;
    for (ControllerKind kind : plugged) {
        SimulatedController *controller = bed->add(kind);
        const bool isWatched = std::count(watched.begin(), watched.end(), kind) > 0;
        (isWatched ? watchedDevices : ignoredDevices).push_back(controller);
        if (kind == replugged)
            moving = controller;
    }
    QVERIFY(moving);

    const QString directory = QStringLiteral(KESTRIX_PROGRAM_DIR);
    QVERIFY(running.start(QDir(directory).filePath(program), {}, directory,
                          UsbTestbed::programEnvironment()));
    for (SimulatedController *device : watchedDevices)
        QTRY_VERIFY_WITH_TIMEOUT(!device->transfers().empty(), 15000);

    // Idle: probes about every 100 ms, the connection's reads once, nothing else.
    const int64_t idleFrom = simulatorClockMs();
    const int64_t idleUntil = afterProbes(watchedDevices, idleFrom, 20);
    QVERIFY2(running.isRunning(), qPrintable(running.exitDescription()));
    for (SimulatedController *device : watchedDevices) {
        const QString fault = checkConnection(device->transfers(), reads);
        QVERIFY2(fault.isEmpty(), qPrintable(fault));
        const size_t probes = countProbes(between(device->transfers(), idleFrom, idleUntil));
        QVERIFY2(aboutEvery100Ms(probes, int(idleUntil - idleFrom)),
                 qPrintable(QString::number(probes)));
    }
    for (SimulatedController *device : ignoredDevices) {
        QVERIFY(device->transfers().empty());
        QCOMPARE(bed->activity(device).back().opens, 0);
    }

    // Unplugged: nothing reaches it, the program lets go of the old node, the others are
    // still probed.
    const QString oldNode = bed->deviceNode(moving);
    const int64_t absentFrom = simulatorClockMs();
    bed->unplug(moving);
    // Counted once the node is gone: a probe may have been on the wire until then.
    const size_t beforeUnplug = moving->transfers().size();
    QTRY_COMPARE_WITH_TIMEOUT(bed->activity(moving).back().openNow, 0, 2000);
    std::vector<SimulatedController *> others = watchedDevices;
    others.erase(std::remove(others.begin(), others.end(), moving), others.end());
    const int64_t absentUntil = afterProbes(others, absentFrom, 10);
    QCOMPARE(moving->transfers().size(), beforeUnplug);
    for (SimulatedController *device : others) {
        const size_t probes = countProbes(between(device->transfers(), absentFrom, absentUntil));
        QVERIFY2(aboutEvery100Ms(probes, int(absentUntil - absentFrom)),
                 qPrintable(QString::number(probes)));
    }

    // Plugged back on a new device number: found again by the next search, and connected
    // afresh. No udev daemon runs here, so the bus is searched once a second, and the tick
    // after that search may come late on a loaded machine.
    const int64_t backFrom = simulatorClockMs();
    bed->plug(moving);
    const QString newNode = bed->deviceNode(moving);
    QVERIFY(newNode != oldNode);
    QTRY_VERIFY_WITH_TIMEOUT(!between(moving->transfers(), backFrom).empty(), 3000);
    const int64_t foundAfter = between(moving->transfers(), backFrom).front().ms - backFrom;
    QVERIFY2(foundAfter < 1500, qPrintable(QString::number(foundAfter)));
    const int64_t now = afterProbes({moving}, backFrom + foundAfter, 10);
    const auto afterReplug = between(moving->transfers(), backFrom, now);
    const QString fault = checkConnection(afterReplug, reads);
    QVERIFY2(fault.isEmpty(), qPrintable(fault));
    QVERIFY2(aboutEvery100Ms(countProbes(afterReplug), int(now - backFrom - foundAfter)),
             qPrintable(list(afterReplug)));
    // Everything before the unplug went through the old node, everything since through the
    // new one (the program keeps probing, so the new node may be a transfer ahead by now).
    const auto nodes = bed->activity(moving);
    QCOMPARE(nodes.size(), size_t(2));
    QCOMPARE(nodes.front().submitted, int(beforeUnplug));
    QCOMPARE(nodes.back().node, newNode);
    QCOMPARE(nodes.back().opens, 1);
    QVERIFY(nodes.back().submitted >= int(afterReplug.size()));
    for (SimulatedController *device : ignoredDevices)
        QVERIFY(device->transfers().empty());
    QVERIFY2(running.isRunning(), qPrintable(running.exitDescription()));
}

#ifdef KESTRIX_HAVE_WHEELCONFIG
void ProgramsUnderEmulationTest::launchForm_data()
{
    QTest::addColumn<bool>("withInstance");
    QTest::newRow("wheelconfig running") << true;
    QTest::newRow("no wheelconfig running") << false;
}

// A game's launch options on the real libusb path: the profile reaches the wheel before the
// command runs and the settings from before after it; with a wheelconfig running, only that
// one opens the wheel, and without one the launch opens it twice and never polls.
void ProgramsUnderEmulationTest::launchForm()
{
    QFETCH(bool, withInstance);
    SimulatedController *wheel = bed->add(ControllerKind::Wheel);
    QTemporaryDir work;
    QVERIFY(QDir(work.path()).mkdir(QStringLiteral("wheel_profiles")));
    const QByteArray rally = QByteArray::fromHex("102030ff050011123804131400000000000000000000");
    QFile profile(work.filePath(QStringLiteral("wheel_profiles/Rally")));
    QVERIFY(profile.open(QIODevice::WriteOnly) && profile.write(rally) == rally.size());
    profile.close();
    const QString program = QStringLiteral(KESTRIX_PROGRAM_DIR "/wheelconfig");
    const auto environment = UsbTestbed::programEnvironment();
    if (withInstance) {
        QVERIFY(running.start(program, {}, work.path(), environment));
        QTRY_VERIFY_WITH_TIMEOUT(!getReports(wheel->transfers(), REPORT_EFFECT_SETTINGS).empty(),
                                 15000);
    }
    const QByteArray own =
        toBytes(wheel->report(REPORT_EFFECT_SETTINGS)).left(EFFECT_SETTINGS_RECORD_SIZE);
    const size_t before = wheel->transfers().size();

    RunningProgram launch;
    const QString command = QStringLiteral(
        "touch ran; n=0; while [ ! -e go ] && [ $n -lt 1000 ]; do sleep 0.02; n=$((n+1)); done; "
        "exit 7");
    QVERIFY(launch.start(program, {"--profile", "Rally", "--", "sh", "-c", command}, work.path(),
                         environment));
    QTRY_VERIFY_WITH_TIMEOUT(QFileInfo::exists(work.filePath(QStringLiteral("ran"))), 20000);
    const size_t during = wheel->transfers().size();
    QVERIFY(QFile(work.filePath(QStringLiteral("go"))).open(QIODevice::WriteOnly));
    QTRY_VERIFY_WITH_TIMEOUT(!launch.isRunning(), 20000);
    QCOMPARE(launch.exitDescription(), QStringLiteral("exited with 7"));

    const auto transfers = wheel->transfers();
    const auto first = transfers.begin();
    QByteArray applied = rally;
    for (int offset : carriedOffsets(effectSettingsTable()))
        applied[offset] = own[offset];
    QCOMPARE(oneLiveApply(withoutProbes({first + long(before), first + long(during)})),
             hex(applied));
    QCOMPARE(oneLiveApply(withoutProbes({first + long(during), transfers.end()})), hex(own));
    QCOMPARE(bed->activity(wheel).back().opens, withInstance ? 1 : 2);
    if (!withInstance)
        QCOMPARE(countProbes(transfers), size_t(0));
}
#endif

KESTRIX_UMOCKDEV_TEST_MAIN(ProgramsUnderEmulationTest)
#include "test_programs_under_emulation.moc"
