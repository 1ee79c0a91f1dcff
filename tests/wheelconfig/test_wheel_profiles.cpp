// Profiles: the files in wheel_profiles, the list in the window and in the tray, and the one
// live apply that applying a profile sends to the simulated wheel. Every test runs in its
// own working directory.

#include "effect_fields.h"
#include "effect_settings_record.h"
#include "file_conditions.h"
#include "kestrix_protocol.h"
#include "profile_widget.h"
#include "test_support.h"
#include "wheel_test_support.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QSpinBox>
#include <QSystemTrayIcon>
#include <QtTest>

#include <algorithm>
#include <memory>

#include <sys/stat.h>

namespace
{

// The warning the user sees when a profile action fails.
QString told(const char *action, const QString &reason)
{
    return QStringLiteral("Kestrix hardware settings UI: The profile could not be %1: %2.")
        .arg(QLatin1String(action), reason);
}

} // namespace

class WheelProfilesTest : public QObject, private WheelSession
{
    Q_OBJECT

private slots:
    void init() { setUp(); }
    void cleanup() { tearDown(); }

    void listedInOrderAndDeleted();
    void applyWithoutWheelOnlyLoadsThePanel();
    void fieldNamesTheHeldProfile_data();
    void fieldNamesTheHeldProfile();
    void stripDoesOnlyWhatWasClicked_data();
    void stripDoesOnlyWhatWasClicked();
    void refusedNamesTouchNothing_data();
    void refusedNamesTouchNothing();
    void enterMatchesTheExactName_data();
    void enterMatchesTheExactName();
    void unreadableProfilesAreNotApplied_data();
    void unreadableProfilesAreNotApplied();
    void fullDiskKeepsTheOldProfile_data();
    void fullDiskKeepsTheOldProfile();
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
    QByteArray panelFields() { return ::panelFields(window.get()); }
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
    // QTest types printable ASCII only.
    const bool typeable = std::all_of(name.begin(), name.end(), [](QChar c) {
        return c.unicode() >= 0x20 && c.unicode() < 0x7f;
    });
    if (typeable)
        QTest::keyClicks(combo()->lineEdit(), name);
    else // pasted
        combo()->lineEdit()->setText(name);
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

void WheelProfilesTest::listedInOrderAndDeleted()
{
    for (const char *name : {"b", "A", "c", ".hidden", "a\\b"})
        writeProfile(QLatin1String(name), profileBytes(10, 900));
    start();

    QCOMPARE(comboItems(), QStringList({"A", "b", "c"}));
    QCOMPARE(trayItems(), QStringList({"A", "b", "c"}));
    QCOMPARE(combo()->currentIndex(), -1);
    QCOMPARE(combo()->currentText(), QString());

    typeName(QStringLiteral("b"));
    click("profileDeleteButton");
    QVERIFY(!QFile::exists(QStringLiteral("wheel_profiles/b")));
    QCOMPARE(comboItems(), QStringList({"A", "c"}));
    QCOMPARE(trayItems(), QStringList({"A", "c"}));
    QCOMPARE(combo()->currentIndex(), -1);
    QCOMPARE(takeWarnings(), QStringList());

    const QStringList before = workingDirectory->tree();
    const std::pair<QString, const char *> refused[] = {
        {QString(), "no name was typed"},
        {QStringLiteral("a"), "there is no profile of that name"}};
    for (const auto &[name, reason] : refused) {
        typeName(name);
        click("profileDeleteButton");
        QCOMPARE(workingDirectory->tree(), before);
        QCOMPARE(takeWarnings(), QStringList{told("deleted", QLatin1String(reason))});
        QCOMPARE(combo()->currentText(), name); // kept, to be corrected
    }
    QVERIFY(setReports(wheel->transfers()).empty());
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

void WheelProfilesTest::fieldNamesTheHeldProfile_data()
{
    QTest::addColumn<QString>("how");
    QTest::addColumn<QString>("profile");
    QTest::addColumn<bool>("wheelRefuses");
    QTest::addColumn<QString>("shown"); // Rally was applied before

    const struct {
        const char *row, *how, *profile;
        bool wheelRefuses;
        const char *shown;
    } rows[] = {
        {"request", "request", "Snow", false, "Snow"},
        {"list", "list", "Snow", false, "Snow"},
        {"list, wheel refuses", "list", "Snow", true, ""},
        {"list, damaged file", "list", "damaged", false, "Rally"},
    };
    for (const auto &r : rows)
        QTest::newRow(r.row) << QString::fromLatin1(r.how) << QString::fromLatin1(r.profile)
                             << r.wheelRefuses << QString::fromLatin1(r.shown);
}

void WheelProfilesTest::fieldNamesTheHeldProfile()
{
    QFETCH(QString, how);
    QFETCH(QString, profile);
    QFETCH(bool, wheelRefuses);
    QFETCH(QString, shown);

    writeProfile(QStringLiteral("Rally"), profileBytes(11, 540));
    writeProfile(QStringLiteral("Snow"), profileBytes(30, 1440));
    writeProfile(QStringLiteral("damaged"), profileBytes(11, 540).left(5));
    start();
    const QStringList items = trayItems();
    profilesMenu()->actions().at(items.indexOf(QStringLiteral("Rally")))->trigger();
    QCOMPARE(combo()->currentText(), QStringLiteral("Rally"));

    if (wheelRefuses) // the first packet of the live apply
        wheel->failTransfers(1, USB_ERROR_PIPE, 1);
    if (how == QLatin1String("request")) {
        window->wheelService()->applyProfile(profile);
    } else {
        combo()->setCurrentIndex(items.indexOf(QStringLiteral("Rally")));
        QTest::keyClick(combo(), items.indexOf(profile) > items.indexOf(QStringLiteral("Rally"))
                                     ? Qt::Key_Down
                                     : Qt::Key_Up);
    }
    // The wheel still holds Rally after every failure here.
    QCOMPARE(int(wheelRecord(wheel).at(EFFECT_DIRECT_X_SPRING_SCALE)),
             shown == QLatin1String("Snow") ? 30 : 11);
    QCOMPARE(combo()->currentText(), shown);
    QCOMPARE(combo()->currentIndex(), items.indexOf(shown));
}

void WheelProfilesTest::stripDoesOnlyWhatWasClicked_data()
{
    QTest::addColumn<QString>("button"); // empty: the field loses the focus to a spin box
    QTest::newRow("type, then leave the field") << QString();
    QTest::newRow("type, then Save") << QStringLiteral("profileSaveButton");
    QTest::newRow("type, then Delete") << QStringLiteral("profileDeleteButton");
}

// The name typed is another profile's while one is current in the list: leaving the field
// is what made the combo box report that profile as chosen.
void WheelProfilesTest::stripDoesOnlyWhatWasClicked()
{
    QFETCH(QString, button);
    const QByteArray snow = profileBytes(30, 1440);
    writeProfile(QStringLiteral("Rally"), profileBytes(11, 540));
    writeProfile(QStringLiteral("Snow"), snow);
    start();
    QApplication::setActiveWindow(window.get());
    QVERIFY(QTest::qWaitForWindowActive(window.get())); // else no focus ever moves
    combo()->setFocus();
    QTest::keyClick(combo(), Qt::Key_Down);
    QCOMPARE(combo()->currentText(), QStringLiteral("Rally"));
    auto *scale = child<QSpinBox>("total_effect_scale");
    QTest::mouseClick(scale, Qt::LeftButton);
    QTest::keyClick(scale, Qt::Key_Up); // the user's own settings now
    const QByteArray panel = panelFields();

    wheel->clearTransfers();
    combo()->setFocus();
    typeName(QStringLiteral("Snow"));
    if (button.isEmpty())
        QTest::mouseClick(scale, Qt::LeftButton);
    else
        click(qPrintable(button));
    QVERIFY(!combo()->hasFocus());

    QCOMPARE(takeWarnings(), QStringList());
    QVERIFY(setReports(wheel->transfers()).empty());
    QCOMPARE(hex(panelFields()), hex(panel));
    if (button == QLatin1String("profileSaveButton"))
        QCOMPARE(hex(readFile(QStringLiteral("wheel_profiles/Snow"))), hex(panel));
    else if (button == QLatin1String("profileDeleteButton"))
        QVERIFY(!QFile::exists(QStringLiteral("wheel_profiles/Snow")));
    else
        QCOMPARE(hex(readFile(QStringLiteral("wheel_profiles/Snow"))), hex(snow));
}

void WheelProfilesTest::refusedNamesTouchNothing_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("linkTo"); // the name is a symbolic link to this, if set
    QTest::addColumn<QString>("reason");

    const QString dot = QStringLiteral("the name starts with a dot");
    const QString separator = QStringLiteral("the name contains / or \\");
    const QString control =
        QStringLiteral("the name contains a control character, such as a tab or a line break");
    const QString link =
        QStringLiteral("that name is a symbolic link, and links are never followed");
    const struct {
        const char *row;
        QString name;
        const char *linkTo;
        QString reason;
    } rows[] = {
        {".", QStringLiteral("."), "", dot},
        {"..", QStringLiteral(".."), "", dot},
        {".hidden", QStringLiteral(".hidden"), "", dot},
        {"directory/inner", QStringLiteral("directory/inner"), "", separator},
        {"a\\b", QStringLiteral("a\\b"), "", separator},
        {"tab", QStringLiteral("Rally\tSnow"), "", control},
        {"newline", QStringLiteral("Rally\n"), "", control},
        {"line separator", QStringLiteral("Rally") + QChar(0x2028), "", control},
        {"only spaces", QStringLiteral("   "), "", QStringLiteral("the name is only white space")},
        {"link out of the folder", QStringLiteral("Linked"), "../outside", link},
        {"dangling link", QStringLiteral("Linked"), "../nowhere", link},
    };
    for (const auto &row : rows)
        QTest::newRow(row.row) << row.name << QString::fromLatin1(row.linkTo) << row.reason;
}

void WheelProfilesTest::refusedNamesTouchNothing()
{
    QFETCH(QString, name);
    QFETCH(QString, linkTo);
    QFETCH(QString, reason);

    // Whole profiles wherever a refused name could reach.
    CHECKED(
        writeFile(workingDirectory->filePath(QStringLiteral("outside")), profileBytes(11, 540)));
    writeProfile(QStringLiteral(".hidden"), profileBytes(11, 540));
    QVERIFY(QDir().mkpath(QStringLiteral("wheel_profiles/directory")));
    writeProfile(QStringLiteral("directory/inner"), profileBytes(11, 540));
    writeProfile(QStringLiteral("Rally"), profileBytes(30, 720));
    const QString linkPath = QStringLiteral("wheel_profiles/") + name;
    if (!linkTo.isEmpty())
        QVERIFY(QFile::link(linkTo, linkPath));
    start();
    QSignalSpy applied(child<ProfileWidget>("profile_widget"), &ProfileWidget::profileApplied);
    const QByteArray panel = panelFields();
    const QStringList before = workingDirectory->tree();
    QVERIFY(!comboItems().contains(name));
    QVERIFY(!trayItems().contains(name));

    wheel->clearTransfers();
    saveApplyAndDelete(name);

    QCOMPARE(takeWarnings(), QStringList({told("saved", reason), told("applied", reason),
                                          told("deleted", reason)}));
    QCOMPARE(workingDirectory->tree(), before);
    QCOMPARE(readFile(workingDirectory->filePath(QStringLiteral("outside"))),
             profileBytes(11, 540));
    QCOMPARE(readFile(QStringLiteral("wheel_profiles/Rally")), profileBytes(30, 720));
    if (!linkTo.isEmpty()) {
        QCOMPARE(QFileInfo(linkPath).symLinkTarget(),
                 QFileInfo(QFileInfo(linkPath).absolutePath() + QLatin1Char('/') + linkTo)
                     .absoluteFilePath());
        QVERIFY(!QFileInfo::exists(workingDirectory->filePath(QStringLiteral("nowhere"))));
    }
    QCOMPARE(applied.count(), 0);
    QCOMPARE(hex(panelFields()), hex(panel));
    QVERIFY(setReports(wheel->transfers()).empty());
}

void WheelProfilesTest::enterMatchesTheExactName_data()
{
    QTest::addColumn<bool>("lowerCaseProfile"); // "rally" is stored beside "Rally"
    QTest::newRow("other case, absent") << false;
    QTest::newRow("other case, present") << true;
}

// "rally" typed, then Enter: "Rally" is another profile.
void WheelProfilesTest::enterMatchesTheExactName()
{
    QFETCH(bool, lowerCaseProfile);

    const QByteArray lower = profileBytes(30, 1440);
    writeProfile(QStringLiteral("Rally"), profileBytes(11, 540));
    if (lowerCaseProfile)
        writeProfile(QStringLiteral("rally"), lower);
    start();
    const QByteArray own = wheelRecord(wheel);
    const QByteArray panel = panelFields();
    QSignalSpy applied(child<ProfileWidget>("profile_widget"), &ProfileWidget::profileApplied);

    wheel->clearTransfers();
    combo()->lineEdit()->clear();
    QTest::keyClicks(combo()->lineEdit(), QStringLiteral("rally"));
    QTest::keyClick(combo(), Qt::Key_Return);

    if (!lowerCaseProfile) {
        QCOMPARE(takeWarnings(),
                 QStringList{told("applied", QStringLiteral("there is no profile of that name"))});
        QCOMPARE(hex(panelFields()), hex(panel));
        QVERIFY(setReports(wheel->transfers()).empty());
    } else {
        QCOMPARE(takeWarnings(), QStringList());
        const QByteArray expected = withOwnBytes(lower, own);
        CHECKED(verifyOneLiveApply(wheel->transfers(), expected));
        QCOMPARE(hex(withOwnBytes(panelFields(), own)), hex(expected));
    }
    QCOMPARE(applied.count(), int(lowerCaseProfile));
    QCOMPARE(combo()->currentText(), QStringLiteral("rally"));
}

void WheelProfilesTest::unreadableProfilesAreNotApplied_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("listed");
    QTest::addColumn<QString>("reason");

