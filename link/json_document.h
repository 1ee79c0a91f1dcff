#pragma once

// The project's JSON files, read one way: the parser's verdict, and a key given twice at any
// level refused, because QJsonDocument keeps the last of two equal keys without a word and a
// file with two values for one setting is ambiguous. The callers word the problem.

#include <QByteArray>
#include <QJsonDocument>
#include <QString>

struct JsonRead {
    enum class Problem { None, NotJson, DuplicateKey };
    Problem problem = Problem::None;
    QJsonDocument document; // also with DuplicateKey: the last of the values, to name things by
    QString parseError; // NotJson: the parser's words
    int offset = 0;     // NotJson: the byte it stopped at
    QString key;        // DuplicateKey: the key given twice
    // DuplicateKey: the object that has it, "a.b" or "games[1]"; empty for the outermost.
    QString path;

    bool ok() const { return problem == Problem::None; }
};

JsonRead readJson(const QByteArray &content);
