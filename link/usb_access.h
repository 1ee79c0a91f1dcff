#pragma once

// The one seam through which all device traffic passes. The bus behind it is libusb on
// real hardware, the hidraw node on Linux, or the simulated controller.

#include <cstdint>

// Results follow libusb's convention: bytes transferred, or one of these negative codes
// (the same values as LIBUSB_ERROR_*; libusb's header stays out of our headers).
enum UsbResult : int {
    USB_SUCCESS = 0,
    USB_ERROR_IO = -1,
    USB_ERROR_INVALID_PARAM = -2,
    USB_ERROR_ACCESS = -3,
    USB_ERROR_NO_DEVICE = -4,
    USB_ERROR_NOT_FOUND = -5,
    USB_ERROR_BUSY = -6,
    USB_ERROR_TIMEOUT = -7,
    USB_ERROR_OVERFLOW = -8,
    USB_ERROR_PIPE = -9,
    USB_ERROR_INTERRUPTED = -10,
    USB_ERROR_NO_MEM = -11,
    USB_ERROR_NOT_SUPPORTED = -12,
    USB_ERROR_OTHER = -99,
};

// An open connection to one controller.
class DeviceHandle
{
public:
    virtual ~DeviceHandle() = default;
    virtual int controlTransfer(uint8_t requestType, uint8_t request, uint16_t value,
                                uint16_t index, unsigned char *data, uint16_t length,
                                unsigned timeoutMs) = 0;
};

class UsbBus
{
public:
    virtual ~UsbBus() = default;
    // Returns 0 or a negative UsbResult.
    virtual int init() = 0;
    virtual void exit() = 0;
    // Null when no such device is present or it can not be opened.
    virtual DeviceHandle *open(uint16_t vendorId, uint16_t productId) = 0;
    virtual void close(DeviceHandle *handle) = 0;
};

// Process-wide bus. Until one is installed, the platform's default bus serves: on Linux
// the device's hidraw node where one matches and opens, otherwise (and elsewhere) libusb.
int usbInit();
void usbExit();
DeviceHandle *openDevice(uint16_t vendorId, uint16_t productId);
void closeDevice(DeviceHandle *handle);

// Installs a bus for the whole process (not owned; null restores the default bus).
void setUsbBus(UsbBus *bus);
UsbBus *usbBus();

// The bus that talks to real hardware through libusb alone.
UsbBus *libusbBus();

// Tests set KESTRIX_REFUSE_HARDWARE so that the hardware buses never open a real
// device, whatever is plugged into the machine that runs them.
bool realHardwareRefused();
