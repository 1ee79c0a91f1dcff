#pragma once

#include "usb_access.h"

#include <unordered_set>

// Opens a device through the preferred bus when that bus can, and through the fallback
// otherwise; each handle goes back to the bus that opened it. Starting and stopping the
// USB library is the fallback's business.
class FallbackBus final : public UsbBus
{
public:
    FallbackBus(UsbBus *preferred, UsbBus *fallback);

    int init() override;
    void exit() override;
    DeviceHandle *open(uint16_t vendorId, uint16_t productId) override;
    void close(DeviceHandle *handle) override;

private:
    UsbBus *const preferred;
    UsbBus *const fallback;
    std::unordered_set<DeviceHandle *> preferredHandles;
};
