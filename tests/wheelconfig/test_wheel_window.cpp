// The wheel program's window against the simulated wheel: its two states, the live apply
// of every control, the save and reboot sequences and the tray. What the wheel received is
// checked byte for byte.

#include "effect_fields.h"
#include "effect_settings_record.h"
#include "idle_ticks.h"
#include "kestrix_protocol.h"
#include "test_support.h"
#include "wheel_test_support.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QMenu>
#include <QPushButton>
#include <QSlider>
#include <QSpinBox>
#include <QSystemTrayIcon>
#include <QtTest>

#include <memory>

using namespace std::chrono_literals;

namespace
{

enum class Edit { Slider, SpinBox, CheckBox };

QImage iconImage(const QIcon &icon)
{
    return icon.pixmap(QSize(32, 32)).toImage();
}

} // namespace

Q_DECLARE_METATYPE(Edit)

class WheelWindowTest : public QObject, private WheelSession
{
    Q_OBJECT

private slots:
    void init() { setUp(); }
    void cleanup() { tearDown(); }

    void followsTheWheel_data();
    void followsTheWheel();
    void recordReadOnConnectionMustBeWhole();
    void userEditIsOneLiveApply_data();
    void userEditIsOneLiveApply();
    void motionRangeSliderMaximumOnlyGrows();
    void constantForceDirection_data();
    void constantForceDirection();
    void saveSequence();
    void shortRecordSendsNothing_data();
    void shortRecordSendsNothing();
    void rebootClosesAndReconnects();
    void trayClickShowsAndHides();
    void closeAndExit_data();
    void closeAndExit();
    void trayAfterStart_data();
    void trayAfterStart();
    void hiddenWindowTellsOutside_data();
    void hiddenWindowTellsOutside();

private:
    QSystemTrayIcon *tray() { return window->findChild<QSystemTrayIcon *>(); }
    QList<QAction *> trayEntries() { return tray()->contextMenu()->actions(); }
};

void WheelWindowTest::followsTheWheel_data()
{
    // Steps from a start without a wheel: "plug" it in, "unplug" it. Then the state the
    // window shows, and the tray menu's entries ("-" a separator, "Profiles" the submenu).
    QTest::addColumn<QStringList>("steps");
    QTest::addColumn<bool>("connected");
    QTest::addColumn<QStringList>("tray");
    const QStringList always{"Games...", "Input...", "Start with the session", "Exit"};
    const QStringList full = QStringList{"Profiles", "-"} + always;
    QTest::newRow("no wheel at start") << QStringList() << false << always;
    QTest::newRow("plugged in") << QStringList{"plug"} << true << full;
    QTest::newRow("unplugged again") << QStringList{"plug", "unplug"} << false << full;
}

void WheelWindowTest::followsTheWheel()
{
    QFETCH(QStringList, steps);
    QFETCH(bool, connected);
    QFETCH(QStringList, tray);
    wheel->unplug();
    start(false);
    for (const QString &step : steps) {
        if (step == QLatin1String("plug"))
            wheel->plug();
        else
            wheel->unplug();
        waitTitle(step == QLatin1String("plug") ? "Wheel (Connected)" : "Wheel (Disconnected)");
    }

    const QImage icon = iconImage(
        QIcon(QLatin1String(connected ? "wheel_icon.png" : "wheel_icon_not_connected.png")));
    QVERIFY(!icon.isNull());
    QCOMPARE(iconImage(window->windowIcon()), icon);
    QCOMPARE(iconImage(this->tray()->icon()), icon);
    QCOMPARE(window->windowTitle(),
             QLatin1String(connected ? "Wheel (Connected)" : "Wheel (Disconnected)"));
    QCOMPARE(child<QWidget>("profile_widget")->isVisible(), connected);
    QCOMPARE(child<QWidget>("premium_effect_settings")->isVisible(), connected);
    QCOMPARE(child<QPushButton>("reboot_button")->isEnabled(), connected);
    QCOMPARE(child<QPushButton>("save_settings_button")->isEnabled(), connected);
    QStringList entries;
    for (const QAction *entry : trayEntries())
        entries << (entry->isSeparator() ? QStringLiteral("-")
                    : entry->menu()      ? entry->menu()->title()
                                         : entry->text());
    QCOMPARE(entries, tray);
    QCOMPARE(sim->bus().openHandles(), connected ? 1 : 0);
    QTRY_COMPARE(window->height(), window->minimumSizeHint().height());
    // A tick that finds what the last one found sets no icon, title or size.
    QCOMPARE(eventsOverIdleTicks(window.get(), 4), QStringList());
}

