#include "hidraw_bus.h"

#include "device_events.h"
#include "kestrix_protocol.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <algorithm>
#include <cerrno>
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

QByteArray readSmallFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.read(4096);
}

// HID_ID=<bus>:<vendor>:<product>, hexadecimal in either case.
bool hidIdMatches(const QByteArray &uevent, uint16_t vendorId, uint16_t productId)
{
    static const QRegularExpression hidId(
        QStringLiteral("^([0-9A-Fa-f]{1,8}):([0-9A-Fa-f]{1,8}):([0-9A-Fa-f]{1,8})$"));
    for (const QByteArray &line : uevent.split('\n')) {
        if (!line.startsWith("HID_ID="))
            continue;
        const QRegularExpressionMatch match =
            hidId.match(QString::fromLatin1(line.mid(7).trimmed()));
        if (!match.hasMatch())
            return false;
        return match.captured(1).toUInt(nullptr, 16) == BUS_USB_ID &&
               match.captured(2).toUInt(nullptr, 16) == vendorId &&
               match.captured(3).toUInt(nullptr, 16) == productId;
    }
    return false;
}

bool isInterfaceZero(const QByteArray &interfaceNumber)
{
    static const QRegularExpression number(QStringLiteral("^[0-9A-Fa-f]{1,2}$"));
    const QString text = QString::fromLatin1(interfaceNumber.trimmed());
    return number.match(text).hasMatch() && text.toUInt(nullptr, 16) == 0;
}

} // namespace

QStringList findHidrawNodes(uint16_t vendorId, uint16_t productId, const QString &sysfsRoot,
                            const QString &devRoot)
{
    static const QRegularExpression nodeName(QStringLiteral("^hidraw([0-9]{1,9})$"));
    const QDir classDir(sysfsRoot + QStringLiteral("/class/hidraw"));

    std::vector<std::pair<int, QString>> found;
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
        if (!hidIdMatches(readSmallFile(device + QStringLiteral("/uevent")), vendorId, productId))
            continue;
        const QString interface = QFileInfo(device).path();
        if (!isInterfaceZero(readSmallFile(interface + QStringLiteral("/bInterfaceNumber"))))
            continue;
        found.emplace_back(match.captured(1).toInt(), devRoot + QLatin1Char('/') + name);
    }
    std::sort(found.begin(), found.end());

    QStringList nodes;
    for (const auto &node : found)
        nodes << node.second;
    return nodes;
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

HidrawHandle::HidrawHandle(int fd, HidrawIoctl ioctlFunction)
    : fileDescriptor(fd),
      ioctlFunction(ioctlFunction ? std::move(ioctlFunction)
                                  : [](int f, unsigned long request, void *argument) {
                                        return ::ioctl(f, request, argument);
                                    })
{
}

HidrawHandle::~HidrawHandle()
{
    if (fileDescriptor >= 0)
        ::close(fileDescriptor);
}

int HidrawHandle::controlTransfer(uint8_t requestType, uint8_t request, uint16_t value,
                                  uint16_t index, unsigned char *data, uint16_t length,
                                  unsigned /*timeoutMs*/)
{
    // The node reaches only the HID interface it belongs to, and only its reports.
    if (index != HID_INTERFACE || (value & 0xFF00) != HID_REPORT_TYPE_FEATURE)
        return USB_ERROR_NOT_SUPPORTED;
    if (length > 0 && !data)
        return USB_ERROR_INVALID_PARAM;
    const auto reportId = static_cast<uint8_t>(value & 0xFF);
    if (requestType == HID_REQUEST_TYPE_IN && request == HID_GET_REPORT)
        return getFeature(reportId, data, length);
    if (requestType == HID_REQUEST_TYPE_OUT && request == HID_SET_REPORT)
        return setFeature(reportId, data, length);
    return USB_ERROR_NOT_SUPPORTED;
}

// usbhid answers HIDIOCGFEATURE by putting the report number into byte 0 of its buffer and
// letting the GET_REPORT data stage overwrite the buffer from byte 0, for wLength = the
// ioctl's length. For a numbered report the bytes that come back are therefore exactly the
// bytes the control transfer delivered (whatever the device puts first), and the result
// counts them: what libusb would have given us. Only report 0 differs: the kernel keeps
// the 0 in byte 0, receives into byte 1 onwards and counts that byte, so it is taken off
// here. A scratch buffer keeps the caller's bytes beyond what arrived untouched.
int HidrawHandle::getFeature(uint8_t reportId, unsigned char *data, uint16_t length)
{
    const int skip = reportId == 0 ? 1 : 0;
    // wLength only bounds the answer, and the device's reports are far shorter.
    const int size = std::min(length + skip, HIDRAW_MAX_REQUEST);
    if (size < HIDRAW_MIN_REQUEST)
        return USB_ERROR_INVALID_PARAM;

    std::vector<unsigned char> buffer(size, 0);
    buffer[0] = reportId;
    const int result = io(HIDIOCGFEATURE(size), buffer.data());
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
int HidrawHandle::setFeature(uint8_t reportId, const unsigned char *data, uint16_t length)
{
    const int skip = reportId == 0 ? 1 : 0;
    const int size = length + skip;
    if (size < HIDRAW_MIN_REQUEST || size > HIDRAW_MAX_REQUEST)
        return USB_ERROR_INVALID_PARAM;
    if (!skip && data[0] != reportId)
        return USB_ERROR_INVALID_PARAM;

    std::vector<unsigned char> buffer(size, 0);
    std::copy_n(data, length, buffer.begin() + skip);
    const int result = io(HIDIOCSFEATURE(size), buffer.data());
    if (result < 0)
        return result;
    return std::max(0, std::min(result - skip, int(length)));
}

int HidrawHandle::io(unsigned long request, void *argument)
{
    for (int attempt = 0;; ++attempt) {
        errno = 0;
        const int result = ioctlFunction(fileDescriptor, request, argument);
        if (result >= 0)
            return result;
        const int error = errno;
        if (error != EINTR || attempt == EINTR_RETRIES)
            return hidrawErrorToUsbResult(error);
    }
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
    const uint32_t key = uint32_t(vendorId) << 16 | productId;
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
    for (const QString &node : nodes(vendorId, productId)) {
        // A node we may not open (no udev rule yet) is as good as absent: libusb may
        // still reach the device. It is tried again on every open, without a new search,
        // since its access rights may change without a notice.
        const int fd = ::open(QFile::encodeName(node).constData(), O_RDWR | O_CLOEXEC);
        if (fd >= 0)
            return new HidrawHandle(fd, ioctlFunction);
    }
    return nullptr;
}

void HidrawBus::close(DeviceHandle *handle)
{
    delete static_cast<HidrawHandle *>(handle);
}

UsbBus *hidrawBus()
{
    static HidrawBus bus(QStringLiteral("/sys"), QStringLiteral("/dev"), {}, systemDeviceEvents);
    return &bus;
}
