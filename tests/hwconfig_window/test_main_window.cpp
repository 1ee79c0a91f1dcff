// hwconfig's window against the simulated bus: the connection poll, the device selector,
// the target check, read of the device information, reboot, and the handles closed at exit.

#include "family.h"
#include "hwconfig_session.h"
#include "idle_ticks.h"
#include "kestrix_protocol.h"

#include <QListView>

class MainWindowTest : public QObject, private HwconfigSession
{
    Q_OBJECT

private slots:
    void cleanup() { stop(); }

    void placeholderAndRows_data();
    void placeholderAndRows();
    void typeNoneHidesThePagesAndEnablesNothing();
    void unplugAndReplugOfTheSelectedDevice();
    void idleTicksLeaveTheWindowAlone_data();
    void idleTicksLeaveTheWindowAlone();
    void buttonsWarnWithoutTarget_data();
    void buttonsWarnWithoutTarget();
    void unreadableDeviceInformationWarns_data();
    void unreadableDeviceInformationWarns();
    void rebootClearsTheSelection();
    void failedUsbStartFindsNothing();

private:
    QComboBox *selector() const { return widget<QComboBox>("comboBox"); }
    bool rowHidden(int row) const
    {
        return static_cast<QListView *>(selector()->view())->isRowHidden(row);
    }
    bool buttonsEnabled() const;
};

bool MainWindowTest::buttonsEnabled() const
{
    const bool reboot = widget<QPushButton>("reboot_button")->isEnabled();
    const bool read = widget<QPushButton>("read_settings_button")->isEnabled();
    const bool save = widget<QPushButton>("save_settings_button")->isEnabled();
    if (reboot != read || read != save)
        qWarning("buttons disagree: %d %d %d", reboot, read, save);
    return reboot && read && save;
}

void MainWindowTest::placeholderAndRows_data()
{
    QTest::addColumn<QList<int>>("plugged"); // ControllerKind values
    QTest::addColumn<QString>("placeholder");
    QTest::addColumn<QList<bool>>("visibleRows");

    auto k = [](ControllerKind kind) { return int(kind); };
    QTest::newRow("no device") << QList<int>{} << "No compatible devices connected"
                               << QList<bool>{false, false, false, false};
    QTest::newRow("joystick and wheel")
        << QList<int>{k(ControllerKind::Joystick), k(ControllerKind::Wheel)}
        << "Select compatible device (2 connected)" << QList<bool>{false, true, false, true};
    QTest::newRow("all four") << QList<int>{k(ControllerKind::Generic), k(ControllerKind::Joystick),
                                            k(ControllerKind::Rudder), k(ControllerKind::Wheel)}
                              << "Select compatible device (4 connected)"
                              << QList<bool>{true, true, true, true};
    QTest::newRow("rudder") << QList<int>{k(ControllerKind::Rudder)}
                            << "Select compatible device (1 connected)"
                            << QList<bool>{false, false, true, false};
}

// What the constructor's own poll shows, and how the poll follows a device that goes away
// and comes back.
void MainWindowTest::placeholderAndRows()
{
    QFETCH(QList<int>, plugged);
    QFETCH(QString, placeholder);
    QFETCH(QList<bool>, visibleRows);

    sim = std::make_unique<ScopedSimulator>();
    for (int kind : plugged)
        sim->bus().add(ControllerKind(kind));
    window = std::make_unique<MainWindow>();

    QCOMPARE(window->windowTitle(), QStringLiteral("Kestrix hardware settings UI"));
    QCOMPARE(selector()->placeholderText(), placeholder);
    QCOMPARE(selector()->currentIndex(), -1);
    QCOMPARE(window->selectedDeviceIndex(), -1);
    const QStringList names{"Generic", "Joystick", "Rudder", "Wheel"};
    for (int row = 0; row < 4; ++row) {
        QCOMPARE(selector()->itemText(row), names[row]);
        QCOMPARE(!rowHidden(row), visibleRows[row]);
    }
    QVERIFY(!buttonsEnabled());
    QCOMPARE(visibleTabs(), 0);
    if (plugged.isEmpty())
        return;

    SimulatedController *last = sim->bus().controllers().back().get();
    const int row = int(last->kind());
    last->unplug();
    QTRY_VERIFY(rowHidden(row));
    QCOMPARE(selector()->placeholderText(),
             plugged.size() > 1
                 ? QStringLiteral("Select compatible device (%1 connected)").arg(plugged.size() - 1)
                 : QStringLiteral("No compatible devices connected"));
    last->plug();
    QTRY_VERIFY(!rowHidden(row));
    QCOMPARE(selector()->placeholderText(), placeholder);
}

