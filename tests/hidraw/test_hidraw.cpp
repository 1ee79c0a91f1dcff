// The Linux hidraw bus: finding the node in a fake sysfs tree, and turning control
// transfers into hidraw feature requests byte for byte (against an injected ioctl).

#include "fake_sysfs.h"
#include "fallback_bus.h"
#include "hidraw_bus.h"
#include "kestrix_protocol.h"
#include "test_support.h"
#include "transport.h"

#include <QElapsedTimer>
#include <QFile>
#include <QtTest>

#include <atomic>
#include <cerrno>
#include <functional>
#include <future>
#include <memory>

#include <fcntl.h>
#include <linux/hidraw.h>
#include <sys/ioctl.h>
#include <unistd.h>

namespace {

const QByteArray WHEEL_UEVENT = "DRIVER=hid-generic\n"
                                "HID_ID=0003:0000045B:000059D7\n"
                                "HID_NAME=Kestrix Wheel\n"
                                "HID_PHYS=usb-0000:00:14.0-1/input0\n"
                                "MODALIAS=hid:b0003g0001v0000045Bp000059D7\n";

// Markers for files that a node's tree lacks.
const QByteArray MISSING = "<missing>";
const QByteArray DANGLING = "<dangling device link>";

struct NodeSpec {
    QString name;
    QByteArray uevent;          // of the HID device, or MISSING / DANGLING
    QByteArray interfaceNumber; // bInterfaceNumber of its USB interface, or MISSING
};

// The wheel's nodes, each on a USB device of its own.
class FakeSystem : public FakeSysfs
{
public:
    void add(const NodeSpec &node)
    {
        ++devices;
        const QString hid = QStringLiteral("sys/devices/pci0000:00/0000:00:14.0/usb1/1-%1/1-%1:1.0/"
                                           "0003:045B:59D7.%2")
                                .arg(devices)
                                .arg(devices, 4, 10, QLatin1Char('0'));
        const bool marker = node.uevent == MISSING || node.uevent == DANGLING;
        addHidraw(hid, node.name, marker ? QByteArray() : node.uevent,
                  node.interfaceNumber == MISSING ? QByteArray() : node.interfaceNumber,
                  node.uevent == DANGLING);
    }

private:
    int devices = 0;
};

// One ioctl as the handle issued it.
struct IoctlCall {
    int fd = 0;
    unsigned long request = 0;
    QByteArray bufferIn; // the buffer as the kernel would have found it
};

// An ioctl that records what it was asked and answers as told.
struct ScriptedIoctl {
    QList<IoctlCall> calls;
    QByteArray reply; // written from byte 0 of the buffer
    int result = 0;   // of a call that succeeds
    int failures = 0; // the first calls fail with `error` (-1: all of them)
    int error = 0;

    HidrawIoctl function()
    {
        return [this](int fd, unsigned long request, void *argument) {
            auto *buffer = static_cast<char *>(argument);
            const int size = int(_IOC_SIZE(request));
            calls.append({fd, request, QByteArray(buffer, size)});
            if (failures < 0 || failures-- > 0) {
                errno = error;
                return -1;
            }
            std::copy_n(reply.constData(), std::min<int>(reply.size(), size), buffer);
            return result;
        };
    }
};

} // namespace

Q_DECLARE_METATYPE(QList<NodeSpec>)

class HidrawTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { qunsetenv("KESTRIX_REFUSE_HARDWARE"); } // only fake nodes here
    void discovery_data();
    void discovery();

    void translation_data();
    void translation();
    void errorsFollowLibusb_data();
    void errorsFollowLibusb();
    void interruptedRequestsAreRepeated();

    void busOpensTheFirstNodeThatOpens();
    void busSearchesAgainOnlyAfterANotice_data();
    void busSearchesAgainOnlyAfterANotice();
    void unansweredRequestEndsAtTheTimeout_data();
    void unansweredRequestEndsAtTheTimeout();
    void fallbackBusRoutesEachHandleHome();
};

