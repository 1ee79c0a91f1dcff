// GLib's headers first: they use a name that Qt defines as a macro.
#include <umockdev.h>

#include "usb_testbed.h"

#include <QDir>
#include <QFileInfo>

#include "kestrix_protocol.h"
#include "usb_access.h"

#include <QTemporaryDir>

#include <linux/usbdevice_fs.h>
#include <sys/ioctl.h>

#include <cerrno>
#include <csignal>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <map>
#include <utility>

#include <dlfcn.h>
#include <sys/prctl.h>
#include <unistd.h>

namespace
{

constexpr int BUS_NUMBER = 1;
constexpr int LAST_DEVICE_NUMBER = 127;
constexpr int SETUP_PACKET_SIZE = 8;
constexpr uint8_t HID_REPORT_DESCRIPTOR_LENGTH = 0x5B;

// A USB device as umockdev-record writes it: path, node, udev properties, sysfs attributes.
// Enumeration through udev needs the properties; libusb reads busnum, devnum, speed and
// the binary descriptors (without which it ignores the device) from sysfs.
constexpr const char DEVICE_DESCRIPTION[] = "P: %s\n"
                                            "N: bus/usb/%03d/%03d\n"
                                            "E: SUBSYSTEM=usb\n"
                                            "E: DEVTYPE=usb_device\n"
                                            "E: DRIVER=usb\n"
                                            "E: DEVNAME=/dev/bus/usb/%03d/%03d\n"
                                            "E: BUSNUM=%03d\n"
                                            "E: DEVNUM=%03d\n"
                                            "E: MAJOR=189\n"
                                            "E: MINOR=%d\n"
                                            "E: PRODUCT=%x/%x/100\n"
                                            "E: TYPE=0/0/0\n"
                                            "E: ID_VENDOR_ID=%04x\n"
                                            "E: ID_MODEL_ID=%04x\n"
                                            "A: busnum=%d\n"
                                            "A: devnum=%d\n"
                                            "A: speed=12\n"
                                            "A: idVendor=%04x\n"
                                            "A: idProduct=%04x\n"
                                            "A: bcdDevice=0100\n"
                                            "A: bDeviceClass=00\n"
                                            "A: bNumConfigurations=1\n"
                                            "A: bConfigurationValue=1\n"
                                            "A: bMaxPacketSize0=64\n"
                                            "A: product=Kestrix %s\n"
                                            "H: descriptors=%s\n";

constexpr const char *PRELOAD_SONAME = "libumockdev-preload.so.0";
constexpr const char *REEXEC_MARK = "KESTRIX_UMOCKDEV_REEXEC";

bool preloadActive()
{
    void *library = dlopen(PRELOAD_SONAME, RTLD_LAZY | RTLD_NOLOAD);
    if (!library)
        return false;
    dlclose(library);
    return true;
}

// The ASan runtime has to come first in a sanitized program's library list, before the
// preload library.
std::string sanitizerRuntime()
{
    void *symbol = dlsym(RTLD_DEFAULT, "__asan_init");
    Dl_info info;
    if (symbol && dladdr(symbol, &info) && info.dli_fname)
        return info.dli_fname;
    return std::string();
}

// What the kernel exposes in sysfs as "descriptors", in hex: the device descriptor followed
// by the active configuration. One HID interface (0) with an interrupt IN endpoint, as the
// controller has.
QByteArray usbDescriptors(uint16_t vendorId, uint16_t productId)
{
    // clang-format off
    const uint8_t bytes[] = {
        // device
        18, 0x01, 0x00, 0x02, 0x00, 0x00, 0x00, 64, uint8_t(vendorId), uint8_t(vendorId >> 8),
        uint8_t(productId), uint8_t(productId >> 8), 0x00, 0x01, 0, 0, 0, 1,
        // configuration: 34 bytes in all, one interface, bus powered, 100 mA
        9, 0x02, 34, 0, 1, 1, 0, 0x80, 50,
        // interface 0: HID, no boot protocol, one endpoint
        9, 0x04, 0, 0, 1, 0x03, 0x00, 0x00, 0,
        // HID 1.11, one report descriptor
        9, 0x21, 0x11, 0x01, 0, 1, 0x22, HID_REPORT_DESCRIPTOR_LENGTH, 0,
        // endpoint 0x81, interrupt, 64 bytes, every frame
        7, 0x05, 0x81, 0x03, 64, 0, 1,
    };
    // clang-format on
    return QByteArray(reinterpret_cast<const char *>(bytes), sizeof bytes).toHex();
}

struct Urb {
    UMockdevIoctlData *memory = nullptr; // the caller's usbdevfs_urb, with its buffer resolved
    int status = 0;
    int actualLength = 0;
};

struct ClientUrbs {
    std::deque<Urb> inFlight; // waiting for the device, which will not answer
    std::deque<Urb> reapable;
};

void release(std::deque<Urb> &urbs)
{
    for (Urb &urb : urbs)
        g_object_unref(urb.memory);
    urbs.clear();
}

// The usbfs status an URB ends with when the device answered the transfer with `result`.
int urbStatus(int result)
{
    switch (result) {
    case USB_ERROR_NO_DEVICE:
        return -ESHUTDOWN; // gone in the middle of the transfer
    case USB_ERROR_PIPE:
        return -EPIPE; // stalled
    case USB_ERROR_OVERFLOW:
        return -EOVERFLOW;
    default:
        return -EPROTO;
    }
}

} // namespace

