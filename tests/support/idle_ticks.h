#pragma once

// What a window's idle poll ticks do to it: the events of chosen types that reach the window
// or any widget in it, recorded while some ticks run.

#include <QApplication>
#include <QEvent>
#include <QSet>
#include <QSignalSpy>
#include <QStringList>
#include <QTimer>
#include <QWidget>
#include <QtTest>

#include <initializer_list>

class EventCounter : public QObject
{
public:
    EventCounter(QWidget *root, std::initializer_list<QEvent::Type> types)
        : root(root), types(types)
    {
        qApp->installEventFilter(this);
    }
    ~EventCounter() override { qApp->removeEventFilter(this); }

    // "QComboBox comboBox: 12" (the event type) for each event seen.
    const QStringList &seen() const { return events; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        auto *widget = qobject_cast<QWidget *>(watched);
        if (widget && types.contains(event->type()) &&
            (widget == root || root->isAncestorOf(widget)))
            events << QStringLiteral("%1 %2: %3")
                          .arg(QString::fromLatin1(widget->metaObject()->className()),
                               widget->objectName())
                          .arg(int(event->type()));
        return false;
    }

private:
    QWidget *const root;
    const QSet<QEvent::Type> types;
    QStringList events;
};

// The events that would show a tick touching the window: a new icon or title, a size, a
// layout, a repaint, a button enabled or disabled, a widget shown or hidden.
inline QStringList eventsOverIdleTicks(QWidget *window, int ticks)
{
    QTimer *poll = nullptr;
    for (QTimer *timer : window->findChildren<QTimer *>()) {
        if (timer->isActive() && timer->interval() == 100)
            poll = timer;
    }
    if (!poll)
        return {QStringLiteral("no 100 ms poll timer")};
    QSignalSpy settled(poll, &QTimer::timeout);
    // Two ticks first: what the last change left behind is done then.
    if (!QTest::qWaitFor([&] { return settled.count() >= 2; }))
        return {QStringLiteral("the poll does not tick")};
    EventCounter counter(window,
                         {QEvent::WindowIconChange, QEvent::WindowTitleChange, QEvent::Resize,
                          QEvent::LayoutRequest, QEvent::Paint, QEvent::UpdateRequest,
                          QEvent::EnabledChange, QEvent::Show, QEvent::Hide});
    QSignalSpy ticked(poll, &QTimer::timeout);
    if (!QTest::qWaitFor([&] { return ticked.count() >= ticks; }))
        return {QStringLiteral("the poll does not tick")};
    QCoreApplication::processEvents(); // and what the last tick may have left
    return counter.seen();
}
