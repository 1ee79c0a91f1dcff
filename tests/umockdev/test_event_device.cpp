// The real event path: libevdev on an emulated event device of a family controller, found
// through sysfs as on a running system, with a replayed sequence that drops events.

#include "evdev_input.h"
#include "kestrix_protocol.h"
#include "usb_testbed.h"

#include <QApplication>
#include <QTemporaryDir>
#include <QtTest>

#include <linux/input.h>
#include <sys/fsuid.h>
#include <sys/stat.h>
#include <unistd.h>

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

QByteArray int32s(std::initializer_list<int> values)
{
    QByteArray bytes;
    for (int v : values) {
        for (int i = 0; i < 4; ++i)
            bytes.append(char((uint32_t(v) >> (8 * i)) & 0xff));
    }
    return bytes;
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
    QByteArray name = QByteArray("Kestrix Joystick").leftJustified(255, '\0');
    // bus type USB, vendor, product, version
    QByteArray id = QByteArray::fromHex("0300") + QByteArray::fromHex("5b04") + QByteArray(2, '\0') +
         QByteArray::fromHex("1001");
    id[4] = char(PRODUCT_ID_JOYSTICK & 0xff);
    id[5] = char(PRODUCT_ID_JOYSTICK >> 8);
    QByteArray text = "@DEV /dev/input/event0\n";
    text += line("EVIOCGBIT(0)", bitsOf(8, {EV_SYN, EV_KEY, EV_ABS}));
    text += line("EVIOCGNAME", name);
    text += line("EVIOCGPHYS", QByteArray(255, '\0'));
    text += line("EVIOCGUNIQ", QByteArray(255, '\0'));
    text += line("EVIOCGID", id);
    text += line("EVIOCGVERSION", int32s({0x010001}));
    text += line("EVIOCGPROP", bitsOf(8, {}));
    text += line("EVIOCGBIT(2)", bitsOf(8, {}));
    text += line("EVIOCGBIT(3)", bitsOf(8, {ABS_X, ABS_Y, ABS_RZ, ABS_HAT0X, ABS_HAT0Y}));
    text += line("EVIOCGBIT(17)", bitsOf(8, {}));
    text += line("EVIOCGBIT(1)", bitsOf(96, {BTN_TRIGGER, BTN_THUMB, BTN_THUMB2}));
    text += line("EVIOCGBIT(5)", bitsOf(8, {}));
    text += line("EVIOCGBIT(4)", bitsOf(8, {}));
    text += line("EVIOCGBIT(21)", bitsOf(16, {}));
    text += line("EVIOCGBIT(18)", bitsOf(8, {}));
    text += line("EVIOCGKEY", bitsOf(96, {BTN_THUMB}));
    text += line("EVIOCGLED", bitsOf(8, {}));
    text += line("EVIOCGSW", bitsOf(8, {}));
    // value, minimum, maximum, fuzz, flat, resolution
    text += line("EVIOCGABS(0)", int32s({1000, 0, 4095, 8, 16, 0}));
    text += line("EVIOCGABS(1)", int32s({2048, 0, 4095, 8, 16, 0}));
    text += line("EVIOCGABS(5)", int32s({128, 0, 255, 0, 0, 0}));
    text += line("EVIOCGABS(16)", int32s({0, -1, 1, 0, 0, 0}));
    text += line("EVIOCGABS(17)", int32s({0, -1, 1, 0, 0, 0}));
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

class EventDeviceTest : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void reportsTheSequenceAndResyncsAfterADrop();
    void namesANodeItMayNotRead();

private:
    QString addJoystickNode();

    std::unique_ptr<UsbTestbed> bed;
    QTemporaryDir files;
};

void EventDeviceTest::init()
{
    bed = std::make_unique<UsbTestbed>();
    QVERIFY2(bed->isValid(), qPrintable(bed->error()));
}

void EventDeviceTest::cleanup()
{
    bed.reset();
}

QString EventDeviceTest::addJoystickNode()
{
    QFile ioctls(files.filePath(QStringLiteral("joystick.ioctl")));
    QFile events(files.filePath(QStringLiteral("joystick.events")));
    if (!ioctls.open(QIODevice::WriteOnly) || !events.open(QIODevice::WriteOnly))
        return QString();
    ioctls.write(joystickIoctls());
    events.write(EVENTS);
    ioctls.close();
    events.close();
    SimulatedController *joystick = bed->add(ControllerKind::Joystick);
    return bed->addEventNode(joystick, ioctls.fileName(), events.fileName());
}

void EventDeviceTest::reportsTheSequenceAndResyncsAfterADrop()
{
    const QString node = addJoystickNode();
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
    const QString node = files.filePath(QStringLiteral("event7"));
    QFile file(node);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.close();
    QCOMPARE(::chmod(qPrintable(node), 0), 0);
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
