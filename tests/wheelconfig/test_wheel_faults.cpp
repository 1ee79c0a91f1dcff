// Every step of every exchange with the wheel, failing in each way a wheel fails: the
// sequence stops there, no write carries bytes that no read delivered, the window ends up
// showing what the wheel holds, the user is told once, and no wait outlasts its bound.

#include "effect_fields.h"
#include "effect_settings_record.h"
#include "injected_fault.h"
#include "kestrix_protocol.h"
#include "test_support.h"
#include "transport.h"
#include "wheel_test_support.h"

#include <QAction>
#include <QElapsedTimer>
#include <QMenu>
#include <QPushButton>
#include <QSpinBox>
#include <QSystemTrayIcon>
#include <QtTest>

#include <algorithm>

using namespace std::chrono_literals;

namespace
{

enum class Action { Connect, Edit, Save, TrayProfile, Reboot };

} // namespace

Q_DECLARE_METATYPE(Action)

class WheelFaultsTest : public QObject, private WheelSession
{
    Q_OBJECT

private slots:
    void init() { setUp(); }
    void cleanup() { tearDown(); }

    void faultAtEveryStep_data();
    void faultAtEveryStep();

private:
    void act(Action action);
};

void WheelFaultsTest::faultAtEveryStep_data()
{
    QTest::addColumn<Action>("action");
    QTest::addColumn<int>("at"); // the transfer of the action that fails
    QTest::addColumn<Fault>("fault");
    QTest::addColumn<QString>("told");   // empty: nothing
    QTest::addColumn<bool>("connected"); // afterwards

    const char *change = "The wheel did not take the change. Check the cable, then try again.";
    const char *profile = "The wheel did not take the profile \"Rally\". Check the cable, then "
                          "try again.";
    const char *save =
        "The settings could not be saved in the wheel. Check the cable, then try again.";
    const char *stopped = "The wheel stopped answering before it confirmed that it saved the "
                          "settings. Check the cable, then click \"Save settings\" again.";
    const char *unconfirmed = "The wheel did not confirm within 5 seconds that it saved the "
                              "settings. Wait a moment, then click \"Save settings\" again.";
    const char *restart = "The wheel did not confirm the restart. Check the cable, then try again.";

    // Transfers of each action, from 0: connect: probe, read; live apply and profile
    // apply: read, data packet, closing packet; save: the same, command 2, status reads;
    // reboot: command 1.
    const struct {
        const char *step;
        Action action;
        int at;
        const char *failure; // told when the step fails
        const char *busy;    // told when the wheel stays busy; null: no row, as only the
                             // save waits for it, and the wheel stays busy from its start
    } steps[] = {
        {"connect read", Action::Connect, 1, nullptr, nullptr},
        {"live apply read", Action::Edit, 0, change, nullptr},
        {"live apply data packet", Action::Edit, 1, change, nullptr},
        {"live apply closing packet", Action::Edit, 2, change, nullptr},
        {"save data packet", Action::Save, 1, save, nullptr},
        {"save closing packet", Action::Save, 2, save, nullptr},
        {"save command 2", Action::Save, 3, save, nullptr},
        {"save status", Action::Save, 4, stopped, unconfirmed},
        {"profile apply from the tray", Action::TrayProfile, 1, profile, nullptr},
        {"reboot", Action::Reboot, 0, restart, nullptr},
    };
    const std::pair<const char *, Fault> faults[] = {{"unplug", Fault::Unplug},
                                                     {"I/O error", Fault::IoError},
                                                     {"time-out", Fault::TimeOut},
                                                     {"stays busy", Fault::StaysBusy}};
    for (const auto &step : steps) {
        for (const auto &[faultName, fault] : faults) {
            if (fault == Fault::StaysBusy && !step.busy)
                continue;
            const char *told = fault == Fault::StaysBusy ? step.busy : step.failure;
            QTest::addRow("%s, %s", step.step, faultName)
                << step.action << step.at << fault
                << (told ? QStringLiteral("Kestrix hardware settings UI: ") + QLatin1String(told)
                         : QString())
                << (fault != Fault::Unplug);
        }
    }
}

void WheelFaultsTest::act(Action action)
{
    switch (action) {
    case Action::Connect:
        start(false);
        break;
    case Action::Edit:
        QTest::keyClick(child<QSpinBox>("total_effect_scale"), Qt::Key_Up);
        break;
    case Action::Save:
        QTest::mouseClick(child<QPushButton>("save_settings_button"), Qt::LeftButton);
        break;
    case Action::TrayProfile: {
        QMenu *tray = window->findChild<QSystemTrayIcon *>()->contextMenu();
        tray->actions().at(0)->menu()->actions().at(0)->trigger();
        break;
    }
    case Action::Reboot:
        QTest::mouseClick(child<QPushButton>("reboot_button"), Qt::LeftButton);
        break;
    }
}

