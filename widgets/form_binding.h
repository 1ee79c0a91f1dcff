#pragma once

// Moves a record's values between its bytes and the form widgets that its field table names:
// a check box for a switch or a direction, a combo box for an index, a spin box for a number
// (a slider beside it follows through the form's own connections), a line edit for a
// single-precision gain. The one place where a form reads or writes record bytes.

#include "record_fields.h"

#include <QList>
#include <QString>

#include <vector>

class QWidget;

class FormBinding
{
public:
    // Binds each field of `table` whose widget is inside `root` but not inside `except` (a
    // panel with a binding of its own), and gives the spin boxes the fields' ranges.
    FormBinding(const RecordTable &table, QWidget *root, const QWidget *except = nullptr);

    // Sets the widgets in the table's order. A spin box clamps to its range; an index that
    // names no item leaves its combo box without a current item.
    void load(const unsigned char *record) const;
    // Writes the bound fields and touches no other byte. A combo box without a current item
    // writes INDEX_NONE.
    void store(unsigned char *record) const;

    // The widgets of the bound fields whose names start with `prefix`, in the table's order.
    template <typename T> QList<T *> widgets(const QString &prefix) const
    {
        QList<T *> found;
        for (const Bound &b : bound) {
            if (b.field->name.startsWith(prefix))
                found << static_cast<T *>(b.widget);
        }
        return found;
    }
    size_t fieldCount() const { return bound.size(); }

private:
    enum class Kind { CheckBox, ComboBox, SpinBox, LineEdit };
    struct Bound {
        const RecordField *field;
        QWidget *widget;
        Kind kind;
    };
    std::vector<Bound> bound;
};

// A gain as its line edit shows it: 'g' with 6 significant digits, C locale. Text that does
// not convert to a single-precision value is stored as 0.0.
QString gainText(float value);
float gainFromText(const QString &text);
