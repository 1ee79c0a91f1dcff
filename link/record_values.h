#pragma once

// A record's fields as values: read from a record's bytes as the windows show them, written
// back into a record that holds the device's own bytes, and compared field by field. The
// command line, its backup and profile files and the window-less apply use it.

#include "record_fields.h"

#include <QByteArray>

#include <vector>

// One record's fields as values, in the table's order, and the record's bytes.
struct RecordValues {
    const RecordTable *table = nullptr;
    std::vector<double> values;
    QByteArray raw; // table->size bytes
};

// The values as the windows would show them, read from a record of table.size bytes or more.
RecordValues readRecordValues(const RecordTable &table, const unsigned char *record);
// Writes every field's value into the record; carried bytes stay as they are.
void writeRecordValues(const RecordValues &values, unsigned char *record);
// The indices of the fields whose bytes in the record are not those their values write.
std::vector<size_t> differingFields(const RecordValues &values, const unsigned char *record);
// The record's bytes that its fields own, the carried ones zero: the firmware may change
// the bytes it keeps for itself at any time, so only these tell whether the settings changed.
QByteArray ownedBytes(const RecordTable &table, const unsigned char *record);
