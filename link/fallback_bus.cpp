#include "fallback_bus.h"

FallbackBus::FallbackBus(UsbBus *preferred, UsbBus *fallback)
    : preferred(preferred), fallback(fallback)
{
}

int FallbackBus::init()
{
    return fallback->init();
}

void FallbackBus::exit()
{
    fallback->exit();
}

DeviceHandle *FallbackBus::open(uint16_t vendorId, uint16_t productId)
{
    if (DeviceHandle *handle = preferred->open(vendorId, productId)) {
        preferredHandles.insert(handle);
        return handle;
    }
    return fallback->open(vendorId, productId);
}

void FallbackBus::close(DeviceHandle *handle)
{
    if (preferredHandles.erase(handle) > 0)
        preferred->close(handle);
    else
        fallback->close(handle);
}
