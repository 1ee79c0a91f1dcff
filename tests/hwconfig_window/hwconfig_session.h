#pragma once

// Shared by the hwconfig tests: the real window on a fresh simulated bus, its warning boxes
// answered, and the device selector and buttons used as a user uses them.

#include "mainwindow.h"
#include "test_support.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTimer>
#include <QtTest>

#include <chrono>
#include <memory>

class HwconfigSession
{
protected:
    // Plugs in the controllers (a save waits for one status read, a reboot takes 300 ms)
    // and opens the window.
    void start(const QList<ControllerKind> &kinds)
    {
        sim = std::make_unique<ScopedSimulator>();
        for (ControllerKind kind : kinds)
            sim->bus().add(kind);
        for (const auto &controller : sim->bus().controllers()) {
            controller->setBusyReads(0);
            controller->setRebootDuration(std::chrono::milliseconds(300));
        }
        boxes = std::make_unique<MessageBoxCatcher>();
        window = std::make_unique<MainWindow>();
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window.get()));
    }

    void stop()
    {
        window.reset();
        boxes.reset();
        sim.reset();
    }

    template <typename T> T *widget(const char *name) const
    {
        return namedChild<T>(window.get(), name);
    }

    // Opens the list and clicks the row.
    static void chooseItem(QComboBox *combo, int row)
    {
        combo->showPopup();
        QAbstractItemView *view = combo->view();
        QTRY_VERIFY(view->isVisible());
        const QPoint at = view->visualRect(combo->model()->index(row, 0)).center();
        QTest::mouseMove(view->viewport(), at);
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, at);
        QTRY_VERIFY(!view->isVisible());
    }

    // Replaces the text of a spin box or line edit as typing does.
    static void typeInto(QWidget *editor, const QString &text)
    {
        QTest::keyClick(editor, Qt::Key_A, Qt::ControlModifier);
        if (text.isEmpty())
            QTest::keyClick(editor, Qt::Key_Delete);
        QTest::keyClicks(editor, text);
    }

    // The selector's rows follow the controller kinds.
    void pick(ControllerKind kind)
    {
        chooseItem(widget<QComboBox>("comboBox"), int(kind));
        QCOMPARE(window->selectedDeviceIndex(), int(kind));
    }

    // Clicks the button once the poll has enabled it.
    void click(const char *button)
    {
        auto *b = widget<QPushButton>(button);
        QTRY_VERIFY(b->isEnabled());
        QTest::mouseClick(b, Qt::LeftButton);
    }

    // Waits until the window's device poll has run `count` more times, so that whatever it
    // would change by then it has changed (bound: three times what a quiet machine needs).
    void letPollRun(int count)
    {
        auto *poll = window->findChild<QTimer *>(QString(), Qt::FindDirectChildrenOnly);
        QVERIFY(poll && poll->isActive());
        QSignalSpy ran(poll, &QTimer::timeout);
        QTRY_VERIFY_WITH_TIMEOUT(ran.count() >= count, 3 * count * poll->interval() + 1000);
    }

    int visibleTabs() const
    {
        auto *tabs = widget<QTabWidget>("main_tab_widget");
        int visible = 0;
        for (int i = 0; i < tabs->count(); ++i)
            visible += tabs->isTabVisible(i) ? 1 : 0;
        return visible;
    }

    std::unique_ptr<ScopedSimulator> sim;
    std::unique_ptr<MessageBoxCatcher> boxes;
    std::unique_ptr<MainWindow> window;
};
