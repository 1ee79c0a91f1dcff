// hwconfig's live input follows what the "Simulated controllers" window's input controls
// set.

#include "hwconfig_session.h"
#include "kestrix_protocol.h"
#include "simulator_panel.h"

#include "live_input_window.h"

#include <QCheckBox>
#include <QLabel>
#include <QProgressBar>
#include <QSlider>

class PanelHwconfigTest : public QObject, HwconfigSession
{
    Q_OBJECT

private slots:
    void initTestCase() { quietOffscreenPopups(); }
    void cleanup() { stop(); }
    void liveInputFollowsThePanel();
};

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
