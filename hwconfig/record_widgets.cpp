#include "record_widgets.h"

#include "byte_order.h"
#include "record_fields.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QSpinBox>
#include <QString>

void loadFlag(QCheckBox *box, const unsigned char *record, int offset)
{
    box->setChecked(readEncoded(FieldEncoding::Flag, record + offset) != 0);
}

void storeFlag(const QCheckBox *box, unsigned char *record, int offset)
{
    writeEncoded(FieldEncoding::Flag, box->isChecked() ? 1 : 0, record + offset);
}

void loadDirection(QCheckBox *box, const unsigned char *record, int offset)
{
    box->setChecked(readEncoded(FieldEncoding::Direction, record + offset) > 0);
}

void storeDirection(const QCheckBox *box, unsigned char *record, int offset)
{
    writeEncoded(FieldEncoding::Direction, box->isChecked() ? 1 : -1, record + offset);
}

void loadIndex(QComboBox *combo, const unsigned char *record, int offset)
{
    const int index = static_cast<int>(readEncoded(FieldEncoding::Index, record + offset));
    combo->setCurrentIndex(index < combo->count() ? index : -1);
}

void storeIndex(const QComboBox *combo, unsigned char *record, int offset)
{
    // No current item (-1) comes out as 255.
    writeEncoded(FieldEncoding::Index, combo->currentIndex() & 0xFF, record + offset);
}

void loadU8(QSpinBox *spin, const unsigned char *record, int offset)
{
    spin->setValue(static_cast<int>(readEncoded(FieldEncoding::U8, record + offset)));
}

void storeU8(const QSpinBox *spin, unsigned char *record, int offset)
{
    writeEncoded(FieldEncoding::U8, spin->value() & 0xFF, record + offset);
}

void loadU16(QSpinBox *spin, const unsigned char *record, int offset)
{
    spin->setValue(static_cast<int>(readEncoded(FieldEncoding::U16, record + offset)));
}

void storeU16(const QSpinBox *spin, unsigned char *record, int offset)
{
    writeEncoded(FieldEncoding::U16, spin->value(), record + offset);
}

void loadI16(QSpinBox *spin, const unsigned char *record, int offset)
{
    spin->setValue(static_cast<int>(readEncoded(FieldEncoding::I16, record + offset)));
}

void storeI16(const QSpinBox *spin, unsigned char *record, int offset)
{
    writeEncoded(FieldEncoding::I16, spin->value(), record + offset);
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
