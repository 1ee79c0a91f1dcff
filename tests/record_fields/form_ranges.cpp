#include "form_ranges.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QSet>
#include <QSpinBox>
#include <QtTest>

void checkTableCoversRecord(const RecordTable &table, const std::vector<int> &carried)
{
    std::vector<QString> owner(table.size);
    QSet<QString> names;
    for (const RecordField &field : table.fields) {
        QVERIFY2(!names.contains(field.name), qPrintable(field.name));
        names.insert(field.name);
        QVERIFY2(field.offset >= 0 && field.offset + field.width() <= table.size,
                 qPrintable(field.name));
        for (int i = field.offset; i < field.offset + field.width(); ++i) {
            QVERIFY2(owner[i].isEmpty(), qPrintable(field.name + " overlaps " + owner[i]));
            owner[i] = field.name;
        }
        if (field.encoding == FieldEncoding::Index)
            QCOMPARE(field.items.size(), int(field.maximum) + 1);
        QVERIFY(field.minimum <= field.maximum);
    }
    std::vector<int> unowned;
    for (int i = 0; i < table.size; ++i) {
        QCOMPARE(table.carries(i), owner[i].isEmpty());
        if (owner[i].isEmpty())
            unowned.push_back(i);
    }
    QCOMPARE(unowned, carried);
}

void checkFormRanges(const RecordTable &table, QWidget *window,
                     const std::vector<QWidget *> &owners)
{
    QSet<QString> fieldWidgets;
    for (const RecordField &field : table.fields) {
        fieldWidgets.insert(field.widget);
        QWidget *control = window->findChild<QWidget *>(field.widget);
        const QByteArray what = (field.name + " / " + field.widget).toUtf8();
        QVERIFY2(control, what.constData());
        switch (field.encoding) {
        case FieldEncoding::Flag:
        case FieldEncoding::Direction:
        case FieldEncoding::Sign:
            QVERIFY2(qobject_cast<QCheckBox *>(control), what.constData());
            break;
        case FieldEncoding::Index: {
            auto *combo = qobject_cast<QComboBox *>(control);
            QVERIFY2(combo, what.constData());
            QStringList items;
            for (int i = 0; i < combo->count(); ++i)
                items << combo->itemText(i);
            QCOMPARE(items, field.items);
            break;
        }
        case FieldEncoding::U8:
        case FieldEncoding::U16:
        case FieldEncoding::I16: {
            auto *spin = qobject_cast<QSpinBox *>(control);
            QVERIFY2(spin, what.constData());
            QVERIFY2(spin->minimum() == field.minimum && spin->maximum() == field.maximum,
                     qPrintable(QStringLiteral("%1: form %2..%3, table %4..%5")
                                    .arg(what)
                                    .arg(spin->minimum())
                                    .arg(spin->maximum())
                                    .arg(field.minimum)
                                    .arg(field.maximum)));
            break;
        }
        case FieldEncoding::F32:
            QVERIFY2(qobject_cast<QLineEdit *>(control), what.constData());
            break;
        }
    }
    // No control edits a byte that the table does not know.
    for (QWidget *owner : owners) {
        for (QWidget *control : owner->findChildren<QWidget *>()) {
            const bool editor = qobject_cast<QCheckBox *>(control) ||
                                qobject_cast<QComboBox *>(control) ||
                                qobject_cast<QSpinBox *>(control) ||
                                (qobject_cast<QLineEdit *>(control) &&
                                 !qobject_cast<QComboBox *>(control->parentWidget()) &&
                                 !qobject_cast<QSpinBox *>(control->parentWidget()));
            if (editor)
                QVERIFY2(fieldWidgets.contains(control->objectName()),
                         qPrintable(control->objectName()));
        }
    }
}
