#include "hidraw_bus.h"

#include "device_events.h"
#include "kestrix_protocol.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <system_error>
#include <thread>
#include <utility>
#include <vector>

#include <fcntl.h>
#include <linux/hidraw.h>
#include <sys/ioctl.h>
#include <unistd.h>

namespace {

constexpr uint32_t BUS_USB_ID = 0x0003; // first field of HID_ID

// The kernel refuses feature requests shorter than 2 bytes and, on older kernels, longer
// than 4096 (HID_MAX_BUFFER_SIZE).
constexpr int HIDRAW_MIN_REQUEST = 2;
constexpr int HIDRAW_MAX_REQUEST = 4096;

constexpr int EINTR_RETRIES = 10;

uint32_t idsKey(uint16_t vendorId, uint16_t productId)
{
    return uint32_t(vendorId) << 16 | productId;
}

// HID_ID=<bus>:<vendor>:<product>, hexadecimal in either case: the product of a USB device of
// that vendor, or -1.
int usbHidProduct(const QByteArray &uevent, uint16_t vendorId)
{
    static const QRegularExpression hidId(
        QStringLiteral("^([0-9A-Fa-f]{1,8}):([0-9A-Fa-f]{1,8}):([0-9A-Fa-f]{1,8})$"));
    for (const QByteArray &line : uevent.split('\n')) {
        if (!line.startsWith("HID_ID="))
            continue;
        const QRegularExpressionMatch match =
            hidId.match(QString::fromLatin1(line.mid(7).trimmed()));
        if (!match.hasMatch())
            return -1;
        const unsigned product = match.captured(3).toUInt(nullptr, 16);
        if (match.captured(1).toUInt(nullptr, 16) != BUS_USB_ID ||
            match.captured(2).toUInt(nullptr, 16) != vendorId || product > 0xFFFF)
            return -1;
        return int(product);
    }
    return -1;
}

bool isInterfaceZero(const QByteArray &interfaceNumber)
{
    static const QRegularExpression number(QStringLiteral("^[0-9A-Fa-f]{1,2}$"));
    const QString text = QString::fromLatin1(interfaceNumber.trimmed());
    return number.match(text).hasMatch() && text.toUInt(nullptr, 16) == 0;
}

} // namespace

std::vector<HidrawInterface> findHidrawInterfaces(uint16_t vendorId, const QString &sysfsRoot,
                                                  const QString &devRoot)
{
    static const QRegularExpression nodeName(QStringLiteral("^hidraw([0-9]{1,9})$"));
    const QDir classDir(sysfsRoot + QStringLiteral("/class/hidraw"));

    std::vector<std::pair<int, HidrawInterface>> found;
    const QStringList names =
        classDir.entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot);
    for (const QString &name : names) {
        const QRegularExpressionMatch match = nodeName.match(name);
        if (!match.hasMatch())
            continue;
        // hidrawN/device is the HID device; its parent directory is the USB interface.
        const QString device =
            QFileInfo(classDir.filePath(name) + QStringLiteral("/device")).canonicalFilePath();
        if (device.isEmpty())
            continue;
        const int product =
            usbHidProduct(sysfsAttribute(device + QStringLiteral("/uevent")), vendorId);
        if (product < 0)
            continue;
        const QString interface = QFileInfo(device).path();
        if (!isInterfaceZero(sysfsAttribute(interface + QStringLiteral("/bInterfaceNumber"))))
            continue;
        found.push_back(
            {match.captured(1).toInt(),
             {devRoot + QLatin1Char('/') + name, uint16_t(product), QFileInfo(interface).path()}});
    }
    std::sort(found.begin(), found.end(),
              [](const auto &a, const auto &b) { return a.first < b.first; });

    std::vector<HidrawInterface> interfaces;
    for (const auto &node : found)
        interfaces.push_back(node.second);
    return interfaces;
}

QStringList findHidrawNodes(uint16_t vendorId, uint16_t productId, const QString &sysfsRoot,
                            const QString &devRoot)
{
    QStringList nodes;
    for (const HidrawInterface &interface : findHidrawInterfaces(vendorId, sysfsRoot, devRoot)) {
        if (interface.productId == productId)
            nodes << interface.node;
    }
    return nodes;
}

QByteArray sysfsAttribute(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.read(4096).trimmed();
}

