// wheelconfig without a mouse and without sight: the profile strip, every effect control
// and the buttons have names of their own, and Tab visits them in reading order.

#include "accessibility_checks.h"
#include "effect_settings_record.h"
#include "test_support.h"
#include "wheel_test_support.h"

#include <QComboBox>
#include <QtTest>

class WheelconfigAccessibilityTest : public QObject, private WheelSession
{
    Q_OBJECT

private slots:
    void init();
    void cleanup() { tearDown(); }

    void namesAndTabOrder();
    void namesSayWhatTheControlSets_data();
    void namesSayWhatTheControlSets();

private:
    void startActive();
};

void WheelconfigAccessibilityTest::init()
{
    setUp();
    // A stored profile, so that the list is not empty.
    writeProfile(QStringLiteral("Rally"), QByteArray(EFFECT_SETTINGS_RECORD_SIZE, '\x05'));
}

void WheelconfigAccessibilityTest::startActive()
{
    CHECKED(start());
    window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(window.get()));
    QVERIFY(child<QWidget>("profile_widget")->isVisible());
    QVERIFY(child<QWidget>("premium_effect_settings")->isVisible());
}

// The connected window: profile strip, effect panel, buttons.
void WheelconfigAccessibilityTest::namesAndTabOrder()
{
    CHECKED(startActive());
    const auto controls = accessibleControls(window.get());
    // Profile strip 3 (and the list's edit field), panel 1 + 9 sliders + 9 spin boxes,
    // buttons 2.
    constexpr int stops = 3 + 19 + 2;
    QCOMPARE(int(controls.size()), stops + 1);
    const QStringList names = nameFaults(window.get(), {});
    QVERIFY2(names.isEmpty(), qPrintable(names.join(QStringLiteral("; "))));

    auto *profiles = child<QComboBox>("profileComboBox");
    const QList<QWidget *> chain = tabChain(profiles);
    QCOMPARE(chain.size(), stops);
    QCOMPARE(describe(chain.mid(0, 4)),
             QStringList({"profileComboBox", "profileSaveButton", "profileDeleteButton",
                          "invert_constant_force"}));
    QCOMPARE(describe(chain.mid(chain.size() - 2)),
             QStringList({"reboot_button", "save_settings_button"}));
    const QStringList faults = tabOrderFaults(window.get(), chain);
    QVERIFY2(faults.isEmpty(), qPrintable(faults.join(QStringLiteral("\n"))));
}

void WheelconfigAccessibilityTest::namesSayWhatTheControlSets_data()
{
    addAnnouncedNameColumns();
    QTest::newRow("profile list") << "profileComboBox" << "Profile" << "";
    // Beside "Save settings", a plain "Save" would leave open what it saves.
    QTest::newRow("profile save") << "profileSaveButton" << "Save profile" << "";
    QTest::newRow("profile delete") << "profileDeleteButton" << "Delete profile" << "";
    QTest::newRow("window save") << "save_settings_button" << "Save settings" << "";
    QTest::newRow("spin box") << "motion_range" << "Motion range (degrees)"
                              << "Motion range (degrees)";
    QTest::newRow("its slider") << "motion_range_slider" << "Motion range (degrees) slider" << "";
    QTest::newRow("slider of another row") << "horizontalSlider"
                                           << "Total effect smoothing (%) slider" << "";
    QTest::newRow("last spin box") << "dampening_scale" << "Dampening gain (unitless)"
                                   << "Dampening gain (unitless)";
    QTest::newRow("check box") << "invert_constant_force" << "Invert constant force" << "";
}

void WheelconfigAccessibilityTest::namesSayWhatTheControlSets()
{
    CHECKED(startActive());
    verifyAnnouncedName(window.get());
}

QTEST_MAIN(WheelconfigAccessibilityTest)
#include "test_wheelconfig_accessibility.moc"
