// The "Simulated controllers" window: what its controls make the controllers answer, the
// transfers it lists, when it opens, and what assistive technology meets in it.

#include "accessibility_checks.h"
#include "kestrix_protocol.h"
#include "simulator_log.h"
#include "simulator_panel.h"
#include "simulated_input.h"
#include "test_support.h"
#include "transport.h"

#include <QCheckBox>
#include <QElapsedTimer>
#include <QPlainTextEdit>
#include <QScreen>
#include <QSpinBox>
#include <QtTest>

#include <thread>

Q_DECLARE_METATYPE(ControllerKind)

namespace
{

struct Answer {
    int result;
    qint64 ms;
};

Answer readReport(SimulatedController *c, uint8_t reportId, unsigned timeoutMs = 300)
{
    unsigned char buffer[RECEIVE_BUFFER_SIZE] = {};
    QElapsedTimer clock;
    clock.start();
    const int result =
        c->controlTransfer(HID_REQUEST_TYPE_IN, HID_GET_REPORT, HID_REPORT_TYPE_FEATURE | reportId,
                           HID_INTERFACE, buffer, RECEIVE_BUFFER_SIZE, timeoutMs);
    return {result > 0 && reportId == REPORT_STATUS ? buffer[0] : result, clock.elapsed()};
}

int sendSave(SimulatedController *c)
{
    unsigned char packet[COMMAND_PACKET_SIZE];
    initCommandPacket(packet, CMD_SAVE_EFFECT_SETTINGS);
    return c->controlTransfer(HID_REQUEST_TYPE_OUT, HID_SET_REPORT,
                              HID_REPORT_TYPE_FEATURE | REPORT_COMMAND, HID_INTERFACE, packet,
                              COMMAND_PACKET_SIZE, TRANSFER_TIMEOUT_MS);
}

QStringList listed(const SimulatorPanel &panel)
{
    return namedChild<QPlainTextEdit>(&panel, "transfer_list")
        ->toPlainText()
        .split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

} // namespace

class SimulatorPanelTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { quietOffscreenPopups(); }
    void cleanup() { qunsetenv("KESTRIX_SIMULATOR_PANEL"); }

    void controlsChangeTheAnswers_data();
    void controlsChangeTheAnswers();
    void staysBusyUntilCleared();
    void recentTransfersNewestLast();
    void opensOnlyOnRequest_data();
    void opensOnlyOnRequest();
    void everyControlIsNamed();
};

void SimulatorPanelTest::controlsChangeTheAnswers_data()
{
    QTest::addColumn<ControllerKind>("kind");
    QTest::addColumn<QString>("control"); // object name
    QTest::addColumn<int>("report");
    QTest::addColumn<int>("result"); // while the control is on
    QTest::addColumn<int>("minMs");  // the transfer takes at least this long while on

    QTest::newRow("unplugged") << ControllerKind::Joystick << "joystick_plugged_in"
                               << int(REPORT_DEVICE_INFO) << int(USB_ERROR_NO_DEVICE) << 0;
    // The rudder was not on the bus: it starts unplugged.
    QTest::newRow("plugged in") << ControllerKind::Rudder << "rudder_plugged_in"
                                << int(REPORT_DEVICE_INFO) << 16 << 0;
    QTest::newRow("fails transfers") << ControllerKind::Wheel << "wheel_fails_transfers"
                                     << int(REPORT_EFFECT_SETTINGS) << int(USB_ERROR_IO) << 0;
    QTest::newRow("times out") << ControllerKind::Generic << "generic_times_out"
                               << int(REPORT_DEVICE_INFO) << int(USB_ERROR_TIMEOUT) << 300;
    QTest::newRow("short hardware record") << ControllerKind::Joystick << "joystick_short_reports"
                                           << int(REPORT_HARDWARE_SETTINGS) << 60 << 0;
    QTest::newRow("short device information")
        << ControllerKind::Wheel << "wheel_short_reports" << int(REPORT_DEVICE_INFO) << 8 << 0;
    QTest::newRow("latency") << ControllerKind::Wheel << "wheel_latency" << int(REPORT_STATUS) << 0
                             << 400;
}