    const QString damaged = QStringLiteral("the file is damaged: it is shorter than 22 bytes");
    QTest::newRow("missing") << QStringLiteral("missing") << false
                             << QStringLiteral("there is no profile of that name");
    QTest::newRow("empty") << QStringLiteral("empty") << true << damaged;
    QTest::newRow("21 bytes") << QStringLiteral("short") << true << damaged;
    QTest::newRow("directory") << QStringLiteral("directory") << false
                               << QStringLiteral("that name is not a profile file");
    QTest::newRow("FIFO") << QStringLiteral("fifo") << false
                          << QStringLiteral("that name is not a profile file");
}

void WheelProfilesTest::unreadableProfilesAreNotApplied()
{
    QFETCH(QString, name);
    QFETCH(bool, listed);
    QFETCH(QString, reason);

    writeProfile(QStringLiteral("empty"), QByteArray());
    writeProfile(QStringLiteral("short"),
                 profileBytes(11, 540).left(EFFECT_SETTINGS_RECORD_SIZE - 1));
    QVERIFY(QDir().mkpath(QStringLiteral("wheel_profiles/directory")));
    // Opening a FIFO for reading waits for a writer: the program must not.
    QCOMPARE(mkfifo("wheel_profiles/fifo", 0600), 0);
    start();
    QSignalSpy applied(child<ProfileWidget>("profile_widget"), &ProfileWidget::profileApplied);
    const QByteArray panel = panelFields();
    QCOMPARE(trayItems().contains(name), listed);

    wheel->clearTransfers();
    typeName(name);
    QTest::keyClick(combo(), Qt::Key_Return);
    QCOMPARE(takeWarnings(), QStringList{told("applied", reason)});
    if (listed) {
        window->close(); // from the tray, hidden: the tray icon says it
        profilesMenu()->actions().at(trayItems().indexOf(name))->trigger();
        QCOMPARE(takeWarnings(), QStringList{told("applied", reason)});
    }

    QCOMPARE(applied.count(), 0);
    QCOMPARE(hex(panelFields()), hex(panel));
    QVERIFY(setReports(wheel->transfers()).empty());
}

