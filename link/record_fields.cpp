#include "record_fields.h"

#include "byte_order.h"

#include <algorithm>
#include <cmath>
#include <limits>

double readEncoded(FieldEncoding encoding, const unsigned char *bytes)
{
    switch (encoding) {
    case FieldEncoding::Flag:
        return bytes[0] != 0 ? 1 : 0;
    case FieldEncoding::Direction:
        return bytes[0] == 1 ? 1 : -1;
    case FieldEncoding::Sign:
        return (bytes[0] & 0x80) != 0 ? -1 : 1;
    case FieldEncoding::Index:
    case FieldEncoding::U8:
        return bytes[0];
    case FieldEncoding::U16:
        return readU16LE(bytes);
    case FieldEncoding::I16:
        return readI16LE(bytes);
    case FieldEncoding::F32:
        return readF32LE(bytes);
    }
    return 0;
}

void writeEncoded(FieldEncoding encoding, double value, unsigned char *bytes)
{
    switch (encoding) {
    case FieldEncoding::Flag:
        bytes[0] = value != 0 ? 1 : 0;
        break;
    case FieldEncoding::Direction:
    case FieldEncoding::Sign:
        bytes[0] = value < 0 ? 0xFF : 0x01;
        break;
    case FieldEncoding::Index:
    case FieldEncoding::U8:
        bytes[0] = static_cast<unsigned char>(static_cast<int>(value) & 0xFF);
        break;
    case FieldEncoding::U16:
        writeU16LE(bytes, static_cast<uint16_t>(std::clamp(value, 0.0, 65535.0)));
        break;
    case FieldEncoding::I16:
        writeU16LE(bytes, static_cast<uint16_t>(
                              static_cast<int16_t>(std::clamp(value, -32768.0, 32767.0))));
        break;
    case FieldEncoding::F32:
        writeF32LE(bytes, static_cast<float>(value));
        break;
    }
}

int encodedWidth(FieldEncoding encoding)
{
    switch (encoding) {
    case FieldEncoding::U16:
    case FieldEncoding::I16:
        return 2;
    case FieldEncoding::F32:
        return 4;
    default:
        return 1;
    }
}

double RecordField::read(const unsigned char *record) const
{
    const double raw = readEncoded(encoding, record + offset);
    switch (encoding) {
    case FieldEncoding::Index:
        return raw <= maximum ? raw : INDEX_NONE;
    case FieldEncoding::U8:
    case FieldEncoding::U16:
    case FieldEncoding::I16:
        return std::clamp(raw, minimum, maximum);
    default:
        return raw;
    }
}

void RecordField::write(double value, unsigned char *record) const
{
    writeEncoded(encoding, value, record + offset);
}

bool RecordField::accepts(double value) const
{
    if (encoding == FieldEncoding::F32)
        return !std::isfinite(value) || std::abs(value) <= std::numeric_limits<float>::max();
    if (value != std::floor(value))
        return false;
    if (encoding == FieldEncoding::Direction || encoding == FieldEncoding::Sign)
        return value == -1 || value == 1;
    if (encoding == FieldEncoding::Index && value == INDEX_NONE)
        return true;
    return value >= minimum && value <= maximum;
}

QString RecordField::describe(double value) const
{
    const QString number = encoding == FieldEncoding::F32 ? floatText(static_cast<float>(value))
                                                          : QString::number(value);
    switch (encoding) {
    case FieldEncoding::Flag:
        return number + (value != 0 ? QStringLiteral(" (on)") : QStringLiteral(" (off)"));
    case FieldEncoding::Direction:
    case FieldEncoding::Sign: {
        const bool inverted = (encoding == FieldEncoding::Direction) == (value > 0);
        return number +
               (inverted ? QStringLiteral(" (inverted)") : QStringLiteral(" (not inverted)"));
    }
    case FieldEncoding::Index: {
        const int index = static_cast<int>(value);
        const QString item =
            index >= 0 && index < items.size() ? items[index] : QStringLiteral("no item");
        return number + QStringLiteral(" (") + item + QLatin1Char(')');
    }
    default:
        return unit.isEmpty() ? number : number + QLatin1Char(' ') + unit;
    }
}

QString floatText(float value)
{
    if (std::isnan(value))
        return QStringLiteral("nan");
    if (std::isinf(value))
        return value > 0 ? QStringLiteral("inf") : QStringLiteral("-inf");
    // Nine significant digits always find the way back; fewer usually do, and read better.
    for (int digits = 1; digits < 9; ++digits) {
        const QString text = QString::number(static_cast<double>(value), 'g', digits);
        if (static_cast<float>(text.toDouble()) == value)
            return text;
    }
    return QString::number(static_cast<double>(value), 'g', 9);
}

RecordField &RecordTable::add(const QString &name, int offset, FieldEncoding encoding,
                              double minimum, double maximum, const QString &unit,
                              const QString &widget)
{
    RecordField field;
    field.name = name;
    field.offset = offset;
    field.encoding = encoding;
    field.minimum = minimum;
    field.maximum = maximum;
    field.unit = unit;
    field.widget = widget;
    fields.push_back(field);
    return fields.back();
}

const RecordField *RecordTable::find(const QString &fieldName) const
{
    for (const RecordField &field : fields) {
        if (field.name == fieldName)
            return &field;
    }
    return nullptr;
}

bool RecordTable::carries(int offset) const
{
    return std::none_of(fields.begin(), fields.end(), [offset](const RecordField &field) {
        return offset >= field.offset && offset < field.offset + field.width();
    });
}