void HidrawTest::discovery_data()
{
    QTest::addColumn<QList<NodeSpec>>("nodes");
    QTest::addColumn<QStringList>("expected");

    auto uevent = [](const char *hidId) {
        return QByteArray("DRIVER=hid-generic\nHID_ID=") + hidId + "\n";
    };

    QTest::newRow("no hidraw class") << QList<NodeSpec>{} << QStringList{};
    QTest::newRow("interfaces 1 and 0 of one wheel")
        << QList<NodeSpec>{{"hidraw0", WHEEL_UEVENT, "01\n"}, {"hidraw1", WHEEL_UEVENT, "00\n"}}
        << QStringList{"hidraw1"};
    QTest::newRow("other vendor") << QList<NodeSpec>{{"hidraw0", uevent("0003:0000045C:000059D7"),
                                                      "00\n"}}
                                  << QStringList{};
    QTest::newRow("lower-case ids")
        << QList<NodeSpec>{{"hidraw0", uevent("0003:0000045b:000059d7"), "00\n"}}
        << QStringList{"hidraw0"};
    QTest::newRow("not on USB") << QList<NodeSpec>{{"hidraw0", uevent("0005:0000045B:000059D7"),
                                                    "00\n"}}
                                << QStringList{};
    QTest::newRow("missing uevent beside a wheel")
        << QList<NodeSpec>{{"hidraw0", MISSING, "00\n"}, {"hidraw1", WHEEL_UEVENT, "00\n"}}
        << QStringList{"hidraw1"};
    QTest::newRow("dangling device link beside a wheel")
        << QList<NodeSpec>{{"hidraw0", DANGLING, "00\n"}, {"hidraw1", WHEEL_UEVENT, "00\n"}}
        << QStringList{"hidraw1"};
    QTest::newRow("garbled uevents")
        << QList<NodeSpec>{{"hidraw0", "", "00\n"},
                           {"hidraw1", uevent("0003:0000045B"), "00\n"},
                           {"hidraw2", uevent("0003:0000045B:000059D7x"), "00\n"},
                           {"hidraw3", uevent("0x3:0x45B:0x59D7"), "00\n"},
                           {"hidraw4", uevent("0003:00000000045B:000059D7"), "00\n"},
                           {"hidraw5", QByteArray("\xff\x00\nHID_ID=\x01\xfe:0:0\n", 17), "00\n"},
                           {"hidraw6", "HID_ID", "00\n"}}
        << QStringList{};
    QTest::newRow("missing or garbled interface number")
        << QList<NodeSpec>{{"hidraw0", WHEEL_UEVENT, MISSING},
                           {"hidraw1", WHEEL_UEVENT, ""},
                           {"hidraw2", WHEEL_UEVENT, "zz\n"},
                           {"hidraw3", WHEEL_UEVENT, "-0\n"}}
        << QStringList{};
    QTest::newRow("several wheels in node order")
        << QList<NodeSpec>{{"hidraw10", WHEEL_UEVENT, "00\n"},
                           {"hidraw2", WHEEL_UEVENT, "00\n"},
                           {"hidraw0", uevent("0003:0000045B:00005968"), "00\n"}}
        << QStringList{"hidraw2", "hidraw10"};
    QTest::newRow("only hidrawN names")
        << QList<NodeSpec>{{"hidrawX", WHEEL_UEVENT, "00\n"}, {"hidraw", WHEEL_UEVENT, "00\n"}}
        << QStringList{};
}

void HidrawTest::discovery()
{
    QFETCH(QList<NodeSpec>, nodes);
    QFETCH(QStringList, expected);

    FakeSystem system;
    for (const NodeSpec &node : nodes)
        system.add(node);
    QStringList expectedPaths;
    for (const QString &name : expected)
        expectedPaths << system.dev() + QLatin1Char('/') + name;

    QCOMPARE(findHidrawNodes(KESTRIX_VENDOR_ID, PRODUCT_ID_WHEEL, system.sys(), system.dev()),
             expectedPaths);
}

