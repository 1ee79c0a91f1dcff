#pragma once

// The controllers of the family as the command line finds them on the bus.

#include "usb_access.h"

#include <QString>

#include <cstdint>
#include <vector>

// Products of the family, by the names the command line and the simulator use.
struct Product {
    const char *kind; // "generic", "joystick", "rudder", "wheel"
    uint16_t productId;
};
const std::vector<Product> &products();
// Null for an id outside the family.
const Product *productById(unsigned productId);
// A kind name, or a product id as 0x58f9 or 22777; null when it names no product.
const Product *productByName(const QString &name);
// The one grammar of a product id, in files and on the command line: "0x" and 1 to 4 hex
// digits, or a decimal number up to 65535; case-insensitive, nothing else around it.
bool parseProductId(const QString &text, unsigned *productId);

// One controller, opened and answering.
struct Controller {
    const Product *product = nullptr;
    DeviceHandle *handle = nullptr;
    int deviceType = 0; // byte 4 of its device information

    // "joystick (0x58f9)"
    QString label() const;
};

// The controllers opened during one command; closes them and the bus when it goes.
class Controllers
{
public:
    Controllers();
    ~Controllers();
    Controllers(const Controllers &) = delete;
    Controllers &operator=(const Controllers &) = delete;

    // Starts the bus; false with a reason when it can not be used.
    bool start(QString *error);
    bool started() const { return running; }

    enum class Presence {
        Absent,    // not on the bus, or it could not be opened
        Silent,    // opened, but its device information did not come
        Answering, // `controller` is ready for use
    };
    // Opens the product and reads its device information.
    Presence open(const Product &product, Controller *controller);

private:
    std::vector<DeviceHandle *> handles;
    bool running = false;
};

QString hex16(unsigned value); // "0x58f9"