// Each control changes what the controller answers, and only while it is on.
void SimulatorPanelTest::controlsChangeTheAnswers()
{
    QFETCH(ControllerKind, kind);
    QFETCH(QString, control);
    QFETCH(int, report);
    QFETCH(int, result);
    QFETCH(int, minMs);
    ScopedSimulator sim({ControllerKind::Joystick, ControllerKind::Wheel});
    sim.bus().add(ControllerKind::Generic);
    SimulatorPanel panel(sim.bus());
    panel.show();
    QVERIFY(QTest::qWaitForWindowExposed(&panel));
    SimulatedController *c = sim.controller(kind);
    const Answer before = readReport(c, uint8_t(report));

    auto *box = panel.findChild<QCheckBox *>(control);
    auto *spin = panel.findChild<QSpinBox *>(control);
    QVERIFY(box || spin);
    auto operate = [&](bool on) {
        if (box) {
            QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(4, box->height() / 2));
        } else {
            QTest::keyClick(spin, Qt::Key_A, Qt::ControlModifier);
            QTest::keyClicks(spin, on ? QString::number(minMs) : QStringLiteral("0"));
        }
    };
    operate(true);
    const Answer on = readReport(c, uint8_t(report));
    QCOMPARE(on.result, result);
    QVERIFY2(on.ms >= minMs, qPrintable(QString::number(on.ms)));
    operate(false);
    const Answer off = readReport(c, uint8_t(report));
    QCOMPARE(off.result, before.result);
    QVERIFY(minMs == 0 || off.ms < minMs);
}

// After a write the status stays busy, however often it is read, until the box is cleared.
void SimulatorPanelTest::staysBusyUntilCleared()
{
    ScopedSimulator sim({ControllerKind::Wheel});
    SimulatorPanel panel(sim.bus());
    SimulatedController *wheel = sim.controller(ControllerKind::Wheel);
    auto *busy = namedChild<QCheckBox>(&panel, "wheel_stays_busy");
    busy->setChecked(true);
    QCOMPARE(sendSave(wheel), COMMAND_PACKET_SIZE);
    for (int i = 0; i < 2 * SimulatedController::DEFAULT_BUSY_READS + 5; ++i)
        QCOMPARE(readReport(wheel, REPORT_STATUS).result, 1);
    busy->setChecked(false);
    QCOMPARE(readReport(wheel, REPORT_STATUS).result, 0);
    // And the controller's usual short busy time comes back.
    QCOMPARE(sendSave(wheel), COMMAND_PACKET_SIZE);
    for (int i = 0; i < SimulatedController::DEFAULT_BUSY_READS; ++i)
        QCOMPARE(readReport(wheel, REPORT_STATUS).result, 1);
    QCOMPARE(readReport(wheel, REPORT_STATUS).result, 0);
}

// Transfers of every controller and thread appear in the log's format, newest last, and
// only the 300 most recent are kept.
void SimulatorPanelTest::recentTransfersNewestLast()
{
    ScopedSimulator sim({ControllerKind::Joystick, ControllerKind::Wheel});
    SimulatorPanel panel(sim.bus());
    SimulatedController *joystick = sim.controller(ControllerKind::Joystick);
    SimulatedController *wheel = sim.controller(ControllerKind::Wheel);
    readReport(joystick, REPORT_DEVICE_INFO);
    QTRY_COMPARE(listed(panel),
                 QStringList{QString::fromStdString(formatTransferLine(joystick->transfers()[0]))});

    std::thread device([&] {
        for (int i = 0; i < 200; ++i) {
            readReport(joystick, REPORT_STATUS);
            readReport(wheel, REPORT_HARDWARE_SETTINGS);
        }
    });
    device.join();
    const auto joystickMade = joystick->transfers();
    const auto wheelMade = wheel->transfers();
    QStringList made{QString::fromStdString(formatTransferLine(joystickMade[0]))};
    for (int i = 0; i < 200; ++i)
        made << QString::fromStdString(formatTransferLine(joystickMade[i + 1]))
             << QString::fromStdString(formatTransferLine(wheelMade[i]));
    QTRY_COMPARE(listed(panel), made.mid(made.size() - 300));
}