int hidrawErrorToUsbResult(int error)
{
    switch (error) {
    case ENODEV:
    case ENXIO:
    case EIO:
    case ESHUTDOWN:
        return USB_ERROR_NO_DEVICE; // the poll then closes the handle
    case ETIMEDOUT:
        return USB_ERROR_TIMEOUT;
    case EPIPE:
        return USB_ERROR_PIPE;
    case EACCES:
    case EPERM:
        return USB_ERROR_ACCESS;
    case EINTR:
        return USB_ERROR_INTERRUPTED;
    default:
        return USB_ERROR_IO;
    }
}

// The thread that issues a handle's ioctls, so that its caller can give up on one the
// controller does not answer. It owns the fd once it has been started.
struct HidrawHandle::Worker {
    Worker(int fd, HidrawIoctl function)
        : fd(fd), ioctlFunction(function ? std::move(function)
                                         : [](int f, unsigned long request, void *argument) {
                                               return ::ioctl(f, request, argument);
                                           })
    {
    }

    const int fd;
    const HidrawIoctl ioctlFunction;
    std::thread thread; // touched by the handle only

    std::mutex mutex;
    std::condition_variable changed;
    // Guarded by mutex. One request at a time: the handle is dead once one timed out.
    bool requested = false;
    bool running = false;
    bool answered = false;
    bool dead = false;
    bool closing = false;
    unsigned deadlineMs = 0; // of the request that timed out
    unsigned long request = 0;
    std::vector<unsigned char> buffer; // the worker's own: the caller's never leaves it
    int result = 0;

    int call(unsigned long ioctlRequest, void *argument) const
    {
        for (int attempt = 0;; ++attempt) {
            errno = 0;
            const int outcome = ioctlFunction(fd, ioctlRequest, argument);
            if (outcome >= 0)
                return outcome;
            const int error = errno;
            if (error != EINTR || attempt == EINTR_RETRIES)
                return hidrawErrorToUsbResult(error);
        }
    }

    // A controller that let a request time out keeps its node held until it answers a
    // read of its device information within the deadline again, or is gone: reopened any
    // sooner, a controller that stays silent would stall the poll once more on every
    // kernel time-out. The reads happen here, away from the caller.
    void waitForAnswers(unsigned deadlineMs) const
    {
        std::vector<unsigned char> buffer(RECEIVE_BUFFER_SIZE);
        for (;;) {
            const auto start = std::chrono::steady_clock::now();
            std::fill(buffer.begin(), buffer.end(), 0);
            buffer[0] = REPORT_DEVICE_INFO;
            const int result = call(HIDIOCGFEATURE(RECEIVE_BUFFER_SIZE), buffer.data());
            const auto deadline = start + std::chrono::milliseconds(deadlineMs);
            if (result == USB_ERROR_NO_DEVICE ||
                (result != USB_ERROR_TIMEOUT && std::chrono::steady_clock::now() <= deadline))
                return;
            std::this_thread::sleep_until(deadline); // never faster than the poll would ask
        }
    }

    static void run(std::shared_ptr<Worker> worker)
    {
        std::unique_lock<std::mutex> lock(worker->mutex);
        for (;;) {
            worker->changed.wait(lock, [&] { return worker->requested || worker->closing; });
            if (worker->closing)
                break;
            worker->requested = false;
            worker->running = true;
            const unsigned long ioctlRequest = worker->request;
            std::vector<unsigned char> buffer = std::move(worker->buffer);
            lock.unlock();
            const int outcome = worker->call(ioctlRequest, buffer.data());
            lock.lock();
            worker->running = false;
            worker->buffer = std::move(buffer);
            worker->result = outcome;
            worker->answered = true;
            worker->changed.notify_all();
        }
        const bool timedOut = worker->dead;
        const unsigned deadlineMs = worker->deadlineMs;
        lock.unlock();
        if (timedOut)
            worker->waitForAnswers(deadlineMs);
        // Only now: closing the fd under a running ioctl could hand its number to another
        // open while the kernel still works on it. The node counts as free before that.
        const int fd = worker->fd;
        worker.reset();
        if (fd >= 0)
            ::close(fd);
    }
};

