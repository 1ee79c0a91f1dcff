// udev's announcements under the emulation: the monitor hears a controller come and go, and
// the hidraw bus searches sysfs only after it heard something, so an absent controller costs
// no search per poll, and a plugged one is still found once the announcement is read.

#include "device_events.h"
#include "hidraw_bus.h"
#include "kestrix_protocol.h"
#include "usb_testbed.h"

#include <QApplication>
#include <QtTest>

namespace
{
// The emulation has put every announcement of what already happened into the monitor's
// socket: read until a pass over the event loop brings no new one.
void readPendingNotices(const UdevEvents &events)
{
    uint64_t seen;
    do {
        seen = events.notices();
        QCoreApplication::processEvents();
    } while (events.notices() != seen);
}
} // namespace

class DeviceEventsTest : public UsbTestbedTest
{
    Q_OBJECT

private slots:
    void hidrawBusSearchesOnlyAfterANotice();
};

void DeviceEventsTest::hidrawBusSearchesOnlyAfterANotice()
{
    UdevEvents events;
    HidrawBus bus(QStringLiteral("/sys"), QStringLiteral("/dev"), {}, [&] { return &events; });
    SimulatedController *joystick = bed->add(ControllerKind::Joystick);
    QTRY_VERIFY(events.notices() > 0);
    readPendingNotices(events);

    // Its USB device is there, its hidraw node is not: one search, kept.
    for (int poll = 0; poll < 3; ++poll)
        QCOMPARE(bus.open(KESTRIX_VENDOR_ID, PRODUCT_ID_JOYSTICK), nullptr);
    QCOMPARE(bus.searches(), 1);

    const uint64_t beforeNode = events.notices();
    QVERIFY(!bed->addHidrawNode(joystick).isEmpty());
    // Until the announcement is read, the bus goes by what it found.
    QCOMPARE(bus.open(KESTRIX_VENDOR_ID, PRODUCT_ID_JOYSTICK), nullptr);
    QCOMPARE(bus.searches(), 1);
    QTRY_VERIFY(events.notices() > beforeNode);
    DeviceHandle *handle = bus.open(KESTRIX_VENDOR_ID, PRODUCT_ID_JOYSTICK);
    QVERIFY(handle);
    const int searches = bus.searches();
    QCOMPARE(searches, 2);
    bus.close(handle);
    // The node found is kept: opening it again needs no search.
    handle = bus.open(KESTRIX_VENDOR_ID, PRODUCT_ID_JOYSTICK);
    QVERIFY(handle);
    bus.close(handle);
    QCOMPARE(bus.searches(), searches);

    const uint64_t heard = events.notices();
    bed->removeHidrawNode(joystick);
    QTRY_VERIFY(events.notices() > heard);
    for (int poll = 0; poll < 3; ++poll)
        QCOMPARE(bus.open(KESTRIX_VENDOR_ID, PRODUCT_ID_JOYSTICK), nullptr);
    QCOMPARE(bus.searches(), searches + 1);
}

KESTRIX_UMOCKDEV_TEST_MAIN(DeviceEventsTest)
#include "test_device_events.moc"
