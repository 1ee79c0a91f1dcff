// wheelconfig without a mouse and without sight: the profile strip, every effect control
// and the buttons have names of their own, Tab visits them in reading order, and both an
// effect and a profile can be handled from the keyboard alone.

#include "accessibility_checks.h"
#include "carried_bytes.h"
#include "effect_fields.h"
#include "effect_settings_record.h"
#include "kestrix_protocol.h"
#include "test_support.h"
#include "wheel_test_support.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QPushButton>
#include <QSlider>
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
    void keyboardOnlyEffectEdit();
    void keyboardOnlyProfileSave();

private:
    void startActive();
    void tabTo(QWidget *target);
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

// Presses Tab from wherever the focus is until it reaches `target`.
void WheelconfigAccessibilityTest::tabTo(QWidget *target)
{
    for (int i = 0; i < 40 && QApplication::focusWidget() != target; ++i)
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), target);
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
    QTest::newRow("profile list") << "profileComboBox"
                                  << "Profile"
                                  << "";
    // Beside "Save settings", a plain "Save" would leave open what it saves.
    QTest::newRow("profile save") << "profileSaveButton"
                                  << "Save profile"
                                  << "";
    QTest::newRow("profile delete") << "profileDeleteButton"
                                    << "Delete profile"
                                    << "";
    QTest::newRow("window save") << "save_settings_button"
                                 << "Save settings"
                                 << "";
    QTest::newRow("spin box") << "motion_range"
                              << "Motion range (degrees)"
                              << "Motion range (degrees)";
    QTest::newRow("its slider") << "motion_range_slider"
                                << "Motion range (degrees) slider"
                                << "";
    QTest::newRow("slider of another row") << "horizontalSlider"
                                           << "Total effect smoothing (%) slider"
                                           << "";
    QTest::newRow("last spin box") << "dampening_scale"
                                   << "Dampening gain (unitless)"
                                   << "Dampening gain (unitless)";
    QTest::newRow("check box") << "invert_constant_force"
                               << "Invert constant force"
                               << "";
}

void WheelconfigAccessibilityTest::namesSayWhatTheControlSets()
{
    CHECKED(startActive());
    verifyAnnouncedName(window.get());
}

// Tab to a slider and press the arrow key: the wheel receives the new value at once.
void WheelconfigAccessibilityTest::keyboardOnlyEffectEdit()
{
    CHECKED(startActive());
    auto *slider = child<QSlider>("horizontalSlider_2");
    CHECKED(tabTo(slider));
    QByteArray expected = wheelRecord(wheel);
    wheel->clearTransfers();
    QTest::keyClick(slider, Qt::Key_Right);
    expected[EFFECT_TOTAL_EFFECT_SCALE] = char(expected[EFFECT_TOTAL_EFFECT_SCALE] + 1);
    verifyOneLiveApply(wheel->transfers(), expected);

    auto *invert = child<QCheckBox>("invert_constant_force");
    CHECKED(tabTo(invert));
    wheel->clearTransfers();
    QTest::keyClick(invert, Qt::Key_Space);
    QVERIFY(invert->isChecked());
    setConstantForceInverted(reinterpret_cast<unsigned char *>(expected.data()), true);
    verifyOneLiveApply(wheel->transfers(), expected);
}

// Type a name into the profile list, Tab to "Save", press the space bar.
void WheelconfigAccessibilityTest::keyboardOnlyProfileSave()
{
    CHECKED(startActive());
    auto *profiles = child<QComboBox>("profileComboBox");
    profiles->setFocus(Qt::TabFocusReason);
    QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("Hill climb"));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    auto *save = child<QPushButton>("profileSaveButton");
    QCOMPARE(QApplication::focusWidget(), save);
    wheel->clearTransfers();
    QTest::keyClick(save, Qt::Key_Space);

    QFile file(QStringLiteral("wheel_profiles/Hill climb"));
    QVERIFY(file.open(QIODevice::ReadOnly));
    // The panel's fields as the wheel holds them; the wheel's own bytes are not kept.
    QByteArray expected = wheelRecord(wheel);
    for (int offset : carriedOffsets(effectSettingsTable()))
        expected[offset] = 0;
    QCOMPARE(hex(file.readAll()), hex(expected));
    QCOMPARE(profiles->currentText(), QStringLiteral("Hill climb"));
    QVERIFY(setReports(wheel->transfers()).empty()); // saving a profile sends nothing
}

QTEST_MAIN(WheelconfigAccessibilityTest)
#include "test_wheelconfig_accessibility.moc"