// "Generic" (device type 0) is read, shows no pages and leaves the buttons disabled; a
// device that reports type 0 on a later read hides its pages and leaves nothing that a save
// could write.
void MainWindowTest::typeNoneHidesThePagesAndEnablesNothing()
{
    start({ControllerKind::Generic, ControllerKind::Joystick});
    SimulatedController *generic = sim->controller(ControllerKind::Generic);
    SimulatedController *joystick = sim->controller(ControllerKind::Joystick);
    CHECKED(pick(ControllerKind::Joystick));
    QCOMPARE(visibleTabs(), 4);
    generic->clearTransfers();
    CHECKED(pick(ControllerKind::Generic));
    QCOMPARE(getReports(generic->transfers(), REPORT_HARDWARE_SETTINGS).size(), size_t(1));
    QCOMPARE(visibleTabs(), 0);
    CHECKED(letPollRun(3));
    QCOMPARE(selector()->currentIndex(), 0);
    QVERIFY(!buttonsEnabled());

    CHECKED(pick(ControllerKind::Joystick));
    QCOMPARE(visibleTabs(), 4);
    joystick->setReportByte(REPORT_DEVICE_INFO, DEVICE_INFO_TYPE_OFFSET, DEVICE_TYPE_NONE);
    click("read_settings_button");
    QCOMPARE(visibleTabs(), 0);
    joystick->clearTransfers();
    click("save_settings_button");
    QVERIFY(setReports(joystick->transfers()).empty());
    QVERIFY(boxes->boxes().empty());
}

void MainWindowTest::unplugAndReplugOfTheSelectedDevice()
{
    start({ControllerKind::Joystick, ControllerKind::Wheel});
    CHECKED(pick(ControllerKind::Wheel));
    QTRY_VERIFY(buttonsEnabled());
    SimulatedController *wheel = sim->controller(ControllerKind::Wheel);

    wheel->unplug();
    QTRY_VERIFY(rowHidden(3));
    CHECKED(letPollRun(2));
    QCOMPARE(window->selectedDeviceIndex(), 3);
    QCOMPARE(selector()->currentIndex(), 3);
    QVERIFY(buttonsEnabled());
    QCOMPARE(visibleTabs(), 4); // the pages keep their last contents

    wheel->clearTransfers();
    wheel->plug();
    QTRY_VERIFY(!rowHidden(3));
    QTRY_VERIFY(!wheel->transfers().empty());
    CHECKED(letPollRun(2));
    QVERIFY(withoutProbes(wheel->transfers()).empty()); // no new read
    QCOMPARE(selector()->currentIndex(), 3);
    QCOMPARE(wheel->openCount(), 2);

    QCOMPARE(sim->bus().openHandles(), 2);
    window.reset();
    QCOMPARE(sim->bus().openHandles(), 0);
    QCOMPARE(sim->bus().contexts(), 0);
}

void MainWindowTest::idleTicksLeaveTheWindowAlone_data()
{
    QTest::addColumn<QList<int>>("plugged"); // ControllerKind values
    QTest::addColumn<int>("picked");         // -1: nothing selected
    const int joystick = int(ControllerKind::Joystick);
    const QList<int> two{joystick, int(ControllerKind::Wheel)};
    QTest::newRow("no controller") << QList<int>{} << -1;
    QTest::newRow("joystick and wheel, nothing selected") << two << -1;
    QTest::newRow("joystick selected") << two << joystick;
}

// A tick that finds what the last one found changes nothing on the screen.
void MainWindowTest::idleTicksLeaveTheWindowAlone()
{
    QFETCH(QList<int>, plugged);
    QFETCH(int, picked);
    QList<ControllerKind> kinds;
    for (int kind : plugged)
        kinds << ControllerKind(kind);
    CHECKED(start(kinds));
    if (picked >= 0)
        CHECKED(pick(ControllerKind(picked)));
    QCOMPARE(eventsOverIdleTicks(window.get(), 4), QStringList());
}

void MainWindowTest::buttonsWarnWithoutTarget_data()
{
    QTest::addColumn<QString>("buttonName");
    QTest::newRow("Reboot device") << "reboot_button";
    QTest::newRow("Read settings") << "read_settings_button";
    QTest::newRow("Save settings") << "save_settings_button";
}

