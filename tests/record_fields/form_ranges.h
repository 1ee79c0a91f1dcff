#pragma once

// Checks shared by the field tests of both programs.

#include "record_fields.h"

class QWidget;
class QString;

// The table's fields do not overlap, lie within the record, and leave exactly the bytes the
// record's layout declares the device's own (`carried`); names are unique and index fields
// list their items.
void checkTableCoversRecord(const RecordTable &table, const std::vector<int> &carried);

// The form binding finds every field's control under `window` (a control that can not hold
// its field ends the run), once: a `panel` with a binding of its own and the rest of the
// window share the fields between them. Index fields list the table's items, and every
// editable control under `owners` belongs to a field.
void checkFormBinding(const RecordTable &table, QWidget *window,
                      const std::vector<QWidget *> &owners, QWidget *panel = nullptr);