struct UsbTestbed::Port {
    std::unique_ptr<SimulatedController> controller;
    int number = 0;
    std::string hidrawPath; // sysfs path of its hidraw node, empty while it has none
    bool unresponsive = false;
    Node *current = nullptr;
    std::vector<std::unique_ptr<Node>> nodes;
};

// One appearance of a controller on the bus: a device node and the usbfs files opened on it.
struct UsbTestbed::Node {
    UsbTestbed *owner = nullptr;
    Port *port = nullptr;
    int deviceNumber = 0;
    std::string sysPath;
    uint64_t session = 0;
    bool removed = false;
    UMockdevIoctlBase *handler = nullptr;
    std::map<UMockdevIoctlClient *, ClientUrbs> clients;
    std::vector<UMockdevIoctlClient *> opened; // every file opened on the node, referenced
    NodeActivity activity;

    bool ioctl(UMockdevIoctlClient *client);
    void submit(UMockdevIoctlClient *client, UMockdevIoctlData *arg);
    void reap(UMockdevIoctlClient *client, UMockdevIoctlData *arg);
    void discard(UMockdevIoctlClient *client, UMockdevIoctlData *arg);
    bool gone() const;
    void connected(UMockdevIoctlClient *client);
    NodeActivity currentActivity() const;
};

namespace
{

gboolean onHandleIoctl(UMockdevIoctlBase *, UMockdevIoctlClient *client, gpointer node)
{
    return static_cast<UsbTestbed::Node *>(node)->ioctl(client);
}

// The HID device that the kernel's HID driver makes on interface 0 of the port's controller,
// with `number` in its name: its sysfs path, and the records of it and of the interface, which
// umockdev-record writes after the nodes below them.
std::pair<QString, QString> hidDevice(const UsbTestbed::Port &port, int number)
{
    const SimulatedController &controller = *port.controller;
    const QString interface = QString::fromStdString(port.current->sysPath.substr(4)) +
                              QStringLiteral("/%1-%2:1.0").arg(BUS_NUMBER).arg(port.number);
    const QString hid = interface + QString::asprintf("/0003:%04X:%04X.%04X", controller.vendorId(),
                                                      controller.productId(), number);
    const QString records =
        QString::asprintf("P: %s\nE: SUBSYSTEM=hid\nE: HID_ID=0003:%08X:%08X\n\n", qPrintable(hid),
                          controller.vendorId(), controller.productId()) +
        QStringLiteral("P: %1\nE: SUBSYSTEM=usb\nE: DEVTYPE=usb_interface\n"
                       "A: bInterfaceNumber=00\nA: bInterfaceClass=03\n")
            .arg(interface);
    return {hid, records};
}

UMockdevIoctlData *resolve(UMockdevIoctlData *data, gsize offset, gsize length)
{
    GError *error = nullptr;
    UMockdevIoctlData *resolved = umockdev_ioctl_data_resolve(data, offset, length, &error);
    if (error) {
        std::fprintf(stderr, "usbfs emulation: %s\n", error->message);
        g_error_free(error);
    }
    return resolved;
}

} // namespace