void MainWindowTest::buttonsWarnWithoutTarget()
{
    QFETCH(QString, buttonName);
    start({ControllerKind::Rudder});
    CHECKED(pick(ControllerKind::Rudder));
    QTRY_VERIFY(buttonsEnabled());
    SimulatedController *rudder = sim->controller(ControllerKind::Rudder);
    rudder->unplug();
    QTRY_VERIFY(rowHidden(2));
    rudder->clearTransfers();

    click(buttonName.toLatin1().constData());

    QCOMPARE(boxes->boxes().size(), size_t(1));
    QCOMPARE(boxes->boxes()[0].title, QStringLiteral("Kestrix hardware settings UI"));
    QCOMPARE(boxes->boxes()[0].text,
             QStringLiteral("Target device is not selected or was disconnected!"));
    QVERIFY(rudder->transfers().empty());
    QCOMPARE(window->selectedDeviceIndex(), 2);
}

void MainWindowTest::unreadableDeviceInformationWarns_data()
{
    QTest::addColumn<int>("limit"); // bytes the device information read delivers
    QTest::addColumn<int>("error"); // or the error it fails with
    QTest::newRow("fails") << -1 << int(USB_ERROR_TIMEOUT);
    QTest::newRow("too short for the device type") << 4 << 0;
}

void MainWindowTest::unreadableDeviceInformationWarns()
{
    QFETCH(int, limit);
    QFETCH(int, error);
    start({ControllerKind::Joystick});
    SimulatedController *joystick = sim->controller(ControllerKind::Joystick);
    QTRY_VERIFY(!rowHidden(1));
    window->findChild<QTimer *>()->stop(); // the probe would close the handle on a failure
    if (error)
        joystick->failTransfers(0, error, 1);
    else
        joystick->setReportLimit(REPORT_DEVICE_INFO, limit);
    joystick->clearTransfers();

    CHECKED(pick(ControllerKind::Joystick));

    QCOMPARE(boxes->boxes().size(), size_t(1));
    QCOMPARE(visibleTabs(), 0);
    QVERIFY(getReports(joystick->transfers(), REPORT_HARDWARE_SETTINGS).empty());
}

void MainWindowTest::rebootClearsTheSelection()
{
    start({ControllerKind::Joystick});
    CHECKED(pick(ControllerKind::Joystick));
    QTRY_VERIFY(buttonsEnabled());
    SimulatedController *joystick = sim->controller(ControllerKind::Joystick);
    joystick->clearTransfers();

    click("reboot_button");

    QCOMPARE(commands(joystick->transfers(), CMD_REBOOT).size(), size_t(1));
    QCOMPARE(window->selectedDeviceIndex(), -1);
    QCOMPARE(visibleTabs(), 0);
    QTRY_COMPARE(selector()->currentIndex(), -1);
    QTRY_VERIFY(!buttonsEnabled());
    QTRY_VERIFY(rowHidden(1)); // off the bus while it restarts
    QTRY_VERIFY(!rowHidden(1));
    QVERIFY(!buttonsEnabled());

    // Back again: picking it reads it afresh.
    joystick->clearTransfers();
    CHECKED(pick(ControllerKind::Joystick));
    QCOMPARE(getReports(joystick->transfers(), REPORT_HARDWARE_SETTINGS).size(), size_t(1));
    QCOMPARE(visibleTabs(), 4);
    QVERIFY(boxes->boxes().empty());

    // Picking it again reads nothing.
    joystick->clearTransfers();
    CHECKED(pick(ControllerKind::Joystick));
    QVERIFY(withoutProbes(joystick->transfers()).empty());
}

void MainWindowTest::failedUsbStartFindsNothing()
{
    sim = std::make_unique<ScopedSimulator>(
        std::initializer_list<ControllerKind>{ControllerKind::Joystick});
    sim->bus().setInitResult(USB_ERROR_OTHER);
    window = std::make_unique<MainWindow>();
    CHECKED(letPollRun(3));
    QCOMPARE(sim->controller(ControllerKind::Joystick)->openCount(), 0);
    QCOMPARE(selector()->placeholderText(), QStringLiteral("No compatible devices connected"));
    window.reset();
    QCOMPARE(sim->bus().contexts(), 0);
}

QTEST_MAIN(MainWindowTest)
#include "test_main_window.moc"
