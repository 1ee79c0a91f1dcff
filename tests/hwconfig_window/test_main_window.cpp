// hwconfig's window against the simulated bus: the connection poll, the device selector,
// the target check, read of the device information, and reboot.

#include "kestrix_protocol.h"
#include "mainwindow.h"
#include "test_support.h"

#include <QComboBox>
#include <QListView>
#include <QPushButton>
#include <QTabWidget>
#include <QtTest>

class MainWindowTest : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void startWithoutDevices();
    void placeholderAndRows_data();
    void placeholderAndRows();
    void pollProbesEveryHundredMilliseconds();
    void genericSelectionKeepsButtonsDisabled();
    void pickingTheSelectedDeviceAgainDoesNothing();
    void unplugAndReplugOfTheSelectedDevice();
    void buttonsWarnWithoutTarget_data();
    void buttonsWarnWithoutTarget();
    void unreadableDeviceInformationWarns_data();
    void unreadableDeviceInformationWarns();
    void typeNoneHidesPagesShownBefore();
    void rebootClearsTheSelection();
    void failedUsbStartFindsNothing();
    void handlesAreClosedAtExit();

private:
    void start(std::initializer_list<ControllerKind> kinds);
    void pick(int index);
    QComboBox *selector() const { return window->findChild<QComboBox *>("comboBox"); }
    QPushButton *button(const char *name) const { return window->findChild<QPushButton *>(name); }
    bool rowHidden(int row) const
    {
        return static_cast<QListView *>(selector()->view())->isRowHidden(row);
    }
    bool anyTabVisible() const;
    bool buttonsEnabled() const;

    std::unique_ptr<ScopedSimulator> sim;
    std::unique_ptr<MainWindow> window;
    std::unique_ptr<MessageBoxCatcher> boxes;
};

void MainWindowTest::init()
{
    boxes = std::make_unique<MessageBoxCatcher>();
}

void MainWindowTest::cleanup()
{
    window.reset();
    sim.reset();
    boxes.reset();
}

void MainWindowTest::start(std::initializer_list<ControllerKind> kinds)
{
    sim = std::make_unique<ScopedSimulator>(kinds);
    for (const auto &c : sim->bus().controllers())
        c->setRebootDuration(std::chrono::milliseconds(300));
    window = std::make_unique<MainWindow>();
    window->show();
}

// As a user does it: choose the row in the drop-down list.
void MainWindowTest::pick(int index)
{
    selector()->setCurrentIndex(index);
    emit selector()->activated(index);
}

bool MainWindowTest::anyTabVisible() const
{
    auto *tabs = window->findChild<QTabWidget *>("main_tab_widget");
    for (int i = 0; i < tabs->count(); ++i) {
        if (tabs->isTabVisible(i))
            return true;
    }
    return false;
}

bool MainWindowTest::buttonsEnabled() const
{
    const bool reboot = button("reboot_button")->isEnabled();
    const bool read = button("read_settings_button")->isEnabled();
    const bool save = button("save_settings_button")->isEnabled();
    if (reboot != read || read != save)
        qWarning("buttons disagree: %d %d %d", reboot, read, save);
    return reboot && read && save;
}

void MainWindowTest::startWithoutDevices()
{
    start({});
    QCOMPARE(window->selectedDeviceIndex(), -1);
    QCOMPARE(selector()->currentIndex(), -1);
    QCOMPARE(selector()->placeholderText(), QStringLiteral("No compatible devices connected"));
    for (int row = 0; row < 4; ++row)
        QVERIFY(rowHidden(row));
    QVERIFY(!anyTabVisible());
    QVERIFY(!button("reboot_button")->isEnabled());
    QVERIFY(!button("read_settings_button")->isEnabled());
    QVERIFY(!button("save_settings_button")->isEnabled());
    QCOMPARE(window->windowTitle(), QStringLiteral("Kestrix hardware settings UI"));
}

