// hwconfig's writes when the controller fails: each fault injected at the simulated
// controller at every step of every write sequence. A sequence stops at its failure, never
// writes bytes that no read delivered, leaves the window showing what was read (and the
// controller holding what the window says), tells the user once and ends within its bound.

#include "carried_bytes.h"
#include "hardware_settings_record.h"
#include "hwconfig_session.h"
#include "injected_fault.h"
#include "kestrix_protocol.h"
#include "transport.h"

#include <QElapsedTimer>
#include <QSpinBox>

namespace
{

enum class Step {
    SaveRead, // the save's fresh read of the record
    SavePacket1,
    SavePacket2,
    SaveClosingPacket,
    SaveStatus1, // busy
    SaveStatus2, // busy
    SaveStatus3, // ready
    Reboot,
    Calibration, // the first of the two commands a new magnitude sends
};

constexpr int RECORD_SIZE = 107;
constexpr int POWER_LIMIT = 48;
constexpr int BRAKING_LIMIT = 49;
constexpr int BUSY_READS = 2;

const char NOT_TAKEN[] =
    "The controller did not take the settings. Check the cable, then try again.";
const char NOT_CONFIRMED[] = "The controller did not confirm that it stored the settings. Check "
                             "the cable, then save again.";

bool isSave(Step step)
{
    return step <= Step::SaveStatus3;
}

} // namespace

Q_DECLARE_METATYPE(Step)

class WriteFaultsTest : public QObject, private HwconfigSession
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanup() { stop(); }

    void writeFaults_data();
    void writeFaults();
    void calibrationFailuresAreToldOncePerRun();
    void saveAfterReconnect_data();
    void saveAfterReconnect();

private:
    void waitForOneBox(const QString &text);
};

void WriteFaultsTest::initTestCase()
{
    QLocale::setDefault(QLocale::c());
    quietOffscreenPopups();
}

// Exactly one box with that text, also a while after it was answered.
void WriteFaultsTest::waitForOneBox(const QString &text)
{
    QTRY_VERIFY(!boxes->boxes().empty());
    CHECKED(letPollRun(3));
    QCOMPARE(boxes->boxes().size(), size_t(1));
    QCOMPARE(boxes->boxes()[0].title, QStringLiteral("Kestrix hardware settings UI"));
    QCOMPARE(boxes->boxes()[0].text, text);
}

void WriteFaultsTest::writeFaults_data()
{
    QTest::addColumn<Step>("step");
    QTest::addColumn<Fault>("fault");
    QTest::addColumn<QString>("warning"); // what the user is told

    const struct {
        Step step;
        const char *name;
        const char *warning;
    } steps[] = {
        {Step::SaveRead, "save: fresh read", "Target device is not selected or was disconnected!"},
        {Step::SavePacket1, "save: packet 1", NOT_TAKEN},
        {Step::SavePacket2, "save: packet 2", NOT_TAKEN},
        {Step::SaveClosingPacket, "save: closing packet", NOT_TAKEN},
        {Step::SaveStatus1, "save: status read 1", NOT_CONFIRMED},
        {Step::SaveStatus2, "save: status read 2", NOT_CONFIRMED},
        {Step::SaveStatus3, "save: status read 3", NOT_CONFIRMED},
        {Step::Reboot, "reboot",
         "The controller did not take the reboot command. Check the cable, then try again."},
        {Step::Calibration, "calibration",
         "The controller did not take the calibration start angle. Check the cable, then "
         "change the angle again."},
    };
    const struct {
        Fault fault;
        const char *name;
    } faults[] = {{Fault::Unplug, "unplug"},
                  {Fault::IoError, "I/O error"},
                  {Fault::TimeOut, "time-out"},
                  {Fault::StaysBusy, "stays busy"}};
    for (const auto &s : steps) {
        for (const auto &f : faults) {
            // Only a status read can say busy; from the first one on covers them all.
            if (f.fault == Fault::StaysBusy && s.step != Step::SaveStatus1)
                continue;
            const QString warning =
                f.fault == Fault::StaysBusy
                    ? QStringLiteral("The controller stayed busy and did not confirm within 5 "
                                     "seconds that it stored the settings. Wait a moment, then "
                                     "save again.")
                    : QString::fromLatin1(s.warning);
            QTest::addRow("%s / %s", s.name, f.name) << s.step << f.fault << warning;
        }
    }
}

