#include "json_document.h"

#include <QJsonArray>
#include <QJsonParseError>
#include <QSet>

#include <vector>

namespace
{

// The text of a JSON string starting at `json[*at]` (the opening quote); leaves `*at` on the
// closing quote. The document is valid JSON already.
QString jsonString(const QByteArray &json, int *at)
{
    QByteArray raw;
    int i = *at + 1;
    for (; json[i] != '"'; ++i) {
        raw += json[i];
        if (json[i] == '\\')
            raw += json[++i];
    }
    *at = i;
    if (!raw.contains('\\'))
        return QString::fromUtf8(raw);
    // Escapes decoded by the parser itself, so that "a\u0062" and "ab" are one key.
    return QJsonDocument::fromJson("[\"" + raw + "\"]").array().at(0).toString();
}

// The first key given twice in one object of valid JSON, with that object's path, as the
// read's problem.
void findDuplicateKey(const QByteArray &json, JsonRead &read)
{
    struct Level {
        bool object;
        QString path;
        QSet<QString> keys;
        bool expectKey = true;
        int item = 0; // in a list: the position of the value being read
    };
    std::vector<Level> levels;
    QString lastKey;
    for (int i = 0; i < json.size(); ++i) {
        const char c = json[i];
        if (c == '{' || c == '[') {
            QString path;
            if (!levels.empty()) {
                const Level &outer = levels.back();
                const QString inner = outer.object
                                          ? lastKey
                                          : QStringLiteral("[%1]").arg(outer.item);
                path = outer.path.isEmpty() || !outer.object ? outer.path + inner
                                                             : outer.path + QLatin1Char('.') + inner;
            }
            levels.push_back({c == '{', path, {}});
        } else if (c == '}' || c == ']') {
            levels.pop_back();
        } else if (c == ',' && !levels.empty()) {
            levels.back().expectKey = true;
            ++levels.back().item;
        } else if (c == ':' && !levels.empty()) {
            levels.back().expectKey = false;
        } else if (c == '"') {
            const QString text = jsonString(json, &i);
            if (levels.empty() || !levels.back().object || !levels.back().expectKey)
                continue;
            Level &level = levels.back();
            if (level.keys.contains(text)) {
                read.problem = JsonRead::Problem::DuplicateKey;
                read.key = text;
                read.path = level.path;
                return;
            }
            level.keys.insert(text);
            lastKey = text;
        }
    }
}

} // namespace

JsonRead readJson(const QByteArray &content)
{
    JsonRead read;
    QJsonParseError error;
    read.document = QJsonDocument::fromJson(content, &error);
    if (error.error != QJsonParseError::NoError) {
        read.problem = JsonRead::Problem::NotJson;
        read.parseError = error.errorString();
        read.offset = error.offset;
        read.document = QJsonDocument();
    } else {
        findDuplicateKey(content, read);
    }
    return read;
}
