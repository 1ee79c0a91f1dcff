#include "presence_search.h"

#include "device_events.h"
#include "family.h"
#include "hidraw_bus.h"
#include "kestrix_protocol.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <map>

#include <fcntl.h>
#include <unistd.h>

namespace
{

constexpr int64_t LOOK_INTERVAL_MS = 1000;

int openError(const QString &node)
{
    // Asked of the kernel without opening: an open would wake the device and would count
    // as a user of nodes the program has no business with.
    const QByteArray path = QFile::encodeName(node);
    // access(2) answers for the real user, which is the effective one but where a process
    // changed its identity; only then is the effective one asked for.
    const int result = ::getuid() == ::geteuid() && ::getgid() == ::getegid()
                           ? ::access(path.constData(), R_OK | W_OK)
                           : ::faccessat(AT_FDCWD, path.constData(), R_OK | W_OK, AT_EACCESS);
    return result == 0 ? 0 : errno;
}

int64_t steadyMs()
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

} // namespace

std::vector<FoundDevice> findFamilyDevices(const QString &root)
{
    const QString sysfs = root + QStringLiteral("/sys");
    const QString dev = root + QStringLiteral("/dev");
    // One walk of the hidraw class for all products, matched to the USB devices below.
    std::map<QString, QString> hidrawByDevice;
    for (const HidrawInterface &interface : findHidrawInterfaces(KESTRIX_VENDOR_ID, sysfs, dev))
        hidrawByDevice.emplace(interface.usbDevice, interface.node); // the lowest node first

    const QDir devices(sysfs + QStringLiteral("/bus/usb/devices"));
    std::vector<FoundDevice> found;
    for (const QString &name :
         devices.entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot, QDir::Name)) {
        // Interfaces ("1-1:1.0") have no idVendor; only whole devices are looked at.
        const QString path = devices.filePath(name);
        bool ok = false;
        if (sysfsAttribute(path + QStringLiteral("/idVendor")).toUInt(&ok, 16) !=
                KESTRIX_VENDOR_ID ||
            !ok)
            continue;
        const unsigned productId =
            sysfsAttribute(path + QStringLiteral("/idProduct")).toUInt(&ok, 16);
        if (!ok || !productById(productId))
            continue;
        bool busOk = false;
        bool devOk = false;
        const int bus = sysfsAttribute(path + QStringLiteral("/busnum")).toInt(&busOk);
        const int number = sysfsAttribute(path + QStringLiteral("/devnum")).toInt(&devOk);
        if (!busOk || !devOk || bus <= 0 || bus > 999 || number <= 0 || number > 999)
            continue;
        FoundDevice device;
        device.device.vendorId = KESTRIX_VENDOR_ID;
        device.device.productId = uint16_t(productId);
        device.device.busNumber = bus;
        device.device.deviceNumber = number;
        device.usbNode = dev + QStringLiteral("/bus/usb/%1/%2")
                                   .arg(bus, 3, 10, QLatin1Char('0'))
                                   .arg(number, 3, 10, QLatin1Char('0'));
        const QString canonical = QFileInfo(path).canonicalFilePath();
        const auto hidraw = hidrawByDevice.find(canonical);
        if (hidraw != hidrawByDevice.end()) {
            device.hidrawNode = hidraw->second;
        } else {
            // A program that claims an interface through usbfs binds it to the "usbfs"
            // driver (and the HID driver lets go, so there is no hidraw node).
            const QByteArray configuration =
                sysfsAttribute(path + QStringLiteral("/bConfigurationValue"));
            const QString driver =
                QFileInfo(QStringLiteral("%1/%2:%3.%4/driver")
                              .arg(canonical, name, QString::fromLatin1(configuration))
                              .arg(HID_INTERFACE))
                    .symLinkTarget();
            device.claimedByProgram = !configuration.isEmpty() &&
                                      QFileInfo(driver).fileName() == QLatin1String("usbfs");
        }
        found.push_back(device);
    }
    std::sort(found.begin(), found.end(), [](const FoundDevice &a, const FoundDevice &b) {
        return std::make_pair(a.device.busNumber, a.device.deviceNumber) <
               std::make_pair(b.device.busNumber, b.device.deviceNumber);
    });
    return found;
}

