// Presence on a fake system tree: which controllers are plugged in and whether a user who
// is not root may open them.

#include "fake_sysfs.h"
#include "fallback_bus.h"
#include "file_conditions.h"
#include "kestrix_protocol.h"
#include "presence_search.h"

#include <QtTest>

namespace
{

// A root folder with sys/, dev/, run/ and the rule folders as the kernel and udev lay them out.
class FakeRoot : public FakeSysfs
{
public:
    FakeRoot() { ::chmod(QFile::encodeName(path()).constData(), 0755); }

    // A USB device of the vendor; its nodes get `mode` (-1: no node) and belong to root.
    // `driver` is bound to its interface 0 where not empty.
    void addDevice(int number, unsigned productId, int usbMode, int hidrawMode,
                   const QString &driver = QString())
    {
        const QString device = QStringLiteral("sys/devices/pci0000:00/usb1/1-%1").arg(number);
        const QString interface = device + QStringLiteral("/1-%1:1.0").arg(number);
        write(device + "/bConfigurationValue", "1\n");
        if (!driver.isEmpty()) {
            mkdir("sys/bus/usb/drivers/" + driver);
            mkdir(interface);
            link("../../../../../bus/usb/drivers/" + driver, interface + "/driver");
        }
        write(device + "/idVendor", "045b\n");
        write(device + "/idProduct", QByteArray::number(productId, 16) + '\n');
        write(device + "/busnum", "1\n");
        write(device + "/devnum", QByteArray::number(number) + '\n');
        mkdir(QStringLiteral("sys/bus/usb/devices"));
        link(QStringLiteral("../../../devices/pci0000:00/usb1/1-%1").arg(number),
             QStringLiteral("sys/bus/usb/devices/1-%1").arg(number));
        mkdir(QStringLiteral("dev/bus/usb/001"));
        if (usbMode >= 0)
            node(QStringLiteral("dev/bus/usb/001/%1").arg(number, 3, 10, QLatin1Char('0')),
                 usbMode);
        if (hidrawMode >= 0)
            addHidraw(interface + QStringLiteral("/0003:045B:%1.000%2")
                                      .arg(productId, 4, 16, QLatin1Char('0'))
                                      .arg(number),
                      QStringLiteral("hidraw%1").arg(number),
                      QStringLiteral("HID_ID=0003:0000045B:%1\n")
                          .arg(productId, 8, 16, QLatin1Char('0'))
                          .toLatin1(),
                      "00\n", false, hidrawMode);
    }
};

// Counts opens; never has a device.
class CountingBus final : public UsbBus
{
public:
    int init() override { return 0; }
    void exit() override {}
    DeviceHandle *open(uint16_t, uint16_t) override
    {
        ++opens;
        return nullptr;
    }
    void close(DeviceHandle *) override {}
    int opens = 0;
};

} // namespace

Q_DECLARE_METATYPE(DeviceAccess)

class PresenceTest : public QObject
{
    Q_OBJECT

private slots:
    void access_data();
    void access();
    void looksOnNoticesOrOnceASecond_data();
    void looksOnNoticesOrOnceASecond();
    void absentProductIsNeverOpened();
};

void PresenceTest::access_data()
{
    QTest::addColumn<int>("usbMode");
    QTest::addColumn<int>("hidrawMode");
    QTest::addColumn<DeviceAccess>("access");
    QTest::addColumn<QString>("node"); // relative to the root
    QTest::addColumn<QString>("driver"); // of its interface 0

    // Modes that refuse the owner too, so that the rows hold for whoever runs them.
    const QString usb = "/dev/bus/usb/001/001";
    QTest::newRow("hidraw opens") << 0000 << 0666 << DeviceAccess::Usable << "/dev/hidraw1" << "";
    QTest::newRow("both refuse") << 0000 << 0000 << DeviceAccess::Denied << "/dev/hidraw1" << "";
    QTest::newRow("usb node opens") << 0666 << 0000 << DeviceAccess::Usable << usb << "";
    QTest::newRow("no hidraw, usb refuses") << 0000 << -1 << DeviceAccess::Denied << usb << "";
    QTest::newRow("read-only") << 0444 << 0444 << DeviceAccess::Denied << "/dev/hidraw1" << "";
    QTest::newRow("no nodes yet") << -1 << -1 << DeviceAccess::NoNode << usb << "";
    QTest::newRow("claimed by a program") << 0666 << -1 << DeviceAccess::Busy << usb << "usbfs";
    QTest::newRow("no hidraw, another driver") << 0666 << -1 << DeviceAccess::Usable << usb
                                               << "usbhid";
}

