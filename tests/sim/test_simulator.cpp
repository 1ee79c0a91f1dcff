// The simulated controller as a long-running demo: its memory of transfers stays bounded.

#include "kestrix_protocol.h"
#include "test_support.h"

#include <QtTest>

namespace
{

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
    void recentTransfersOnly();
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

QTEST_GUILESS_MAIN(SimulatorTest)
#include "test_simulator.moc"
