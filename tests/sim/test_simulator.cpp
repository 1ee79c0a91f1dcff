// The simulated controller as a long-running demo: its memory of transfers stays bounded,
// and its log can neither hold the program up nor end it.

#include "device_sequences.h"
#include "hardware_settings_record.h"
#include "kestrix_protocol.h"
#include "simulated_input.h"
#include "simulator_log.h"
#include "test_support.h"

#include <QTemporaryDir>
#include <QTemporaryFile>
#include <QtTest>

#include <chrono>
#include <functional>
#include <future>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace
{

// Runs the action with stderr going to a file, and returns the lines it wrote there.
QStringList stderrLines(const std::function<void()> &action)
{
    QTemporaryFile file;
    file.open();
    std::fflush(stderr);
    const int saved = dup(STDERR_FILENO);
    dup2(file.handle(), STDERR_FILENO);
    action();
    std::fflush(stderr);
    dup2(saved, STDERR_FILENO);
    close(saved);
    file.seek(0);
    return QString::fromLocal8Bit(file.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

int readDeviceInformation(SimulatedController *controller)
{
    unsigned char buffer[RECEIVE_BUFFER_SIZE];
    return controller->controlTransfer(HID_REQUEST_TYPE_IN, HID_GET_REPORT,
                                       HID_REPORT_TYPE_FEATURE | REPORT_DEVICE_INFO, HID_INTERFACE,
                                       buffer, RECEIVE_BUFFER_SIZE, TRANSFER_TIMEOUT_MS);
}

} // namespace

class SimulatorTest : public QObject
{
    Q_OBJECT

private slots:
    void cleanup() { setSimulatorLogPath(nullptr); }

    void recentTransfersOnly();
    void logNeverHoldsTheProgram_data();
    void logNeverHoldsTheProgram();
    void savedRecordShapesTheInput_data();
    void savedRecordShapesTheInput();
};

void SimulatorTest::savedRecordShapesTheInput_data()
{
    namespace Rec = HardwareSettingsRecord;
    QTest::addColumn<int>("offset");
    QTest::addColumn<int>("byte");
    QTest::addColumn<QString>("axis");
    QTest::addColumn<int>("raw");
    QTest::addColumn<int>("after");
    const int x = Rec::axisOffset(0, AxisSettingsRecord::ENCODER_DIRECTION);
    const int y = Rec::axisOffset(1, AxisSettingsRecord::ENCODER_DIRECTION);
    QTest::newRow("X inverted") << x << 1 << "X" << 3071 << 1024;
    QTest::newRow("Y no longer inverted") << y << 0xff << "Y" << 1000 << 1000;
    QTest::newRow("Rx lower dead zone") << Rec::LOWER_DEAD_ZONE << 10 << "Rx" << 300 << 0;
    QTest::newRow("Rz upper dead zone") << Rec::UPPER_DEAD_ZONE + 2 << 20 << "Rz" << 3500 << 4095;
}

void SimulatorTest::savedRecordShapesTheInput()
{
    QFETCH(int, offset);
    QFETCH(int, byte);
    QFETCH(QString, axis);
    QFETCH(int, raw);
    QFETCH(int, after);
    ScopedSimulator sim({ControllerKind::Joystick});
    SimulatedInput &input = sim.controller(ControllerKind::Joystick)->input();
    InputOpening opening = openInput(PRODUCT_ID_JOYSTICK);
    QVERIFY(opening.source);
    const InputSource &source = *opening.source;
    int index = 0;
    while (axisName(input.axes()[index].code) != axis)
        ++index;
    input.setAxisValue(index, raw);
    QTRY_COMPARE(source.reportCount(), 1);
    QVERIFY(source.state().axis(axis)->value != after);

    QCOMPARE(usbInit(), 0);
    DeviceHandle *handle = openDevice(KESTRIX_VENDOR_ID, PRODUCT_ID_JOYSTICK);
    QVERIFY(handle);
    unsigned char record[RECEIVE_BUFFER_SIZE];
    const Outcome saved = saveHardwareSettings(
        handle, record, [&](unsigned char *r) { r[offset] = uint8_t(byte); });
    closeDevice(handle);
    usbExit();
    QVERIFY(saved.ok());
    // The next report carries the saved setting without the input moving.
    QTRY_COMPARE(source.state().axis(axis)->value, after);
}

void SimulatorTest::recentTransfersOnly()
{
    SimulatedController controller(ControllerKind::Wheel);
    unsigned char status[RECEIVE_BUFFER_SIZE];
    controller.controlTransfer(HID_REQUEST_TYPE_IN, HID_GET_REPORT,
                               HID_REPORT_TYPE_FEATURE | REPORT_STATUS, HID_INTERFACE, status,
                               RECEIVE_BUFFER_SIZE, TRANSFER_TIMEOUT_MS);
    for (size_t i = 0; i < SimulatedController::TRANSFER_HISTORY - 1; ++i)
        readDeviceInformation(&controller);
    QCOMPARE(controller.transfers().size(), SimulatedController::TRANSFER_HISTORY);
    QVERIFY(controller.transfers().front().isGetReport(REPORT_STATUS));

    readDeviceInformation(&controller);
    const auto kept = controller.transfers();
    QCOMPARE(kept.size(), SimulatedController::TRANSFER_HISTORY);
    QVERIFY(getReports(kept, REPORT_STATUS).empty()); // the oldest one went
}

void SimulatorTest::logNeverHoldsTheProgram_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<int>("logged");     // lines in the log after two transfers
    QTest::addColumn<int>("complaints"); // lines on stderr
    QTest::newRow("file") << "file" << 2 << 0;
    QTest::newRow("FIFO without a reader") << "fifo" << 0 << 1;
    QTest::newRow("FIFO whose reader went away") << "fifo, reader gone" << 0 << 1;
    QTest::newRow("directory that does not exist") << "missing" << 0 << 1;
}

// Opening never waits, and a log that can not be written is given up with one line on
// stderr: the program goes on without it.
void SimulatorTest::logNeverHoldsTheProgram()
{
    QFETCH(QString, kind);
    QFETCH(int, logged);
    QFETCH(int, complaints);
    QTemporaryDir dir;
    QString path = dir.filePath(QStringLiteral("transfers.log"));
    if (kind.startsWith(QLatin1String("fifo")))
        QCOMPARE(mkfifo(QFile::encodeName(path).constData(), 0600), 0);
    if (kind == QLatin1String("missing"))
        path = dir.filePath(QStringLiteral("missing/transfers.log"));
    const QByteArray encoded = QFile::encodeName(path);
    const char *name = encoded.constData();
    const int reader =
        kind == QLatin1String("fifo, reader gone") ? open(name, O_RDONLY | O_NONBLOCK) : -1;

    bool waited = false;
    const QStringList complaint = stderrLines([&] {
        auto opening = std::async(std::launch::async, [&] { setSimulatorLogPath(name); });
        if (opening.wait_for(std::chrono::seconds(3)) != std::future_status::ready) {
            waited = true;
            close(open(name, O_RDONLY | O_NONBLOCK)); // let the blocked open go
            return;
        }
        if (reader >= 0)
            close(reader);
        SimulatedController controller(ControllerKind::Joystick);
        readDeviceInformation(&controller);
        readDeviceInformation(&controller);
    });
    QVERIFY2(!waited, "opening the log waited for a reader");
    QVERIFY2(complaint.size() == complaints, qPrintable(complaint.join(QLatin1Char('\n'))));
    if (complaints)
        QVERIFY(complaint[0].contains(path) &&
                complaint[0].contains(QLatin1String("without a log")));

    QFile log(path);
    const int lines = kind == QLatin1String("file") && log.open(QIODevice::ReadOnly)
                          ? int(log.readAll().count('\n'))
                          : 0;
    QCOMPARE(lines, logged);
}

QTEST_GUILESS_MAIN(SimulatorTest)
#include "test_simulator.moc"
