// Windows: the simulator's log is the same bytes as Linux's, and a log that can not be
// opened leaves the controller answering.

#include "kestrix_protocol.h"
#include "simulator_log.h"
#include "test_support.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <windows.h>

class SimulatorLogTest : public QObject
{
    Q_OBJECT

private slots:
    void cleanup() { setSimulatorLogPath(nullptr); }

    void linesAsOnLinux_data();
    void linesAsOnLinux();
};

void SimulatorLogTest::linesAsOnLinux_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<bool>("logged");
    QTest::newRow("file: LF alone ends each line") << "file" << true;
    QTest::newRow("folder that does not exist") << "missing" << false;
    QTest::newRow("file held without sharing") << "held" << false;
}

void SimulatorLogTest::linesAsOnLinux()
{
    QFETCH(QString, kind);
    QFETCH(bool, logged);
    QTemporaryDir dir;
    QString path = dir.filePath(QStringLiteral("transfers.log"));
    if (kind == QLatin1String("missing"))
        path = dir.filePath(QStringLiteral("missing/transfers.log"));
    HANDLE held = INVALID_HANDLE_VALUE;
    if (kind == QLatin1String("held")) {
        held = CreateFileW(QDir::toNativeSeparators(path).toStdWString().c_str(), GENERIC_READ, 0,
                           nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
        QVERIFY(held != INVALID_HANDLE_VALUE);
    }
    setSimulatorLogPath(QFile::encodeName(path).constData());

    SimulatedController controller(ControllerKind::Joystick);
    unsigned char buffer[RECEIVE_BUFFER_SIZE];
    for (int i = 0; i < 2; ++i)
        QVERIFY(controller.controlTransfer(HID_REQUEST_TYPE_IN, HID_GET_REPORT,
                                           HID_REPORT_TYPE_FEATURE | REPORT_DEVICE_INFO,
                                           HID_INTERFACE, buffer, RECEIVE_BUFFER_SIZE,
                                           TRANSFER_TIMEOUT_MS) > 0);
    setSimulatorLogPath("");
    if (held != INVALID_HANDLE_VALUE)
        CloseHandle(held);

    QByteArray expected;
    for (const SimTransfer &transfer : controller.transfers())
        expected += QByteArray::fromStdString(formatTransferLine(transfer)) + '\n';
    QFile log(path);
    const QByteArray written = log.open(QIODevice::ReadOnly) ? log.readAll() : QByteArray();
    QCOMPARE(written, logged ? expected : QByteArray());
}

QTEST_GUILESS_MAIN(SimulatorLogTest)
#include "test_simulator_log_windows.moc"