DeviceAccess accessFromErrors(int hidrawError, int usbError)
{
    if (hidrawError == 0 || usbError == 0)
        return DeviceAccess::Usable;
    for (const int error : {hidrawError, usbError}) {
        if (error == EACCES || error == EPERM)
            return DeviceAccess::Denied;
    }
    for (const int error : {hidrawError, usbError}) {
        if (error == EBUSY)
            return DeviceAccess::Busy;
    }
    return DeviceAccess::NoNode;
}

Presence::Presence(const QString &root, std::function<DeviceEvents *()> events,
                   NodeOpenCheck openCheck, MillisecondClock clock)
    : root(root), events(std::move(events)),
      openCheck(openCheck ? std::move(openCheck) : openError),
      clock(clock ? std::move(clock) : steadyMs)
{
}

const std::vector<PresentDevice> &Presence::devices()
{
    // Tests must never see the machine's own controllers.
    if (root.isEmpty() && realHardwareRefused()) {
        found.clear();
        return found;
    }
    const DeviceEvents *watch = events ? events() : nullptr;
    const bool watched = watch && watch->watching();
    const int64_t now = clock();
    const bool stale =
        !searched || (watched ? watch != searchedWith || watch->notices() != searchedAt
                              : searchedWith != nullptr || now - searchTime >= LOOK_INTERVAL_MS);
    if (stale) {
        searchedWith = watched ? watch : nullptr;
        searchedAt = watched ? watch->notices() : 0;
        searchTime = now;
        checkTime = now;
        search();
    } else if (now - checkTime >= LOOK_INTERVAL_MS) {
        checkTime = now;
        for (size_t i = 0; i < found.size(); ++i) {
            if (found[i].access != DeviceAccess::Usable)
                checkAccess(found[i], foundNodes[i]);
        }
    }
    return found;
}

bool Presence::usable(uint16_t vendorId, uint16_t productId)
{
    for (const PresentDevice &device : devices()) {
        if (device.vendorId == vendorId && device.productId == productId &&
            device.access == DeviceAccess::Usable)
            return true;
    }
    return false;
}

void Presence::search()
{
    ++searchCount;
    searched = true;
    found.clear();
    foundNodes = findFamilyDevices(root);
    for (const FoundDevice &device : foundNodes) {
        found.push_back(device.device);
        checkAccess(found.back(), device);
    }
}

void Presence::checkAccess(PresentDevice &device, const FoundDevice &nodes)
{
    ++checkCount;
    const QString &hidrawNode = nodes.hidrawNode;
    const QString &usbNode = nodes.usbNode;
    const int hidrawError = hidrawNode.isEmpty() ? ENOENT : openCheck(hidrawNode);
    const int usbError = hidrawError == 0 ? 0 : openCheck(usbNode);
    device.access = accessFromErrors(hidrawError, usbError);
    // The USB node opens, but every request to the claimed interface would give EBUSY.
    if (nodes.claimedByProgram && usbError == 0)
        device.access = DeviceAccess::Busy;
    // Name the node the user meets: the hidraw node where it is the one that tells.
    const bool denied = hidrawError == EACCES || hidrawError == EPERM;
    bool hidrawTells = false;
    switch (device.access) {
    case DeviceAccess::Usable:
        hidrawTells = hidrawError == 0;
        break;
    case DeviceAccess::Denied:
        hidrawTells = denied;
        break;
    case DeviceAccess::Busy:
        hidrawTells = hidrawError == EBUSY;
        break;
    case DeviceAccess::NoNode:
        hidrawTells = !hidrawNode.isEmpty();
        break;
    }
    device.node = QFile::encodeName(hidrawTells ? hidrawNode : usbNode).toStdString();
}
