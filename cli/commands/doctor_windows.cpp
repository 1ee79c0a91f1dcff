#include "commands.h"

#include "libusb_devices.h"

#include <QTextStream>

namespace
{

// The process bus's own view where one is installed (the simulated controllers); libusb's
// enumeration otherwise.
bool familyDevices(std::vector<EnumeratedDevice> *devices, int *result)
{
    if (usbBus() == libusbBus())
        return enumerateFamilyDevices(devices, result);
    *result = 0;
    for (const PresentDevice &device : presentDevices()) {
        if (!productById(device.productId))
            continue;
        const int opened = device.access == DeviceAccess::Usable  ? 0
                           : device.access == DeviceAccess::Busy ? int(USB_ERROR_BUSY)
                                                                 : int(USB_ERROR_ACCESS);
        devices->push_back({device, opened});
    }
    return true;
}

} // namespace

// Windows keeps no udev, no rule and no node permissions: what can be told is whether
// libusb reaches each controller that is plugged in, and if not, why.
Outcome DoctorCommand::run()
{
    if (const Outcome started = startBus(); !started.ok())
        return started;
    std::vector<EnumeratedDevice> devices;
    int result = 0;
    if (!familyDevices(&devices, &result))
        return Outcome::because(
            QStringLiteral("the USB devices could not be listed (error %1)").arg(result));
    int unusable = 0;
    for (const EnumeratedDevice &found : devices) {
        const Product *product = productById(found.device.productId);
        const QString name = QStringLiteral("%1 %2 (bus %3, device %4)")
                                 .arg(QLatin1String(product->kind), hex16(product->productId))
                                 .arg(found.device.busNumber)
                                 .arg(found.device.deviceNumber);
        switch (found.openResult) {
        case 0:
            out << name << ": ok\n";
            continue;
        case USB_ERROR_NOT_SUPPORTED:
        case USB_ERROR_NOT_FOUND:
            out << name << ": plugged in, but no driver lets libusb reach it\n";
            fix(QStringLiteral("let Windows' own HID driver take it: in the Device Manager, "
                               "uninstall the driver that replaced it, then plug the %1 in "
                               "again")
                    .arg(QLatin1String(product->kind)));
            break;
        case USB_ERROR_BUSY:
        case USB_ERROR_ACCESS:
            out << name << ": plugged in, but another program holds it\n";
            fix(QStringLiteral("close the program that holds it"));
            break;
        default:
            out << name << ": plugged in, but it can not be opened (error " << found.openResult
                << ")\n";
            fix(QStringLiteral("plug the %1 in again").arg(QLatin1String(product->kind)));
            break;
        }
        ++unusable;
    }
    const int plugged = int(devices.size());
    out << doctorSummary(plugged, unusable);
    return unusable > 0 ? explainedAbove(EXIT_DEVICE) : Outcome();
}

void DoctorCommand::fix(const QString &step)
{
    out << "  fix: " << step << '\n';
}