// One control transfer, what the ioctl must see and answer, and what the caller gets.
void HidrawTest::translation_data()
{
    QTest::addColumn<int>("requestType");
    QTest::addColumn<int>("request");
    QTest::addColumn<int>("value");
    QTest::addColumn<int>("index");
    QTest::addColumn<QByteArray>("data");     // the caller's buffer before
    QTest::addColumn<unsigned long>("ioctl"); // 0: no ioctl at all
    QTest::addColumn<QByteArray>("bufferIn"); // the ioctl's buffer on the way in
    QTest::addColumn<QByteArray>("reply");    // what the kernel writes, from byte 0
    QTest::addColumn<int>("kernelResult");
    QTest::addColumn<int>("result");
    QTest::addColumn<QByteArray>("dataAfter"); // the caller's buffer after

    auto bytes = [](const char *hex) { return QByteArray::fromHex(hex); };
    const QByteArray untouched(16, char(0xEE));
    const QByteArray info = bytes("0207010003");
    auto idThenZeros = [](int id, int size) {
        QByteArray b(size, '\0');
        b[0] = char(id);
        return b;
    };

    QTest::newRow("get numbered report")
        << 0xA1 << 0x01 << 0x0325 << 0 << untouched << (unsigned long)HIDIOCGFEATURE(16)
        << idThenZeros(0x25, 16) << info << 5 << 5 << info + untouched.mid(5);
    QTest::newRow("get numbered report, device sends its id first")
        << 0xA1 << 0x01 << 0x0324 << 0 << untouched << (unsigned long)HIDIOCGFEATURE(16)
        << idThenZeros(0x24, 16) << bytes("2400") << 2 << 2 << bytes("2400") + untouched.mid(2);
    QTest::newRow("get with an empty answer leaves the buffer alone")
        << 0xA1 << 0x01 << 0x0324 << 0 << untouched << (unsigned long)HIDIOCGFEATURE(16)
        << idThenZeros(0x24, 16) << QByteArray() << 0 << 0 << untouched;
    QTest::newRow("get report 0: the kernel's extra byte 0 is dropped")
        << 0xA1 << 0x01 << 0x0300 << 0 << untouched << (unsigned long)HIDIOCGFEATURE(17)
        << QByteArray(17, '\0') << bytes("00aabbcc") << 4 << 3
        << bytes("aabbcc") + untouched.mid(3);
    QTest::newRow("get longer than the kernel takes")
        << 0xA1 << 0x01 << 0x0321 << 0 << QByteArray(8000, char(0xEE))
        << (unsigned long)HIDIOCGFEATURE(4096) << idThenZeros(0x21, 4096) << bytes("1122") << 2 << 2
        << bytes("1122") + QByteArray(7998, char(0xEE));
    QTest::newRow("get of one byte is refused")
        << 0xA1 << 0x01 << 0x0325 << 0 << QByteArray(1, char(0xEE)) << 0ul << QByteArray()
        << QByteArray() << 0 << int(USB_ERROR_INVALID_PARAM) << QByteArray(1, char(0xEE));

    // Byte 0 is the report id; the rest passes through as it is.
    const QByteArray packet = char(REPORT_COMMAND) + QByteArray(COMMAND_PACKET_SIZE - 1, '\x3a');
    QTest::newRow("set command packet")
        << 0x21 << 0x09 << 0x0320 << 0 << packet << (unsigned long)HIDIOCSFEATURE(65) << packet
        << QByteArray() << 65 << 65 << packet;
    QTest::newRow("set report 0: a 0 goes in front")
        << 0x21 << 0x09 << 0x0300 << 0 << bytes("01020304") << (unsigned long)HIDIOCSFEATURE(5)
        << bytes("0001020304") << QByteArray() << 5 << 4 << bytes("01020304");
    QTest::newRow("set whose byte 0 is not the report id is refused")
        << 0x21 << 0x09 << 0x0321 << 0 << packet << 0ul << QByteArray() << QByteArray() << 0
        << int(USB_ERROR_INVALID_PARAM) << packet;

    QTest::newRow("input report") << 0xA1 << 0x01 << 0x0125 << 0 << untouched << 0ul << QByteArray()
                                  << QByteArray() << 0 << int(USB_ERROR_NOT_SUPPORTED) << untouched;
    QTest::newRow("other interface")
        << 0xA1 << 0x01 << 0x0325 << 1 << untouched << 0ul << QByteArray() << QByteArray() << 0
        << int(USB_ERROR_NOT_SUPPORTED) << untouched;
    QTest::newRow("SET_IDLE") << 0x21 << 0x0A << 0x0300 << 0 << untouched << 0ul << QByteArray()
                              << QByteArray() << 0 << int(USB_ERROR_NOT_SUPPORTED) << untouched;
    QTest::newRow("GET_REPORT sent host-to-device")
        << 0x21 << 0x01 << 0x0325 << 0 << untouched << 0ul << QByteArray() << QByteArray() << 0
        << int(USB_ERROR_NOT_SUPPORTED) << untouched;
}