void PresenceTest::access()
{
    QFETCH(int, usbMode);
    QFETCH(int, hidrawMode);
    QFETCH(DeviceAccess, access);
    QFETCH(QString, node);
    QFETCH(QString, driver);
    FakeRoot root;
    root.addDevice(1, PRODUCT_ID_WHEEL, usbMode, hidrawMode, driver);
    root.addDevice(2, 0x1234, 0666, -1); // the vendor's, not the family's

    AsOtherUser other;
    QVERIFY(other.active);
    Presence presence(root.path());
    const std::vector<PresentDevice> devices = presence.devices();
    QCOMPARE(devices.size(), size_t(1));
    QCOMPARE(devices[0].productId, uint16_t(PRODUCT_ID_WHEEL));
    QCOMPARE(devices[0].busNumber, 1);
    QCOMPARE(devices[0].deviceNumber, 1);
    QCOMPARE(devices[0].access, access);
    QCOMPARE(QString::fromStdString(devices[0].node), root.path() + node);
    QCOMPARE(presence.usable(KESTRIX_VENDOR_ID, PRODUCT_ID_WHEEL), access == DeviceAccess::Usable);
}

void PresenceTest::looksOnNoticesOrOnceASecond_data()
{
    QTest::addColumn<bool>("watched");
    QTest::addColumn<int>("notices");
    QTest::addColumn<int>("milliseconds"); // of ticks of 100 ms
    QTest::addColumn<int>("searches");
    QTest::addColumn<int>("accessChecks"); // of the one plugged-in wheel that refuses

    QTest::newRow("watched, quiet") << true << 0 << 5000 << 1 << 6;
    QTest::newRow("watched, two notices") << true << 2 << 500 << 3 << 3;
    QTest::newRow("unwatched, under a second") << false << 0 << 900 << 1 << 1;
    QTest::newRow("unwatched, three seconds") << false << 0 << 3000 << 4 << 4;
}

void PresenceTest::looksOnNoticesOrOnceASecond()
{
    QFETCH(bool, watched);
    QFETCH(int, notices);
    QFETCH(int, milliseconds);
    QFETCH(int, searches);
    QFETCH(int, accessChecks);
    FakeRoot root;
    root.addDevice(1, PRODUCT_ID_WHEEL, 0000, 0000);
    ManualEvents events;
    int64_t now = 0;
    int opens = 0;
    Presence presence(
        root.path(), [&]() -> DeviceEvents * { return watched ? &events : nullptr; },
        [&opens](const QString &) {
            ++opens;
            return EACCES;
        },
        [&now] { return now; });
    for (int tick = 0; tick <= milliseconds / 100; ++tick, now += 100) {
        if (tick > 0 && tick <= notices)
            events.notice();
        presence.devices();
        presence.usable(KESTRIX_VENDOR_ID, PRODUCT_ID_RUDDER);
    }
    QCOMPARE(presence.searches(), searches);
    QCOMPARE(presence.accessChecks(), accessChecks);
    QCOMPARE(opens, 2 * accessChecks); // the hidraw node, then the USB node
}

void PresenceTest::absentProductIsNeverOpened()
{
    FakeRoot root;
    root.addDevice(1, PRODUCT_ID_JOYSTICK, 0666, 0666);
    CountingBus preferred;
    CountingBus fallback;
    Presence presence(root.path());
    FallbackBus bus(&preferred, &fallback, &presence);
    for (int tick = 0; tick < 10; ++tick) {
        for (uint16_t product : {PRODUCT_ID_GENERIC, PRODUCT_ID_RUDDER, PRODUCT_ID_WHEEL})
            QCOMPARE(bus.open(KESTRIX_VENDOR_ID, product), nullptr);
    }
    QCOMPARE(preferred.opens + fallback.opens, 0);
    QCOMPARE(bus.open(KESTRIX_VENDOR_ID, PRODUCT_ID_JOYSTICK), nullptr);
    QCOMPARE(preferred.opens, 1);
    QCOMPARE(fallback.opens, 1);
}

QTEST_GUILESS_MAIN(PresenceTest)
#include "test_presence.moc"
