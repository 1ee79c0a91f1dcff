#include "usb_access.h"

#ifdef KESTRIX_HAVE_HIDRAW
#include "fallback_bus.h"
#include "hidraw_bus.h"
#endif

#include <cstdio>
#include <cstdlib>

namespace {
UsbBus *installedBus = nullptr;

UsbBus *defaultBus()
{
#ifdef KESTRIX_HAVE_HIDRAW
    // The kernel's HID driver keeps the controller; its hidraw node reaches it anyway.
    static FallbackBus bus(hidrawBus(), libusbBus());
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

bool realHardwareRefused()
{
    const char *value = std::getenv("KESTRIX_REFUSE_HARDWARE");
    return value && *value && *value != '0';
}
