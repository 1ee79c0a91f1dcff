#include "usb_access.h"

#include <libusb.h>

static_assert(int(USB_ERROR_IO) == LIBUSB_ERROR_IO && int(USB_ERROR_NO_DEVICE) == LIBUSB_ERROR_NO_DEVICE &&
                  int(USB_ERROR_TIMEOUT) == LIBUSB_ERROR_TIMEOUT &&
                  int(USB_ERROR_PIPE) == LIBUSB_ERROR_PIPE && int(USB_ERROR_BUSY) == LIBUSB_ERROR_BUSY &&
                  int(USB_ERROR_OTHER) == LIBUSB_ERROR_OTHER,
              "UsbResult mirrors libusb's error codes");

namespace {

class LibusbHandle final : public DeviceHandle
{
public:
    explicit LibusbHandle(libusb_device_handle *handle) : handle(handle) {}

    int controlTransfer(uint8_t requestType, uint8_t request, uint16_t value, uint16_t index,
                        unsigned char *data, uint16_t length, unsigned timeoutMs) override
    {
        return libusb_control_transfer(handle, requestType, request, value, index, data, length,
                                       timeoutMs);
    }

    libusb_device_handle *const handle;
};

class LibusbBus final : public UsbBus
{
public:
    int init() override
    {
        const int result = libusb_init(nullptr);
        if (result == 0)
            ++contexts;
        return result;
    }

    void exit() override
    {
        // Never call libusb without a working default context.
        if (contexts > 0) {
            --contexts;
            libusb_exit(nullptr);
        }
    }

    DeviceHandle *open(uint16_t vendorId, uint16_t productId) override
    {
        if (contexts == 0 || realHardwareRefused())
            return nullptr;
        libusb_device_handle *handle = libusb_open_device_with_vid_pid(nullptr, vendorId, productId);
        return handle ? new LibusbHandle(handle) : nullptr;
    }

    void close(DeviceHandle *handle) override
    {
        auto *own = static_cast<LibusbHandle *>(handle);
        libusb_close(own->handle);
        delete own;
    }

private:
    int contexts = 0;
};

} // namespace

UsbBus *libusbBus()
{
    static LibusbBus bus;
    return &bus;
}
