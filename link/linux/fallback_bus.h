#pragma once

#include "usb_access.h"

#include <unordered_set>

// Opens a device through the preferred bus when that bus can, and through the fallback
// otherwise; each handle goes back to the bus that opened it. Starting and stopping the
// USB library is the fallback's business.
class Presence;

class FallbackBus final : public UsbBus
{
public:
    // With a presence (not owned), only a product it finds usable on the bus is opened.
    FallbackBus(UsbBus *preferred, UsbBus *fallback, Presence *presence = nullptr);

    int init() override;
    void exit() override;
    DeviceHandle *open(uint16_t vendorId, uint16_t productId) override;
    void close(DeviceHandle *handle) override;
    bool present(std::vector<PresentDevice> *devices) override;

private:
    Presence *const presence;
    UsbBus *const preferred;
    UsbBus *const fallback;
    std::unordered_set<DeviceHandle *> preferredHandles;
};
