#include "device_entry.h"

#include "device_sequences.h"

void openIfAbsent(DeviceEntry &entry)
{
    if (entry.handle)
        return;
    entry.handle =
        openDevice(static_cast<uint16_t>(entry.vendorId), static_cast<uint16_t>(entry.productId));
}

bool probe(DeviceEntry &entry)
{
    if (!entry.handle)
        return false;
    // Only a failed transfer means the device is gone; a short answer still comes from it.
    int deviceType = 0;
    if (readDeviceType(entry.handle, &deviceType).transfer < 0)
        closeEntry(entry);
    return entry.handle != nullptr;
}

void closeEntry(DeviceEntry &entry)
{
    if (entry.handle) {
        closeDevice(entry.handle);
        entry.handle = nullptr;
    }
}
