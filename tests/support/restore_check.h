#pragma once

// What a restore must leave in a record: the file's bytes where the table owns them, the
// device's own everywhere else.

#include "record_fields.h"

#include <QString>

#include <cstdint>
#include <vector>

// The first byte of `after` that is neither the backed-up byte where the table owns it nor
// the device's own byte (as it was before the restore) elsewhere; empty when there is none.
inline QString wrongRestoredByte(const RecordTable &table, const std::vector<uint8_t> &backedUp,
                                 const std::vector<uint8_t> &deviceOwn,
                                 const std::vector<uint8_t> &after)
{
    if (after.size() != deviceOwn.size())
        return QStringLiteral("the record is %1 bytes, was %2")
            .arg(after.size())
            .arg(deviceOwn.size());
    for (size_t i = 0; i < after.size(); ++i) {
        const bool owned = int(i) < table.size && !table.carries(int(i));
        const uint8_t expected = owned ? backedUp[i] : deviceOwn[i];
        if (after[i] != expected)
            return QStringLiteral("%1 byte %2 is %3, not %4")
                .arg(owned ? QStringLiteral("owned") : QStringLiteral("carried"))
                .arg(i)
                .arg(after[i])
                .arg(expected);
    }
    return QString();
}
