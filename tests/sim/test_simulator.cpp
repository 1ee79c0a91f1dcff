// The simulated controller as a long-running demo: its memory of transfers stays bounded,
// and its log can neither hold the program up nor end it.

#include "kestrix_protocol.h"
#include "simulator_log.h"
#include "test_support.h"

#include <QTemporaryDir>
#include <QtTest>

#include <chrono>
#include <future>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace
{

// What the code under test writes to stderr while it lives.
class StderrCapture
{
public:
    StderrCapture() : file(std::tmpfile()), saved(dup(STDERR_FILENO))
    {
        std::fflush(stderr);
        dup2(fileno(file), STDERR_FILENO);
    }
    ~StderrCapture()
    {
        restore();
        std::fclose(file);
    }
    QStringList lines()
    {
        restore();
        std::rewind(file);
        QByteArray text;
        char chunk[512];
        while (const size_t n = std::fread(chunk, 1, sizeof chunk, file))
            text.append(chunk, qsizetype(n));
        return QString::fromLocal8Bit(text).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    }

private:
    void restore()
    {
        if (saved < 0)
            return;
        std::fflush(stderr);
        dup2(saved, STDERR_FILENO);
        close(saved);
        saved = -1;
    }
    std::FILE *file;
    int saved;
};

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
    const QByteArray name = QFile::encodeName(path);
    int reader = -1;
    if (kind == QLatin1String("fifo, reader gone"))
        reader = open(name.constData(), O_RDONLY | O_NONBLOCK);

    StderrCapture captured;
    auto opening = std::async(std::launch::async, [&] { setSimulatorLogPath(name.constData()); });
    if (opening.wait_for(std::chrono::seconds(3)) != std::future_status::ready) {
        // Let the blocked open go before failing.
        const int release = open(name.constData(), O_RDONLY | O_NONBLOCK);
        opening.wait();
        close(release);
        QFAIL("opening the log waited for a reader");
    }
    if (reader >= 0)
        close(reader);
    SimulatedController controller(ControllerKind::Joystick);
    QVERIFY(readDeviceInformation(&controller) > 0);
    QVERIFY(readDeviceInformation(&controller) > 0);
    const QStringList complaint = captured.lines();
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
