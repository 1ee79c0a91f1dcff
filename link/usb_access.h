#pragma once

// The one seam through which all device traffic passes. The bus behind it is libusb on
// real hardware, the hidraw node on Linux, or the simulated controller.

#include <cstdint>
#include <string>
#include <vector>

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

// Whether a device that is plugged in can be opened, and if not, why.
enum class DeviceAccess {
    Usable,
    Denied,  // EACCES or EPERM on its nodes: no udev rule, or no seat's grant
    Busy,    // EBUSY: another program holds it
    NoNode,  // sysfs has it, /dev not (yet)
};

// A controller of the family on the bus, whether or not this user may open it.
struct PresentDevice {
    uint16_t vendorId = 0;
    uint16_t productId = 0;
    int busNumber = 0;
    int deviceNumber = 0;
    DeviceAccess access = DeviceAccess::Usable;
    std::string node; // the node that refused, or the one that opens
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
    // The family's controllers that are plugged in; false when this bus can not tell
    // them apart from those it can not open.
    virtual bool present(std::vector<PresentDevice> *devices)
    {
        (void)devices;
        return false;
    }
    // Whether the device is this bus's, only not to be opened yet: no other bus may take
    // it meanwhile.
    virtual bool holdsBack(uint16_t vendorId, uint16_t productId)
    {
        (void)vendorId;
        (void)productId;
        return false;
    }
};

// Process-wide bus. Until one is installed, the platform's default bus serves: on Linux
// the device's hidraw node where one matches and opens, otherwise (and elsewhere) libusb.
int usbInit();
void usbExit();
DeviceHandle *openDevice(uint16_t vendorId, uint16_t productId);
void closeDevice(DeviceHandle *handle);
// The process bus's view; empty where it can not tell.
std::vector<PresentDevice> presentDevices();
// The plugged-in device of that product that can not be opened, if any.
bool unusableDevice(uint16_t vendorId, uint16_t productId, PresentDevice *device);

// Installs a bus for the whole process (not owned; null restores the default bus).
void setUsbBus(UsbBus *bus);
UsbBus *usbBus();

// The bus that talks to real hardware through libusb alone.
UsbBus *libusbBus();

// Tests set KESTRIX_REFUSE_HARDWARE so that the hardware buses never open a real
// device, whatever is plugged into the machine that runs them.
bool realHardwareRefused();