void WheelProfilesTest::fullDiskKeepsTheOldProfile_data()
{
    QTest::addColumn<QString>("name");
    QTest::newRow("over a profile") << QStringLiteral("Rally");
    QTest::newRow("new profile") << QStringLiteral("Snow");
}

void WheelProfilesTest::fullDiskKeepsTheOldProfile()
{
    QFETCH(QString, name);

    const QByteArray old = profileBytes(11, 540);
    writeProfile(QStringLiteral("Rally"), old);
    start();
    QTest::keyClick(child<QSpinBox>("total_effect_scale"), Qt::Key_Up); // differs from Rally
    const QStringList before = workingDirectory->tree();
    typeName(name);

    {
        FullDisk full;
        QVERIFY(full.active);
        click("profileSaveButton");
    }

    QCOMPARE(takeWarnings(), QStringList{told("saved", QStringLiteral("the disk is full"))});
    QCOMPARE(workingDirectory->tree(), before); // nothing half-written left behind
    QCOMPARE(readFile(QStringLiteral("wheel_profiles/Rally")), old);
    QCOMPARE(combo()->currentText(), name);

    // With room again the same click saves, over the old profile without asking, and the
    // lists show it chosen.
    wheel->clearTransfers();
    click("profileSaveButton");
    QCOMPARE(takeWarnings(), QStringList());
    QCOMPARE(hex(readFile(QStringLiteral("wheel_profiles/") + name)), hex(panelFields()));
    const QStringList listed =
        name == QLatin1String("Rally") ? QStringList{"Rally"} : QStringList{"Rally", "Snow"};
    QCOMPARE(workingDirectory->tree().size(), before.size() + listed.size() - 1);
    QCOMPARE(comboItems(), listed);
    QCOMPARE(trayItems(), listed);
    QCOMPARE(combo()->currentIndex(), listed.indexOf(name));
    QVERIFY(setReports(wheel->transfers()).empty()); // saving a profile sends nothing
}

