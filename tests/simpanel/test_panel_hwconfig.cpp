// hwconfig's poll follows the controllers that the "Simulated controllers" window plugs in
// and pulls out.

#include "hwconfig_session.h"
#include "kestrix_protocol.h"
#include "simulator_panel.h"

#include <QCheckBox>
#include <QListView>

class PanelHwconfigTest : public QObject, HwconfigSession
{
    Q_OBJECT

private slots:
    void initTestCase() { quietOffscreenPopups(); }
    void cleanup() { stop(); }
    void pollFollowsThePanel();
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

QTEST_MAIN(PanelHwconfigTest)
#include "test_panel_hwconfig.moc"
