#pragma once

// The faults that the write-sequence matrices inject at a transfer of a simulated
// controller, one column each.

#include "simulated_controller.h"
#include "usb_access.h"

#include <QMetaType>

enum class Fault { Unplug, IoError, TimeOut, StaysBusy };
Q_DECLARE_METATYPE(Fault)

// After `after` more transfers the controller vanishes, or that one transfer fails with an
// I/O error or with a time-out that takes its time; a busy controller stays busy after its
// next write, whenever that comes.
inline void injectFault(SimulatedController *controller, Fault fault, int after)
{
    switch (fault) {
    case Fault::Unplug:
        controller->unplugAfter(after);
        break;
    case Fault::IoError:
        controller->failTransfers(after, USB_ERROR_IO, 1);
        break;
    case Fault::TimeOut:
        controller->setTimeoutsTakeTime(true);
        controller->failTransfers(after, USB_ERROR_TIMEOUT, 1);
        break;
    case Fault::StaysBusy:
        controller->setBusyReads(-1);
        break;
    }
}
