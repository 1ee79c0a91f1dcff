#pragma once

// The controllers of the family as the command line finds them on the bus.

#include "family.h"
#include "outcome.h"
#include "usb_access.h"

#include <QString>

#include <cstdint>
#include <vector>

// A kind name, or a product id as 0x58f9 or 22777; null when it names no product.
const Product *productByName(const QString &name);

// One controller, opened and answering.
struct Controller {
    const Product *product = nullptr;
    DeviceHandle *handle = nullptr;
    int deviceType = 0;     // byte 4 of its device information
    PresentDevice unusable; // why it can not be opened, for Presence::Unusable

    // "joystick (0x58f9)"
    QString label() const;
};

// "joystick 0x58f9 plugged in, no access: this user may not open /dev/hidraw3"
QString unusableText(const Product &product, const PresentDevice &device);

// The controllers opened during one command; closes them and the bus when it goes.
class Controllers
{
public:
    Controllers();
    ~Controllers();
    Controllers(const Controllers &) = delete;
    Controllers &operator=(const Controllers &) = delete;

    // Starts the bus, or says why it can not be used.
    Outcome start();
    bool started() const { return running; }

    enum class Presence {
        Absent,    // not on the bus, or it could not be opened for no known reason
        Unusable,  // plugged in, but this user can not open it: `unusable` says why
        Silent,    // opened, but its device information did not come
        Answering, // `controller` is ready for use
    };
    // Opens the product and reads its device information.
    Presence open(const Product &product, Controller *controller);

private:
    std::vector<DeviceHandle *> handles;
    bool running = false;
};