void HidrawTest::translation()
{
    QFETCH(int, requestType);
    QFETCH(int, request);
    QFETCH(int, value);
    QFETCH(int, index);
    QFETCH(QByteArray, data);
    QFETCH(unsigned long, ioctl);
    QFETCH(QByteArray, bufferIn);
    QFETCH(QByteArray, reply);
    QFETCH(int, kernelResult);
    QFETCH(int, result);
    QFETCH(QByteArray, dataAfter);

    ScriptedIoctl kernel;
    kernel.reply = reply;
    kernel.result = kernelResult;
    HidrawHandle handle(-1, kernel.function());

    QCOMPARE(handle.controlTransfer(uint8_t(requestType), uint8_t(request), uint16_t(value),
                                    uint16_t(index), reinterpret_cast<unsigned char *>(data.data()),
                                    uint16_t(data.size()), 1000),
             result);
    QCOMPARE(kernel.calls.size(), ioctl ? 1 : 0);
    if (ioctl) {
        QCOMPARE(kernel.calls[0].request, ioctl);
        QCOMPARE(hex(kernel.calls[0].bufferIn), hex(bufferIn));
    }
    QCOMPARE(hex(data), hex(dataAfter));
}

void HidrawTest::errorsFollowLibusb_data()
{
    QTest::addColumn<int>("error");
    QTest::addColumn<int>("result");

    QTest::newRow("ENODEV") << ENODEV << int(USB_ERROR_NO_DEVICE);
    QTest::newRow("ENXIO") << ENXIO << int(USB_ERROR_NO_DEVICE);
    QTest::newRow("EIO") << EIO << int(USB_ERROR_NO_DEVICE);
    QTest::newRow("ESHUTDOWN") << ESHUTDOWN << int(USB_ERROR_NO_DEVICE);
    QTest::newRow("ETIMEDOUT") << ETIMEDOUT << int(USB_ERROR_TIMEOUT);
    QTest::newRow("EPIPE") << EPIPE << int(USB_ERROR_PIPE);
    QTest::newRow("EACCES") << EACCES << int(USB_ERROR_ACCESS);
    QTest::newRow("EPERM") << EPERM << int(USB_ERROR_ACCESS);
    QTest::newRow("EPROTO") << EPROTO << int(USB_ERROR_IO);
    QTest::newRow("EINVAL") << EINVAL << int(USB_ERROR_IO);
}

