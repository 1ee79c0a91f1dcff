#pragma once

#include "device_entry.h"
#include "kestrix_protocol.h"

// The controllers hwconfig serves; the index is also the row of the device selector.
constexpr int DEVICE_CATALOGUE_SIZE = 4;

inline const DeviceEntry DEVICE_CATALOGUE[DEVICE_CATALOGUE_SIZE] = {
    {KESTRIX_VENDOR_ID, PRODUCT_ID_GENERIC, "Generic"},
    {KESTRIX_VENDOR_ID, PRODUCT_ID_JOYSTICK, "Joystick"},
    {KESTRIX_VENDOR_ID, PRODUCT_ID_RUDDER, "Rudder"},
    {KESTRIX_VENDOR_ID, PRODUCT_ID_WHEEL, "Wheel"},
};
