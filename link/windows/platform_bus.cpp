#include "platform_bus.h"

#include "usb_access.h"

UsbBus *platformBus()
{
    // libusb's own Windows backends reach a controller that the HID driver holds: its
    // GET_REPORT and SET_REPORT go through the HID class driver. No presence is searched: a
    // controller that libusb can not open is told apart only by kestrix doctor.
    return libusbBus();
}
