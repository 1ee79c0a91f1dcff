// The libusb bus, the one real users run, against simulated controllers on emulated usbfs
// device nodes: what reaches the device, what comes back, and what the bus reports when
// the device goes away or stops answering.

#include "device_entry.h"
#include "kestrix_protocol.h"
#include "test_support.h"
#include "transport.h"
#include "usb_access.h"
#include "usb_testbed.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QtTest>

#include <thread>

Q_DECLARE_METATYPE(std::vector<ControllerKind>)

namespace
{

// How a device goes away.
enum class Vanishing { UnpluggedBefore, UnpluggedInFlight };

} // namespace

Q_DECLARE_METATYPE(Vanishing)

class LibusbBusTest : public UsbTestbedTest
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void opensByVendorAndProductId_data();
    void opensByVendorAndProductId();
    void vanishedDevice_data();
    void vanishedDevice();
    void timeOut();

private:
    int openOnCurrentNode(SimulatedController *controller) const;

    DeviceEntry entry{KESTRIX_VENDOR_ID, PRODUCT_ID_JOYSTICK, "Joystick", nullptr};
};

void LibusbBusTest::init()
{
    UsbTestbedTest::init();
    setUsbBus(libusbBus());
    QCOMPARE(usbInit(), 0);
    entry = DeviceEntry{KESTRIX_VENDOR_ID, PRODUCT_ID_JOYSTICK, "Joystick", nullptr};
}

void LibusbBusTest::cleanup()
{
    closeEntry(entry);
    usbExit();
    setUsbBus(nullptr);
    UsbTestbedTest::cleanup();
}

int LibusbBusTest::openOnCurrentNode(SimulatedController *controller) const
{
    const auto nodes = bed->activity(controller);
    return nodes.empty() ? -1 : nodes.back().openNow;
}

void LibusbBusTest::opensByVendorAndProductId_data()
{
    QTest::addColumn<std::vector<ControllerKind>>("plugged");
    QTest::addColumn<int>("vendorId");
    QTest::addColumn<int>("productId");
    QTest::addColumn<int>("opened"); // index into plugged, -1: none

    using K = ControllerKind;
    QTest::newRow("the wheel among others")
        << std::vector<ControllerKind>{K::Joystick, K::Rudder, K::Wheel, K::Generic} << 0x045B
        << 0x59D7 << 2;
    QTest::newRow("another vendor")
        << std::vector<ControllerKind>{K::Joystick} << 0x045C << 0x58F9 << -1;
}

void LibusbBusTest::opensByVendorAndProductId()
{
    QFETCH(std::vector<ControllerKind>, plugged);
    QFETCH(int, vendorId);
    QFETCH(int, productId);
    QFETCH(int, opened);

    std::vector<SimulatedController *> controllers;
    for (ControllerKind kind : plugged)
        controllers.push_back(bed->add(kind));

    DeviceHandle *handle =
        openDevice(static_cast<uint16_t>(vendorId), static_cast<uint16_t>(productId));
    QCOMPARE(handle != nullptr, opened >= 0);
    for (size_t i = 0; i < controllers.size(); ++i) {
        // Opening is a file on the device node and nothing on the wire.
        QTRY_COMPARE(openOnCurrentNode(controllers[i]), int(i) == opened ? 1 : 0);
        QVERIFY(controllers[i]->transfers().empty());
    }
    if (!handle)
        return;

    unsigned char info[RECEIVE_BUFFER_SIZE] = {};
    QCOMPARE(getReport(handle, REPORT_DEVICE_INFO, info, RECEIVE_BUFFER_SIZE), 16);
    QCOMPARE(info[DEVICE_INFO_TYPE_OFFSET], controllers[opened]->deviceType());
    for (size_t i = 0; i < controllers.size(); ++i)
        QCOMPARE(controllers[i]->transfers().size(), size_t(int(i) == opened ? 1 : 0));

    closeDevice(handle);
    QTRY_COMPARE(openOnCurrentNode(controllers[opened]), 0);
}

void LibusbBusTest::vanishedDevice_data()
{
    QTest::addColumn<Vanishing>("vanishing");

    QTest::newRow("unplugged before the transfer") << Vanishing::UnpluggedBefore;
    QTest::newRow("unplugged while in flight") << Vanishing::UnpluggedInFlight;
}

void LibusbBusTest::vanishedDevice()
{
    QFETCH(Vanishing, vanishing);

    SimulatedController *joystick = bed->add(ControllerKind::Joystick);
    openIfAbsent(entry);
    QVERIFY(entry.handle);

    unsigned char info[RECEIVE_BUFFER_SIZE] = {};
    int result = 0;
    QElapsedTimer clock;
    clock.start();
    switch (vanishing) {
    case Vanishing::UnpluggedBefore:
        bed->unplug(joystick);
        result = getReport(entry.handle, REPORT_DEVICE_INFO, info, RECEIVE_BUFFER_SIZE);
        break;
    case Vanishing::UnpluggedInFlight: {
        bed->setUnresponsive(joystick, true);
        std::thread transfer([&] {
            result = getReport(entry.handle, REPORT_DEVICE_INFO, info, RECEIVE_BUFFER_SIZE);
        });
        QTRY_COMPARE(bed->activity(joystick).back().submitted, 1);
        bed->unplug(joystick);
        transfer.join();
        QCOMPARE(bed->activity(joystick).back().shutDown, 1);
        break;
    }
    }

    QCOMPARE(result, int(USB_ERROR_NO_DEVICE));
    QVERIFY2(clock.elapsed() < 900, "ended by the unplug, not by the time-out");
    QVERIFY(joystick->transfers().empty());
    // Gone from the bus too: the next open finds nothing.
    QTRY_VERIFY(bed->deviceNode(joystick).isEmpty());
    QCOMPARE(openDevice(KESTRIX_VENDOR_ID, PRODUCT_ID_JOYSTICK), nullptr);
    QCOMPARE(getReport(entry.handle, REPORT_DEVICE_INFO, info, RECEIVE_BUFFER_SIZE),
             int(USB_ERROR_NO_DEVICE));
}

void LibusbBusTest::timeOut()
{
    SimulatedController *rudder = bed->add(ControllerKind::Rudder);
    entry.productId = PRODUCT_ID_RUDDER;
    openIfAbsent(entry);
    QVERIFY(entry.handle);
    bed->setUnresponsive(rudder, true);

    unsigned char info[RECEIVE_BUFFER_SIZE] = {};
    QElapsedTimer clock;
    clock.start();
    QCOMPARE(getReport(entry.handle, REPORT_DEVICE_INFO, info, RECEIVE_BUFFER_SIZE),
             int(USB_ERROR_TIMEOUT));
    QVERIFY2(clock.elapsed() >= 990, qPrintable(QString::number(clock.elapsed())));
    QVERIFY2(clock.elapsed() < 3000, qPrintable(QString::number(clock.elapsed())));
    // libusb cancelled the transfer it gave up on.
    QCOMPARE(bed->activity(rudder).back().discarded, 1);

    // The handle stays usable.
    bed->setUnresponsive(rudder, false);
    QCOMPARE(getReport(entry.handle, REPORT_DEVICE_INFO, info, RECEIVE_BUFFER_SIZE), 16);
    QCOMPARE(info[DEVICE_INFO_TYPE_OFFSET], DEVICE_TYPE_RUDDER);
    const auto seen = rudder->transfers();
    QCOMPARE(seen.size(), size_t(1));
    QCOMPARE(seen.back().result, 16);
}

KESTRIX_UMOCKDEV_TEST_MAIN(LibusbBusTest)
#include "test_libusb_bus.moc"