void WheelWindowTest::recordReadOnConnectionMustBeWhole()
{
    // A read that fails outright is in the fault matrix; a short one takes the same path.
    wheel->setReportLimit(REPORT_EFFECT_SETTINGS, EFFECT_SETTINGS_RECORD_SIZE - 1);
    start(false); // the constructor polls once

    QCOMPARE(window->windowTitle(), QStringLiteral("Wheel (Disconnected)"));
    QVERIFY(child<QWidget>("premium_effect_settings")->isHidden());
    QVERIFY(!child<QPushButton>("save_settings_button")->isEnabled());
    QVERIFY(!window->device().connected);
    QVERIFY(window->device().entry.handle); // kept open: the next tick reads again
    wheel->clearFaults();
    waitTitle("Wheel (Connected)");
    const auto reads = getReports(wheel->transfers(), REPORT_EFFECT_SETTINGS);
    QVERIFY(reads.front().result < EFFECT_SETTINGS_RECORD_SIZE);
    QCOMPARE(reads.back().result, 32);
    QCOMPARE(child<QSpinBox>("direct_x_periodic_scale")->value(), 60);
    QVERIFY(setReports(wheel->transfers()).empty());
    QCOMPARE(sim->bus().openHandles(), 1);
}

void WheelWindowTest::userEditIsOneLiveApply_data()
{
    QTest::addColumn<QString>("control");
    QTest::addColumn<Edit>("edit");
    QTest::addColumn<int>("offset");

    const struct {
        const char *slider;
        const char *spin;
        int offset;
    } rows[] = {
        {"motion_range_slider", "motion_range", EFFECT_MOTION_RANGE},
        {"horizontalSlider_2", "total_effect_scale", EFFECT_TOTAL_EFFECT_SCALE},
        {"horizontalSlider", "total_effect_smoothing", EFFECT_TOTAL_EFFECT_SMOOTHING},
        {"horizontalSlider_3", "direct_x_spring_scale", EFFECT_DIRECT_X_SPRING_SCALE},
        {"horizontalSlider_4", "direct_x_constant_scale", EFFECT_DIRECT_X_CONSTANT_SCALE},
        {"horizontalSlider_5", "direct_x_periodic_scale", EFFECT_DIRECT_X_PERIODIC_SCALE},
        {"horizontalSlider_7", "soft_stop_scale", EFFECT_SOFT_STOP_SCALE},
        {"horizontalSlider_8", "soft_stop_range", EFFECT_SOFT_STOP_RANGE},
        {"dampening_gain_slider", "dampening_scale", EFFECT_DAMPENING_SCALE},
    };
    for (const auto &row : rows) {
        QTest::newRow(row.slider) << QString::fromLatin1(row.slider) << Edit::Slider << row.offset;
        QTest::newRow(row.spin) << QString::fromLatin1(row.spin) << Edit::SpinBox << row.offset;
    }
    QTest::newRow("invert_constant_force") << QStringLiteral("invert_constant_force")
                                           << Edit::CheckBox << EFFECT_CONSTANT_FORCE_DIRECTION;
}

void WheelWindowTest::userEditIsOneLiveApply()
{
    QFETCH(QString, control);
    QFETCH(Edit, edit);
    QFETCH(int, offset);

    start();
    QWidget *widget = window->findChild<QWidget *>(control);
    QVERIFY(widget);

    // Two edits; between them the wheel changes the bytes it keeps to itself, which must
    // come back as the wheel holds them at each write.
    for (int round = 0; round < 2; ++round) {
        const uint8_t own = static_cast<uint8_t>(0x30 + 0x40 * round);
        wheel->setReportByte(REPORT_EFFECT_SETTINGS, EFFECT_CARRIED_BYTE, own);
        for (int i = EFFECT_CARRIED_TAIL; i < EFFECT_SETTINGS_RECORD_SIZE; ++i)
            wheel->setReportByte(REPORT_EFFECT_SETTINGS, i, static_cast<uint8_t>(own + i));
        QByteArray expected = wheelRecord(wheel);
        unsigned char *bytes = reinterpret_cast<unsigned char *>(expected.data());
        if (offset == EFFECT_MOTION_RANGE)
            setMotionRange(bytes, motionRange(bytes) + 1);
        else if (offset == EFFECT_CONSTANT_FORCE_DIRECTION)
            setConstantForceInverted(bytes, !constantForceInverted(bytes));
        else
            ++bytes[offset];

        wheel->clearTransfers();
        switch (edit) {
        case Edit::Slider:
            QTest::keyClick(widget, Qt::Key_Right);
            break;
        case Edit::SpinBox:
            QTest::keyClick(widget, Qt::Key_Up);
            break;
        case Edit::CheckBox:
            QTest::keyClick(widget, Qt::Key_Space);
            break;
        }
        CHECKED(verifyOneLiveApply(wheel->transfers(), expected));
        QCOMPARE(hex(wheelRecord(wheel)), hex(expected));
    }
}

