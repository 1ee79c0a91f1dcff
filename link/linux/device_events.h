#pragma once

// Notices that a USB device or a hidraw node came or went. While somebody watches for
// them, a bus may keep what it enumerated until the next notice instead of enumerating on
// every open; where nobody can watch, it enumerates on every open.

#include <QObject>

#include <cstdint>

class QSocketNotifier;
struct udev;
struct udev_monitor;

class DeviceEvents
{
public:
    virtual ~DeviceEvents() = default;
    virtual bool watching() const = 0;
    // Grows with every notice.
    uint64_t notices() const { return count; }

protected:
    void notice() { ++count; }

private:
    uint64_t count = 0;
};

// udev's announcements of the usb and hidraw subsystems, read from its socket by the
// event loop of the thread that creates it. Does not watch where no monitor can be opened
// (no udev, or a build without libudev).
class UdevEvents final : public QObject, public DeviceEvents
{
public:
    explicit UdevEvents(QObject *parent = nullptr);
    ~UdevEvents() override;

    bool watching() const override { return notifier != nullptr; }

private:
    void receive();

    struct udev *context = nullptr;
    struct udev_monitor *monitor = nullptr;
    QSocketNotifier *notifier = nullptr;
};

// The watch of the application's thread, alive as long as the application; null before
// there is an application, on other threads, and where no udev daemon runs.
DeviceEvents *systemDeviceEvents();
