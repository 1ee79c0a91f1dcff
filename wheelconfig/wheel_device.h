#pragma once

#include "device_entry.h"
#include "family.h"
#include "kestrix_protocol.h"

// The one device wheelconfig serves. Instead of a selector text it has the window titles
// of its two states (not translated), and whether the window has entered the connected
// state for the handle it holds now.
struct WheelDevice {
    DeviceEntry entry{KESTRIX_VENDOR_ID, wheelProduct().productId, wheelProduct().displayName};
    const char *disconnectedTitle = "Wheel (Disconnected)";
    const char *connectedTitle = "Wheel (Connected)";
    bool connected = false;
};
