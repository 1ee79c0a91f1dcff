#include "form_binding.h"

#include <QCheckBox>
#include <QComboBox>
#include <QHash>
#include <QLineEdit>
#include <QSpinBox>

namespace
{
// A ticked box means on, or inverted: 1 for a switch and a direction, -1 for a sign.
double tickedValue(FieldEncoding encoding)
{
    return encoding == FieldEncoding::Sign ? -1 : 1;
}

double clearedValue(FieldEncoding encoding)
{
    switch (encoding) {
    case FieldEncoding::Direction:
        return -1;
    case FieldEncoding::Sign:
        return 1;
    default:
        return 0;
    }
}
} // namespace

FormBinding::FormBinding(const RecordTable &table, QWidget *root, const QWidget *except)
{
    // One walk of the form rather than one per field: a form holds hundreds of widgets.
    QHash<QString, QWidget *> named;
    for (QWidget *widget : root->findChildren<QWidget *>()) {
        if (!widget->objectName().isEmpty() && !named.contains(widget->objectName()))
            named.insert(widget->objectName(), widget);
    }
    for (const RecordField &field : table.fields) {
        QWidget *widget = named.value(field.widget);
        if (!widget || (except && except->isAncestorOf(widget)))
            continue;
        Kind kind;
        switch (field.encoding) {
        case FieldEncoding::Flag:
        case FieldEncoding::Direction:
        case FieldEncoding::Sign:
            kind = Kind::CheckBox;
            break;
        case FieldEncoding::Index:
            kind = Kind::ComboBox;
            break;
        case FieldEncoding::F32:
            kind = Kind::LineEdit;
            break;
        default:
            kind = Kind::SpinBox;
            break;
        }
        const bool fits = (kind == Kind::CheckBox && qobject_cast<QCheckBox *>(widget)) ||
                          (kind == Kind::ComboBox && qobject_cast<QComboBox *>(widget)) ||
                          (kind == Kind::SpinBox && qobject_cast<QSpinBox *>(widget)) ||
                          (kind == Kind::LineEdit && qobject_cast<QLineEdit *>(widget));
        if (!fits)
            qFatal("%s: the widget %s can not hold the field", qPrintable(field.name),
                   qPrintable(field.widget));
        if (kind == Kind::SpinBox)
            static_cast<QSpinBox *>(widget)->setRange(int(field.minimum), int(field.maximum));
        bound.push_back({&field, widget, kind});
    }
}

void FormBinding::load(const unsigned char *record) const
{
    for (const Bound &b : bound) {
        const RecordField &field = *b.field;
        const double raw = readEncoded(field.encoding, record + field.offset);
        switch (b.kind) {
        case Kind::CheckBox:
            static_cast<QCheckBox *>(b.widget)->setChecked(raw == tickedValue(field.encoding));
            break;
        case Kind::ComboBox: {
            auto *combo = static_cast<QComboBox *>(b.widget);
            const int index = int(raw);
            combo->setCurrentIndex(index < combo->count() ? index : -1);
            break;
        }
        case Kind::SpinBox:
            static_cast<QSpinBox *>(b.widget)->setValue(int(raw));
            break;
        case Kind::LineEdit:
            static_cast<QLineEdit *>(b.widget)->setText(gainText(float(raw)));
            break;
        }
    }
}

void FormBinding::store(unsigned char *record) const
{
    for (const Bound &b : bound) {
        const RecordField &field = *b.field;
        double value = 0;
        switch (b.kind) {
        case Kind::CheckBox:
            value = static_cast<QCheckBox *>(b.widget)->isChecked() ? tickedValue(field.encoding)
                                                                    : clearedValue(field.encoding);
            break;
        case Kind::ComboBox:
            value = static_cast<QComboBox *>(b.widget)->currentIndex() & 0xFF; // none: 255
            break;
        case Kind::SpinBox:
            value = static_cast<QSpinBox *>(b.widget)->value();
            break;
        case Kind::LineEdit:
            value = gainFromText(static_cast<QLineEdit *>(b.widget)->text());
            break;
        }
        writeEncoded(field.encoding, value, record + field.offset);
    }
}

QString gainText(float value)
{
    return QString::number(static_cast<double>(value), 'g', 6);
}

float gainFromText(const QString &text)
{
    // QString::toFloat ignores the locale; it fails for text beyond the float range too.
    bool ok = false;
    const float value = text.toFloat(&ok);
    return ok ? value : 0.0f;
}