bool UsbTestbed::Node::gone() const
{
    return removed || port->controller->connection() != session;
}

bool UsbTestbed::Node::ioctl(UMockdevIoctlClient *client)
{
    const unsigned long request = umockdev_ioctl_client_get_request(client);
    UMockdevIoctlData *arg = umockdev_ioctl_client_get_arg(client);
    std::lock_guard<std::mutex> lock(owner->mutex);
    switch (request) {
    case USBDEVFS_GET_CAPABILITIES: {
        UMockdevIoctlData *caps = resolve(arg, 0, sizeof(uint32_t));
        if (!caps) {
            umockdev_ioctl_client_complete(client, -1, EFAULT);
            return TRUE;
        }
        const uint32_t value = USBDEVFS_CAP_ZERO_PACKET | USBDEVFS_CAP_BULK_CONTINUATION |
                               USBDEVFS_CAP_NO_PACKET_SIZE_LIM | USBDEVFS_CAP_REAP_AFTER_DISCONNECT;
        std::memcpy(caps->data, &value, sizeof value);
        umockdev_ioctl_client_complete(client, 0, 0);
        g_object_unref(caps);
        return TRUE;
    }
    case USBDEVFS_SUBMITURB:
        submit(client, arg);
        return TRUE;
    case USBDEVFS_REAPURBNDELAY:
        reap(client, arg);
        return TRUE;
    case USBDEVFS_DISCARDURB:
        discard(client, arg);
        return TRUE;
    default:
        return FALSE; // the caller sees ENOTTY
    }
}

void UsbTestbed::Node::submit(UMockdevIoctlClient *client, UMockdevIoctlData *arg)
{
    if (gone()) {
        umockdev_ioctl_client_complete(client, -1, ENODEV);
        return;
    }
    UMockdevIoctlData *memory = resolve(arg, 0, sizeof(usbdevfs_urb));
    if (!memory) {
        umockdev_ioctl_client_complete(client, -1, EFAULT);
        return;
    }
    const auto *urb = reinterpret_cast<const usbdevfs_urb *>(memory->data);
    UMockdevIoctlData *buffer = nullptr;
    if (urb->type == USBDEVFS_URB_TYPE_CONTROL && urb->buffer_length >= SETUP_PACKET_SIZE)
        buffer = resolve(memory, offsetof(usbdevfs_urb, buffer), urb->buffer_length);
    if (!buffer) {
        umockdev_ioctl_client_complete(client, -1, EINVAL);
        g_object_unref(memory);
        return;
    }

    unsigned char *setup = buffer->data;
    const uint8_t requestType = setup[0];
    const uint8_t request = setup[1];
    const uint16_t value = static_cast<uint16_t>(setup[2] | setup[3] << 8);
    const uint16_t index = static_cast<uint16_t>(setup[4] | setup[5] << 8);
    const uint16_t length = static_cast<uint16_t>(setup[6] | setup[7] << 8);

    if (SETUP_PACKET_SIZE + length > urb->buffer_length) {
        umockdev_ioctl_client_complete(client, -1, EINVAL);
        g_object_unref(buffer);
        g_object_unref(memory);
        return;
    }

    ++activity.submitted;
    ClientUrbs &urbs = clients[client];
    Urb pending{memory, 0, 0};
    // The controller is never slowed down here (no latency, no time-outs that take time):
    // this runs on umockdev's worker thread, which serves every node.
    const int result = port->unresponsive
                           ? int(USB_ERROR_TIMEOUT)
                           : port->controller->controlTransfer(requestType, request, value, index,
                                                               setup + SETUP_PACKET_SIZE, length,
                                                               TRANSFER_TIMEOUT_MS, session);
    if (result == USB_ERROR_TIMEOUT) {
        urbs.inFlight.push_back(pending);
    } else {
        pending.status = result < 0 ? urbStatus(result) : 0;
        pending.actualLength = result < 0 ? 0 : result;
        urbs.reapable.push_back(pending);
    }
    umockdev_ioctl_client_complete(client, 0, 0);
    g_object_unref(buffer);
}

