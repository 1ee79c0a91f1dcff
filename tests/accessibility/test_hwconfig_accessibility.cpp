// hwconfig without a mouse and without sight: every control of every page has a name that
// says what it sets, no two controls on screen share one, and Tab visits them all in reading
// order.

#include "accessibility_checks.h"
#include "hwconfig_session.h"
#include "kestrix_protocol.h"

#include <QApplication>

Q_DECLARE_METATYPE(ControllerKind)

class HwconfigAccessibilityTest : public QObject, private HwconfigSession
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanup() { stop(); }

    void everyControlAndCaptionHasAName();
    void namesSayWhatTheControlSets_data();
    void namesSayWhatTheControlSets();
    void page_data();
    void page();
    void onlyWhatIsOnScreenIsReportedShowing_data();
    void onlyWhatIsOnScreenIsReportedShowing();

private:
    // Opens the window with one device and picks it with the arrow key, as a keyboard user
    // does; the pick reads it.
    void startAndPick(ControllerKind kind);
};

void HwconfigAccessibilityTest::initTestCase()
{
    QLocale::setDefault(QLocale::c());
    quietOffscreenPopups();
}

void HwconfigAccessibilityTest::startAndPick(ControllerKind kind)
{
    CHECKED(start({kind}));
    window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(window.get()));
    // The window opens with the focus on the device selector.
    auto *selector = widget<QComboBox>("comboBox");
    QCOMPARE(QApplication::focusWidget(), selector);
    QTest::keyClick(selector, Qt::Key_Down);
    // The arrow skips the rows of devices that are not there.
    QCOMPARE(window->selectedDeviceIndex(), int(kind));
    QCOMPARE(visibleTabs(), 4);
    // The buttons follow the selection at the next poll.
    QTRY_VERIFY(widget<QPushButton>("save_settings_button")->isEnabled());
    QVERIFY(boxes->boxes().empty());
}

// With a joystick read every page and both axis tabs are filled, shown or not. A label
// beside a control is tied to it, so that assistive technology reads the two together; only
// the recommendation lines and the headings of the analog grid (which name a whole row or
// column, and whose controls carry both in their names) stand alone.
void HwconfigAccessibilityTest::everyControlAndCaptionHasAName()
{
    CHECKED(startAndPick(ControllerKind::Joystick));
    const auto controls = accessibleControls(window.get());
    // Selector, four page tabs, 31 on the hardware page, 11 GPIO, 32 buttons, 12 analog,
    // three buttons (and the tab bars' scroll buttons).
    QVERIFY2(controls.size() >= 94, qPrintable(QString::number(controls.size())));
    QStringList standAlone = {"spiRecommendationLabel_1", "spiRecommendationLabel_2",
                              "spiRecommendationLabel_3"};
    for (int i = 1; i <= 4; ++i)
        standAlone << QStringLiteral("analogHeaderLabel_%1").arg(i);
    for (int i = 1; i <= 3; ++i)
        standAlone << QStringLiteral("analogAxisLabel_%1").arg(i);
    const QStringList faults = nameFaults(window.get(), standAlone);
    QVERIFY2(faults.isEmpty(), qPrintable(faults.join(QStringLiteral("; "))));
}

void HwconfigAccessibilityTest::namesSayWhatTheControlSets_data()
{
    addAnnouncedNameColumns();
    QTest::newRow("device selector") << "comboBox" << "Device" << "";
    QTest::newRow("combo named by its label") << "amplifier_gain"
                                              << "Current sense gain (Require reboot)"
                                              << "Current sense gain (Require reboot)";
    QTest::newRow("spin box beside a slider") << "calibration_speed" << "Calibration speed (%)"
                                              << "Calibration speed (%)";
    QTest::newRow("slider beside a spin box") << "calibration_speed_slider"
                                              << "Calibration speed (%) slider" << "";
    QTest::newRow("axis editor") << "axis1_encoder_CPR" << "Encoder CPR" << "Encoder CPR";
    QTest::newRow("gain edit") << "axis0_p_gain" << "P gain" << "P gain";
    QTest::newRow("pin") << "gpioModeCombo_9" << "Encoder Z0 mode" << "Encoder Z0";
    QTest::newRow("spi") << "spiModeCombo" << "SPI mode" << "SPI mode";
    QTest::newRow("button") << "buttonMode_17" << "Button 17 mode" << "Button 17";
    QTest::newRow("analog grid, first cell") << "lowerDeadZoneSpinBox_1" << "Rx lower dead zone"
                                             << "";
    QTest::newRow("analog grid, last cell") << "analogButtonSpinBox_3" << "Rz button threshold"
                                            << "";
    QTest::newRow("analog grid, middle") << "analogSmoothingSpinBox_2" << "Ry smoothing" << "";
}

// Spot checks that the names are the ones a user can act on: the label beside the control,
// or the row and column of a grid, and never only the group around it or the value.
void HwconfigAccessibilityTest::namesSayWhatTheControlSets()
{
    CHECKED(startAndPick(ControllerKind::Joystick));
    verifyAnnouncedName(window.get());
}

