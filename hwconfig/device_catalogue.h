#pragma once

#include "device_entry.h"
#include "kestrix_protocol.h"

#include <QtGlobal>

// The controllers hwconfig serves; the index is also the row of the device selector.
// The names are shown translated in the window's context.
constexpr int DEVICE_CATALOGUE_SIZE = 4;

inline const DeviceEntry DEVICE_CATALOGUE[DEVICE_CATALOGUE_SIZE] = {
    {KESTRIX_VENDOR_ID, PRODUCT_ID_GENERIC, QT_TRANSLATE_NOOP("MainWindow", "Generic")},
    {KESTRIX_VENDOR_ID, PRODUCT_ID_JOYSTICK, QT_TRANSLATE_NOOP("MainWindow", "Joystick")},
    {KESTRIX_VENDOR_ID, PRODUCT_ID_RUDDER, QT_TRANSLATE_NOOP("MainWindow", "Rudder")},
    {KESTRIX_VENDOR_ID, PRODUCT_ID_WHEEL, QT_TRANSLATE_NOOP("MainWindow", "Wheel")},
};