void WheelWindowTest::motionRangeSliderMaximumOnlyGrows()
{
    std::vector<uint8_t> record = plausibleEffectRecord();
    setMotionRange(record.data(), 1440);
    wheel->setReport(REPORT_EFFECT_SETTINGS, record);
    start();
    auto *slider = child<QSlider>("motion_range_slider");
    QCOMPARE(slider->maximum(), 1440);
    QCOMPARE(slider->value(), 1440);
    QCOMPARE(child<QSpinBox>("motion_range")->value(), 1440);

    wheel->unplug();
    waitTitle("Wheel (Disconnected)");
    setMotionRange(record.data(), 900);
    wheel->setReport(REPORT_EFFECT_SETTINGS, record);
    wheel->plug();
    waitTitle("Wheel (Connected)");
    QCOMPARE(slider->maximum(), 1440);
    QCOMPARE(slider->value(), 900);

    // Typed beyond the slider's scale: the scale follows and the wheel gets the value.
    auto *spin = child<QSpinBox>("motion_range");
    wheel->clearTransfers();
    spin->selectAll();
    QTest::keyClicks(spin, QStringLiteral("2000"));
    QCOMPARE(slider->maximum(), 2000);
    QCOMPARE(slider->value(), 2000);
    QCOMPARE(commands(wheel->transfers(), CMD_WRITE_EFFECT_SETTINGS).size(), size_t(2 * 4));
    const QByteArray written = wheelRecord(wheel);
    QCOMPARE(motionRange(reinterpret_cast<const unsigned char *>(written.constData())), 2000);
}

void WheelWindowTest::constantForceDirection_data()
{
    QTest::addColumn<int>("raw");

    // Below the sign bit; 0x01 and 0xff are in every other test, 0x80 in the launch form's.
    QTest::newRow("0x00") << 0x00;
    QTest::newRow("0x7f") << 0x7F;
}

void WheelWindowTest::constantForceDirection()
{
    QFETCH(int, raw);

    std::vector<uint8_t> record = plausibleEffectRecord();
    record[EFFECT_CONSTANT_FORCE_DIRECTION] = static_cast<uint8_t>(raw);
    wheel->setReport(REPORT_EFFECT_SETTINGS, record);
    start();
    QVERIFY(!child<QCheckBox>("invert_constant_force")->isChecked());
}

void WheelWindowTest::saveSequence()
{
    start();
    QTest::keyClick(child<QSpinBox>("total_effect_scale"), Qt::Key_Up);
    QCOMPARE(wheel->saveCount(), 0);
    const QByteArray expected = wheelRecord(wheel);

    wheel->clearTransfers();
    QTest::mouseClick(child<QPushButton>("save_settings_button"), Qt::LeftButton);
    QVERIFY(!QGuiApplication::overrideCursor());

    const std::vector<SimTransfer> t = withoutProbes(wheel->transfers());
    // Read, the two packets of command 18, command 2, then busy, busy, ready.
    QCOMPARE(t.size(), size_t(7));
    QVERIFY(t[0].isGetReport(REPORT_EFFECT_SETTINGS));
    CHECKED(verifyOneLiveApply({t[0], t[1], t[2]}, expected));
    QVERIFY(t[3].isCommand(CMD_SAVE_EFFECT_SETTINGS));
    QCOMPARE(hex(toBytes(t[3].data).mid(2)), hex(QByteArray(COMMAND_PACKET_SIZE - 2, 0)));
    QVERIFY2(t[3].ms - t[2].ms >= 100, qPrintable(QString::number(t[3].ms - t[2].ms)));
    for (int i = 4; i < 7; ++i) {
        QVERIFY(t[i].isGetReport(REPORT_STATUS));
        QCOMPARE(int(t[i].data.at(0) != 0), i < 6 ? 1 : 0);
        if (i > 4)
            QVERIFY2(t[i].ms - t[i - 1].ms >= 100, qPrintable(QString::number(i)));
    }
    QCOMPARE(wheel->saveCount(), 1);
    QCOMPARE(hex(toBytes(wheel->savedEffectRecord()).left(EFFECT_SETTINGS_RECORD_SIZE)),
             hex(expected));
}

