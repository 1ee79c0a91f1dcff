#include "platform_bus.h"

#include "device_events.h"
#include "fallback_bus.h"
#include "hidraw_bus.h"
#include "presence_search.h"

UsbBus *platformBus()
{
    // The kernel's HID driver keeps the controller; its hidraw node reaches it anyway.
    // Presence first: a product that is not on the bus costs no open at all.
    static Presence presence(QString(), systemDeviceEvents);
    static FallbackBus bus(hidrawBus(), libusbBus(), &presence);
    return &bus;
}
