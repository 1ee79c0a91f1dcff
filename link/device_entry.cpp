#include "device_entry.h"

#include "kestrix_protocol.h"
#include "transport.h"

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
    unsigned char info[RECEIVE_BUFFER_SIZE] = {};
    if (getReport(entry.handle, REPORT_DEVICE_INFO, info, RECEIVE_BUFFER_SIZE) < 0)
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
