#include "usb_access.h"

#ifdef KESTRIX_HAVE_HIDRAW
#include "fallback_bus.h"
#include "device_events.h"
#include "hidraw_bus.h"
#include "presence.h"
#endif

#include <cstdio>
#include <cstdlib>

namespace {
UsbBus *installedBus = nullptr;

UsbBus *defaultBus()
{
#ifdef KESTRIX_HAVE_HIDRAW
    // The kernel's HID driver keeps the controller; its hidraw node reaches it anyway.
    // Presence first: a product that is not on the bus costs no open at all.
    static Presence presence(QString(), systemDeviceEvents);
    static FallbackBus bus(hidrawBus(), libusbBus(), &presence);
    return &bus;
#else
    return libusbBus();
#endif
}
} // namespace

void setUsbBus(UsbBus *bus)
{
    installedBus = bus;
}

UsbBus *usbBus()
{
    return installedBus ? installedBus : defaultBus();
}

int usbInit()
{
    const int result = usbBus()->init();
    static bool reported = false;
    if (result < 0 && !reported) {
        reported = true;
        std::fprintf(stderr,
                     "USB access could not be initialised (error %d); "
                     "no controller can be found.\n",
                     result);
    }
    return result;
}

void usbExit()
{
    usbBus()->exit();
}

DeviceHandle *openDevice(uint16_t vendorId, uint16_t productId)
{
    return usbBus()->open(vendorId, productId);
}

void closeDevice(DeviceHandle *handle)
{
    if (handle)
        usbBus()->close(handle);
}

std::vector<PresentDevice> presentDevices()
{
    std::vector<PresentDevice> devices;
    if (!usbBus()->present(&devices))
        devices.clear();
    return devices;
}

bool unusableDevice(uint16_t vendorId, uint16_t productId, PresentDevice *device)
{
    for (const PresentDevice &present : presentDevices()) {
        if (present.vendorId == vendorId && present.productId == productId &&
            present.access != DeviceAccess::Usable) {
            *device = present;
            return true;
        }
    }
    return false;
}

bool realHardwareRefused()
{
    const char *value = std::getenv("KESTRIX_REFUSE_HARDWARE");
    return value && *value && *value != '0';
}
