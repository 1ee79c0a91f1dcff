#include "settings_file.h"

#include "controllers.h"
#include "effect_settings_record.h"
#include "json_document.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>
#include <QRegularExpression>
#include <QSet>

#include <algorithm>
#include <cmath>

namespace
{
const QString FORMAT_NAME = QStringLiteral("kestrix-settings");
const QString PROFILE_FORMAT_NAME = QStringLiteral("kestrix-profile");
constexpr int FORMAT_VERSION = 1;
const QString FORMAT_KEY = QStringLiteral("format");
const QString VERSION_KEY = QStringLiteral("version");
const QString PRODUCT_KEY = QStringLiteral("product_id");
const QString TYPE_KEY = QStringLiteral("device_type");
const QString FIELDS_KEY = QStringLiteral("fields");
const QString RAW_KEY = QStringLiteral("raw");

// JSON has no numbers for the non-finite values a gain may hold: they go as text.
QString jsonNumber(const RecordField &field, double value)
{
    if (field.encoding != FieldEncoding::F32)
        return QString::number(value, 'f', 0);
    const QString text = floatText(static_cast<float>(value));
    return std::isfinite(value) ? text : QLatin1Char('"') + text + QLatin1Char('"');
}

bool valueFromJson(const RecordField &field, const QJsonValue &json, double *value)
{
    if (json.isDouble()) {
        *value = json.toDouble();
        return true;
    }
    if (field.encoding == FieldEncoding::F32 && json.isString()) {
        const QString text = json.toString();
        if (text == QLatin1String("nan") || text == QLatin1String("inf") ||
            text == QLatin1String("-inf")) {
            *value = text.toDouble();
            return true;
        }
    }
    return false;
}

QString rangeText(const RecordField &field)
{
    switch (field.encoding) {
    case FieldEncoding::F32:
        return QStringLiteral("a single-precision number");
    case FieldEncoding::Direction:
    case FieldEncoding::Sign:
        return QStringLiteral("-1 or 1");
    case FieldEncoding::Index:
        return QStringLiteral("%1..%2, or %3 for no item")
            .arg(field.minimum)
            .arg(field.maximum)
            .arg(INDEX_NONE);
    default:
        return QStringLiteral("%1..%2").arg(field.minimum).arg(field.maximum);
    }
}

Outcome parseRecord(const RecordTable &table, const QJsonValue &json, RecordValues *values)
{
    const QJsonObject object = json.toObject();
    if (!json.isObject() || !object.value(FIELDS_KEY).isObject() ||
        !object.value(RAW_KEY).isString())
        return Outcome::because(table.name + QStringLiteral(" must hold \"fields\" and \"raw\""));
    for (const QString &key : object.keys()) {
        if (key != FIELDS_KEY && key != RAW_KEY)
            return Outcome::because(
                QStringLiteral("unknown key \"%1\" in %2").arg(key, table.name));
    }

    const QString hex = object.value(RAW_KEY).toString();
    static const QRegularExpression hexDigits(QStringLiteral("^([0-9a-fA-F]{2})*$"));
    if (!hexDigits.match(hex).hasMatch())
        return Outcome::because(
            QStringLiteral("the raw bytes of %1 are not pairs of hex digits").arg(table.name));
    values->table = &table;
    values->raw = QByteArray::fromHex(hex.toLatin1());
    if (const int size = values->raw.size(); size != table.size) {
        const QString length =
            size == 1 ? QStringLiteral("a single byte") : QStringLiteral("%1 bytes").arg(size);
        return Outcome::because(QStringLiteral("the raw bytes of %1 are %2, not %3")
                                    .arg(table.name, length)
                                    .arg(table.size));
    }

    const QJsonObject fields = object.value(FIELDS_KEY).toObject();
    for (const QString &name : fields.keys()) {
        if (!table.find(name))
            return Outcome::because(
                QStringLiteral("unknown field \"%1\" in %2").arg(name, table.name));
    }
    values->values.clear();
    for (const RecordField &field : table.fields) {
        if (!fields.contains(field.name))
            return Outcome::because(
                QStringLiteral("field \"%1\" is missing from %2").arg(field.name, table.name));
        const QJsonValue json = fields.value(field.name);
        double value = 0;
        if (!valueFromJson(field, json, &value) || !field.accepts(value)) {
            const QString given =
                json.isDouble() ? QString::number(json.toDouble(), 'g', 17)
                                : QJsonDocument(QJsonArray{json}).toJson(QJsonDocument::Compact);
            return Outcome::because(QStringLiteral("%1 = %2 is not %3")
                                        .arg(field.name, given.simplified(), rangeText(field)));
        }
        values->values.push_back(value);
    }
    return Outcome();
}

// One record's part of a file, after the keys before it.
QString recordJson(const RecordValues &record)
{
    QString out =
        QStringLiteral(",\n    \"%1\": {\n        \"%2\": {\n").arg(record.table->name, FIELDS_KEY);
    const auto &fields = record.table->fields;
    for (size_t i = 0; i < fields.size(); ++i)
        out += QStringLiteral("            \"%1\": %2%3\n")
                   .arg(fields[i].name, jsonNumber(fields[i], record.values[i]),
                        i + 1 < fields.size() ? QStringLiteral(",") : QString());
    out += QStringLiteral("        },\n        \"%1\": \"%2\"\n    }")
               .arg(RAW_KEY, QString::fromLatin1(record.raw.toHex()));
    return out;
}

// Valid JSON, no key twice, the format and its version: the root object, or the reason.
Outcome parseHeader(const QByteArray &json, const QString &format, const QString &kind,
                    QJsonObject *root)
{
    const JsonRead read = readJson(json);
    if (read.problem == JsonRead::Problem::NotJson)
        return Outcome::because(QStringLiteral("not valid JSON (%1 at byte %2)")
                                    .arg(read.parseError)
                                    .arg(read.offset));
    if (read.problem == JsonRead::Problem::DuplicateKey) {
        return Outcome::because(
            read.path.isEmpty()
                ? QStringLiteral("the key \"%1\" appears twice").arg(read.key)
                : QStringLiteral("the key \"%1\" appears twice in %2").arg(read.key, read.path));
    }
    const QJsonDocument &document = read.document;
    *root = document.object();
    if (!document.isObject() || root->value(FORMAT_KEY).toString() != format)
        return Outcome::because(
            QStringLiteral("not a Kestrix %1 file (no \"format\": \"%2\")").arg(kind, format));
    const QJsonValue version = root->value(VERSION_KEY);
    if (!version.isDouble() || version.toDouble() != FORMAT_VERSION)
        return Outcome::because(QStringLiteral("%1 file version %2; this kestrix reads version %3")
                                    .arg(kind, version.isDouble()
                                                   ? QString::number(version.toDouble())
                                                   : QStringLiteral("missing"))
                                    .arg(FORMAT_VERSION));
    return Outcome();
}

} // namespace

