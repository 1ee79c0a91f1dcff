#include "libusb_devices.h"

#include "family.h"
#include "kestrix_protocol.h"

#include <libusb.h>

bool enumerateFamilyDevices(std::vector<EnumeratedDevice> *devices, int *result)
{
    devices->clear();
    *result = 0;
    if (realHardwareRefused())
        return true;
    libusb_context *context = nullptr;
    *result = libusb_init(&context);
    if (*result < 0)
        return false;
    libusb_device **list = nullptr;
    const ssize_t count = libusb_get_device_list(context, &list);
    if (count < 0) {
        *result = int(count);
        libusb_exit(context);
        return false;
    }
    for (ssize_t i = 0; i < count; ++i) {
        libusb_device_descriptor descriptor;
        if (libusb_get_device_descriptor(list[i], &descriptor) != 0 ||
            descriptor.idVendor != KESTRIX_VENDOR_ID || !productById(descriptor.idProduct))
            continue;
        EnumeratedDevice found;
        found.device.vendorId = descriptor.idVendor;
        found.device.productId = descriptor.idProduct;
        found.device.busNumber = libusb_get_bus_number(list[i]);
        found.device.deviceNumber = libusb_get_device_address(list[i]);
        libusb_device_handle *handle = nullptr;
        found.openResult = libusb_open(list[i], &handle);
        if (handle)
            libusb_close(handle);
        found.device.access =
            found.openResult == 0 ? DeviceAccess::Usable
            : found.openResult == LIBUSB_ERROR_BUSY || found.openResult == LIBUSB_ERROR_ACCESS
                ? DeviceAccess::Busy
                : DeviceAccess::Denied;
        devices->push_back(found);
    }
    libusb_free_device_list(list, 1);
    libusb_exit(context);
    *result = 0;
    return true;
}
