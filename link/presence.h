#pragma once

// A controller that is plugged in but can not be opened, in the words the windows and
// kestrix use for it. Which controllers are present is the platform's own business.

#include "usb_access.h"

#include <QString>

// Why a device can not be used, to follow its name: "this user may not open /dev/hidraw3".
// Translated in the context "Presence" where a catalogue serves it.
QString unusableReason(const PresentDevice &device);
// The one line a window shows for it, naming `name`, the reason and kestrix doctor.
QString unusableLine(const QString &name, const PresentDevice &device);
