// Profiles: the files in wheel_profiles, the list in the window and in the tray, and the one
// live apply that applying a profile sends to the simulated wheel. Every test runs in its
// own working directory.

#include "effect_settings_record.h"
#include "kestrix_protocol.h"
#include "profile_widget.h"
#include "test_support.h"
#include "wheel_test_support.h"

#include <QAction>
#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QSpinBox>
#include <QSystemTrayIcon>
#include <QtTest>

#include <memory>

namespace {

// A profile as the panel writes one: owned fields set, the wheel's own bytes zero.
QByteArray profileBytes(uint8_t gain, uint16_t motion, uint8_t carried = 0)
{
    QByteArray p(EFFECT_SETTINGS_RECORD_SIZE, char(carried));
    auto *b = reinterpret_cast<unsigned char *>(p.data());
    b[EFFECT_DIRECT_X_SPRING_SCALE] = gain;
    b[EFFECT_DIRECT_X_CONSTANT_SCALE] = gain + 1;
    b[EFFECT_DIRECT_X_PERIODIC_SCALE] = gain + 2;
    setConstantForceInverted(b, true);
    b[EFFECT_DAMPENING_SCALE] = gain + 3;
    b[EFFECT_TOTAL_EFFECT_SCALE] = gain + 4;
    b[EFFECT_TOTAL_EFFECT_SMOOTHING] = gain + 5;
    setMotionRange(b, motion);
    b[EFFECT_SOFT_STOP_SCALE] = gain + 6;
    b[EFFECT_SOFT_STOP_RANGE] = 20;
    return p;
}

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The owned fields of a record, with the bytes the program only carries taken from `own`.
QByteArray withOwnBytes(QByteArray fields, const QByteArray &own)
{
    fields[EFFECT_CARRIED_BYTE] = own[EFFECT_CARRIED_BYTE];
    fields.replace(EFFECT_CARRIED_TAIL, EFFECT_CARRIED_TAIL_SIZE,
                   own.mid(EFFECT_CARRIED_TAIL, EFFECT_CARRIED_TAIL_SIZE));
    return fields;
}

} // namespace

class WheelProfilesTest : public QObject, private WheelSession
{
    Q_OBJECT

private slots:
    void init() { setUp(); }
    void cleanup() { tearDown(); }

    void saveAndOverwrite();
    void listedInOrderInComboAndTray();
    void deleteRemovesTheNamedFile();
    void applySendsOneLiveApply_data();
    void applySendsOneLiveApply();
    void applyWithoutWheelOnlyLoadsThePanel();
    void unsafeNamesTouchNothing_data();
    void unsafeNamesTouchNothing();
    void missingOrShortFilesAreIgnored_data();
    void missingOrShortFilesAreIgnored();
    void noStoreMeansNoFallback();

private:
    QComboBox *combo() { return child<QComboBox>("profileComboBox"); }
    QMenu *profilesMenu()
    {
        return window->findChild<QSystemTrayIcon *>()->contextMenu()->actions().at(0)->menu();
    }
    QStringList comboItems();
    QStringList trayItems();
    void typeName(const QString &name);
    void click(const char *button)
    {
        QTest::mouseClick(child<QPushButton>(button), Qt::LeftButton);
    }
    // Save, Enter (which applies the typed name) and Delete, each with `name` typed.
    void saveApplyAndDelete(const QString &name);
    QByteArray panelFields();
};

QStringList WheelProfilesTest::comboItems()
{
    QStringList items;
    for (int i = 0; i < combo()->count(); ++i)
        items << combo()->itemText(i);
    return items;
}

QStringList WheelProfilesTest::trayItems()
{
    QStringList items;
    for (QAction *action : profilesMenu()->actions())
        items << action->text();
    return items;
}

void WheelProfilesTest::typeName(const QString &name)
{
    combo()->lineEdit()->clear();
    QTest::keyClicks(combo()->lineEdit(), name);
    QCOMPARE(combo()->currentText(), name);
}

