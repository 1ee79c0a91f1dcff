#pragma once

// A wheel's effect settings, handed to a running wheelconfig (cli/wheel_handover_linux.cpp;
// on Windows wheelconfig is not built yet, and nothing is handed over).

#include "controllers.h"
#include "outcome.h"
#include "record_values.h"

// While wheelconfig runs, its panel holds the effect settings too and sends them with every
// edit: they are handed to it, so that its window shows them and can not overwrite them.
// `handedOver` stays false when no wheelconfig with a wheel answers; the caller writes then.
Outcome handToWheelconfig(const Controller &controller, const RecordValues &values,
                          unsigned char *record, bool *handedOver);
