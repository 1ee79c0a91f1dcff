#include "accessibility_checks.h"

#include <QAccessibleInterface>
#include <QApplication>
#include <QGroupBox>
#include <QLabel>
#include <QMap>
#include <QTabBar>
#include <QWidget>
#include <QtTest>

namespace
{

bool isInteractive(QAccessible::Role role)
{
    switch (role) {
    case QAccessible::PushButton:
    case QAccessible::CheckBox:
    case QAccessible::RadioButton:
    case QAccessible::ComboBox:
    case QAccessible::SpinBox:
    case QAccessible::Slider:
    case QAccessible::Dial:
    case QAccessible::EditableText:
    case QAccessible::ButtonMenu:
    case QAccessible::ButtonDropDown:
    case QAccessible::PageTab:
        return true;
    default:
        return false;
    }
}

// Widgets that belong to this window, not to a popup of one of its combo boxes.
QList<QWidget *> ownWidgets(QWidget *window)
{
    QList<QWidget *> own;
    for (QWidget *w : window->findChildren<QWidget *>()) {
        if (w->window() == window)
            own << w;
    }
    return own;
}

// Whether assistive technology meets the widget at all: Qt leaves some parts out of the
// tree (the line edit of a spin box), others not (the line edit of an editable combo box).
bool exposed(QAccessibleInterface *iface)
{
    QAccessibleInterface *parent = iface->parent();
    return parent && parent->indexOfChild(iface) >= 0;
}

QList<const QWidget *> ancestry(const QWidget *w)
{
    QList<const QWidget *> chain;
    for (; w; w = w->parentWidget())
        chain.prepend(w);
    return chain;
}

} // namespace

// The labels whose buddy is the control, as the labelled-by relation gives them.
static QString labelledBy(QAccessibleInterface *iface)
{
    QStringList labels;
    for (const auto &relation : iface->relations(QAccessible::Label)) {
        if (qobject_cast<QLabel *>(relation.first->object()))
            labels << relation.first->text(QAccessible::Name);
    }
    return labels.join(QStringLiteral(", "));
}

// On X11 Qt gives a combo box its current text as its name and leaves the caption to the
// labelled-by relation (the label's buddy); elsewhere it announces the accessible name or
// the buddy label's text. Either way the current text is a value, not a name.
static QString announcedName(QAccessibleInterface *iface)
{
    if (iface->role() != QAccessible::ComboBox)
        return iface->text(QAccessible::Name);
    auto *combo = qobject_cast<QWidget *>(iface->object());
    if (!combo->accessibleName().isEmpty())
        return combo->accessibleName();
    return labelledBy(iface);
}

QString describe(const QWidget *widget)
{
    if (!widget)
        return QStringLiteral("(none)");
    if (!widget->objectName().isEmpty() && !widget->objectName().startsWith(QLatin1String("qt_")))
        return widget->objectName();
    // Qt's own parts (a tab widget's bar) are known by the widget that holds them.
    const QString owner = widget->parentWidget() ? describe(widget->parentWidget()) : QString();
    return owner + QLatin1Char('/') + QLatin1String(widget->metaObject()->className());
}

QStringList describe(const QList<QWidget *> &widgets)
{
    QStringList out;
    for (const QWidget *w : widgets)
        out << describe(w);
    return out;
}

std::vector<AccessibleControl> accessibleControls(QWidget *window)
{
    std::vector<AccessibleControl> controls;
    for (QWidget *w : ownWidgets(window)) {
        QAccessibleInterface *iface = QAccessible::queryAccessibleInterface(w);
        if (!iface || !exposed(iface))
            continue;
        const bool shown = w->isVisibleTo(window);
        if (isInteractive(iface->role())) {
            // A part that hands its focus on is announced within the control it belongs to.
            controls.push_back({describe(w), iface->role(), announcedName(iface), w, shown,
                                w->focusProxy() != nullptr, !iface->state().invisible});
        } else if (auto *bar = qobject_cast<QTabBar *>(w)) {
            for (int i = 0; i < iface->childCount(); ++i) {
                QAccessibleInterface *tab = iface->child(i);
                if (!tab || tab->role() != QAccessible::PageTab)
                    continue;
                controls.push_back(
                    {describe(bar->parentWidget()) + QStringLiteral(" tab %1").arg(i),
                     QAccessible::PageTab, tab->text(QAccessible::Name), w,
                     shown && bar->isTabVisible(i), false, !tab->state().invisible});
            }
        }
    }
    return controls;
}

QStringList untiedCaptions(QWidget *window, const QStringList &notCaptions)
{
    QStringList out;
    for (QLabel *label : window->findChildren<QLabel *>()) {
        if (label->window() != window || label->text().isEmpty() ||
            notCaptions.contains(label->objectName()))
            continue;
        QWidget *buddy = label->buddy();
        QAccessibleInterface *iface =
            buddy ? QAccessible::queryAccessibleInterface(buddy) : nullptr;
        if (!iface || !isInteractive(iface->role()))
            out << QStringLiteral("%1 (\"%2\")").arg(describe(label), label->text());
    }
    return out;
}

