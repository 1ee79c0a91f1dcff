#pragma once

class QComboBox;

// Hides or shows one row of a combo box's drop-down list. The item keeps its index and
// the program can still make it current.
void setComboRowHidden(QComboBox *combo, int row, bool hidden);