void UsbTestbed::Node::reap(UMockdevIoctlClient *client, UMockdevIoctlData *arg)
{
    auto found = clients.find(client);
    if (found == clients.end() || found->second.reapable.empty()) {
        umockdev_ioctl_client_complete(client, -1, removed ? ENODEV : EAGAIN);
        return;
    }
    UMockdevIoctlData *slot = resolve(arg, 0, sizeof(void *));
    if (!slot) {
        umockdev_ioctl_client_complete(client, -1, EFAULT);
        return;
    }
    Urb done = found->second.reapable.front();
    found->second.reapable.pop_front();
    auto *urb = reinterpret_cast<usbdevfs_urb *>(done.memory->data);
    urb->status = done.status;
    urb->actual_length = done.actualLength;
    umockdev_ioctl_data_set_ptr(slot, 0, done.memory);
    umockdev_ioctl_client_complete(client, 0, 0);
    g_object_unref(slot);
    g_object_unref(done.memory);
}

void UsbTestbed::Node::discard(UMockdevIoctlClient *client, UMockdevIoctlData *arg)
{
    gulong address = 0;
    std::memcpy(&address, arg->data, std::min<size_t>(sizeof address, arg->data_len));
    auto found = clients.find(client);
    if (found != clients.end()) {
        std::deque<Urb> &inFlight = found->second.inFlight;
        for (auto it = inFlight.begin(); it != inFlight.end(); ++it) {
            if (it->memory->client_addr != address)
                continue;
            Urb cancelled = *it;
            cancelled.status = -ENOENT;
            inFlight.erase(it);
            found->second.reapable.push_back(cancelled);
            ++activity.discarded;
            umockdev_ioctl_client_complete(client, 0, 0);
            return;
        }
    }
    umockdev_ioctl_client_complete(client, -1, EINVAL); // completed already, or unknown
}

void UsbTestbed::Node::connected(UMockdevIoctlClient *client)
{
    std::lock_guard<std::mutex> lock(owner->mutex);
    ++activity.opens;
    opened.push_back(static_cast<UMockdevIoctlClient *>(g_object_ref(client)));
}

UsbTestbed::NodeActivity UsbTestbed::Node::currentActivity() const
{
    NodeActivity out = activity;
    out.openNow = 0;
    for (UMockdevIoctlClient *client : opened)
        out.openNow += umockdev_ioctl_client_get_connected(client) ? 1 : 0;
    return out;
}

namespace
{

void onClientConnected(UMockdevIoctlBase *, UMockdevIoctlClient *client, gpointer node)
{
    static_cast<UsbTestbed::Node *>(node)->connected(client);
}
} // namespace

UsbTestbed::UsbTestbed()
{
    if (!preloadActive()) {
        failure = QStringLiteral("umockdev's preload library is not loaded in this process");
        return;
    }
    bed = umockdev_testbed_new();
    gchar *root = umockdev_testbed_get_root_dir(bed);
    const QDir dir(QString::fromUtf8(root));
    g_free(root);
    // Enumeration needs the usb bus in sysfs and /dev/bus/usb even before the first device,
    // and the marker proves that /sys is the testbed's before anything may look at USB devices.
    QFile marker(dir.filePath(QStringLiteral("sys/kestrix-testbed")));
    valid = dir.mkpath(QStringLiteral("sys/bus/usb/devices")) &&
            dir.mkpath(QStringLiteral("dev/bus/usb")) && marker.open(QIODevice::WriteOnly) &&
            access("/sys/kestrix-testbed", F_OK) == 0;
    if (!valid)
        failure = QStringLiteral("/sys is not redirected to the testbed %1").arg(dir.path());

    // Only the testbed's devices are visible from here on, so the libusb bus may open them.
    if (valid) {
        if (const char *refuse = std::getenv("KESTRIX_REFUSE_HARDWARE"))
            refusedHardware = refuse;
        unsetenv("KESTRIX_REFUSE_HARDWARE");
    }

    follow.setInterval(10);
    connect(&follow, &QTimer::timeout, this, &UsbTestbed::sync);
    follow.start();
}

UsbTestbed::~UsbTestbed()
{
    follow.stop();
    if (bed)
        g_object_unref(bed); // stops the worker thread that runs the handlers
    for (auto &port : ports) {
        for (auto &node : port->nodes) {
            for (auto &client : node->clients) {
                release(client.second.inFlight);
                release(client.second.reapable);
            }
            for (UMockdevIoctlClient *client : node->opened)
                g_object_unref(client);
            if (node->handler)
                g_object_unref(node->handler);
        }
    }
    if (!refusedHardware.empty())
        setenv("KESTRIX_REFUSE_HARDWARE", refusedHardware.c_str(), 1);
}

