#pragma once

// The kestrix command line: list, show, back up, restore and reboot the controllers, and
// share the wheel's profiles.

#include "commands/command.h"

#include <QStringList>

class QTextStream;

// Runs one command (the arguments without the program name) on the process's USB bus.
// Results go to `out`; an error is one line on `err`. A wheel's effect settings go through
// a running wheelconfig only where both serve the same wheel: not on simulated controllers,
// which are each process's own.
int runKestrix(const QStringList &arguments, QTextStream &out, QTextStream &err,
               EffectRoute effectRoute = EffectRoute::Direct);
