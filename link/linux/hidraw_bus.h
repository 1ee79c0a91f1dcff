#pragma once

// Linux: talks to a controller through the hidraw node of its HID interface. The kernel's
// HID driver holds interface 0 of a game controller, and class requests that libusb sends
// to an interface held by another driver fail; the hidraw node issues the same feature
// requests while the controller stays a game controller.

#include "usb_access.h"

#include <QString>
#include <QStringList>

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <vector>

class DeviceEvents;

// ioctl(2) as the hidraw handles call it: the result, or -1 with errno set.
using HidrawIoctl = std::function<int(int fd, unsigned long request, void *argument)>;

// The hidraw nodes (devRoot/hidrawN) of the USB devices with these ids whose HID device
// hangs on USB interface 0, in node number order. sysfsRoot and devRoot are "/sys" and
// "/dev" on a running system.
QStringList findHidrawNodes(uint16_t vendorId, uint16_t productId,
                            const QString &sysfsRoot = QStringLiteral("/sys"),
                            const QString &devRoot = QStringLiteral("/dev"));

// A hidraw node of interface 0 of a USB device of that vendor, with the product id and the
// sysfs folder of the USB device it belongs to, in node number order.
struct HidrawInterface {
    QString node;
    uint16_t productId = 0;
    QString usbDevice; // canonical path
};
std::vector<HidrawInterface> findHidrawInterfaces(uint16_t vendorId,
                                                  const QString &sysfsRoot = QStringLiteral("/sys"),
                                                  const QString &devRoot = QStringLiteral("/dev"));

// A sysfs attribute's value, at most a page, without the line break it ends with; empty
// where it can not be read.
QByteArray sysfsAttribute(const QString &path);

// errno of a failed hidraw call as one of libusb's codes.
int hidrawErrorToUsbResult(int error);

class HidrawHandle final : public DeviceHandle
{
public:
    // Owns fd and closes it; -1 for none. An empty ioctl function means ioctl(2).
    explicit HidrawHandle(int fd, HidrawIoctl ioctlFunction = {});
    // Returns at once even while a request is stuck in the kernel. After a time-out the fd
    // stays open until the controller answers a read of its device information within the
    // deadline again, or is gone.
    ~HidrawHandle() override;
    HidrawHandle(const HidrawHandle &) = delete;
    HidrawHandle &operator=(const HidrawHandle &) = delete;

    // GET_REPORT and SET_REPORT of feature reports on interface 0; anything else gives
    // USB_ERROR_NOT_SUPPORTED. The kernel gives each request 5 s; a request that has not
    // returned within timeoutMs (0: no limit, as in libusb) gives USB_ERROR_TIMEOUT and
    // leaves the handle dead: every later transfer gives USB_ERROR_NO_DEVICE at once.
    int controlTransfer(uint8_t requestType, uint8_t request, uint16_t value, uint16_t index,
                        unsigned char *data, uint16_t length, unsigned timeoutMs) override;

    int fd() const { return fileDescriptor; }

    // Alive while the handle, or a request it started in the kernel, or the wait for a
    // controller that timed out is: the node is not opened again before.
    std::weak_ptr<const void> activity() const;

    struct Worker;

private:
    int getFeature(uint8_t reportId, unsigned char *data, uint16_t length, unsigned timeoutMs);
    int setFeature(uint8_t reportId, const unsigned char *data, uint16_t length,
                   unsigned timeoutMs);
    int io(unsigned long request, std::vector<unsigned char> &buffer, unsigned timeoutMs);

    const int fileDescriptor;
    const std::shared_ptr<Worker> worker;
};

// The device events a bus listens to, if any (asked on every open).
using DeviceEventsSource = std::function<DeviceEvents *()>;

class HidrawBus final : public UsbBus
{
public:
    explicit HidrawBus(const QString &sysfsRoot = QStringLiteral("/sys"),
                       const QString &devRoot = QStringLiteral("/dev"),
                       HidrawIoctl ioctlFunction = {}, DeviceEventsSource events = {});

    // Nothing to start or stop: the kernel keeps the nodes.
    int init() override { return USB_SUCCESS; }
    void exit() override {}
    // The first matching node that opens read-write and has no request of an earlier
    // handle still stuck on it; null when none does, and always while
    // realHardwareRefused().
    DeviceHandle *open(uint16_t vendorId, uint16_t productId) override;
    void close(DeviceHandle *handle) override;
    // A node of these ids waits for a request or a controller that timed out: its HID
    // driver still holds the interface, so libusb's requests would only fail beside it.
    bool holdsBack(uint16_t vendorId, uint16_t productId) override;

    // Searches of sysfs so far. While device events are watched, the nodes found for a pair
    // of ids are kept until the next notice, so an absent controller costs no search.
    int searches() const { return searchCount; }

private:
    QStringList nodes(uint16_t vendorId, uint16_t productId);
    void forgetEndedWaits();

    const QString sysfsRoot;
    const QString devRoot;
    const HidrawIoctl ioctlFunction;
    const DeviceEventsSource events;
    std::map<uint32_t, QStringList> found; // by vendor id << 16 | product id
    struct NodeUse {
        QString node;
        uint32_t ids = 0; // vendor id << 16 | product id
        std::weak_ptr<const void> activity;
    };
    std::map<const DeviceHandle *, NodeUse> openNodes;
    std::map<QString, NodeUse> closedNodes; // by node, of its last handle
    const DeviceEvents *foundWith = nullptr;
    uint64_t foundAt = 0;
    int searchCount = 0;
};

// The process-wide hidraw bus on /sys and /dev, kept current by the system's device events.
UsbBus *hidrawBus();