SimulatedController *UsbTestbed::add(ControllerKind kind)
{
    if (!valid)
        return nullptr;
    auto port = std::make_unique<Port>();
    port->controller = std::make_unique<SimulatedController>(kind);
    port->number = static_cast<int>(ports.size()) + 1;
    ports.push_back(std::move(port));
    plugIn(*ports.back());
    return ports.back()->controller.get();
}

UsbTestbed::Port *UsbTestbed::portOf(SimulatedController *controller) const
{
    for (const auto &port : ports) {
        if (port->controller.get() == controller)
            return port.get();
    }
    return nullptr;
}

void UsbTestbed::plugIn(Port &port)
{
    if (nextDeviceNumber > LAST_DEVICE_NUMBER) {
        fail(QStringLiteral("out of device numbers"));
        return;
    }
    auto node = std::make_unique<Node>();
    node->owner = this;
    node->port = &port;
    node->deviceNumber = nextDeviceNumber++;
    node->session = port.controller->connection();
    const QString devicePath = QStringLiteral("/devices/pci0000:00/0000:00:14.0/usb%1/%1-%2")
                                   .arg(BUS_NUMBER)
                                   .arg(port.number);
    node->sysPath = "/sys" + devicePath.toStdString();
    node->activity.node =
        QString::asprintf("/dev/bus/usb/%03d/%03d", BUS_NUMBER, node->deviceNumber);

    // The handler has to be in place before the node appears.
    node->handler = umockdev_ioctl_base_new();
    g_signal_connect(node->handler, "handle-ioctl", G_CALLBACK(onHandleIoctl), node.get());
    g_signal_connect(node->handler, "client-connected", G_CALLBACK(onClientConnected), node.get());
    GError *error = nullptr;
    const QByteArray nodePath = node->activity.node.toUtf8();
    if (!umockdev_testbed_attach_ioctl(bed, nodePath.constData(), node->handler, &error)) {
        fail(QString::fromUtf8(error->message));
        g_error_free(error);
        port.nodes.push_back(std::move(node)); // the handler may have been referenced
        return;
    }

    const SimulatedController &controller = *port.controller;
    const uint16_t vendorId = controller.vendorId();
    const uint16_t productId = controller.productId();
    const QByteArray kind = controllerKindName(controller.kind());
    const QByteArray descriptors = usbDescriptors(vendorId, productId);
    const int bus = BUS_NUMBER;
    const int device = node->deviceNumber;
    const QString description = QString::asprintf(
        DEVICE_DESCRIPTION, devicePath.toUtf8().constData(), bus, device, bus, device, bus, device,
        (bus - 1) * 128 + device - 1, vendorId, productId, vendorId, productId, bus, device,
        vendorId, productId, kind.constData(), descriptors.constData());
    const QByteArray text = description.toUtf8();
    if (!umockdev_testbed_add_from_string(bed, text.constData(), &error)) {
        fail(QString::fromUtf8(error->message));
        g_error_free(error);
        port.nodes.push_back(std::move(node));
        return;
    }
    port.current = node.get();
    port.nodes.push_back(std::move(node));
}

void UsbTestbed::pullOut(Port &port)
{
    Node *node = port.current;
    if (!node)
        return;
    {
        std::lock_guard<std::mutex> lock(mutex);
        node->removed = true;
        for (auto &client : node->clients) {
            for (Urb &urb : client.second.inFlight) {
                urb.status = -ESHUTDOWN;
                client.second.reapable.push_back(urb);
                ++node->activity.shutDown;
            }
            client.second.inFlight.clear();
        }
    }
    // The uevent carries the device's properties, so it goes out before they are removed.
    umockdev_testbed_uevent(bed, node->sysPath.c_str(), "remove");
    umockdev_testbed_remove_device(bed, node->sysPath.c_str());
    port.current = nullptr;
}

