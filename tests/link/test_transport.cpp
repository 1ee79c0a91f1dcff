// The feature-report transport, checked at the simulated controller: what went over the
// wire, byte for byte.

#include "byte_order.h"
#include "kestrix_protocol.h"
#include "simulator_log.h"
#include "test_support.h"
#include "transport.h"
#include "wait_cursor.h"

#include <QApplication>
#include <QCursor>
#include <QElapsedTimer>
#include <QtTest>

Q_DECLARE_METATYPE(std::vector<int>)

namespace
{
// Notes the override cursor at every transfer that passes through it.
class CursorSpy final : public DeviceHandle
{
public:
    explicit CursorSpy(DeviceHandle *inner) : inner(inner) {}
    int controlTransfer(uint8_t requestType, uint8_t request, uint16_t value, uint16_t index,
                        unsigned char *data, uint16_t length, unsigned timeoutMs) override
    {
        const QCursor *cursor = QGuiApplication::overrideCursor();
        shapes.push_back(cursor ? cursor->shape() : -1);
        return inner->controlTransfer(requestType, request, value, index, data, length, timeoutMs);
    }
    std::vector<int> shapes;

private:
    DeviceHandle *const inner;
};
} // namespace

class TransportTest : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void chunkedWrite_data();
    void chunkedWrite();
    void chunkedWriteStopsAtTheFirstFailure_data();
    void chunkedWriteStopsAtTheFirstFailure();
    void waitUntilReady_data();
    void waitUntilReady();
    void waitUntilReadyGivesUpOnADeviceThatStaysBusy();
    void waitUntilReadyWithoutHandleSendsNothing();
    void logLineFormat();

private:
    std::unique_ptr<ScopedSimulator> sim;
    SimulatedController *joystick = nullptr;
    DeviceHandle *handle = nullptr;
};

void TransportTest::init()
{
    sim = std::make_unique<ScopedSimulator>(std::initializer_list<ControllerKind>{ControllerKind::Joystick});
    joystick = sim->controller(ControllerKind::Joystick);
    QCOMPARE(usbInit(), 0);
    handle = openDevice(KESTRIX_VENDOR_ID, PRODUCT_ID_JOYSTICK);
    QVERIFY(handle);
    // As in the windows, so that every wait below must also restore the cursor.
    showWaitCursorWhileBusy();
}

void TransportTest::cleanup()
{
    setBusyIndicator(nullptr);
    closeDevice(handle);
    handle = nullptr;
    usbExit();
    sim.reset();
}

// Expected packets as (offset, remaining, first block byte of new data or -1).
void TransportTest::chunkedWrite_data()
{
    QTest::addColumn<int>("length");
    QTest::addColumn<std::vector<int>>("offsets");
    QTest::addColumn<std::vector<int>>("remaining");

    QTest::newRow("107 bytes: two data packets and the closing one")
        << 107 << std::vector<int>{0, 58, 58} << std::vector<int>{107, 49, 0xFFFF};
    QTest::newRow("0 bytes") << 0 << std::vector<int>{0, 0} << std::vector<int>{0, 0xFFFF};
    QTest::newRow("116 bytes: the last data packet carries nothing new")
        << 116 << std::vector<int>{0, 58, 116, 116} << std::vector<int>{116, 58, 0, 0xFFFF};
}

void TransportTest::chunkedWrite()
{
    QFETCH(int, length);
    QFETCH(std::vector<int>, offsets);
    QFETCH(std::vector<int>, remaining);

    unsigned char block[256];
    for (int i = 0; i < 256; ++i)
        block[i] = static_cast<unsigned char>(0x40 + i);
    QCOMPARE(writeChunked(handle, CMD_WRITE_HARDWARE_SETTINGS, block, static_cast<uint16_t>(length)),
             0);

    const auto packets = joystick->transfers();
    QCOMPARE(packets.size(), offsets.size());
    QByteArray previous(COMMAND_PACKET_SIZE, '\0');
    for (size_t p = 0; p < packets.size(); ++p) {
        const QByteArray bytes = toBytes(packets[p].data);
        QCOMPARE(bytes.size(), COMMAND_PACKET_SIZE);
        QCOMPARE(uint8_t(bytes[0]), REPORT_COMMAND);
        QCOMPARE(uint8_t(bytes[1]), CMD_WRITE_HARDWARE_SETTINGS);
        QCOMPARE(uint8_t(bytes[64]), uint8_t(0));
        const auto *raw = reinterpret_cast<const unsigned char *>(bytes.constData());
        QCOMPARE(int(readU16LE(raw + 2)), offsets[p]);
        QCOMPARE(int(readU16LE(raw + 4)), remaining[p]);
        // Data: the block's bytes from the offset, then what the previous packet left.
        const bool closing = remaining[p] == 0xFFFF;
        const int fresh = closing ? 0 : std::min(remaining[p], 58);
        for (int j = 0; j < 58; ++j) {
            const unsigned char expected = j < fresh ? block[offsets[p] + j]
                                                     : uint8_t(previous[6 + j]);
            if (raw[6 + j] != expected)
                QFAIL(qPrintable(QStringLiteral("packet %1 byte %2: %3").arg(p).arg(6 + j).arg(hex(bytes))));
        }
        previous = bytes;
    }
}