void WheelWindowTest::shortRecordSendsNothing_data()
{
    QTest::addColumn<bool>("save");
    QTest::newRow("live apply") << false;
    QTest::newRow("save") << true;
}

// A wheel whose record comes short is never written to; failing transfers are the fault
// matrix's business.
void WheelWindowTest::shortRecordSendsNothing()
{
    QFETCH(bool, save);

    start();
    const QByteArray before = wheelRecord(wheel);
    wheel->clearTransfers();
    wheel->setReportLimit(REPORT_EFFECT_SETTINGS, EFFECT_SETTINGS_RECORD_SIZE - 1);
    if (save)
        QTest::mouseClick(child<QPushButton>("save_settings_button"), Qt::LeftButton);
    else
        QTest::keyClick(child<QSpinBox>("dampening_scale"), Qt::Key_Up);

    const auto t = wheel->transfers();
    QVERIFY(setReports(t).empty());
    QCOMPARE(wheel->saveCount(), 0);
    QCOMPARE(hex(wheelRecord(wheel)), hex(before));
    // Read once more to show what the wheel holds, short again: nothing to show.
    QCOMPARE(getReports(t, REPORT_EFFECT_SETTINGS).size(), size_t(2));
    QCOMPARE(window->windowTitle(), QStringLiteral("Wheel (Disconnected)"));
    QCOMPARE(takeWarnings().size(), 1);

    // Whole again: the poll connects and shows it.
    wheel->clearFaults();
    waitTitle("Wheel (Connected)");
    QCOMPARE(child<QSpinBox>("dampening_scale")->value(), 20);
}

void WheelWindowTest::rebootClosesAndReconnects()
{
    wheel->setRebootDuration(400ms); // long enough for a poll to see it gone, even under load
    start();
    // Live but not saved: the wheel comes back from the reboot with its saved settings.
    QTest::keyClick(child<QSpinBox>("soft_stop_scale"), Qt::Key_Up);
    QCOMPARE(child<QSpinBox>("soft_stop_scale")->value(), 31);

    wheel->clearTransfers();
    QTest::mouseClick(child<QPushButton>("reboot_button"), Qt::LeftButton);
    auto t = wheel->transfers();
    QCOMPARE(t.size(), size_t(1));
    QVERIFY(t[0].isCommand(CMD_REBOOT));
    QCOMPARE(hex(toBytes(t[0].data).mid(2)), hex(QByteArray(COMMAND_PACKET_SIZE - 2, 0)));
    QCOMPARE(wheel->rebootCount(), 1);
    QCOMPARE(sim->bus().openHandles(), 0);
    QVERIFY(!window->device().entry.handle);
    QCOMPARE(window->windowTitle(), QStringLiteral("Wheel (Connected)")); // until the next poll

    waitTitle("Wheel (Disconnected)");
    waitTitle("Wheel (Connected)");
    QCOMPARE(getReports(wheel->transfers(), REPORT_EFFECT_SETTINGS).size(), size_t(1));
    const int saved = wheel->savedEffectRecord().at(EFFECT_SOFT_STOP_SCALE);
    QVERIFY(saved != 31);
    QCOMPARE(child<QSpinBox>("soft_stop_scale")->value(), saved);
    QCOMPARE(sim->bus().openHandles(), 1);
}

void WheelWindowTest::trayClickShowsAndHides()
{
    start();
    emit tray()->activated(QSystemTrayIcon::Trigger);
    QVERIFY(!window->isVisible());
    emit tray()->activated(QSystemTrayIcon::Trigger);
    QVERIFY(window->isVisible());
    emit tray()->activated(QSystemTrayIcon::Context);
    QVERIFY(window->isVisible());
    emit tray()->activated(QSystemTrayIcon::DoubleClick);
    QVERIFY(window->isVisible());
}

