#include "hardware_settings_record.h"

#include "byte_order.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QSpinBox>
#include <QString>

#include <algorithm>

namespace {
constexpr unsigned char DIRECTION_INVERTED = 1;
constexpr unsigned char DIRECTION_NORMAL = 0xFF; // -1 as the firmware's i8
} // namespace

void loadFlag(QCheckBox *box, const unsigned char *record, int offset)
{
    box->setChecked(record[offset] != 0);
}

void storeFlag(const QCheckBox *box, unsigned char *record, int offset)
{
    record[offset] = box->isChecked() ? 1 : 0;
}

void loadDirection(QCheckBox *box, const unsigned char *record, int offset)
{
    box->setChecked(record[offset] == DIRECTION_INVERTED);
}

void storeDirection(const QCheckBox *box, unsigned char *record, int offset)
{
    record[offset] = box->isChecked() ? DIRECTION_INVERTED : DIRECTION_NORMAL;
}

void loadIndex(QComboBox *combo, const unsigned char *record, int offset)
{
    const int index = record[offset];
    combo->setCurrentIndex(index < combo->count() ? index : -1);
}

void storeIndex(const QComboBox *combo, unsigned char *record, int offset)
{
    // No current item (-1) comes out as 255.
    record[offset] = static_cast<unsigned char>(combo->currentIndex() & 0xFF);
}

void loadU8(QSpinBox *spin, const unsigned char *record, int offset)
{
    spin->setValue(record[offset]);
}

void storeU8(const QSpinBox *spin, unsigned char *record, int offset)
{
    record[offset] = static_cast<unsigned char>(spin->value() & 0xFF);
}

void loadU16(QSpinBox *spin, const unsigned char *record, int offset)
{
    spin->setValue(readU16LE(record + offset));
}

void storeU16(const QSpinBox *spin, unsigned char *record, int offset)
{
    writeU16LE(record + offset, static_cast<uint16_t>(std::clamp(spin->value(), 0, 0xFFFF)));
}

void loadI16(QSpinBox *spin, const unsigned char *record, int offset)
{
    spin->setValue(readI16LE(record + offset));
}

void storeI16(const QSpinBox *spin, unsigned char *record, int offset)
{
    const int value = std::clamp(spin->value(), -32768, 32767);
    writeU16LE(record + offset, static_cast<uint16_t>(static_cast<int16_t>(value)));
}

QString gainText(float value)
{
    return QString::number(static_cast<double>(value), 'g', 6);
}

float gainFromText(const QString &text)
{
    // QString::toFloat ignores the locale. A text it cannot turn into a single-precision
    // value (not a number, or beyond the float range) is stored as 0.0.
    bool ok = false;
    const float value = text.toFloat(&ok);
    return ok ? value : 0.0f;
}

void loadGain(QLineEdit *edit, const unsigned char *record, int offset)
{
    edit->setText(gainText(readF32LE(record + offset)));
}

void storeGain(const QLineEdit *edit, unsigned char *record, int offset)
{
    writeF32LE(record + offset, gainFromText(edit->text()));
}