void WheelFaultsTest::faultAtEveryStep()
{
    QFETCH(Action, action);
    QFETCH(int, at);
    QFETCH(Fault, fault);
    QFETCH(QString, told);
    QFETCH(bool, connected);

    const QByteArray own = toBytes(plausibleEffectRecord()).left(EFFECT_SETTINGS_RECORD_SIZE);
    writeProfile(QStringLiteral("Rally"), profileBytes(55, 540));
    wheel->setRebootDuration(200ms);
    if (action != Action::Connect) {
        CHECKED(start());
        if (action == Action::TrayProfile) {
            window->close(); // hidden in the tray
            QVERIFY(!window->isVisible());
        }
    }
    wheel->clearTransfers();

    injectFault(wheel, fault, at);
    QElapsedTimer elapsed;
    elapsed.start();
    act(action);
    const qint64 took = elapsed.elapsed();

    // Any wait ended within its bound, and the busy wait did wait for its whole bound.
    const bool waitsForBusy = fault == Fault::StaysBusy && action == Action::Save;
    const qint64 bound = 1500 + (fault == Fault::TimeOut ? TRANSFER_TIMEOUT_MS : 0) +
                         (waitsForBusy ? READY_WAIT_LIMIT_MS : 0);
    QVERIFY2(took < bound, qPrintable(QString::number(took)));
    if (waitsForBusy)
        QVERIFY2(took >= READY_WAIT_LIMIT_MS, qPrintable(QString::number(took)));

    // The window shows what the wheel holds, or that it is gone: at once, not only after
    // the poll noticed, except where the poll is what reconnects.
    const bool settlesByPoll = action == Action::Connect || action == Action::Reboot;
    if (connected) {
        if (settlesByPoll)
            QTRY_VERIFY(window->device().connected);
        QVERIFY(window->device().connected);
        QCOMPARE(window->windowTitle(), QStringLiteral("Wheel (Connected)"));
        const QByteArray held = wheelRecord(wheel);
        QCOMPARE(hex(withOwnBytes(panelFields(window.get()), held)), hex(held));
    } else {
        if (settlesByPoll)
            QTRY_COMPARE(window->windowTitle(), QStringLiteral("Wheel (Disconnected)"));
        QCOMPARE(window->windowTitle(), QStringLiteral("Wheel (Disconnected)"));
        QVERIFY(!window->device().connected);
        QVERIFY(child<QWidget>("premium_effect_settings")->isHidden());
    }

    // Told once, by the tray icon while the window is hidden.
    QCOMPARE(window->trayMessages.size(), action == Action::TrayProfile ? int(!told.isEmpty()) : 0);
    QCOMPARE(takeWarnings(), told.isEmpty() ? QStringList() : QStringList{told});

    // The step that was meant to fail did (with a busy wheel: the wait's last status read
    // ended it), and nothing was sent after it.
    const std::vector<SimTransfer> t = wheel->transfers();
    auto end = t.end();
    if (fault == Fault::StaysBusy) {
        const auto status = std::find_if(t.rbegin(), t.rend(), [](const SimTransfer &x) {
            return x.isGetReport(REPORT_STATUS);
        });
        if (status != t.rend())
            end = status.base();
    } else {
        end = std::find_if(t.begin(), t.end(), [](const SimTransfer &x) { return x.result < 0; });
        QVERIFY(end != t.end());
        QCOMPARE(int(end - t.begin()), at);
        ++end;
    }
    QVERIFY2(
        std::none_of(end, t.end(),
                     [](const SimTransfer &x) { return x.requestType == HID_REQUEST_TYPE_OUT; }),
        qPrintable(describe(t).join(QLatin1Char('\n'))));

    // Every packet of command 18 carries the wheel's own bytes, as a read delivered them.
    for (const SimTransfer &packet : commands(t, CMD_WRITE_EFFECT_SETTINGS)) {
        const QByteArray sent = toBytes(packet.data).mid(CHUNK_DATA_OFFSET);
        QCOMPARE(hex(withOwnBytes(sent.left(EFFECT_SETTINGS_RECORD_SIZE), own)),
                 hex(sent.left(EFFECT_SETTINGS_RECORD_SIZE)));
    }
}

QTEST_MAIN(WheelFaultsTest)
#include "test_wheel_faults.moc"