void WheelProfilesTest::noStoreMeansNoFallback()
{
    // wheel_profiles is taken by a file: there is no store, and the working directory must
    // not stand in for it.
    CHECKED(writeFile(QStringLiteral("wheel_profiles"), "not a directory"));
    CHECKED(writeFile(QStringLiteral("A"), profileBytes(11, 540)));
    start();
    QSignalSpy applied(child<ProfileWidget>("profile_widget"), &ProfileWidget::profileApplied);
    const QStringList before = workingDirectory->tree();

    QCOMPARE(comboItems(), QStringList());
    QCOMPARE(trayItems(), QStringList());
    saveApplyAndDelete(QStringLiteral("A"));
    const QString reason = QStringLiteral("the folder wheel_profiles can not be used");
    QCOMPARE(takeWarnings(), QStringList({told("saved", reason), told("applied", reason),
                                          told("deleted", reason)}));

    QCOMPARE(workingDirectory->tree(), before);
    QCOMPARE(readFile(QStringLiteral("wheel_profiles")), QByteArray("not a directory"));
    QCOMPARE(readFile(QStringLiteral("A")), profileBytes(11, 540));
    QCOMPARE(applied.count(), 0);
    QCOMPARE(comboItems(), QStringList());
}

QTEST_MAIN(WheelProfilesTest)
#include "test_wheel_profiles.moc"
