// The real event path: libevdev on an emulated event device of a family controller, found
// through sysfs as on a running system, with a replayed sequence that drops events.

#include "evdev_input.h"
#include "fake_sysfs.h"
#include "kestrix_protocol.h"
#include "usb_testbed.h"

#include <QApplication>
#include <QtTest>

#include <linux/input.h>
#include <sys/fsuid.h>

namespace
{

// Little-endian bytes of the ioctl file.
QByteArray bitsOf(int bytes, std::initializer_list<int> set)
{
    QByteArray bits(bytes, '\0');
    for (int bit : set)
        bits[bit / 8] = char(bits[bit / 8] | (1 << (bit % 8)));
    return bits;
}

// The bytes of the structure the kernel fills in.
template <typename T> QByteArray raw(const T &value)
{
    return QByteArray(reinterpret_cast<const char *>(&value), sizeof value);
}

QByteArray line(const QString &name, const QByteArray &data)
{
    return name.toLatin1() + ' ' + QByteArray::number(data.size()) + ' ' + data.toHex().toUpper() +
           '\n';
}

// A joystick of the family as the HID driver describes it: X, Y, Rz, one hat, three
// buttons; X at 1000 and button 2 down as the device holds them.
QByteArray joystickIoctls()
{
    QByteArray text = "@DEV /dev/input/event0\n";
    text += line("EVIOCGBIT(0)", bitsOf(8, {EV_SYN, EV_KEY, EV_ABS}));
    text += line("EVIOCGNAME", QByteArray("Kestrix Joystick").leftJustified(255, '\0'));
    text += line("EVIOCGPHYS", QByteArray(255, '\0'));
    text += line("EVIOCGUNIQ", QByteArray(255, '\0'));
    text +=
        line("EVIOCGID", raw(input_id{BUS_USB, KESTRIX_VENDOR_ID, PRODUCT_ID_JOYSTICK, 0x0110}));
    text += line("EVIOCGVERSION", raw(0x010001));
    for (const char *none : {"EVIOCGPROP", "EVIOCGBIT(2)", "EVIOCGBIT(17)", "EVIOCGBIT(5)",
                             "EVIOCGBIT(4)", "EVIOCGBIT(18)", "EVIOCGLED", "EVIOCGSW"})
        text += line(none, bitsOf(8, {}));
    text += line("EVIOCGBIT(3)", bitsOf(8, {ABS_X, ABS_Y, ABS_RZ, ABS_HAT0X, ABS_HAT0Y}));
    text += line("EVIOCGBIT(1)", bitsOf(96, {BTN_TRIGGER, BTN_THUMB, BTN_THUMB2}));
    text += line("EVIOCGBIT(21)", bitsOf(16, {}));
    text += line("EVIOCGKEY", bitsOf(96, {BTN_THUMB}));
    text += line("EVIOCGABS(0)", raw(input_absinfo{1000, 0, 4095, 8, 16, 0}));
    text += line("EVIOCGABS(1)", raw(input_absinfo{2048, 0, 4095, 8, 16, 0}));
    text += line("EVIOCGABS(5)", raw(input_absinfo{128, 0, 255, 0, 0, 0}));
    text += line("EVIOCGABS(16)", raw(input_absinfo{0, -1, 1, 0, 0, 0}));
    text += line("EVIOCGABS(17)", raw(input_absinfo{0, -1, 1, 0, 0, 0}));
    return text;
}

// X to 3000 with button 1; Y half reported when events are dropped; then the hat up-right
// with button 3; then X twice while the reader rests.
const char *const EVENTS = "# EVEMU 1.2\n"
                           "E: 0.100000 0003 0000 3000\n"
                           "E: 0.100000 0001 0120 1\n"
                           "E: 0.100000 0000 0000 0\n"
                           "E: 0.300000 0003 0001 100\n"
                           "E: 0.300000 0000 0003 0\n"
                           "E: 0.500000 0003 0010 1\n"
                           "E: 0.500000 0003 0011 -1\n"
                           "E: 0.500000 0001 0122 1\n"
                           "E: 0.500000 0000 0000 0\n"
                           "E: 0.510000 0003 0000 500\n"
                           "E: 0.510000 0000 0000 0\n"
                           "E: 0.520000 0003 0000 600\n"
                           "E: 0.520000 0000 0000 0\n";

} // namespace