void WheelProfilesTest::saveApplyAndDelete(const QString &name)
{
    typeName(name);
    click("profileSaveButton");
    typeName(name);
    QTest::keyClick(combo(), Qt::Key_Return);
    typeName(name);
    click("profileDeleteButton");
}

// The owned fields as the panel shows them, in record layout.
QByteArray WheelProfilesTest::panelFields()
{
    QByteArray r(EFFECT_SETTINGS_RECORD_SIZE, 0);
    auto *b = reinterpret_cast<unsigned char *>(r.data());
    auto value = [this](const char *name) { return child<QSpinBox>(name)->value(); };
    b[EFFECT_DIRECT_X_SPRING_SCALE] = value("direct_x_spring_scale");
    b[EFFECT_DIRECT_X_CONSTANT_SCALE] = value("direct_x_constant_scale");
    b[EFFECT_DIRECT_X_PERIODIC_SCALE] = value("direct_x_periodic_scale");
    setConstantForceInverted(b, child<QAbstractButton>("invert_constant_force")->isChecked());
    b[EFFECT_DAMPENING_SCALE] = value("dampening_scale");
    b[EFFECT_TOTAL_EFFECT_SCALE] = value("total_effect_scale");
    b[EFFECT_TOTAL_EFFECT_SMOOTHING] = value("total_effect_smoothing");
    setMotionRange(b, value("motion_range"));
    b[EFFECT_SOFT_STOP_SCALE] = value("soft_stop_scale");
    b[EFFECT_SOFT_STOP_RANGE] = value("soft_stop_range");
    return r;
}

void WheelProfilesTest::saveAndOverwrite()
{
    start();
    auto *scale = child<QSpinBox>("total_effect_scale");
    QTest::keyClick(scale, Qt::Key_Up); // 71, and live on the wheel

    wheel->clearTransfers();
    typeName(QStringLiteral("Rally"));
    click("profileSaveButton");
    QByteArray saved = readFile(QStringLiteral("wheel_profiles/Rally"));
    QCOMPARE(hex(saved), hex(panelFields()));
    QCOMPARE(int(uint8_t(saved[EFFECT_TOTAL_EFFECT_SCALE])), 71);
    QCOMPARE(comboItems(), QStringList{QStringLiteral("Rally")});
    QCOMPARE(trayItems(), QStringList{QStringLiteral("Rally")});
    QCOMPARE(combo()->currentIndex(), 0);
    QCOMPARE(combo()->currentText(), QStringLiteral("Rally"));
    QVERIFY(setReports(wheel->transfers()).empty()); // saving a profile sends nothing

    // The same name again overwrites without asking.
    QTest::keyClick(scale, Qt::Key_Up);
    QCOMPARE(combo()->currentText(), QStringLiteral("Rally"));
    click("profileSaveButton");
    saved = readFile(QStringLiteral("wheel_profiles/Rally"));
    QCOMPARE(hex(saved), hex(panelFields()));
    QCOMPARE(int(uint8_t(saved[EFFECT_TOTAL_EFFECT_SCALE])), 72);
    QCOMPARE(comboItems(), QStringList{QStringLiteral("Rally")});
    QCOMPARE(QDir(QStringLiteral("wheel_profiles"))
                 .entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
             QStringList{QStringLiteral("Rally")});
}

void WheelProfilesTest::listedInOrderInComboAndTray()
{
    for (const char *name : {"b", "A", "c", ".hidden", "a\\b"})
        writeProfile(QLatin1String(name), profileBytes(10, 900));
    QVERIFY(QDir().mkpath(QStringLiteral("wheel_profiles/directory")));
    writeProfile(QStringLiteral("directory/inner"), profileBytes(10, 900));
    start();

    const QStringList expected{QStringLiteral("A"), QStringLiteral("b"), QStringLiteral("c")};
    QCOMPARE(comboItems(), expected);
    QCOMPARE(trayItems(), expected);
    QCOMPARE(combo()->currentIndex(), -1);
    QCOMPARE(combo()->currentText(), QString());
}