void WriteFaultsTest::writeFaults()
{
    QFETCH(Step, step);
    QFETCH(Fault, fault);
    QFETCH(QString, warning);
    const int at = isSave(step) ? int(step) : 0; // the transfer of the sequence that fails

    CHECKED(start({ControllerKind::Joystick}));
    SimulatedController *device = sim->controller(ControllerKind::Joystick);
    device->setBusyReads(BUSY_READS);
    CHECKED(pick(ControllerKind::Joystick));
    auto *magnitude = widget<QSpinBox>("calibration_magnitude");
    if (isSave(step))
        typeInto(widget<QSpinBox>("power_limit"), QStringLiteral("12"));
    // Changed behind the window's back: the save must carry what the device holds now.
    device->setReportByte(REPORT_HARDWARE_SETTINGS,
                          carriedOffsets(hardwareSettingsTable()).front(), 0x77);
    const std::vector<uint8_t> before = device->report(REPORT_HARDWARE_SETTINGS);
    QByteArray expected = toBytes(before).left(RECORD_SIZE);
    expected[POWER_LIMIT] = char(12);

    const char *button = isSave(step) ? "save_settings_button" : "reboot_button";
    QTRY_VERIFY(widget<QPushButton>(button)->isEnabled());
    device->clearTransfers();
    // No event loop runs from here to the action, so no probe takes the fault.
    injectFault(device, fault, at);
    QElapsedTimer clock;
    clock.start();
    if (step == Step::Calibration)
        QTest::keyClick(magnitude, Qt::Key_Up);
    else
        QTest::mouseClick(widget<QPushButton>(button), Qt::LeftButton);
    const qint64 took = clock.elapsed(); // a save's box comes within, the others' after
    CHECKED(waitForOneBox(warning));

    // Nothing after the failure; the sequence up to it as it should be.
    const auto sent = withoutProbes(device->transfers());
    if (fault == Fault::StaysBusy) {
        QCOMPARE(commands(sent, CMD_WRITE_HARDWARE_SETTINGS).size(), size_t(3));
        QCOMPARE(getReports(sent, REPORT_STATUS).size(), sent.size() - 4);
        QVERIFY(took >= READY_WAIT_LIMIT_MS);
    } else {
        QVERIFY2(int(sent.size()) == at + 1, qPrintable(describe(sent).join(QLatin1Char('\n'))));
        QVERIFY(sent.back().result < 0);
        const bool read = step == Step::SaveRead || (step >= Step::SaveStatus1 && isSave(step));
        QCOMPARE(sent.back().requestType, read ? HID_REQUEST_TYPE_IN : HID_REQUEST_TYPE_OUT);
    }
    QVERIFY2(took <= (fault == Fault::StaysBusy ? READY_WAIT_LIMIT_MS : 0) + 2500,
             qPrintable(QString::number(took)));

    // The window shows what was read, with the user's edit kept for another try; the
    // device holds the old record, or the whole new one (built on the fresh read) once the
    // closing packet was taken.
    QCOMPARE(window->selectedDeviceIndex(), int(ControllerKind::Joystick));
    QCOMPARE(visibleTabs(), 4);
    QCOMPARE(device->rebootCount(), 0);
    const bool applied = step >= Step::SaveStatus1 && step <= Step::SaveStatus3;
    std::vector<uint8_t> holds = before;
    if (applied)
        std::copy(expected.begin(), expected.end(), holds.begin());
    QCOMPARE(hex(toBytes(device->report(REPORT_HARDWARE_SETTINGS))), hex(toBytes(holds)));
    if (isSave(step))
        QCOMPARE(widget<QSpinBox>("power_limit")->value(), 12);
    if (fault == Fault::Unplug || step == Step::Calibration)
        return;

    // After a passing fault, trying again does what the first try should have done.
    device->clearFaults();
    device->setBusyReads(0);
    boxes->clear();
    QTRY_VERIFY(widget<QPushButton>(button)->isEnabled());
    QTest::mouseClick(widget<QPushButton>(button), Qt::LeftButton);
    QVERIFY(boxes->boxes().empty());
    if (step == Step::Reboot) {
        QCOMPARE(device->rebootCount(), 1);
    } else {
        std::copy(expected.begin(), expected.end(), holds.begin());
        QCOMPARE(hex(toBytes(device->report(REPORT_HARDWARE_SETTINGS))), hex(toBytes(holds)));
    }
}

