#include "tab_bar_accessibility.h"

#include <QAccessibleWidget>
#include <QHash>
#include <QPointer>
#include <QTabBar>

namespace
{

// A tab's text without the mnemonic marks ("&&" stays as one "&").
QString withoutMnemonic(const QString &text)
{
    QString out;
    for (int i = 0; i < text.size(); ++i) {
        if (text[i] == QLatin1Char('&') && i + 1 < text.size())
            ++i;
        out += text[i];
    }
    return out;
}

class AccessibleTab : public QAccessibleInterface, public QAccessibleActionInterface
{
public:
    AccessibleTab(QTabBar *bar, int index) : bar(bar), tabIndex(index) {}

    int index() const { return tabIndex; }

    bool isValid() const override { return bar && tabIndex < bar->count(); }
    QObject *object() const override { return nullptr; }
    QAccessible::Role role() const override { return QAccessible::PageTab; }

    QAccessible::State state() const override
    {
        QAccessible::State s;
        if (!isValid()) {
            s.invalid = true;
            return s;
        }
        s = parent()->state();
        s.selectable = true;
        s.focused = tabIndex == bar->currentIndex();
        s.selected = s.focused;
        if (!bar->isTabVisible(tabIndex)) {
            s.invisible = true;
            s.focusable = s.focused = s.selected = false;
        }
        return s;
    }

    QRect rect() const override
    {
        if (!isValid())
            return QRect();
        const QRect tab = bar->tabRect(tabIndex);
        return tab.isEmpty() ? QRect() : tab.translated(bar->mapToGlobal(QPoint(0, 0)));
    }

    QString text(QAccessible::Text t) const override
    {
        if (!isValid())
            return QString();
        switch (t) {
        case QAccessible::Name: {
            const QString name = bar->accessibleTabName(tabIndex);
            return name.isEmpty() ? withoutMnemonic(bar->tabText(tabIndex)) : name;
        }
        case QAccessible::Description:
            return bar->tabToolTip(tabIndex);
        case QAccessible::Help:
            return bar->tabWhatsThis(tabIndex);
        default:
            return QString();
        }
    }
    void setText(QAccessible::Text, const QString &) override {}

    QAccessibleInterface *parent() const override
    {
        return QAccessible::queryAccessibleInterface(bar.data());
    }
    QAccessibleInterface *childAt(int, int) const override { return nullptr; }
    int childCount() const override { return 0; }
    QAccessibleInterface *child(int) const override { return nullptr; }
    int indexOfChild(const QAccessibleInterface *) const override { return -1; }

    void *interface_cast(QAccessible::InterfaceType type) override
    {
        return type == QAccessible::ActionInterface
                   ? static_cast<QAccessibleActionInterface *>(this)
                   : nullptr;
    }
    QStringList actionNames() const override { return {pressAction()}; }
    void doAction(const QString &action) override
    {
        if (isValid() && bar->isTabVisible(tabIndex) && action == pressAction())
            bar->setCurrentIndex(tabIndex);
    }
    QStringList keyBindingsForAction(const QString &) const override { return {}; }

private:
    QPointer<QTabBar> bar;
    const int tabIndex;
};

// The tabs first, then the bar's own child widgets (its scroll buttons), as Qt has them.
class AccessibleTabBar : public QAccessibleWidget
{
public:
    explicit AccessibleTabBar(QTabBar *bar) : QAccessibleWidget(bar, QAccessible::PageTabList) {}
    ~AccessibleTabBar() override
    {
        for (QAccessible::Id id : std::as_const(tabs))
            QAccessible::deleteAccessibleInterface(id);
    }

    int childCount() const override { return bar()->count() + QAccessibleWidget::childCount(); }

    QAccessibleInterface *child(int index) const override
    {
        if (index < 0)
            return nullptr;
        const int count = bar()->count();
        if (index >= count)
            return QAccessibleWidget::child(index - count);
        if (const QAccessible::Id id = tabs.value(index))
            return QAccessible::accessibleInterface(id);
        auto *tab = new AccessibleTab(bar(), index);
        tabs.insert(index, QAccessible::registerAccessibleInterface(tab));
        return tab;
    }

    int indexOfChild(const QAccessibleInterface *child) const override
    {
        if (!child)
            return -1;
        if (child->role() == QAccessible::PageTab && child->parent() == this)
            return static_cast<const AccessibleTab *>(child)->index();
        const int widget = QAccessibleWidget::indexOfChild(child);
        return widget < 0 ? -1 : bar()->count() + widget;
    }

    QAccessibleInterface *focusChild() const override
    {
        const int current = bar()->currentIndex();
        return current < 0 ? nullptr : child(current);
    }

    QString text(QAccessible::Text t) const override
    {
        if (t != QAccessible::Name)
            return QAccessibleWidget::text(t);
        const int current = bar()->currentIndex();
        if (current < 0)
            return QString();
        const QString name = bar()->accessibleTabName(current);
        return name.isEmpty() ? withoutMnemonic(bar()->tabText(current)) : name;
    }

private:
    QTabBar *bar() const { return static_cast<QTabBar *>(widget()); }

    mutable QHash<int, QAccessible::Id> tabs;
};

QAccessibleInterface *tabBarFactory(const QString &className, QObject *object)
{
    if (className == QLatin1String("QTabBar") && object && object->isWidgetType())
        return new AccessibleTabBar(static_cast<QTabBar *>(object));
    return nullptr;
}

} // namespace

void installTabBarAccessibility()
{
    static bool installed = false;
    if (installed)
        return;
    installed = true;
    QAccessible::installFactory(tabBarFactory);
}
