#include "record_values.h"

#include <algorithm>

RecordValues readRecordValues(const RecordTable &table, const unsigned char *record)
{
    RecordValues out;
    out.table = &table;
    for (const RecordField &field : table.fields)
        out.values.push_back(field.read(record));
    out.raw = QByteArray(reinterpret_cast<const char *>(record), table.size);
    return out;
}

void writeRecordValues(const RecordValues &values, unsigned char *record)
{
    for (size_t i = 0; i < values.table->fields.size(); ++i)
        values.table->fields[i].write(values.values[i], record);
}

std::vector<size_t> differingFields(const RecordValues &values, const unsigned char *record)
{
    std::vector<unsigned char> written(record, record + values.table->size);
    writeRecordValues(values, written.data());
    std::vector<size_t> out;
    for (size_t i = 0; i < values.table->fields.size(); ++i) {
        const RecordField &field = values.table->fields[i];
        if (!std::equal(record + field.offset, record + field.offset + field.width(),
                        written.begin() + field.offset))
            out.push_back(i);
    }
    return out;
}

QByteArray ownedBytes(const RecordTable &table, const unsigned char *record)
{
    QByteArray owned(table.size, 0);
    for (int i = 0; i < table.size; ++i) {
        if (!table.carries(i))
            owned[i] = char(record[i]);
    }
    return owned;
}