QString UsbTestbed::addHidrawNode(SimulatedController *controller)
{
    Port *port = portOf(controller);
    if (!valid || !port || !port->current || !port->hidrawPath.empty())
        return QString();
    // As umockdev-record writes a device: the node first, then its parents up to the
    // USB device, which is there already.
    const auto [hid, parents] = hidDevice(*port, nextHidrawNumber + 1);
    const QString name = QStringLiteral("hidraw%1").arg(nextHidrawNumber++);
    const QString node = hid + QStringLiteral("/hidraw/") + name;
    const QString description =
        QStringLiteral("P: %1\nN: %2\nE: SUBSYSTEM=hidraw\nE: DEVNAME=/dev/%2\n"
                       "L: device=../../../%3\n\n")
            .arg(node, name, QFileInfo(hid).fileName()) +
        parents;
    GError *error = nullptr;
    if (!umockdev_testbed_add_from_string(bed, description.toUtf8().constData(), &error)) {
        fail(QString::fromUtf8(error->message));
        g_error_free(error);
        return QString();
    }
    port->hidrawPath = "/sys" + node.toStdString();
    return QStringLiteral("/dev/") + name;
}

QString UsbTestbed::addEventNode(SimulatedController *controller, const QString &ioctlFile,
                                 const QString &eventsFile)
{
    Port *port = portOf(controller);
    if (!valid || !port || !port->current)
        return QString();
    const int number = nextInputNumber++;
    const auto [hid, parents] = hidDevice(*port, 0x100 + number);
    const QString input = hid + QStringLiteral("/input/input%1").arg(number);
    const QString name = QStringLiteral("event%1").arg(number);
    const QString description =
        QStringLiteral("P: %1/%2\nN: input/%2\nE: SUBSYSTEM=input\nE: DEVNAME=/dev/input/%2\n"
                       "E: ID_INPUT=1\nE: ID_INPUT_JOYSTICK=1\nL: device=../../input%3\n\n")
            .arg(input, name)
            .arg(number) +
        QString::asprintf("P: %s\nE: SUBSYSTEM=input\nE: PRODUCT=3/%x/%x/110\n\n",
                          qPrintable(input), controller->vendorId(), controller->productId()) +
        parents;
    GError *error = nullptr;
    const QString node = QStringLiteral("/dev/input/") + name;
    if (!umockdev_testbed_add_from_string(bed, description.toUtf8().constData(), &error) ||
        !umockdev_testbed_load_ioctl(bed, qPrintable(node), qPrintable(ioctlFile), &error) ||
        !umockdev_testbed_load_evemu_events(bed, qPrintable(node), qPrintable(eventsFile),
                                            &error)) {
        fail(QString::fromUtf8(error->message));
        g_error_free(error);
        return QString();
    }
    return node;
}

void UsbTestbed::removeHidrawNode(SimulatedController *controller)
{
    Port *port = portOf(controller);
    if (!valid || !port || port->hidrawPath.empty())
        return;
    umockdev_testbed_uevent(bed, port->hidrawPath.c_str(), "remove");
    umockdev_testbed_remove_device(bed, port->hidrawPath.c_str());
    port->hidrawPath.clear();
}

void UsbTestbed::fail(const QString &reason)
{
    std::fprintf(stderr, "usbfs emulation: %s\n", qPrintable(reason));
    failure = reason;
    valid = false;
}

void UsbTestbed::sync()
{
    if (!valid)
        return;
    for (auto &port : ports) {
        const uint64_t connection = port->controller->connection();
        if (port->current && port->current->session != connection)
            pullOut(*port);
        if (!port->current && connection != 0)
            plugIn(*port);
    }
}

void UsbTestbed::unplug(SimulatedController *controller)
{
    controller->unplug();
    sync();
}

void UsbTestbed::plug(SimulatedController *controller)
{
    controller->plug();
    sync();
}

void UsbTestbed::setUnresponsive(SimulatedController *controller, bool unresponsive)
{
    if (Port *port = portOf(controller)) {
        std::lock_guard<std::mutex> lock(mutex);
        port->unresponsive = unresponsive;
    }
}

QString UsbTestbed::deviceNode(SimulatedController *controller) const
{
    const Port *port = portOf(controller);
    return port && port->current ? port->current->activity.node : QString();
}

