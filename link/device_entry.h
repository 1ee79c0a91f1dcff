#pragma once

#include "usb_access.h"

#include <cstdint>

// One row of a program's device catalogue. The entry owns its open handle; only the
// connection poll (and the wheel program's reboot) opens and closes it.
struct DeviceEntry {
    uint32_t vendorId;
    uint32_t productId;
    const char *name;
    DeviceHandle *handle = nullptr;
};

// The two halves of the connection poll, shared by both programs.
// Opens the device if the entry has no handle yet.
void openIfAbsent(DeviceEntry &entry);
// Reads the device information as a liveness probe; a failed read closes the handle.
// Returns whether the entry still has a handle.
bool probe(DeviceEntry &entry);
// Closes the entry's handle, if any.
void closeEntry(DeviceEntry &entry);
