// wheelconfig's poll follows the wheel that the "Simulated controllers" window pulls out and
// plugs in again.

#include "simulator_panel.h"
#include "wheel_test_support.h"

#include <QCheckBox>
#include <QtTest>

class PanelWheelconfigTest : public QObject, WheelSession
{
    Q_OBJECT

private slots:
    void initTestCase() { quietOffscreenPopups(); }
    void init() { setUp(); }
    void cleanup() { tearDown(); }
    void pollFollowsThePanel();
};

void PanelWheelconfigTest::pollFollowsThePanel()
{
    CHECKED(start());
    SimulatorPanel panel(sim->bus());
    panel.show();
    QVERIFY(QTest::qWaitForWindowExposed(&panel));
    QCheckBox *plugged = namedChild<QCheckBox>(&panel, "wheel_plugged_in");
    QVERIFY(plugged->isChecked());

    QTest::mouseClick(plugged, Qt::LeftButton, {}, QPoint(4, plugged->height() / 2));
    CHECKED(waitTitle("Wheel (Disconnected)"));
    QTest::mouseClick(plugged, Qt::LeftButton, {}, QPoint(4, plugged->height() / 2));
    CHECKED(waitTitle("Wheel (Connected)"));
    QCOMPARE(wheel->openCount(), 2);
}

QTEST_MAIN(PanelWheelconfigTest)
#include "test_panel_wheelconfig.moc"
