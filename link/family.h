#pragma once

// The controller family: one row per product. The simulator, both windows' catalogues and
// the command line all read it, so a new product is one row here.

#include <QString>

#include <cstdint>
#include <vector>

struct Product {
    const char *kind;        // "joystick": the command line's and KESTRIX_SIMULATOR's name
    const char *displayName; // "Joystick": hwconfig's selector, translated in its window
    uint16_t productId;
    uint8_t deviceType; // what its device information reports
    bool hardwareSettings; // report 0x21, written with command 17
    bool effectSettings;   // report 0x22, written with command 18 (the wheel program's)
};

// In the order of hwconfig's device selector.
const std::vector<Product> &family();
// Null for an id or a kind outside the family.
const Product *productById(unsigned productId);
const Product *productByKind(const QString &kind);
const Product &wheelProduct();

// The one grammar of a product id, in files and on the command line: "0x" and 1 to 4 hex
// digits, or a decimal number up to 65535; case-insensitive, nothing else around it.
bool parseProductId(const QString &text, unsigned *productId);

QString hex16(unsigned value); // "0x58f9"
