#include "fallback_bus.h"

#include "presence_search.h"

FallbackBus::FallbackBus(UsbBus *preferred, UsbBus *fallback, Presence *presence)
    : presence(presence), preferred(preferred), fallback(fallback)
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
    // An open of an absent product would cost a search and a libusb enumeration every
    // tick; one it can not open would fail the same way until presence sees a change.
    if (presence && !presence->usable(vendorId, productId))
        return nullptr;
    if (DeviceHandle *handle = preferred->open(vendorId, productId)) {
        preferredHandles.insert(handle);
        return handle;
    }
    if (preferred->holdsBack(vendorId, productId))
        return nullptr;
    return fallback->open(vendorId, productId);
}

void FallbackBus::close(DeviceHandle *handle)
{
    if (preferredHandles.erase(handle) > 0)
        preferred->close(handle);
    else
        fallback->close(handle);
}

bool FallbackBus::present(std::vector<PresentDevice> *devices)
{
    if (presence) {
        *devices = presence->devices();
        return true;
    }
    return preferred->present(devices) || fallback->present(devices);
}
