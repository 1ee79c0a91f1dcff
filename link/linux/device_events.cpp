#include "device_events.h"

#include <QCoreApplication>
#include <QPointer>
#include <QSocketNotifier>
#include <QThread>

#include <unistd.h>

#ifdef KESTRIX_HAVE_UDEV
#include <libudev.h>
#endif

UdevEvents::UdevEvents(QObject *parent) : QObject(parent)
{
#ifdef KESTRIX_HAVE_UDEV
    context = udev_new();
    // "udev" rather than "kernel": udev announces a node once it exists with its access rights.
    monitor = context ? udev_monitor_new_from_netlink(context, "udev") : nullptr;
    if (!monitor || udev_monitor_filter_add_match_subsystem_devtype(monitor, "usb", nullptr) < 0 ||
        udev_monitor_filter_add_match_subsystem_devtype(monitor, "hidraw", nullptr) < 0 ||
        udev_monitor_enable_receiving(monitor) < 0 || udev_monitor_get_fd(monitor) < 0)
        return;
    notifier = new QSocketNotifier(udev_monitor_get_fd(monitor), QSocketNotifier::Read, this);
    connect(notifier, &QSocketNotifier::activated, this, &UdevEvents::receive);
#endif
}

UdevEvents::~UdevEvents()
{
    delete notifier;
#ifdef KESTRIX_HAVE_UDEV
    if (monitor)
        udev_monitor_unref(monitor);
    if (context)
        udev_unref(context);
#endif
}

void UdevEvents::receive()
{
#ifdef KESTRIX_HAVE_UDEV
    // Drained in full, or the notifier fires again at once.
    while (udev_device *device = udev_monitor_receive_device(monitor))
        udev_device_unref(device);
#endif
    // Even a message that libudev drops may stand for a change: enumerating once too often
    // costs little, missing a device costs the user.
    notice();
}

DeviceEvents *systemDeviceEvents()
{
    // Without a udev daemon (a container, a system booted without one) the monitor opens
    // but nobody announces anything: a bus relying on it would never see a new device.
    static const bool udevRuns = ::access("/run/udev/control", F_OK) == 0;
    if (!udevRuns)
        return nullptr;
    static QPointer<UdevEvents> events;
    if (!events) {
        QCoreApplication *application = QCoreApplication::instance();
        if (!application || QThread::currentThread() != application->thread())
            return nullptr;
        events = new UdevEvents(application);
    }
    return events.data();
}