HidrawHandle::HidrawHandle(int fd, HidrawIoctl ioctlFunction)
    : fileDescriptor(fd), worker(std::make_shared<Worker>(fd, std::move(ioctlFunction)))
{
}

HidrawHandle::~HidrawHandle()
{
    std::unique_lock<std::mutex> lock(worker->mutex);
    worker->closing = true;
    // A worker whose request timed out goes on looking at the controller after the handle.
    const bool stuck = worker->running || worker->dead;
    lock.unlock();
    worker->changed.notify_all();

    if (!worker->thread.joinable()) {
        if (fileDescriptor >= 0)
            ::close(fileDescriptor);
    } else if (stuck) {
        worker->thread.detach(); // it closes the fd when the kernel lets go
    } else {
        worker->thread.join(); // idle: it closes the fd and ends at once
    }
}

std::weak_ptr<const void> HidrawHandle::activity() const
{
    return worker;
}

int HidrawHandle::controlTransfer(uint8_t requestType, uint8_t request, uint16_t value,
                                  uint16_t index, unsigned char *data, uint16_t length,
                                  unsigned timeoutMs)
{
    // The node reaches only the HID interface it belongs to, and only its reports.
    if (index != HID_INTERFACE || (value & 0xFF00) != HID_REPORT_TYPE_FEATURE)
        return USB_ERROR_NOT_SUPPORTED;
    if (length > 0 && !data)
        return USB_ERROR_INVALID_PARAM;
    const auto reportId = static_cast<uint8_t>(value & 0xFF);
    if (requestType == HID_REQUEST_TYPE_IN && request == HID_GET_REPORT)
        return getFeature(reportId, data, length, timeoutMs);
    if (requestType == HID_REQUEST_TYPE_OUT && request == HID_SET_REPORT)
        return setFeature(reportId, data, length, timeoutMs);
    return USB_ERROR_NOT_SUPPORTED;
}

// usbhid answers HIDIOCGFEATURE by putting the report number into byte 0 of its buffer and
// letting the GET_REPORT data stage overwrite the buffer from byte 0, for wLength = the
// ioctl's length. For a numbered report the bytes that come back are therefore exactly the
// bytes the control transfer delivered (whatever the device puts first), and the result
// counts them: what libusb would have given us. Only report 0 differs: the kernel keeps
// the 0 in byte 0, receives into byte 1 onwards and counts that byte, so it is taken off
// here. A scratch buffer keeps the caller's bytes beyond what arrived untouched.
int HidrawHandle::getFeature(uint8_t reportId, unsigned char *data, uint16_t length,
                             unsigned timeoutMs)
{
    const int skip = reportId == 0 ? 1 : 0;
    // wLength only bounds the answer, and the device's reports are far shorter.
    const int size = std::min(length + skip, HIDRAW_MAX_REQUEST);
    if (size < HIDRAW_MIN_REQUEST)
        return USB_ERROR_INVALID_PARAM;

    std::vector<unsigned char> buffer(size, 0);
    buffer[0] = reportId;
    const int result = io(HIDIOCGFEATURE(size), buffer, timeoutMs);
    if (result < 0)
        return result;
    const int delivered = std::max(0, std::min(result, size) - skip);
    std::copy_n(buffer.begin() + skip, delivered, data);
    return delivered;
}

// usbhid sends HIDIOCSFEATURE's buffer as SET_REPORT with the report number taken from
// byte 0 and, for a numbered report, the whole buffer (byte 0 included) as the data stage:
// a command packet, which carries its report id in byte 0, goes out byte for byte. For
// report 0 the kernel drops byte 0, so a 0 is put in front. A buffer whose byte 0 is not
// the report number can not be sent as it is, and is refused rather than altered.
int HidrawHandle::setFeature(uint8_t reportId, const unsigned char *data, uint16_t length,
                             unsigned timeoutMs)
{
    const int skip = reportId == 0 ? 1 : 0;
    const int size = length + skip;
    if (size < HIDRAW_MIN_REQUEST || size > HIDRAW_MAX_REQUEST)
        return USB_ERROR_INVALID_PARAM;
    if (!skip && data[0] != reportId)
        return USB_ERROR_INVALID_PARAM;

    std::vector<unsigned char> buffer(size, 0);
    std::copy_n(data, length, buffer.begin() + skip);
    const int result = io(HIDIOCSFEATURE(size), buffer, timeoutMs);
    if (result < 0)
        return result;
    return std::max(0, std::min(result - skip, int(length)));
}

