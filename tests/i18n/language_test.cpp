#include "language_test.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QTabWidget>
#include <QtTest>

LanguageApplication::LanguageApplication(char *program)
    : language(qgetenv("KESTRIX_TEST_LANGUAGE"))
{
    arguments.push_back(program);
    if (!language.isEmpty() && language != "none")
        arguments.push_back(language.data());
    arguments.push_back(nullptr);
    count = int(arguments.size()) - 1;
    application = std::make_unique<QApplication>(count, arguments.data());
}

static QString captionAt(QWidget *window, const QString &where)
{
    const QStringList parts = where.split(QLatin1Char(':'));
    const QString kind = parts.value(0);
    if (kind == QLatin1String("title"))
        return window->windowTitle();
    if (kind == QLatin1String("menu")) {
        auto *menu = window->findChild<QMenu *>(QString(), Qt::FindDirectChildrenOnly);
        QAction *entry = menu ? menu->actions().value(parts.value(1).toInt()) : nullptr;
        if (!entry)
            return QStringLiteral("<no menu entry %1>").arg(parts.value(1));
        return entry->menu() ? entry->menu()->title() : entry->text();
    }

    QWidget *widget = window->findChild<QWidget *>(parts.value(1));
    if (!widget)
        return QStringLiteral("<no widget %1>").arg(parts.value(1));
    if (kind == QLatin1String("accessible"))
        return widget->accessibleName();
    if (kind == QLatin1String("text")) {
        if (auto *button = qobject_cast<QAbstractButton *>(widget))
            return button->text();
        if (auto *label = qobject_cast<QLabel *>(widget))
            return label->text();
        if (auto *group = qobject_cast<QGroupBox *>(widget))
            return group->title();
    }
    if (kind == QLatin1String("tab")) {
        if (auto *tabs = qobject_cast<QTabWidget *>(widget))
            return tabs->tabText(parts.value(2).toInt());
    }
    if (auto *combo = qobject_cast<QComboBox *>(widget)) {
        if (kind == QLatin1String("item"))
            return combo->itemText(parts.value(2).toInt());
        if (kind == QLatin1String("placeholder"))
            return combo->placeholderText();
    }
    return QStringLiteral("<nothing at %1>").arg(where);
}

void addCaptionColumns()
{
    QTest::addColumn<QString>("where");
    QTest::addColumn<QString>("english");
    QTest::addColumn<QString>("russian");
}

void verifyCaption(QWidget *window)
{
    QFETCH(QString, where);
    QFETCH(QString, english);
    QFETCH(QString, russian);
    QCOMPARE(captionAt(window, where), LanguageApplication::russian() ? russian : english);
}
