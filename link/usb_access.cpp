#include "usb_access.h"

#include "platform_bus.h"

#include <cstdio>
#include <cstdlib>

namespace {
UsbBus *installedBus = nullptr;
} // namespace

void setUsbBus(UsbBus *bus)
{
    installedBus = bus;
}

UsbBus *usbBus()
{
    return installedBus ? installedBus : platformBus();
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