void WheelProfilesTest::deleteRemovesTheNamedFile()
{
    for (const char *name : {"A", "b"})
        writeProfile(QLatin1String(name), profileBytes(10, 900));
    QVERIFY(QDir().mkpath(QStringLiteral("wheel_profiles/directory")));
    start();

    typeName(QStringLiteral("b"));
    click("profileDeleteButton");
    QVERIFY(!QFile::exists(QStringLiteral("wheel_profiles/b")));
    QCOMPARE(comboItems(), QStringList{QStringLiteral("A")});
    QCOMPARE(trayItems(), QStringList{QStringLiteral("A")});
    QCOMPARE(combo()->currentIndex(), -1);

    const QStringList before = workingDirectory->tree();
    for (const QString &name : {QString(), QStringLiteral("directory"), QStringLiteral("a")}) {
        typeName(name);
        click("profileDeleteButton");
        QCOMPARE(workingDirectory->tree(), before);
    }
    QVERIFY(setReports(wheel->transfers()).empty());
}

void WheelProfilesTest::applySendsOneLiveApply_data()
{
    QTest::addColumn<bool>("fromTray");
    QTest::newRow("picked in the list") << false;
    QTest::newRow("chosen in the tray") << true;
}

void WheelProfilesTest::applySendsOneLiveApply()
{
    QFETCH(bool, fromTray);
    // The profiles' own carried bytes are meaningless: the wheel keeps its own.
    const QByteArray rally = profileBytes(11, 540, 0xEE);
    const QByteArray snow = profileBytes(30, 1440, 0x55);
    writeProfile(QStringLiteral("Rally"), rally);
    writeProfile(QStringLiteral("Snow"), snow);
    start();
    const QByteArray own = wheelRecord(wheel);
    QSignalSpy applied(child<ProfileWidget>("profile_widget"), &ProfileWidget::profileApplied);

    QByteArray expected;
    if (fromTray) {
        // The tray leaves the list with nothing chosen, also what the user had typed.
        typeName(QStringLiteral("something typed"));
        wheel->clearTransfers();
        QCOMPARE(trayItems().at(1), QStringLiteral("Snow"));
        profilesMenu()->actions().at(1)->trigger();
        QCOMPARE(combo()->currentIndex(), -1);
        QCOMPARE(combo()->currentText(), QString());
        expected = withOwnBytes(snow, own);
    } else {
        wheel->clearTransfers();
        QTest::keyClick(combo(), Qt::Key_Down); // the user picks the first profile
        QCOMPARE(combo()->currentText(), QStringLiteral("Rally"));
        expected = withOwnBytes(rally, own);
    }
    QCOMPARE(applied.count(), 1);
    verifyOneLiveApply(wheel->transfers(), expected);
    if (QTest::currentTestFailed())
        return;
    QCOMPARE(hex(wheelRecord(wheel)), hex(expected));
    QCOMPARE(hex(withOwnBytes(panelFields(), own)), hex(expected));
}

void WheelProfilesTest::applyWithoutWheelOnlyLoadsThePanel()
{
    writeProfile(QStringLiteral("Rally"), profileBytes(11, 540));
    start();
    wheel->unplug();
    waitTitle("Wheel (Disconnected)");

    wheel->clearTransfers();
    profilesMenu()->actions().at(0)->trigger();
    QCOMPARE(hex(panelFields()), hex(profileBytes(11, 540)));
    QVERIFY(wheel->transfers().empty());

    // Back on the wheel, the panel shows the wheel again.
    wheel->plug();
    waitTitle("Wheel (Connected)");
    QCOMPARE(child<QSpinBox>("motion_range")->value(), 900);
    QVERIFY(setReports(wheel->transfers()).empty());
}

void WheelProfilesTest::unsafeNamesTouchNothing_data()
{
    QTest::addColumn<QString>("name");

    for (const char *name :
         {".", "..", ".hidden", "../outside", "directory/inner", "a\\b", "..\\outside", "@outside"})
        QTest::newRow(name) << QString::fromLatin1(name);
}