std::vector<UsbTestbed::NodeActivity> UsbTestbed::activity(SimulatedController *controller) const
{
    std::vector<NodeActivity> out;
    if (const Port *port = portOf(controller)) {
        std::lock_guard<std::mutex> lock(mutex);
        for (const auto &node : port->nodes)
            out.push_back(node->currentActivity());
    }
    return out;
}

QProcessEnvironment UsbTestbed::programEnvironment()
{
    QProcessEnvironment out = QProcessEnvironment::systemEnvironment();
    for (const char *name :
         {"KESTRIX_SIMULATOR", "KESTRIX_SIMULATOR_LOG", "KESTRIX_REFUSE_HARDWARE", REEXEC_MARK})
        out.remove(QString::fromLatin1(name));
    std::string preload = out.value(QStringLiteral("LD_PRELOAD")).toStdString();
    // The preload library may be linked into this process rather than preloaded; the
    // program needs it preloaded either way.
    if (preload.find(PRELOAD_SONAME) == std::string::npos &&
        preload.find(KESTRIX_UMOCKDEV_PRELOAD) == std::string::npos)
        preload = std::string(KESTRIX_UMOCKDEV_PRELOAD) + (preload.empty() ? "" : ":") + preload;
    const std::string asan = sanitizerRuntime();
    if (!asan.empty() && preload.find(asan) == std::string::npos)
        preload = asan + ":" + preload;
    out.insert(QStringLiteral("LD_PRELOAD"), QString::fromStdString(preload));
    out.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    // wheelconfig hands over to the one running in the session: here, to one of this run.
    static const QTemporaryDir runtime;
    out.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime.path());
    return out;
}

bool RunningProgram::start(const QString &program, const QStringList &arguments,
                           const QString &workingDirectory, const QProcessEnvironment &environment)
{
    stop();
    process.setProgram(program);
    process.setArguments(arguments);
    process.setWorkingDirectory(workingDirectory);
    process.setProcessEnvironment(environment);
    // Nobody reads its output, so it must not wait for a reader.
    process.setProcessChannelMode(QProcess::ForwardedChannels);
    // A test that crashes must not leave the program running against a dead testbed.
    process.setChildProcessModifier([] { prctl(PR_SET_PDEATHSIG, SIGTERM); });
    process.start();
    return process.waitForStarted();
}

bool RunningProgram::isRunning()
{
    return process.state() != QProcess::NotRunning && !process.waitForFinished(0);
}

QString RunningProgram::exitDescription() const
{
    if (process.state() != QProcess::NotRunning)
        return QString();
    return process.exitStatus() == QProcess::NormalExit
               ? QStringLiteral("exited with %1").arg(process.exitCode())
               : QStringLiteral("killed (%1)").arg(process.errorString());
}

void RunningProgram::stop()
{
    if (!isRunning())
        return;
    process.terminate();
    if (!process.waitForFinished(3000)) {
        process.kill();
        process.waitForFinished();
    }
}

int umockdevTestMain(int argc, char **argv, const std::function<int(int, char **)> &tests)
{
    const char *require = std::getenv("KESTRIX_REQUIRE_UMOCKDEV");
    const bool required = require && *require && std::strcmp(require, "0") != 0;
    if (!preloadActive()) {
        if (!std::getenv(REEXEC_MARK)) {
            setenv(REEXEC_MARK, "1", 1);
            const char *previous = std::getenv("LD_PRELOAD");
            std::string preload = KESTRIX_UMOCKDEV_PRELOAD;
            if (previous && *previous)
                preload += std::string(":") + previous;
            setenv("LD_PRELOAD", preload.c_str(), 1);
            execv("/proc/self/exe", argv);
            std::perror("re-executing under umockdev's preload library");
        }
        std::fprintf(stderr,
                     "%s: umockdev's preload library %s could not be loaded, so the "
                     "emulated USB devices are not available.\n",
                     argv[0], KESTRIX_UMOCKDEV_PRELOAD);
        return required ? EXIT_FAILURE : 77;
    }
    unsetenv(REEXEC_MARK);

    // umockdev keeps its sockets in the testbed under TMPDIR, and a Unix socket path has at
    // most 108 bytes.
    const char *tmp = std::getenv("TMPDIR");
    if (!tmp || std::strlen(tmp) > 32 || access(tmp, W_OK) != 0)
        setenv("TMPDIR", "/tmp", 1);

    return tests(argc, argv);
}
