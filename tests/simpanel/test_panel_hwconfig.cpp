// hwconfig's poll follows the controllers that the "Simulated controllers" window plugs in
// and pulls out.

#include "hwconfig_session.h"
#include "kestrix_protocol.h"
#include "simulator_panel.h"

#include "live_input_window.h"

#include <QCheckBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QListView>
#include <QProgressBar>
#include <QSlider>

class PanelHwconfigTest : public QObject, HwconfigSession
{
    Q_OBJECT

private slots:
    void initTestCase() { quietOffscreenPopups(); }
    void cleanup() { stop(); }
    void pollFollowsThePanel();
    void liveInputFollowsThePanel();
};

void PanelHwconfigTest::pollFollowsThePanel()
{
    CHECKED(start({ControllerKind::Joystick, ControllerKind::Wheel}));
    SimulatorPanel panel(sim->bus());
    panel.show();
    QVERIFY(QTest::qWaitForWindowExposed(&panel));
    auto *selector = widget<QComboBox>("comboBox");
    auto *view = qobject_cast<QListView *>(selector->view());
    auto toggle = [&](const char *box) {
        QCheckBox *b = namedChild<QCheckBox>(&panel, box);
        QTest::mouseClick(b, Qt::LeftButton, {}, QPoint(4, b->height() / 2));
    };
    auto shown = [&] {
        QList<bool> rows;
        for (int row = 0; row < 4; ++row)
            rows << !view->isRowHidden(row);
        return rows;
    };
    QCOMPARE(shown(), (QList<bool>{false, true, false, true}));

    toggle("wheel_plugged_in");
    QTRY_COMPARE(shown(), (QList<bool>{false, true, false, false}));
    QCOMPARE(selector->placeholderText(), QStringLiteral("Select compatible device (1 connected)"));
    toggle("rudder_plugged_in");
    toggle("generic_plugged_in");
    QTRY_COMPARE(shown(), (QList<bool>{true, true, true, false}));
    QCOMPARE(selector->placeholderText(), QStringLiteral("Select compatible device (3 connected)"));

    // A controller plugged in from the window is read like any other.
    pick(ControllerKind::Rudder);
    QTRY_VERIFY(visibleTabs() > 0);
    QVERIFY(boxes->boxes().empty());
    QVERIFY(
        !getReports(sim->controller(ControllerKind::Rudder)->transfers(), REPORT_HARDWARE_SETTINGS)
             .empty());
}

void PanelHwconfigTest::liveInputFollowsThePanel()
{
    CHECKED(start({ControllerKind::Joystick}));
    SimulatorPanel panel(sim->bus());
    panel.show();
    QVERIFY(QTest::qWaitForWindowExposed(&panel));
    auto *input = widget<QPushButton>("input_button");
    QVERIFY(!input->isEnabled());
    pick(ControllerKind::Joystick);
    QTRY_VERIFY(input->isEnabled());
    QTest::mouseClick(input, Qt::LeftButton);
    auto *live = window->findChild<LiveInputWindow *>();
    QVERIFY(live);
    QVERIFY(QTest::qWaitForWindowExposed(live));
    QVERIFY(live->reading());

    // Three quarters of the slider's range: X at 75 % in the live view, within 200 ms on a
    // quiet machine.
    QSlider *x = namedChild<QSlider>(&panel, "joystick_axis_0");
    QProgressBar *bar = namedChild<QProgressBar>(live, "axis_X");
    QElapsedTimer moved;
    moved.start();
    x->setValue(x->minimum() + (x->maximum() - x->minimum()) * 3 / 4);
    QTRY_VERIFY_WITH_TIMEOUT(bar->text().endsWith(QStringLiteral("(75 %)")), 600);
    QCOMPARE(bar->value(), x->value());

    QLabel *lamp = namedChild<QLabel>(live, "lamp_3");
    QVERIFY(!lamp->property("pressed").toBool());
    namedChild<QCheckBox>(&panel, "joystick_button_3")->setChecked(true);
    QTRY_VERIFY_WITH_TIMEOUT(lamp->property("pressed").toBool(), 600);
    QVERIFY(!namedChild<QLabel>(live, "lamp_2")->property("pressed").toBool());

    // Closed, it reads nothing.
    live->close();
    QVERIFY(!live->reading());
}

QTEST_MAIN(PanelHwconfigTest)
#include "test_panel_hwconfig.moc"