// Qt names a group box inside another by the outer title.
static QStringList misnamedGroups(QWidget *window)
{
    QStringList out;
    for (QGroupBox *group : window->findChildren<QGroupBox *>()) {
        QAccessibleInterface *iface = QAccessible::queryAccessibleInterface(group);
        const QString title = group->title().remove(QLatin1Char('&'));
        if (!title.isEmpty() && iface && iface->text(QAccessible::Name) != title)
            out << QStringLiteral("%1 (\"%2\") as \"%3\"")
                       .arg(describe(group), title, iface->text(QAccessible::Name));
    }
    return out;
}

QStringList sharedNames(const std::vector<AccessibleControl> &controls)
{
    QMap<QString, QStringList> byName;
    for (const AccessibleControl &c : controls) {
        if (c.shown && !c.part && !c.name.trimmed().isEmpty())
            byName[c.name.trimmed().toCaseFolded()] << c.id;
    }
    QStringList out;
    for (auto it = byName.cbegin(); it != byName.cend(); ++it) {
        if (it.value().size() > 1)
            out << it.key() + QStringLiteral(": ") + it.value().join(QStringLiteral(", "));
    }
    return out;
}

static QList<QWidget *> expectedTabStops(QWidget *window)
{
    QList<QWidget *> stops;
    for (QWidget *w : ownWidgets(window)) {
        if (!w->isVisibleTo(window) || !w->isEnabled() || !(w->focusPolicy() & Qt::TabFocus) ||
            w->focusProxy())
            continue;
        QAccessibleInterface *iface = QAccessible::queryAccessibleInterface(w);
        if (iface && (isInteractive(iface->role()) || qobject_cast<QTabBar *>(w)))
            stops << w;
    }
    return stops;
}

QList<QWidget *> tabChain(QWidget *start)
{
    QList<QWidget *> chain;
    start->setFocus(Qt::TabFocusReason);
    while (chain.size() < 500) {
        QWidget *focus = QApplication::focusWidget();
        if (!focus || chain.contains(focus))
            break;
        chain << focus;
        QTest::keyClick(focus, Qt::Key_Tab);
    }
    return chain;
}

// Containers are compared first: a whole group box or tab page is finished before the next
// one is entered.
static QStringList readingOrderViolations(const QList<QWidget *> &chain)
{
    QStringList out;
    for (int i = 0; i + 1 < chain.size(); ++i) {
        const QList<const QWidget *> a = ancestry(chain[i]);
        const QList<const QWidget *> b = ancestry(chain[i + 1]);
        int common = 0;
        while (common < a.size() && common < b.size() && a[common] == b[common])
            ++common;
        const QString step = describe(chain[i]) + QStringLiteral(" -> ") + describe(chain[i + 1]);
        if (common == 0 || common == a.size() || common == b.size()) {
            out << step + QStringLiteral(": one holds the other, or another window");
            continue;
        }
        // The two children of the closest common ancestor, in its coordinates.
        const QRect from = a[common]->geometry();
        const QRect to = b[common]->geometry();
        const bool sameRow = (to.center().y() >= from.top() && to.center().y() <= from.bottom()) ||
                             (from.center().y() >= to.top() && from.center().y() <= to.bottom());
        const bool forward =
            sameRow ? to.center().x() > from.center().x() : to.center().y() > from.center().y();
        if (!forward)
            out << step + QStringLiteral(" goes %1")
                              .arg(sameRow ? QStringLiteral("left") : QStringLiteral("up"));
    }
    return out;
}

QStringList tabOrderFaults(QWidget *window, const QList<QWidget *> &chain)
{
    QStringList out = readingOrderViolations(chain);
    QStringList missed;
    for (QWidget *w : expectedTabStops(window)) {
        if (!chain.contains(w))
            missed << describe(w);
    }
    if (!missed.isEmpty())
        out << QStringLiteral("not reached: ") + missed.join(QStringLiteral(", "));
    if (!out.isEmpty())
        out << QStringLiteral("walked: ") + describe(chain).join(QStringLiteral(", "));
    return out;
}

QStringList nameFaults(QWidget *window, const QStringList &standAlone)
{
    const auto controls = accessibleControls(window);
    QStringList faults;
    for (const AccessibleControl &c : controls) {
        if (c.name.trimmed().isEmpty())
            faults << QStringLiteral("without a name: %1 (%2)")
                          .arg(c.id, QLatin1String(c.widget->metaObject()->className()));
    }
    faults << sharedNames(controls) << untiedCaptions(window, standAlone) << misnamedGroups(window);
    return faults;
}

void addAnnouncedNameColumns()
{
    QTest::addColumn<QString>("objectName");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("label");
}

void verifyAnnouncedName(QWidget *window)
{
    QFETCH(QString, objectName);
    QFETCH(QString, name);
    QFETCH(QString, label);
    auto *w = window->findChild<QWidget *>(objectName);
    QVERIFY(w);
    QAccessibleInterface *iface = QAccessible::queryAccessibleInterface(w);
    QVERIFY(iface);
    QCOMPARE(announcedName(iface), name);
    QCOMPARE(labelledBy(iface), label);
}