void HidrawTest::errorsFollowLibusb()
{
    QFETCH(int, error);
    QFETCH(int, result);

    ScriptedIoctl kernel;
    kernel.error = error;
    kernel.failures = -1;
    kernel.reply = QByteArray(8, char(0x55)); // never delivered: the call failed
    HidrawHandle handle(-1, kernel.function());

    unsigned char buffer[RECEIVE_BUFFER_SIZE];
    std::fill(std::begin(buffer), std::end(buffer), 0xEE);
    QCOMPARE(getReport(&handle, REPORT_STATUS, buffer, RECEIVE_BUFFER_SIZE), result);
    QVERIFY(std::all_of(std::begin(buffer), std::end(buffer),
                        [](unsigned char b) { return b == 0xEE; }));
    QCOMPARE(sendCommand(&handle, CMD_REBOOT), result);
    QCOMPARE(kernel.calls.size(), 2);
}

void HidrawTest::interruptedRequestsAreRepeated()
{
    ScriptedIoctl kernel;
    kernel.result = COMMAND_PACKET_SIZE;
    kernel.error = EINTR;
    kernel.failures = 2;
    HidrawHandle handle(-1, kernel.function());
    QCOMPARE(sendCommand(&handle, CMD_REBOOT), COMMAND_PACKET_SIZE);
    QCOMPARE(kernel.calls.size(), 3);

    ScriptedIoctl endless;
    endless.error = EINTR;
    endless.failures = -1;
    HidrawHandle stuck(-1, endless.function());
    QCOMPARE(sendCommand(&stuck, CMD_REBOOT), int(USB_ERROR_INTERRUPTED));
    QVERIFY(endless.calls.size() > 1 && endless.calls.size() < 100);
}

void HidrawTest::busOpensTheFirstNodeThatOpens()
{
    FakeSystem system;
    system.add({"hidraw1", WHEEL_UEVENT, "00\n"});
    system.add({"hidraw4", WHEEL_UEVENT, "00\n"});
    {
        // Where the tests ask for it, not even a node that opens is taken.
        qputenv("KESTRIX_REFUSE_HARDWARE", "1");
        const auto unset = qScopeGuard([] { qunsetenv("KESTRIX_REFUSE_HARDWARE"); });
        HidrawBus bus(system.sys(), system.dev());
        QCOMPARE(bus.open(KESTRIX_VENDOR_ID, PRODUCT_ID_WHEEL), nullptr);
    }
    QVERIFY(QFile::remove(system.dev() + "/hidraw1")); // listed in sysfs, but no node to open

    ScriptedIoctl kernel;
    kernel.result = COMMAND_PACKET_SIZE;
    HidrawBus bus(system.sys(), system.dev(), kernel.function());
    QCOMPARE(bus.init(), 0);
    QCOMPARE(bus.open(KESTRIX_VENDOR_ID, PRODUCT_ID_JOYSTICK), nullptr);

    DeviceHandle *handle = bus.open(KESTRIX_VENDOR_ID, PRODUCT_ID_WHEEL);
    QVERIFY(handle);
    const int fd = static_cast<HidrawHandle *>(handle)->fd();
    QCOMPARE(QFileInfo(QStringLiteral("/proc/self/fd/%1").arg(fd)).symLinkTarget(),
             QFileInfo(system.dev() + "/hidraw4").canonicalFilePath());
    QCOMPARE(::fcntl(fd, F_GETFL) & O_ACCMODE, O_RDWR);
    QVERIFY(::fcntl(fd, F_GETFD) & FD_CLOEXEC);

    QCOMPARE(sendCommand(handle, CMD_REBOOT), COMMAND_PACKET_SIZE);
    QCOMPARE(kernel.calls.size(), 1);
    QCOMPARE(kernel.calls[0].fd, fd);

    bus.close(handle);
    QCOMPARE(::fcntl(fd, F_GETFD), -1); // closed with the handle
    bus.exit();

    QVERIFY(QFile::remove(system.dev() + "/hidraw4"));
    QCOMPARE(bus.open(KESTRIX_VENDOR_ID, PRODUCT_ID_WHEEL), nullptr);
}

void HidrawTest::busSearchesAgainOnlyAfterANotice_data()
{
    QTest::addColumn<bool>("watched");
    QTest::newRow("udev watches") << true;
    QTest::newRow("no monitor") << false;
}