void WheelWindowTest::closeAndExit_data()
{
    QTest::addColumn<bool>("trayAvailable");
    QTest::addColumn<bool>("exit");
    QTest::addColumn<bool>("hiddenFirst");
    QTest::addColumn<bool>("quits");

    QTest::newRow("close with a tray hides") << true << false << false << false;
    QTest::newRow("close without a tray quits") << false << false << false << true;
    // Qt quits by itself when the last visible window closes; a hidden one must quit too.
    QTest::newRow("Exit from the hidden window quits") << true << true << true << true;
}

void WheelWindowTest::closeAndExit()
{
    QFETCH(bool, trayAvailable);
    QFETCH(bool, exit);
    QFETCH(bool, hiddenFirst);
    QFETCH(bool, quits);

    start();
    window->trayAvailable = trayAvailable;
    if (hiddenFirst) {
        window->close();
        QVERIFY(!window->isVisible());
    }

    if (exit) {
        QVERIFY(!trayEntries().isEmpty());
        QCOMPARE(trayEntries().constLast()->text(), QStringLiteral("Exit"));
    }

    // Runs the application's event loop as main does; it returns 0 only if the program quit.
    QTimer act;
    act.setSingleShot(true);
    connect(&act, &QTimer::timeout, this, [&] {
        if (exit)
            trayEntries().constLast()->trigger();
        else
            window->close();
    });
    QTimer guard;
    guard.setSingleShot(true);
    connect(&guard, &QTimer::timeout, this, [] { QCoreApplication::exit(7); });
    act.start(0);
    guard.start(500);
    const int result = QCoreApplication::exec();
    QCOMPARE(result, quits ? 0 : 7);
    QVERIFY(!window->isVisible());
}

void WheelWindowTest::trayAfterStart_data()
{
    QTest::addColumn<bool>("waitForIcon");
    QTest::newRow("tray during the wait: its icon comes") << true;
    QTest::newRow("tray only at the close") << false;
}

// A session's panel may come up after the program: the icon follows it, and a close asks
// whether there is a tray at that moment.
void WheelWindowTest::trayAfterStart()
{
    QFETCH(bool, waitForIcon);
    start(false);
    window->trayAvailable = false;
    waitTitle("Wheel (Connected)");
    QVERIFY(!tray()->isVisible());

    window->trayAvailable = true;
    if (waitForIcon)
        QTRY_VERIFY_WITH_TIMEOUT(tray()->isVisible(), 2500);
    QVERIFY(!window->close()); // refused: hidden, not closed
    QVERIFY(!window->isVisible());
    QVERIFY(tray()->isVisible());
    wheel->unplug(); // hidden, the program keeps following the wheel
    waitTitle("Wheel (Disconnected)");
}

void WheelWindowTest::hiddenWindowTellsOutside_data()
{
    QTest::addColumn<bool>("trayAvailable");
    QTest::addColumn<bool>("notificationService");
    QTest::addColumn<QString>("where");
    QTest::newRow("tray") << true << true << "tray";
    QTest::newRow("no tray: a notification") << false << true << "notification";
    QTest::newRow("neither: a box") << false << false << "box";
}

// A failure while the window is hidden: a profile too short to apply, picked from the tray.
void WheelWindowTest::hiddenWindowTellsOutside()
{
    QFETCH(bool, trayAvailable);
    QFETCH(bool, notificationService);
    QFETCH(QString, where);
    writeProfile(QStringLiteral("damaged"), QByteArray("short"));
    start();
    window->trayAvailable = trayAvailable;
    window->notificationService = notificationService;
    window->hide();

    QMenu *profiles = trayEntries().at(0)->menu();
    QVERIFY(profiles);
    profiles->actions().at(0)->trigger();
    QCOMPARE(window->trayMessages.size(), where == QLatin1String("tray") ? 1 : 0);
    QCOMPARE(window->notifications.size(), where == QLatin1String("notification") ? 1 : 0);
    QCOMPARE(boxes->boxes().size(), where == QLatin1String("box") ? 1 : 0);
    QCOMPARE(window->trayFailures, QList<bool>(window->trayMessages.size(), true)); // warning icon
    QVERIFY((window->notifications + takeWarnings())
                .join(QString())
                .contains(QLatin1String("shorter than 22 bytes")));
}

QTEST_MAIN(WheelWindowTest)
#include "test_wheel_window.moc"
