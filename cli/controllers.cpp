#include "controllers.h"

#include "device_sequences.h"
#include "kestrix_protocol.h"
#include "presence.h"

#include <algorithm>

const Product *productByName(const QString &name)
{
    if (const Product *product = productByKind(name))
        return product;
    unsigned id = 0;
    return parseProductId(name, &id) ? productById(id) : nullptr;
}

QString Controller::label() const
{
    return QStringLiteral("%1 (%2)").arg(QLatin1String(product->kind), hex16(product->productId));
}

QString unusableText(const Product &product, const PresentDevice &device)
{
    const char *state = device.access == DeviceAccess::Busy     ? "busy"
                        : device.access == DeviceAccess::NoNode ? "no device node"
                                                                : "no access";
    return QStringLiteral("%1 %2 plugged in, %3: %4")
        .arg(QLatin1String(product.kind), hex16(product.productId), QLatin1String(state),
             unusableReason(device));
}

Controllers::Controllers() = default;

Controllers::~Controllers()
{
    for (DeviceHandle *handle : handles)
        closeDevice(handle);
    if (running)
        usbExit();
}

Outcome Controllers::start()
{
    // Not usbInit(): its message is for the windows; here the error is the command's.
    const int result = usbBus()->init();
    if (result < 0)
        return Outcome::because(
            QStringLiteral("USB access could not be started (error %1)").arg(result));
    running = true;
    return Outcome();
}

Controllers::Presence Controllers::open(const Product &product, Controller *controller)
{
    DeviceHandle *handle = openDevice(KESTRIX_VENDOR_ID, product.productId);
    if (!handle) {
        if (!unusableDevice(KESTRIX_VENDOR_ID, product.productId, &controller->unusable))
            return Presence::Absent;
        controller->product = &product;
        return Presence::Unusable;
    }
    handles.push_back(handle);
    controller->product = &product;
    controller->handle = handle;
    if (!readDeviceType(handle, &controller->deviceType).ok())
        return Presence::Silent;
    return Presence::Answering;
}