void SimulatorPanelTest::opensOnlyOnRequest_data()
{
    QTest::addColumn<bool>("simulated");
    QTest::addColumn<QByteArray>("request"); // KESTRIX_SIMULATOR_PANEL, empty: unset
    QTest::addColumn<bool>("opens");
    QTest::addColumn<bool>("windowOnTheRight"); // of the screen
    QTest::newRow("simulated, requested") << true << QByteArray("1") << true << false;
    QTest::newRow("window on the right") << true << QByteArray("1") << true << true;
    QTest::newRow("simulated, not requested") << true << QByteArray() << false << false;
    QTest::newRow("simulated, 0") << true << QByteArray("0") << false << false;
    QTest::newRow("real bus, requested") << false << QByteArray("1") << false << false;
}

// It opens beside the program's window, and never on the real bus.
void SimulatorPanelTest::opensOnlyOnRequest()
{
    QFETCH(bool, simulated);
    QFETCH(QByteArray, request);
    QFETCH(bool, opens);
    QFETCH(bool, windowOnTheRight);
    if (!request.isEmpty())
        qputenv("KESTRIX_SIMULATOR_PANEL", request);
    ScopedSimulator sim({ControllerKind::Wheel});
    QWidget window;
    window.resize(120, 150);
    const QRect screen = window.screen()->availableGeometry();
    window.move(windowOnTheRight ? screen.right() - 140 : screen.left(), screen.top() + 20);
    window.show();
    auto panel = openSimulatorPanelOnRequest(simulated ? &sim.bus() : nullptr, window);
    QCOMPARE(bool(panel), opens);
    if (!panel)
        return;
    QTRY_VERIFY(panel->isVisible());
    QVERIFY(!panel->frameGeometry().intersects(window.frameGeometry()));
    QVERIFY(screen.contains(panel->frameGeometry()));
    QCOMPARE(panel->x() < window.x(), windowOnTheRight);
    QCOMPARE(panel->y(), window.y());
}

void SimulatorPanelTest::everyControlIsNamed()
{
    ScopedSimulator sim;
    SimulatorPanel panel(sim.bus());
    panel.show();
    QVERIFY(QTest::qWaitForWindowExposed(&panel));
    QStringList names;
    for (const AccessibleControl &c : accessibleControls(&panel))
        names << c.name;
    QStringList expected;
    for (const char *kind : {"Generic", "Joystick", "Rudder", "Wheel"}) {
        for (const char *control : {"plugged in", "no access", "stays busy", "fails transfers",
                                    "times out", "short reports", "latency (ms)"})
            expected << QStringLiteral("%1 %2").arg(QLatin1String(kind), QLatin1String(control));
    }
    // The input controls: a tab per kind (and the tab bar's own scroll buttons), a slider
    // per axis, the hat, a check box per button.
    expected << QStringLiteral("Scroll Left") << QStringLiteral("Scroll Right");
    const std::tuple<ControllerKind, const char *, QStringList> inputs[] = {
        {ControllerKind::Generic, "Generic", {"X", "Y"}},
        {ControllerKind::Joystick, "Joystick", {"X", "Y", "Rx", "Ry", "Rz", "Hat"}},
        {ControllerKind::Rudder, "Rudder", {"Rudder", "Left toe brake", "Right toe brake"}},
        {ControllerKind::Wheel, "Wheel", {"Steering", "Gas pedal", "Brake pedal", "Clutch pedal"}}};
    for (const auto &[controller, kind, controls] : inputs) {
        expected << QLatin1String(kind);
        for (const QString &control : controls)
            expected << QStringLiteral("%1: %2").arg(QLatin1String(kind), control);
        const int buttons = panel.findChild<QWidget *>(QString::fromLatin1(kind).toLower() +
                                                       QStringLiteral("_input"))
                                ->findChildren<QCheckBox *>()
                                .size();
        QCOMPARE(buttons, sim.bus().find(controller)->input().buttonCount());
        for (int number = 1; number <= buttons; ++number)
            expected << QStringLiteral("%1: button %2").arg(QLatin1String(kind)).arg(number);
    }
    expected << QStringLiteral("Recent transfers");
    // The pages of the input come in the order the stack holds them.
    names.sort();
    expected.sort();
    QCOMPARE(names, expected);
    QCOMPARE(untiedCaptions(&panel, {}), QStringList());
    QCOMPARE(tabOrderFaults(&panel, tabChain(namedChild<QWidget>(&panel, "generic_plugged_in"))),
             QStringList());
}

QTEST_MAIN(SimulatorPanelTest)
#include "test_simulator_panel.moc"