// A failing device is not worth a box per spin-box step: one for each run of failures,
// and nothing sent while the box is pending.
void WriteFaultsTest::calibrationFailuresAreToldOncePerRun()
{
    CHECKED(start({ControllerKind::Joystick}));
    SimulatedController *device = sim->controller(ControllerKind::Joystick);
    CHECKED(pick(ControllerKind::Joystick));
    window->findChild<QTimer *>()->stop(); // the probe would close the failing handle
    auto *magnitude = widget<QSpinBox>("calibration_magnitude");
    magnitude->setFocus();
    device->clearTransfers();
    device->failTransfers(0, USB_ERROR_IO);

    // Failed commands carry no data in the record: count the attempts.
    auto attempts = [&] { return setReports(device->transfers()).size(); };
    QTest::keyClick(magnitude, Qt::Key_Up);
    QCOMPARE(attempts(), size_t(1));
    QTRY_COMPARE(boxes->boxes().size(), size_t(1));
    for (int i = 0; i < 4; ++i)
        QTest::keyClick(magnitude, Qt::Key_Up);
    // Once the calls queued by then have run and no box is open, any box they showed was
    // shown and answered.
    bool reached = false;
    QTimer::singleShot(0, [&reached] { reached = true; });
    QTRY_VERIFY(reached && !QApplication::activeModalWidget());
    QCOMPARE(boxes->boxes().size(), size_t(1));
    QCOMPARE(attempts(), size_t(1 + 4 * 2));

    // A command that goes through ends the run; the next failure is told again.
    device->clearFaults();
    QTest::keyClick(magnitude, Qt::Key_Up);
    QCOMPARE(device->lastCalibration().magnitude, magnitude->value());
    device->failTransfers(0, USB_ERROR_IO);
    QTest::keyClick(magnitude, Qt::Key_Down);
    QTRY_COMPARE(boxes->boxes().size(), size_t(2));
}

void WriteFaultsTest::saveAfterReconnect_data()
{
    QTest::addColumn<bool>("changedElsewhere");
    QTest::newRow("one failed transfer: reopened, holds what was read") << false;
    QTest::newRow("replugged, set elsewhere meanwhile") << true;
}

// A save after the controller was closed and opened again goes ahead while it holds what the
// pages were read from, and writes nothing over settings the pages never showed. The user's
// edits stay in the pages either way.
void WriteFaultsTest::saveAfterReconnect()
{
    QFETCH(bool, changedElsewhere);
    CHECKED(start({ControllerKind::Joystick}));
    SimulatedController *device = sim->controller(ControllerKind::Joystick);
    CHECKED(pick(ControllerKind::Joystick));
    auto *power = widget<QSpinBox>("power_limit");
    typeInto(power, QStringLiteral("15"));

    const int opened = device->openCount();
    if (changedElsewhere) {
        device->unplug();
        QTRY_VERIFY(!window->catalogueEntry(1).handle);
        device->setReportByte(REPORT_HARDWARE_SETTINGS, BRAKING_LIMIT, 10);
        device->plug();
    } else {
        device->failTransfers(0, USB_ERROR_IO, 1); // the poll's probe: closed, then reopened
    }
    QTRY_VERIFY(device->openCount() > opened && window->catalogueEntry(1).handle);
    const std::vector<uint8_t> holds = device->report(REPORT_HARDWARE_SETTINGS);
    device->clearTransfers();

    click("save_settings_button");
    QCOMPARE(power->value(), 15);
    if (!changedElsewhere) {
        QVERIFY(boxes->boxes().empty());
        QCOMPARE(int(device->report(REPORT_HARDWARE_SETTINGS)[POWER_LIMIT]), 15);
        // What it just saved is what it holds: saving again goes ahead too.
        typeInto(power, QStringLiteral("16"));
        click("save_settings_button");
        QVERIFY(boxes->boxes().empty());
        QCOMPARE(int(device->report(REPORT_HARDWARE_SETTINGS)[POWER_LIMIT]), 16);
        return;
    }
    CHECKED(waitForOneBox(QStringLiteral(
        "The controller's settings changed since they were read, so nothing was saved. Your "
        "changes are still shown; click \"Read settings\" to see what the controller holds now.")));
    QCOMPARE(commands(device->transfers(), CMD_WRITE_HARDWARE_SETTINGS).size(), size_t(0));
    QCOMPARE(device->report(REPORT_HARDWARE_SETTINGS), holds);
}

QTEST_MAIN(WriteFaultsTest)
#include "test_write_faults.moc"
