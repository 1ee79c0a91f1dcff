// The simulated controller as a long-running demo: its memory of transfers stays bounded,
// and its log can neither hold the program up nor end it.

#include "kestrix_protocol.h"
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
};

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