void HwconfigAccessibilityTest::page_data()
{
    QTest::addColumn<ControllerKind>("kind");
    QTest::addColumn<int>("page");
    QTest::addColumn<int>("axis");
    QTest::addColumn<int>("stops"); // the controls on the page, without selector and buttons

    // Check boxes, two combos, axis tab bar, the axis page, four sliders and spin boxes.
    QTest::newRow("Hardware, Axis 0") << ControllerKind::Joystick << 0 << 0 << (3 + 2 + 1 + 8 + 8);
    QTest::newRow("Hardware, Axis 1") << ControllerKind::Joystick << 0 << 1 << (3 + 2 + 1 + 8 + 8);
    // A wheel has no motion range, start angle or calibration speed.
    QTest::newRow("Hardware, wheel") << ControllerKind::Wheel << 0 << 0 << (3 + 2 + 1 + 6 + 6);
    QTest::newRow("GPIO") << ControllerKind::Joystick << 1 << 0 << 11;
    QTest::newRow("Buttons") << ControllerKind::Joystick << 2 << 0 << 32;
    QTest::newRow("Analog axes") << ControllerKind::Joystick << 3 << 0 << 12;
}

// One page as a user meets it: what is on screen has a name of its own (that every control
// has a name at all is checked above, hidden ones included), and Tab goes from
// the device selector across the page tabs, through every control of the page in reading
// order, to the three buttons.
void HwconfigAccessibilityTest::page()
{
    QFETCH(ControllerKind, kind);
    QFETCH(int, page);
    QFETCH(int, axis);
    QFETCH(int, stops);
    CHECKED(startAndPick(kind));
    widget<QTabWidget>("main_tab_widget")->setCurrentIndex(page);
    widget<QTabWidget>("axis_tab")->setCurrentIndex(axis);

    const QStringList shared = sharedNames(accessibleControls(window.get()));
    QVERIFY2(shared.isEmpty(), qPrintable(shared.join(QStringLiteral("; "))));

    auto *selector = widget<QComboBox>("comboBox");
    const QList<QWidget *> chain = tabChain(selector);
    QVERIFY2(chain.size() == 2 + stops + 4, qPrintable(describe(chain).join(QStringLiteral(", "))));
    QCOMPARE(chain.first(), selector);
    QCOMPARE(describe(chain[1]), QStringLiteral("main_tab_widget/QTabBar"));
    QCOMPARE(describe(chain.mid(chain.size() - 4)),
             QStringList({"reboot_button", "read_settings_button", "input_button",
                          "save_settings_button"}));
    const QStringList faults = tabOrderFaults(window.get(), chain);
    QVERIFY2(faults.isEmpty(), qPrintable(faults.join(QStringLiteral("\n"))));
}

void HwconfigAccessibilityTest::onlyWhatIsOnScreenIsReportedShowing_data()
{
    QTest::addColumn<ControllerKind>("kind");
    QTest::addColumn<bool>("read");
    QTest::addColumn<bool>("typeNone"); // read again while the device reports type 0
    QTest::addColumn<int>("tabsShown"); // page tabs and axis tabs on screen

    QTest::newRow("before a read") << ControllerKind::Joystick << false << false << 0;
    QTest::newRow("joystick") << ControllerKind::Joystick << true << false << 4 + 2;
    QTest::newRow("rudder: one axis tab") << ControllerKind::Rudder << true << false << 4 + 1;
    QTest::newRow("type 0 after a read") << ControllerKind::Joystick << true << true << 0;
}

// A screen reader announces what the accessibility interface reports as showing: hidden
// page tabs, axis tabs and pages must not be among it.
void HwconfigAccessibilityTest::onlyWhatIsOnScreenIsReportedShowing()
{
    QFETCH(ControllerKind, kind);
    QFETCH(bool, read);
    QFETCH(bool, typeNone);
    QFETCH(int, tabsShown);
    if (read) {
        CHECKED(startAndPick(kind));
    } else {
        CHECKED(start({kind}));
    }
    if (typeNone) {
        sim->controller(kind)->setReportByte(REPORT_DEVICE_INFO, DEVICE_INFO_TYPE_OFFSET,
                                             DEVICE_TYPE_NONE);
        click("read_settings_button");
        QCOMPARE(visibleTabs(), 0);
    }

    QStringList wrong; // on screen but reported hidden, or the other way round
    int reported = 0;
    for (const AccessibleControl &c : accessibleControls(window.get())) {
        if (c.shown != c.reported)
            wrong << c.id;
        reported += c.role == QAccessible::PageTab && c.reported ? 1 : 0;
    }
    QVERIFY2(wrong.isEmpty(), qPrintable(wrong.join(QStringLiteral(", "))));
    QCOMPARE(reported, tabsShown);
}

QTEST_MAIN(HwconfigAccessibilityTest)
#include "test_hwconfig_accessibility.moc"
