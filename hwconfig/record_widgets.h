#pragma once

class QCheckBox;
class QComboBox;
class QLineEdit;
class QSpinBox;
class QString;

// The hardware record's fields in the window's controls, shared by the panel and the
// pages. Each load reads only the bytes at its offset and each store writes only those;
// callers pass buffers of at least HardwareSettingsRecord::SIZE bytes (in practice the
// whole 1024-byte receive buffer).

// On/off switch. Read: any non-zero value is on. Written: 1 or 0.
void loadFlag(QCheckBox *box, const unsigned char *record, int offset);
void storeFlag(const QCheckBox *box, unsigned char *record, int offset);

// Direction. Read: exactly 1 is inverted, anything else not. Written: 1 or 0xFF (-1).
void loadDirection(QCheckBox *box, const unsigned char *record, int offset);
void storeDirection(const QCheckBox *box, unsigned char *record, int offset);

// Combo index, one unsigned byte. An index at or above the item count leaves the combo
// without a current item, which is written back as 255.
void loadIndex(QComboBox *combo, const unsigned char *record, int offset);
void storeIndex(const QComboBox *combo, unsigned char *record, int offset);

// Single unsigned byte; the spin box clamps it to its range.
void loadU8(QSpinBox *spin, const unsigned char *record, int offset);
void storeU8(const QSpinBox *spin, unsigned char *record, int offset);

// 16-bit little-endian fields. A value outside the field's range is written clamped,
// never cut to its low bits.
void loadU16(QSpinBox *spin, const unsigned char *record, int offset);
void storeU16(const QSpinBox *spin, unsigned char *record, int offset);
void loadI16(QSpinBox *spin, const unsigned char *record, int offset);
void storeI16(const QSpinBox *spin, unsigned char *record, int offset);

// Single-precision gain shown as text: 'g' with 6 significant digits, C locale. The
// text goes back through QString::toFloat; text that is not a number is stored as 0.0.
QString gainText(float value);
float gainFromText(const QString &text);
void loadGain(QLineEdit *edit, const unsigned char *record, int offset);
void storeGain(const QLineEdit *edit, unsigned char *record, int offset);
