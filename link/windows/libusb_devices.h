#pragma once

// Windows: the family's controllers that libusb enumerates, and what an open of each says.
// Asked for by kestrix doctor only: enumerating and opening is too dear for a window's poll.

#include "usb_access.h"

#include <vector>

struct EnumeratedDevice {
    PresentDevice device;
    int openResult = 0; // 0, or the UsbResult of the failed open
};

// False, with the UsbResult in `result`, when libusb can not enumerate at all.
bool enumerateFamilyDevices(std::vector<EnumeratedDevice> *devices, int *result);