// While device events are watched, a search of sysfs holds until the next notice; without
// them, every open searches, as the poll always did.
void HidrawTest::busSearchesAgainOnlyAfterANotice()
{
    QFETCH(bool, watched);
    FakeSystem system;
    ManualEvents events;
    events.watched = watched;
    HidrawBus bus(system.sys(), system.dev(), {}, [&] { return &events; });

    QCOMPARE(bus.open(KESTRIX_VENDOR_ID, PRODUCT_ID_WHEEL), nullptr);
    system.add({"hidraw0", WHEEL_UEVENT, "00\n"});
    DeviceHandle *handle = bus.open(KESTRIX_VENDOR_ID, PRODUCT_ID_WHEEL);
    QCOMPARE(handle != nullptr, !watched);
    if (!handle) {
        events.notice();
        handle = bus.open(KESTRIX_VENDOR_ID, PRODUCT_ID_WHEEL);
        QVERIFY(handle);
    }
    QCOMPARE(bus.searches(), 2);
    bus.close(handle);

    // Each pair of ids is searched for once; a node found opens again without a search.
    QCOMPARE(bus.open(KESTRIX_VENDOR_ID, PRODUCT_ID_JOYSTICK), nullptr);
    handle = bus.open(KESTRIX_VENDOR_ID, PRODUCT_ID_WHEEL);
    QVERIFY(handle);
    bus.close(handle);
    QCOMPARE(bus.searches(), watched ? 3 : 4);
}

void HidrawTest::unansweredRequestEndsAtTheTimeout_data()
{
    QTest::addColumn<bool>("get");
    QTest::addColumn<bool>("staysSilent"); // the kernel gives up too, and later reads as well
    QTest::newRow("report read") << true << false;
    QTest::newRow("command") << false << false;
    QTest::newRow("report read, silent for longer") << true << true;
}

// A controller that stopped answering holds its caller up once, for the time-out: not
// again on the same handle, nor on one opened behind the stuck request, nor while it stays
// silent after the kernel gave up.
void HidrawTest::unansweredRequestEndsAtTheTimeout()
{
    QFETCH(bool, get);
    QFETCH(bool, staysSilent);
    FakeSystem system;
    system.add({"hidraw0", WHEEL_UEVENT, "00\n"});
    // Shared with the ioctl, which may outlive the test; a broken promise releases it too.
    std::promise<void> released;
    auto calls = std::make_shared<std::atomic<int>>(0);
    auto silent = std::make_shared<std::atomic<bool>>(staysSilent);
    HidrawBus bus(system.sys(), system.dev(),
                  [release = released.get_future().share(), calls,
                   silent](int, unsigned long request, void *argument) {
                      ++*calls;
                      release.wait();
                      if (*silent) {
                          errno = ETIMEDOUT;
                          return -1;
                      }
                      std::fill_n(static_cast<char *>(argument), _IOC_SIZE(request), char(0x55));
                      return int(_IOC_SIZE(request));
                  });
    DeviceHandle *handle = bus.open(KESTRIX_VENDOR_ID, PRODUCT_ID_WHEEL);
    QVERIFY(handle);
    const int fd = static_cast<HidrawHandle *>(handle)->fd();
    QByteArray buffer(RECEIVE_BUFFER_SIZE, '\0');
    auto transfer = [&] {
        return get ? getReport(handle, REPORT_STATUS,
                               reinterpret_cast<unsigned char *>(buffer.data()), buffer.size())
                   : sendCommand(handle, CMD_REBOOT);
    };

    QElapsedTimer clock;
    clock.start();
    QCOMPARE(transfer(), int(USB_ERROR_TIMEOUT));
    QVERIFY2(clock.elapsed() >= 990 && clock.elapsed() < 1500, QByteArray::number(clock.elapsed()));
    clock.restart();
    QCOMPARE(transfer(), int(USB_ERROR_NO_DEVICE));
    bus.close(handle);
    QVERIFY(clock.elapsed() < 200);
    QCOMPARE(calls->load(), 1);
    QVERIFY(::fcntl(fd, F_GETFD) != -1); // the kernel still works on it
    QCOMPARE(bus.open(KESTRIX_VENDOR_ID, PRODUCT_ID_WHEEL), nullptr);

    released.set_value();
    if (staysSilent) {
        // Looked at in the background, about once a second, the node held meanwhile, and
        // not handed to libusb, whose requests would only fail beside the HID driver.
        QTRY_VERIFY(calls->load() >= 3);
        QVERIFY(::fcntl(fd, F_GETFD) != -1);
        SimulatedBus usb;
        usb.add(ControllerKind::Wheel);
        FallbackBus both(&bus, &usb);
        QCOMPARE(both.init(), 0);
        QCOMPARE(both.open(KESTRIX_VENDOR_ID, PRODUCT_ID_WHEEL), nullptr);
        QCOMPARE(usb.openHandles(), 0);
        both.exit();
        *silent = false;
    }
    QTRY_COMPARE(::fcntl(fd, F_GETFD), -1);
    QCOMPARE(buffer, QByteArray(RECEIVE_BUFFER_SIZE, '\0')); // the late answer stayed out
    handle = bus.open(KESTRIX_VENDOR_ID, PRODUCT_ID_WHEEL);
    QVERIFY(handle);
    bus.close(handle);
}

