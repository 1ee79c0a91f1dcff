#include "usb_access.h"

#include <cstdio>
#include <cstdlib>

namespace {
UsbBus *installedBus = nullptr;

UsbBus *defaultBus()
{
    return libusbBus();
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
