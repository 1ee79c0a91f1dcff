#pragma once

// The kestrix command line: list, show, back up, restore and reboot the controllers, and
// share the wheel's profiles.

#include "record_parts.h"

#include <QStringList>

class QTextStream;

enum ExitCode {
    EXIT_DONE = 0,
    EXIT_DEVICE = 1,    // the device is missing, a transfer failed, a profile not stored
    EXIT_USAGE = 2,     // bad usage or a bad file
    EXIT_READ_BACK = 3, // written, but the read-back differs
};

// Runs one command (the arguments without the program name) on the process's USB bus.
// Results go to `out`; each error is one line on `err`. A wheel's effect settings go through
// a running wheelconfig only where both serve the same wheel: not on simulated controllers,
// which are each process's own.
int runKestrix(const QStringList &arguments, QTextStream &out, QTextStream &err,
               EffectRoute effectRoute = EffectRoute::Direct);