void MainWindowTest::placeholderAndRows_data()
{
    QTest::addColumn<QList<int>>("plugged"); // ControllerKind values
    QTest::addColumn<QString>("placeholder");
    QTest::addColumn<QList<bool>>("visibleRows");

    auto k = [](ControllerKind kind) { return int(kind); };
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

void MainWindowTest::placeholderAndRows()
{
    QFETCH(QList<int>, plugged);
    QFETCH(QString, placeholder);
    QFETCH(QList<bool>, visibleRows);

    sim = std::make_unique<ScopedSimulator>();
    for (int kind : plugged)
        sim->bus().add(ControllerKind(kind));
    window = std::make_unique<MainWindow>();

    QCOMPARE(selector()->placeholderText(), placeholder);
    QCOMPARE(selector()->currentIndex(), -1);
    const QStringList names{"Generic", "Joystick", "Rudder", "Wheel"};
    for (int row = 0; row < 4; ++row) {
        QCOMPARE(selector()->itemText(row), names[row]);
        QCOMPARE(!rowHidden(row), visibleRows[row]);
    }
    QVERIFY(!buttonsEnabled());

    // The poll follows a device that goes away and comes back.
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

void MainWindowTest::pollProbesEveryHundredMilliseconds()
{
    start({ControllerKind::Joystick, ControllerKind::Wheel});
    QTest::qWait(1050);
    for (ControllerKind kind : {ControllerKind::Joystick, ControllerKind::Wheel}) {
        const auto transfers = sim->controller(kind)->transfers();
        // Nothing but device information probes until the user acts.
        QCOMPARE(getReports(transfers, REPORT_DEVICE_INFO).size(), transfers.size());
        QVERIFY2(transfers.size() >= 9 && transfers.size() <= 13,
                 qPrintable(QString::number(transfers.size())));
        for (size_t i = 2; i < transfers.size(); ++i) {
            const int64_t gap = transfers[i].ms - transfers[i - 1].ms;
            QVERIFY2(gap >= 80 && gap <= 200, qPrintable(QString::number(gap)));
        }
        QCOMPARE(sim->controller(kind)->openCount(), 1);
    }
}

void MainWindowTest::genericSelectionKeepsButtonsDisabled()
{
    start({ControllerKind::Generic, ControllerKind::Joystick});
    pick(0);
    QCOMPARE(window->selectedDeviceIndex(), 0);
    const auto transfers = sim->controller(ControllerKind::Generic)->transfers();
    QVERIFY(!getReports(transfers, REPORT_HARDWARE_SETTINGS).empty()); // it was read
    QTest::qWait(250);
    QCOMPARE(selector()->currentIndex(), 0);
    QVERIFY(!buttonsEnabled());
    QVERIFY(!anyTabVisible());
    QVERIFY(boxes->boxes().empty());
}

void MainWindowTest::pickingTheSelectedDeviceAgainDoesNothing()
{
    start({ControllerKind::Joystick});
    pick(1);
    QVERIFY(anyTabVisible());
    QTRY_VERIFY(buttonsEnabled());
    SimulatedController *joystick = sim->controller(ControllerKind::Joystick);
    joystick->clearTransfers();
    pick(1);
    QVERIFY(getReports(joystick->transfers(), REPORT_HARDWARE_SETTINGS).empty());
    QVERIFY(setReports(joystick->transfers()).empty());
}

void MainWindowTest::unplugAndReplugOfTheSelectedDevice()
{
    start({ControllerKind::Joystick, ControllerKind::Wheel});
    pick(3);
    QTRY_VERIFY(buttonsEnabled());
    SimulatedController *wheel = sim->controller(ControllerKind::Wheel);

    wheel->unplug();
    QTRY_VERIFY(rowHidden(3));
    QTest::qWait(150);
    QCOMPARE(window->selectedDeviceIndex(), 3);
    QCOMPARE(selector()->currentIndex(), 3);
    QVERIFY(buttonsEnabled());
    QVERIFY(anyTabVisible()); // the pages keep their last contents

    QTest::mouseClick(button("read_settings_button"), Qt::LeftButton);
    QCOMPARE(boxes->boxes().size(), size_t(1));

    wheel->clearTransfers();
    wheel->plug();
    QTRY_VERIFY(!rowHidden(3));
    QTRY_VERIFY(!wheel->transfers().empty());
    QTest::qWait(150);
    const auto transfers = wheel->transfers();
    QCOMPARE(getReports(transfers, REPORT_DEVICE_INFO).size(), transfers.size()); // no new read
    QCOMPARE(selector()->currentIndex(), 3);
    QCOMPARE(wheel->openCount(), 2);
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
    pick(2);
    QTRY_VERIFY(buttonsEnabled());
    SimulatedController *rudder = sim->controller(ControllerKind::Rudder);
    rudder->unplug();
    QTRY_VERIFY(rowHidden(2));
    rudder->clearTransfers();

    QTest::mouseClick(button(buttonName.toLatin1().constData()), Qt::LeftButton);

    QCOMPARE(boxes->boxes().size(), size_t(1));
    QCOMPARE(boxes->boxes()[0].title, QStringLiteral("Kestrix hardware settings UI"));
    QCOMPARE(boxes->boxes()[0].text,
             QStringLiteral("Target device is not selected or was disconnected!"));
    QVERIFY(rudder->transfers().empty());
    QCOMPARE(window->selectedDeviceIndex(), 2);
}

void MainWindowTest::unreadableDeviceInformationWarns_data()
{
    QTest::addColumn<int>("limit");  // bytes the device information read delivers
    QTest::addColumn<int>("error");  // or the error it fails with
    QTest::newRow("fails") << -1 << int(USB_ERROR_TIMEOUT);
    QTest::newRow("too short for the device type") << 4 << 0;
    QTest::newRow("empty") << 0 << 0;
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

    pick(1);

    QCOMPARE(boxes->boxes().size(), size_t(1));
    QVERIFY(!anyTabVisible());
    QVERIFY(getReports(joystick->transfers(), REPORT_HARDWARE_SETTINGS).empty());
}

void MainWindowTest::typeNoneHidesPagesShownBefore()
{
    start({ControllerKind::Generic, ControllerKind::Joystick});
    pick(1);
    QVERIFY(anyTabVisible());
    pick(0);
    QVERIFY(!anyTabVisible());

    // The same device reporting type 0 on a later read hides its pages, and leaves
    // nothing that a save could write.
    pick(1);
    QVERIFY(anyTabVisible());
    SimulatedController *joystick = sim->controller(ControllerKind::Joystick);
    joystick->setReportByte(REPORT_DEVICE_INFO, DEVICE_INFO_TYPE_OFFSET, DEVICE_TYPE_NONE);
    QTRY_VERIFY(buttonsEnabled());
    QTest::mouseClick(button("read_settings_button"), Qt::LeftButton);
    QVERIFY(!anyTabVisible());
    joystick->clearTransfers();
    QTest::mouseClick(button("save_settings_button"), Qt::LeftButton);
    QVERIFY(setReports(joystick->transfers()).empty());
    QVERIFY(boxes->boxes().empty());
}

void MainWindowTest::rebootClearsTheSelection()
{
    start({ControllerKind::Joystick});
    pick(1);
    QTRY_VERIFY(buttonsEnabled());
    SimulatedController *joystick = sim->controller(ControllerKind::Joystick);
    joystick->clearTransfers();

    QTest::mouseClick(button("reboot_button"), Qt::LeftButton);

    QCOMPARE(commands(joystick->transfers(), CMD_REBOOT).size(), size_t(1));
    QCOMPARE(window->selectedDeviceIndex(), -1);
    QVERIFY(!anyTabVisible());
    QTRY_COMPARE(selector()->currentIndex(), -1);
    QTRY_VERIFY(!buttonsEnabled());
    QTRY_VERIFY(rowHidden(1)); // off the bus while it restarts
    QTRY_VERIFY(!rowHidden(1));
    QVERIFY(!buttonsEnabled());

    // Back again: picking it reads it afresh, and a save then writes to it.
    joystick->clearTransfers();
    pick(1);
    QCOMPARE(getReports(joystick->transfers(), REPORT_HARDWARE_SETTINGS).size(), size_t(1));
    QVERIFY(anyTabVisible());
    QVERIFY(boxes->boxes().empty());
}

void MainWindowTest::failedUsbStartFindsNothing()
{
    sim = std::make_unique<ScopedSimulator>(
        std::initializer_list<ControllerKind>{ControllerKind::Joystick});
    sim->bus().setInitResult(USB_ERROR_OTHER);
    window = std::make_unique<MainWindow>();
    QTest::qWait(250);
    QCOMPARE(sim->controller(ControllerKind::Joystick)->openCount(), 0);
    QCOMPARE(selector()->placeholderText(), QStringLiteral("No compatible devices connected"));
    window.reset();
    QCOMPARE(sim->bus().contexts(), 0);
}

void MainWindowTest::handlesAreClosedAtExit()
{
    start({ControllerKind::Joystick, ControllerKind::Rudder, ControllerKind::Wheel});
    QCOMPARE(sim->bus().openHandles(), 3);
    QCOMPARE(sim->bus().contexts(), 1);
    window.reset();
    QCOMPARE(sim->bus().openHandles(), 0);
    QCOMPARE(sim->bus().contexts(), 0);
}

QTEST_MAIN(MainWindowTest)
#include "test_main_window.moc"