class EventDeviceTest : public UsbTestbedTest
{
    Q_OBJECT

private slots:
    void reportsTheSequenceAndResyncsAfterADrop();
    void namesANodeItMayNotRead();

private:
    FakeSysfs files;
};

void EventDeviceTest::reportsTheSequenceAndResyncsAfterADrop()
{
    files.write(QStringLiteral("joystick.ioctl"), joystickIoctls());
    files.write(QStringLiteral("joystick.events"), EVENTS);
    const QString node =
        bed->addEventNode(bed->add(ControllerKind::Joystick), files.path() + "/joystick.ioctl",
                          files.path() + "/joystick.events");
    QVERIFY2(!node.isEmpty(), qPrintable(bed->error()));
    const std::vector<EventNode> found = findEventNodes();
    QCOMPARE(found.size(), size_t(1));
    QCOMPARE(found[0].node, node);
    QCOMPARE(found[0].productId, PRODUCT_ID_JOYSTICK);

    EvdevInputProvider provider;
    InputOpening opening = provider.open(PRODUCT_ID_JOYSTICK);
    QVERIFY2(opening.source, qPrintable(opening.reason));
    InputSource &input = *opening.source;
    const InputState &start = input.state();
    QCOMPARE(start.deviceName, QStringLiteral("Kestrix Joystick"));
    QCOMPARE(start.axes.size(), size_t(3));
    const InputAxis *x = start.axis(QStringLiteral("X"));
    QVERIFY(x && start.axis(QStringLiteral("Rz")));
    QCOMPARE((std::vector<int>{x->minimum, x->maximum, x->fuzz, x->flat, x->value}),
             (std::vector<int>{0, 4095, 8, 16, 1000}));
    QCOMPARE(start.buttons.size(), size_t(3));
    QCOMPARE(start.hats.size(), size_t(1));

    std::vector<InputState> reports;
    int reads = 0;
    connect(&input, &InputSource::reported, this, [&] { reports.push_back(input.state()); });
    connect(&input, &InputSource::caughtUp, this, [&] { ++reads; });
    // The reports that come while it rests wait in the kernel's queue.
    input.setPace(100);
    QTRY_VERIFY_WITH_TIMEOUT(reports.size() >= 5, 5000);
    QCOMPARE(reports.size(), size_t(5));
    QVERIFY(reads < 5);

    QCOMPARE(reports[0].axis(QStringLiteral("X"))->value, 3000);
    QVERIFY(reports[0].button(1)->pressed);
    QVERIFY(reports[0].button(2)->pressed);

    // The drop: the device's whole state again, not the half report (Y stays 2048).
    QCOMPARE(reports[1].axis(QStringLiteral("X"))->value, 1000);
    QCOMPARE(reports[1].axis(QStringLiteral("Y"))->value, 2048);
    QVERIFY(!reports[1].button(1)->pressed);
    QVERIFY(reports[1].button(2)->pressed);

    QCOMPARE(QString::fromLatin1(reports[2].hats[0].direction()), QStringLiteral("up-right"));
    QVERIFY(reports[2].button(3)->pressed);
    QCOMPARE(reports[2].axis(QStringLiteral("X"))->value, 1000);
    QCOMPARE(reports[3].axis(QStringLiteral("X"))->value, 500);
    QCOMPARE(reports[4].axis(QStringLiteral("X"))->value, 600);
}

void EventDeviceTest::namesANodeItMayNotRead()
{
    // A node that the mode keeps from this user (umockdev's own nodes answer whoever asks).
    files.node(QStringLiteral("event7"), 0);
    const QString node = files.path() + QStringLiteral("/event7");
    // As root, the check of the mode is the file-system user's: run it as nobody.
    const uid_t fsuid = uid_t(setfsuid(65534));
    const InputOpening opening = EvdevInput::open(node);
    setfsuid(fsuid);
    QVERIFY(!opening.source);
    QCOMPARE(opening.reason, QStringLiteral("this user may not read %1 (%2)")
                                 .arg(node, QString::fromLocal8Bit(strerror(EACCES))));
}

KESTRIX_UMOCKDEV_TEST_MAIN(EventDeviceTest)
#include "test_event_device.moc"
