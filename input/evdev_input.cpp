#include "evdev_input.h"

#include "family.h"
#include "hidraw_bus.h"
#include "kestrix_protocol.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSocketNotifier>

#include <libevdev/libevdev.h>

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <unistd.h>

namespace
{

// The USB device folder above an input device's folder, when the input device hangs on
// interface 0 of it: USB device / interface / HID device / input / inputN.
QString usbDeviceOfInput(const QString &inputDevice)
{
    const QString hid = QFileInfo(QFileInfo(inputDevice).path()).path();
    const QString interface = QFileInfo(hid).path();
    const QByteArray number = sysfsAttribute(interface + QStringLiteral("/bInterfaceNumber"));
    bool ok = false;
    if (number.toInt(&ok, 16) != HID_INTERFACE || !ok)
        return {};
    return QFileInfo(interface).path();
}

} // namespace

std::vector<EventNode> findEventNodes(const QString &root)
{
    static const QRegularExpression nodeName(QStringLiteral("^event([0-9]{1,9})$"));
    const QDir classDir(root + QStringLiteral("/sys/class/input"));
    std::vector<std::pair<int, EventNode>> found;
    for (const QString &name :
         classDir.entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot)) {
        const QRegularExpressionMatch match = nodeName.match(name);
        if (!match.hasMatch())
            continue;
        // eventN/device is the input device (inputM).
        const QString input =
            QFileInfo(classDir.filePath(name) + QStringLiteral("/device")).canonicalFilePath();
        if (input.isEmpty())
            continue;
        const QString usb = usbDeviceOfInput(input);
        if (usb.isEmpty())
            continue;
        bool ok = false;
        if (sysfsAttribute(usb + QStringLiteral("/idVendor")).toUInt(&ok, 16) != KESTRIX_VENDOR_ID ||
            !ok)
            continue;
        const unsigned productId = sysfsAttribute(usb + QStringLiteral("/idProduct")).toUInt(&ok, 16);
        if (!ok || !productById(productId))
            continue;
        EventNode node;
        node.node = root + QStringLiteral("/dev/input/") + name;
        node.productId = uint16_t(productId);
        node.busNumber = sysfsAttribute(usb + QStringLiteral("/busnum")).toInt();
        node.deviceNumber = sysfsAttribute(usb + QStringLiteral("/devnum")).toInt();
        found.push_back({match.captured(1).toInt(), node});
    }
    std::sort(found.begin(), found.end(),
              [](const auto &a, const auto &b) { return a.first < b.first; });
    std::vector<EventNode> nodes;
    for (const auto &entry : found)
        nodes.push_back(entry.second);
    return nodes;
}

QString unreadableNodeReason(const QString &node, int error)
{
    const QString text = QString::fromLocal8Bit(std::strerror(error));
    if (error == EACCES || error == EPERM)
        return QCoreApplication::translate("EvdevInput", "this user may not read %1 (%2)")
            .arg(node, text);
    return QCoreApplication::translate("EvdevInput", "%1 can not be read (%2)").arg(node, text);
}

InputOpening EvdevInput::open(const QString &node)
{
    const int fd = ::open(QFile::encodeName(node).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return {nullptr, unreadableNodeReason(node, errno)};
    libevdev *device = nullptr;
    const int rc = libevdev_new_from_fd(fd, &device);
    if (rc < 0) {
        ::close(fd);
        return {nullptr, unreadableNodeReason(node, -rc)};
    }
    return {std::unique_ptr<InputSource>(new EvdevInput(fd, device, node)), QString()};
}

EvdevInput::EvdevInput(int fd, libevdev *device, const QString &node)
    : fd(fd), device(device), node(node)
{
    current = wholeState();
    pending = current;
    notifier = new QSocketNotifier(fd, QSocketNotifier::Read, this);
    connect(notifier, &QSocketNotifier::activated, this, &EvdevInput::readAvailable);
}

EvdevInput::~EvdevInput()
{
    delete notifier; // before the descriptor it watches goes
    libevdev_free(device);
    ::close(fd);
}

InputState EvdevInput::wholeState() const
{
    InputState state;
    state.deviceName = QString::fromUtf8(libevdev_get_name(device));
    for (int code = 0; code <= ABS_MAX; ++code) {
        if (!libevdev_has_event_code(device, EV_ABS, code))
            continue;
        int hat = 0;
        bool vertical = false;
        if (isHatCode(code, &hat, &vertical)) {
            if (!vertical) {
                InputHat h;
                h.number = hat;
                h.x = libevdev_get_event_value(device, EV_ABS, code);
                h.y = libevdev_get_event_value(device, EV_ABS, code + 1);
                state.hats.push_back(h);
            }
            continue;
        }
        const input_absinfo *info = libevdev_get_abs_info(device, code);
        InputAxis axis;
        axis.code = code;
        axis.name = axisName(code);
        axis.minimum = info->minimum;
        axis.maximum = info->maximum;
        axis.fuzz = info->fuzz;
        axis.flat = info->flat;
        axis.value = info->value;
        state.axes.push_back(axis);
    }
    for (int code = 0; code <= KEY_MAX; ++code) {
        if (libevdev_has_event_code(device, EV_KEY, code))
            state.buttons.push_back({code, 0, libevdev_get_event_value(device, EV_KEY, code) != 0});
    }
    numberButtons(state.buttons);
    return state;
}

void EvdevInput::readAvailable()
{
    input_event event;
    for (;;) {
        const int rc = libevdev_next_event(
            device, syncing ? LIBEVDEV_READ_FLAG_SYNC : LIBEVDEV_READ_FLAG_NORMAL, &event);
        if (rc == -EAGAIN) {
            if (!syncing)
                return;
            // The sync is over: libevdev holds the device's whole state again.
            syncing = false;
            pending = wholeState();
            takeReport(pending);
            continue;
        }
        if (rc < 0) {
            fail(-rc);
            return;
        }
        if (rc == LIBEVDEV_READ_STATUS_SYNC) {
            // Events were dropped: the report in progress is incomplete, and the deltas of
            // the sync are read only to get past them.
            syncing = true;
            continue;
        }
        if (event.type == EV_SYN && event.code == SYN_REPORT) {
            takeReport(pending);
        } else if (event.type == EV_ABS) {
            int hat = 0;
            bool vertical = false;
            if (isHatCode(event.code, &hat, &vertical)) {
                for (InputHat &h : pending.hats) {
                    if (h.number == hat)
                        (vertical ? h.y : h.x) = event.value;
                }
            } else {
                for (InputAxis &a : pending.axes) {
                    if (a.code == event.code)
                        a.value = event.value;
                }
            }
        } else if (event.type == EV_KEY) {
            for (InputButton &b : pending.buttons) {
                if (b.code == event.code)
                    b.pressed = event.value != 0; // 2 (repeat) is still down
            }
        }
    }
}

void EvdevInput::fail(int error)
{
    notifier->setEnabled(false);
    emit lost(error == ENODEV
                  ? QCoreApplication::translate("EvdevInput", "%1 is gone").arg(node)
                  : unreadableNodeReason(node, error));
}

InputOpening EvdevInputProvider::open(uint16_t productId)
{
    for (const EventNode &node : findEventNodes(root)) {
        if (node.productId == productId)
            return EvdevInput::open(node.node);
    }
    return {nullptr, QCoreApplication::translate("EvdevInput", "the controller has no event device"),
            true};
}

InputProvider &systemInputProvider()
{
    static EvdevInputProvider events;
    return events;
}