const RecordValues *SettingsFile::find(const RecordTable &table) const
{
    for (const RecordValues &record : records) {
        if (record.table == &table)
            return &record;
    }
    return nullptr;
}

QByteArray settingsJson(const SettingsFile &file)
{
    // Written by hand to keep the fields in record order, which JSON objects do not keep.
    QString out = QStringLiteral("{\n");
    out += QStringLiteral("    \"%1\": \"%2\",\n").arg(FORMAT_KEY, FORMAT_NAME);
    out += QStringLiteral("    \"%1\": %2,\n").arg(VERSION_KEY).arg(FORMAT_VERSION);
    out += QStringLiteral("    \"%1\": \"%2\",\n").arg(PRODUCT_KEY, hex16(file.productId));
    out += QStringLiteral("    \"%1\": %2").arg(TYPE_KEY).arg(file.deviceType);
    for (const RecordValues &record : file.records)
        out += recordJson(record);
    out += QStringLiteral("\n}\n");
    return out.toUtf8();
}

Outcome parseSettings(const QByteArray &json, const std::vector<const RecordTable *> &tables,
                      SettingsFile *file)
{
    QJsonObject root;
    if (Outcome header = parseHeader(json, FORMAT_NAME, QStringLiteral("settings"), &root);
        !header.ok())
        return header;

    QSet<QString> known = {FORMAT_KEY, VERSION_KEY, PRODUCT_KEY, TYPE_KEY};
    for (const RecordTable *table : tables)
        known.insert(table->name);
    for (const QString &key : root.keys()) {
        if (!known.contains(key))
            return Outcome::because(QStringLiteral("unknown key \"%1\"").arg(key));
    }

    unsigned productId = 0;
    if (!root.value(PRODUCT_KEY).isString() ||
        !parseProductId(root.value(PRODUCT_KEY).toString(), &productId) || !productById(productId))
        return Outcome::because(
            QStringLiteral("\"%1\" is not the product id of a Kestrix controller")
                .arg(root.value(PRODUCT_KEY).toVariant().toString()));
    const QJsonValue type = root.value(TYPE_KEY);
    if (!type.isDouble() || type.toDouble() != std::floor(type.toDouble()) || type.toDouble() < 0 ||
        type.toDouble() > 255)
        return Outcome::because(QStringLiteral("\"device_type\" must be a number from 0 to 255"));
    file->productId = static_cast<uint16_t>(productId);
    file->deviceType = type.toInt();

    file->records.clear();
    for (const RecordTable *table : tables) {
        if (!root.contains(table->name)) {
            if (table != tables.front())
                continue;
            return Outcome::because(QStringLiteral("the file holds no %1").arg(table->name));
        }
        RecordValues values;
        if (Outcome record = parseRecord(*table, root.value(table->name), &values); !record.ok())
            return record;
        file->records.push_back(values);
    }
    return Outcome();
}

QByteArray profileJson(const RecordValues &effectSettings)
{
    QString out = QStringLiteral("{\n");
    out += QStringLiteral("    \"%1\": \"%2\",\n").arg(FORMAT_KEY, PROFILE_FORMAT_NAME);
    out += QStringLiteral("    \"%1\": %2").arg(VERSION_KEY).arg(FORMAT_VERSION);
    out += recordJson(effectSettings);
    out += QStringLiteral("\n}\n");
    return out.toUtf8();
}

Outcome parseProfile(const QByteArray &json, RecordValues *effectSettings)
{
    QJsonObject root;
    if (Outcome header = parseHeader(json, PROFILE_FORMAT_NAME, QStringLiteral("profile"), &root);
        !header.ok())
        return header;
    const QString part = effectSettingsTable().name;
    for (const QString &key : root.keys()) {
        if (key != FORMAT_KEY && key != VERSION_KEY && key != part)
            return Outcome::because(QStringLiteral("unknown key \"%1\"").arg(key));
    }
    if (!root.contains(part))
        return Outcome::because(QStringLiteral("the file holds no %1").arg(part));
    return parseRecord(effectSettingsTable(), root.value(part), effectSettings);
}