int HidrawHandle::io(unsigned long request, std::vector<unsigned char> &buffer, unsigned timeoutMs)
{
    std::unique_lock<std::mutex> lock(worker->mutex);
    // Behind a request stuck in the kernel, another one would only wait for it.
    if (worker->dead)
        return USB_ERROR_NO_DEVICE;
    if (!worker->thread.joinable()) {
        try {
            worker->thread = std::thread(Worker::run, worker);
        } catch (const std::system_error &) {
            return USB_ERROR_NO_MEM;
        }
    }
    worker->request = request;
    worker->buffer = buffer;
    worker->answered = false;
    worker->requested = true;
    worker->changed.notify_all();

    const auto answered = [&] { return worker->answered; };
    if (timeoutMs == 0) {
        worker->changed.wait(lock, answered);
    } else if (!worker->changed.wait_until(
                   lock, std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs),
                   answered)) {
        worker->dead = true;
        worker->deadlineMs = timeoutMs;
        return USB_ERROR_TIMEOUT;
    }
    if (worker->result >= 0)
        buffer = worker->buffer;
    return worker->result;
}

HidrawBus::HidrawBus(const QString &sysfsRoot, const QString &devRoot, HidrawIoctl ioctlFunction,
                     DeviceEventsSource events)
    : sysfsRoot(sysfsRoot), devRoot(devRoot), ioctlFunction(std::move(ioctlFunction)),
      events(std::move(events))
{
}

QStringList HidrawBus::nodes(uint16_t vendorId, uint16_t productId)
{
    const DeviceEvents *watch = events ? events() : nullptr;
    const bool watched = watch && watch->watching();
    if (!watched || watch != foundWith || watch->notices() != foundAt) {
        found.clear();
        foundWith = watched ? watch : nullptr;
        foundAt = watched ? watch->notices() : 0;
    }
    const uint32_t key = idsKey(vendorId, productId);
    auto nodes = found.find(key);
    if (nodes == found.end()) {
        ++searchCount;
        nodes = found.emplace(key, findHidrawNodes(vendorId, productId, sysfsRoot, devRoot)).first;
    }
    return nodes->second;
}

DeviceHandle *HidrawBus::open(uint16_t vendorId, uint16_t productId)
{
    if (realHardwareRefused())
        return nullptr;
    forgetEndedWaits();
    for (const QString &node : nodes(vendorId, productId)) {
        // A request of a closed handle still stuck on the node would hold up every new one
        // for the kernel's time-out, and a handle opened each tick would pile threads up.
        if (closedNodes.count(node))
            continue;
        // A node we may not open (no udev rule yet) is as good as absent: libusb may
        // still reach the device. It is tried again on every open, without a new search,
        // since its access rights may change without a notice.
        const int fd = ::open(QFile::encodeName(node).constData(), O_RDWR | O_CLOEXEC);
        if (fd >= 0) {
            auto *handle = new HidrawHandle(fd, ioctlFunction);
            openNodes[handle] = {node, idsKey(vendorId, productId), handle->activity()};
            return handle;
        }
    }
    return nullptr;
}

void HidrawBus::forgetEndedWaits()
{
    for (auto closed = closedNodes.begin(); closed != closedNodes.end();)
        closed = closed->second.activity.expired() ? closedNodes.erase(closed) : std::next(closed);
}

bool HidrawBus::holdsBack(uint16_t vendorId, uint16_t productId)
{
    forgetEndedWaits();
    const uint32_t ids = idsKey(vendorId, productId);
    return std::any_of(closedNodes.begin(), closedNodes.end(),
                       [ids](const auto &closed) { return closed.second.ids == ids; });
}

void HidrawBus::close(DeviceHandle *handle)
{
    auto *hidrawHandle = static_cast<HidrawHandle *>(handle);
    const auto node = openNodes.find(handle);
    if (node != openNodes.end()) {
        closedNodes[node->second.node] = node->second;
        openNodes.erase(node);
    }
    delete hidrawHandle;
}

UsbBus *hidrawBus()
{
    static HidrawBus bus(QStringLiteral("/sys"), QStringLiteral("/dev"), {}, systemDeviceEvents);
    return &bus;
}