void WheelProfilesTest::unsafeNamesTouchNothing()
{
    QFETCH(QString, name);
    if (name == QLatin1String("@outside")) // an absolute path, known only now
        name = workingDirectory->filePath(QStringLiteral("outside"));

    // Whole profiles wherever an unsafe name could reach.
    QFile outside(workingDirectory->filePath(QStringLiteral("outside")));
    QVERIFY(outside.open(QIODevice::WriteOnly));
    outside.write(profileBytes(11, 540));
    outside.close();
    writeProfile(QStringLiteral(".hidden"), profileBytes(11, 540));
    QVERIFY(QDir().mkpath(QStringLiteral("wheel_profiles/directory")));
    writeProfile(QStringLiteral("directory/inner"), profileBytes(11, 540));
    writeProfile(QStringLiteral("Rally"), profileBytes(30, 720));
    start();
    QSignalSpy applied(child<ProfileWidget>("profile_widget"), &ProfileWidget::profileApplied);
    const QByteArray panel = panelFields();
    const QStringList before = workingDirectory->tree();

    wheel->clearTransfers();
    saveApplyAndDelete(name);

    QCOMPARE(workingDirectory->tree(), before);
    QCOMPARE(readFile(workingDirectory->filePath(QStringLiteral("outside"))),
             profileBytes(11, 540));
    QCOMPARE(applied.count(), 0);
    QCOMPARE(hex(panelFields()), hex(panel));
    QVERIFY(setReports(wheel->transfers()).empty());
}

void WheelProfilesTest::missingOrShortFilesAreIgnored_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("listed");

    QTest::newRow("missing") << QStringLiteral("missing") << false;
    QTest::newRow("empty") << QStringLiteral("empty") << true;
    QTest::newRow("21 bytes") << QStringLiteral("short") << true;
    QTest::newRow("directory") << QStringLiteral("directory") << false;
}

void WheelProfilesTest::missingOrShortFilesAreIgnored()
{
    QFETCH(QString, name);
    QFETCH(bool, listed);

    writeProfile(QStringLiteral("empty"), QByteArray());
    writeProfile(QStringLiteral("short"),
                 profileBytes(11, 540).left(EFFECT_SETTINGS_RECORD_SIZE - 1));
    QVERIFY(QDir().mkpath(QStringLiteral("wheel_profiles/directory")));
    start();
    QSignalSpy applied(child<ProfileWidget>("profile_widget"), &ProfileWidget::profileApplied);
    const QByteArray panel = panelFields();
    QCOMPARE(trayItems().contains(name), listed);

    wheel->clearTransfers();
    typeName(name);
    QTest::keyClick(combo(), Qt::Key_Return);
    if (listed)
        profilesMenu()->actions().at(trayItems().indexOf(name))->trigger();

    QCOMPARE(applied.count(), 0);
    QCOMPARE(hex(panelFields()), hex(panel));
    QVERIFY(setReports(wheel->transfers()).empty());
}

void WheelProfilesTest::noStoreMeansNoFallback()
{
    // wheel_profiles is taken by a file: there is no store, and the working directory must
    // not stand in for it.
    QFile blocker(QStringLiteral("wheel_profiles"));
    QVERIFY(blocker.open(QIODevice::WriteOnly));
    blocker.write("not a directory");
    blocker.close();
    QFile stray(QStringLiteral("A"));
    QVERIFY(stray.open(QIODevice::WriteOnly));
    stray.write(profileBytes(11, 540));
    stray.close();
    start();
    QSignalSpy applied(child<ProfileWidget>("profile_widget"), &ProfileWidget::profileApplied);
    const QStringList before = workingDirectory->tree();

    QCOMPARE(comboItems(), QStringList());
    QCOMPARE(trayItems(), QStringList());
    saveApplyAndDelete(QStringLiteral("A"));

    QCOMPARE(workingDirectory->tree(), before);
    QCOMPARE(readFile(QStringLiteral("wheel_profiles")), QByteArray("not a directory"));
    QCOMPARE(readFile(QStringLiteral("A")), profileBytes(11, 540));
    QCOMPARE(applied.count(), 0);
    QCOMPARE(comboItems(), QStringList());
}

QTEST_MAIN(WheelProfilesTest)
#include "test_wheel_profiles.moc"
