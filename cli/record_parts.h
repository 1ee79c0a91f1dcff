#pragma once

// The records a controller holds, as the command line reads and writes them.

#include "controllers.h"
#include "record_fields.h"
#include "settings_file.h"

#include <QString>

#include <vector>

struct RecordPart {
    const RecordTable *table;
};

// The parts a settings file may hold: the hardware settings first.
std::vector<const RecordTable *> settingsTables();
// The parts this controller has: the hardware settings unless its device type offers
// none, and for the wheel its effect settings.
std::vector<RecordPart> partsOf(const Controller &controller);

// Reads the part's record into `record` (RECEIVE_BUFFER_SIZE bytes), or says why the read
// failed or delivered less than the whole record.
Outcome readPart(const Controller &controller, const RecordPart &part, unsigned char *record);

// How a wheel's effect settings are written.
enum class EffectRoute {
    Direct,             // to the wheel; its own save sequence
    ThroughWheelconfig, // handed to a running wheelconfig when one answers, else Direct
};

// Writes the file's values of one part over the device's own record and waits until the
// device is ready. `record` is the device's record as just read. Nothing more is sent after
// a failure. `handedOver` tells whether a running wheelconfig did the write.
Outcome writePart(const Controller &controller, const RecordPart &part, const RecordValues &values,
                  unsigned char *record, EffectRoute route, bool *handedOver);
