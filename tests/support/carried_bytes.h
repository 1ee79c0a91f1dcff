#pragma once

// The firmware's own bytes of a record, as its field table leaves them: no field owns them,
// so every write carries back what the device holds.

#include "record_fields.h"

#include <vector>

inline std::vector<int> carriedOffsets(const RecordTable &table)
{
    std::vector<int> offsets;
    for (int i = 0; i < table.size; ++i) {
        if (table.carries(i))
            offsets.push_back(i);
    }
    return offsets;
}

