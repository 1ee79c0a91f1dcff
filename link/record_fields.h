#pragma once

// A record's fields as the windows own them: name, place, encoding, range and unit. One
// table per record; the command line, the backup files and the tests read the record
// through it, and the windows' forms hold the same ranges.

#include <QString>
#include <QStringList>

#include <vector>

enum class FieldEncoding {
    Flag,      // u8: 1 on, 0 off; read: any non-zero value is on
    Direction, // i8: 1 inverted, -1 (0xFF) not; read: exactly 1 is inverted
    Sign,      // i8: -1 (0xFF) inverted, +1 not; read: any negative value is inverted
    Index,     // u8: the index of an item
    U8,
    U16, // little-endian
    I16, // little-endian, two's complement
    F32, // little-endian IEEE 754 single precision
};

// The value an index field has when its byte names no item: the window's combo box then
// has no current item, and writes this back.
constexpr int INDEX_NONE = 255;

// Bytes as the raw value of an encoding: switches 0 or 1, directions and signs -1 or 1,
// numbers as stored. The windows' load and store code goes through these too.
double readEncoded(FieldEncoding encoding, const unsigned char *bytes);
// `value` must fit the encoding (see RecordField::accepts).
void writeEncoded(FieldEncoding encoding, double value, unsigned char *bytes);
int encodedWidth(FieldEncoding encoding);

struct RecordField {
    QString name;   // "power_limit", "gpio_mode.pin_8", "axis0.p_gain"
    int offset = 0; // in the record
    FieldEncoding encoding = FieldEncoding::U8;
    double minimum = 0;
    double maximum = 0;
    QString unit;      // "%", "degrees"; empty for none
    QStringList items; // Index: the items' names, in index order (maximum + 1 of them)
    QString widget;    // object name of the window's control that owns the field
    bool appliedAfterReboot = false;

    int width() const { return encodedWidth(encoding); }

    // The value as the window shows it: switches 0 or 1, directions and signs -1 or 1, an
    // index that names no item INDEX_NONE, a number clamped to the range.
    double read(const unsigned char *record) const;
    // Writes a value that the field accepts into its own bytes, and touches no others.
    void write(double value, unsigned char *record) const;
    // Whether the window could hold this value: within the range (and whole for all but
    // F32, which also takes the non-finite values a text converts to), or INDEX_NONE.
    bool accepts(double value) const;
    // "80 %", "1 (Calibration start angle as the center)", "-1 (not inverted)".
    QString describe(double value) const;
};

// The shortest decimal text that reads back as the same single-precision value.
QString floatText(float value);

struct RecordTable {
    QString name;                    // "hardware_settings"
    int size = 0;                    // the bytes the device takes back
    int reportId = 0;                // the feature report it is read from
    int writeCommand = 0;            // the command whose chunked write takes it back
    std::vector<RecordField> fields; // in record order

    // Appends a field; the rest of its attributes can be set on what it returns.
    RecordField &add(const QString &name, int offset, FieldEncoding encoding, double minimum,
                     double maximum, const QString &unit, const QString &widget);
    const RecordField *find(const QString &fieldName) const;
    // Whether a byte belongs to no field: the device's own, carried through unchanged.
    bool carries(int offset) const;
};