void TransportTest::chunkedWriteStopsAtTheFirstFailure_data()
{
    QTest::addColumn<int>("failingPacket");
    QTest::addColumn<int>("error");
    QTest::newRow("first data packet, I/O error") << 0 << int(USB_ERROR_IO);
    QTest::newRow("second data packet, time-out") << 1 << int(USB_ERROR_TIMEOUT);
    QTest::newRow("closing packet, gone") << 2 << int(USB_ERROR_NO_DEVICE);
}

void TransportTest::chunkedWriteStopsAtTheFirstFailure()
{
    QFETCH(int, failingPacket);
    QFETCH(int, error);
    const auto before = joystick->report(REPORT_HARDWARE_SETTINGS);
    joystick->failTransfers(failingPacket, error);

    const std::vector<uint8_t> block(107, 0x5A);
    QCOMPARE(writeChunked(handle, CMD_WRITE_HARDWARE_SETTINGS, block.data(), 107), error);

    QCOMPARE(int(joystick->transfers().size()), failingPacket + 1);
    QCOMPARE(toBytes(joystick->report(REPORT_HARDWARE_SETTINGS)), toBytes(before));
}

void TransportTest::waitUntilReady_data()
{
    QTest::addColumn<int>("busyReads");   // -1: for ever
    QTest::addColumn<int>("statusBytes"); // the status read delivers at most these; -1: all
    QTest::addColumn<int>("unplugAfter"); // status reads before the device goes; -1: never
    QTest::addColumn<int>("reads");
    QTest::addColumn<bool>("ready");
    QTest::newRow("ready at once") << 0 << -1 << -1 << 1 << true;
    QTest::newRow("busy once") << 1 << -1 << -1 << 2 << true;
    QTest::newRow("busy three times") << 3 << -1 << -1 << 4 << true;
    // Nothing in it says ready: the device is gone, and the wait ends at once.
    QTest::newRow("empty status answer") << 1 << 0 << -1 << 1 << false;
    QTest::newRow("gone while busy") << -1 << -1 << 2 << 3 << false;
}

void TransportTest::waitUntilReady()
{
    QFETCH(int, busyReads);
    QFETCH(int, statusBytes);
    QFETCH(int, unplugAfter);
    QFETCH(int, reads);
    QFETCH(bool, ready);
    joystick->setBusyReads(busyReads);
    sendCommand(handle, CMD_SAVE_EFFECT_SETTINGS); // leaves the controller busy
    joystick->clearTransfers();
    joystick->setReportLimit(REPORT_STATUS, statusBytes);
    if (unplugAfter >= 0)
        joystick->unplugAfter(unplugAfter);

    CursorSpy spy(handle);
    QElapsedTimer clock;
    clock.start();
    QCOMPARE(::waitUntilReady(&spy).problem,
             ready ? Outcome::Problem::None : Outcome::Problem::StoppedAnswering);
    const qint64 elapsed = clock.elapsed();

    QCOMPARE(spy.shapes, std::vector<int>(reads, Qt::WaitCursor));
    const auto seen = getReports(joystick->transfers(), REPORT_STATUS);
    QCOMPARE(int(seen.size()), reads);
    QCOMPARE(seen.size(), joystick->transfers().size());
    // A 100 ms pause follows every read, also the one that reports ready.
    QVERIFY2(elapsed >= 100 * reads - 5, qPrintable(QString::number(elapsed)));
    for (size_t i = 1; i < seen.size(); ++i)
        QVERIFY(seen[i].ms - seen[i - 1].ms >= 95);
    QCOMPARE(QGuiApplication::overrideCursor(), nullptr);
}

void TransportTest::waitUntilReadyGivesUpOnADeviceThatStaysBusy()
{
    joystick->setBusyReads(-1);
    sendCommand(handle, CMD_SAVE_EFFECT_SETTINGS);
    joystick->clearTransfers();

    QElapsedTimer clock;
    clock.start();
    QCOMPARE(::waitUntilReady(handle).problem, Outcome::Problem::NotConfirmed);
    const qint64 elapsed = clock.elapsed();

    QVERIFY2(elapsed >= READY_WAIT_LIMIT_MS && elapsed < READY_WAIT_LIMIT_MS + 500,
             qPrintable(QString::number(elapsed)));
    const auto reads = joystick->transfers();
    QCOMPARE(getReports(reads, REPORT_STATUS).size(), reads.size());
    QVERIFY(reads.size() <= size_t(READY_WAIT_LIMIT_MS / STATUS_POLL_INTERVAL_MS));
    QCOMPARE(QGuiApplication::overrideCursor(), nullptr);
}

void TransportTest::waitUntilReadyWithoutHandleSendsNothing()
{
    QCOMPARE(::waitUntilReady(nullptr).problem, Outcome::Problem::StoppedAnswering);
    QVERIFY(joystick->transfers().empty());
    QCOMPARE(QGuiApplication::overrideCursor(), nullptr);
}

void TransportTest::logLineFormat()
{
    // In the line's order: ms, vid, pid, requestType, request, value, index, length, result.
    SimTransfer t{1234, 0x045B, 0x59D7, 0xA1, 0x01, 0x0325, 0, 1024, 3, {0x00, 0xAB, 0x05}};
    QCOMPARE(QString::fromStdString(formatTransferLine(t)),
             QStringLiteral("1234 045b:59d7 a1 01 0325 0000 0400 3 00ab05"));
    t.result = USB_ERROR_NO_DEVICE;
    t.data.clear();
    QCOMPARE(QString::fromStdString(formatTransferLine(t)),
             QStringLiteral("1234 045b:59d7 a1 01 0325 0000 0400 -4 -"));
}

QTEST_MAIN(TransportTest)
#include "test_transport.moc"
