#include "form_ranges.h"

#include "carried_bytes.h"
#include "form_binding.h"

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
    for (int i = 0; i < table.size; ++i)
        QCOMPARE(table.carries(i), owner[i].isEmpty());
    QCOMPARE(carriedOffsets(table), carried);
}

void checkFormBinding(const RecordTable &table, QWidget *window,
                      const std::vector<QWidget *> &owners, QWidget *panel)
{
    QCOMPARE(FormBinding(table, window).fieldCount(), table.fields.size());
    if (panel)
        QCOMPARE(FormBinding(table, window, panel).fieldCount() +
                     FormBinding(table, panel).fieldCount(),
                 table.fields.size());
    QSet<QString> fieldWidgets;
    for (const RecordField &field : table.fields) {
        fieldWidgets.insert(field.widget);
        if (field.encoding != FieldEncoding::Index)
            continue;
        auto *combo = window->findChild<QComboBox *>(field.widget);
        QStringList items;
        for (int i = 0; i < combo->count(); ++i)
            items << combo->itemText(i);
        QVERIFY2(items == field.items, qPrintable(field.name));
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
