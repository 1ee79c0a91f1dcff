#pragma once

// Checks shared by the field tests of both programs.

#include "record_fields.h"

class QWidget;
class QString;

// The table's fields do not overlap, lie within the record, and leave exactly `carried`
// bytes to the device; names are unique and index fields list their items.
void checkTableCoversRecord(const RecordTable &table, const std::vector<int> &carried);

// Every field's control, found by name under `window`, has the field's kind and range, and
// every editable control under `owners` belongs to a field.
void checkFormRanges(const RecordTable &table, QWidget *window,
                     const std::vector<QWidget *> &owners);