void HidrawTest::fallbackBusRoutesEachHandleHome()
{
    SimulatedBus preferred;
    SimulatedBus fallback;
    preferred.add(ControllerKind::Wheel);
    fallback.add(ControllerKind::Wheel)->unplug();
    fallback.add(ControllerKind::Joystick);
    QCOMPARE(preferred.init(), 0); // the hidraw bus needs no start

    FallbackBus bus(&preferred, &fallback);
    QCOMPARE(bus.init(), 0);
    QCOMPARE(fallback.contexts(), 1);
    QCOMPARE(preferred.contexts(), 1);

    DeviceHandle *wheel = bus.open(KESTRIX_VENDOR_ID, PRODUCT_ID_WHEEL);
    DeviceHandle *joystick = bus.open(KESTRIX_VENDOR_ID, PRODUCT_ID_JOYSTICK);
    QVERIFY(wheel && joystick);
    QCOMPARE(preferred.openHandles(), 1);
    QCOMPARE(fallback.openHandles(), 1);
    QCOMPARE(bus.open(KESTRIX_VENDOR_ID, PRODUCT_ID_RUDDER), nullptr);

    // Each transfer reaches the controller behind the bus that opened the handle.
    QVERIFY(sendCommand(joystick, CMD_REBOOT) > 0);
    QCOMPARE(fallback.find(ControllerKind::Joystick)->rebootCount(), 1);
    QVERIFY(sendCommand(wheel, CMD_REBOOT) > 0);
    QCOMPARE(preferred.find(ControllerKind::Wheel)->rebootCount(), 1);

    bus.close(joystick);
    QCOMPARE(fallback.openHandles(), 0);
    QCOMPARE(preferred.openHandles(), 1);
    bus.close(wheel);
    QCOMPARE(preferred.openHandles(), 0);

    // Once the preferred bus has lost the device, the fallback serves it.
    preferred.find(ControllerKind::Wheel)->unplug();
    fallback.find(ControllerKind::Wheel)->plug();
    wheel = bus.open(KESTRIX_VENDOR_ID, PRODUCT_ID_WHEEL);
    QVERIFY(wheel);
    QCOMPARE(fallback.openHandles(), 1);
    bus.close(wheel);
    QCOMPARE(fallback.openHandles(), 0);

    bus.exit();
    QCOMPARE(fallback.contexts(), 0);
    QCOMPARE(preferred.contexts(), 1);
}

QTEST_MAIN(HidrawTest)
#include "test_hidraw.moc"
