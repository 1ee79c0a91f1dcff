#pragma once

// Linux: which controllers of the family are plugged in and whether this user may open them.
// Read from sysfs and /dev under a root folder ("" on a running system, a fake tree in tests).

#include "presence.h"

#include <QString>

#include <cstdint>
#include <functional>
#include <vector>

class DeviceEvents;

// Whether this user may open the node read-write: 0, or the errno an open would fail with
// (EACCES, EPERM, ENOENT).
using NodeOpenCheck = std::function<int(const QString &node)>;
// A steady clock in milliseconds.
using MillisecondClock = std::function<int64_t()>;

// A device found in sysfs, with the nodes that tell whether it opens.
struct FoundDevice {
    PresentDevice device;
    QString usbNode;    // root/dev/bus/usb/BBB/DDD
    QString hidrawNode; // root/dev/hidrawN, or empty
    // Without a hidraw node: its HID interface is claimed by a program through usbfs.
    bool claimedByProgram = false;
};

class Presence
{
public:
    // Empty functions mean the kernel's own access check and the steady clock; without
    // events, the bus is searched again once a second at most.
    explicit Presence(const QString &root = QString(), std::function<DeviceEvents *()> events = {},
                      NodeOpenCheck openCheck = {}, MillisecondClock clock = {});

    // The family's controllers, searched again after a notice of the device events or, with
    // none watched, when the last search is a second old. Those that can not be opened are
    // looked at again once a second, since a seat's grant comes without a notice.
    const std::vector<PresentDevice> &devices();
    // Whether that product is on the bus and opens.
    bool usable(uint16_t vendorId, uint16_t productId);

    int searches() const { return searchCount; }
    int accessChecks() const { return checkCount; }

private:
    void search();
    void checkAccess(PresentDevice &device, const FoundDevice &nodes);

    const QString root;
    const std::function<DeviceEvents *()> events;
    const NodeOpenCheck openCheck;
    const MillisecondClock clock;
    std::vector<PresentDevice> found;
    std::vector<FoundDevice> foundNodes; // of found, by index
    bool searched = false;
    const DeviceEvents *searchedWith = nullptr;
    uint64_t searchedAt = 0;
    int64_t searchTime = 0;
    int64_t checkTime = 0;
    int searchCount = 0;
    int checkCount = 0;
};

// The family's USB devices in root's sysfs (root + "/sys/bus/usb/devices"), each with its
// hidraw node where the HID driver bound one. Access is not looked at.
std::vector<FoundDevice> findFamilyDevices(const QString &root);

// What opening the nodes of a device tells: usable when either opens (libusb reaches it
// through the USB node); otherwise the hidraw node's refusal first.
DeviceAccess accessFromErrors(int hidrawError, int usbError);
