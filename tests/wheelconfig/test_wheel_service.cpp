// The wheel service's stack of games on the simulated wheel: watched games and launch-form
// games in either order, a wheel that goes away and comes back, a put-back that fails. Each
// step is checked by the record the simulated wheel holds afterwards.

#include "effect_fields.h"
#include "kestrix_protocol.h"
#include "test_support.h"
#include "wheel_device.h"
#include "wheel_service.h"
#include "wheel_test_support.h"

#include <QSignalSpy>
#include <QtTest>

class WheelServiceTest : public QObject, private WheelSession
{
    Q_OBJECT

private slots:
    void init() { setUp(); }
    void cleanup() { tearDown(); }

    void stack_data();
    void stack();
};

void WheelServiceTest::stack_data()
{
    // Steps: "+w NAME" a watched game starts with the profile NAME, "+l NAME" a launch-form
    // game; "-w NAME", "-l NAME" it ends. "away" unplugs the wheel, "back" plugs it in again
    // with the settings it had; "blip" is a reconnection the wheel kept its settings
    // through; "fail" makes the wheel's next transfer time out. After each step: what the
    // wheel holds ("before" the first game). The last step puts back the settings from
    // before, as one live apply.
    QTest::addColumn<QStringList>("steps");
    QTest::addColumn<QStringList>("held");
    QTest::addColumn<int>("failuresTold");
    QTest::newRow("watched, then launch form; the watched one ends first")
        << QStringList{"+w Rally", "+l Drift", "-w Rally", "-l Drift"}
        << QStringList{"Rally", "Drift", "Drift", "before"} << 0;
    QTest::newRow("the later game ends first")
        << QStringList{"+w Rally", "+l Drift", "-l Drift", "-w Rally"}
        << QStringList{"Rally", "Drift", "Rally", "before"} << 0;
    QTest::newRow("a reconnection mid-game keeps the settings from before")
        << QStringList{"+w Rally", "blip", "-w Rally"} << QStringList{"Rally", "Rally", "before"}
        << 0;
    QTest::newRow("a wheel back mid-game gets the game's profile again")
        << QStringList{"+l Drift", "away", "back", "-l Drift"}
        << QStringList{"Drift", "Drift", "Drift", "before"} << 0;
    QTest::newRow("put back into a wheel that is away, then back")
        << QStringList{"+w Rally", "away", "-w Rally", "back"}
        << QStringList{"Rally", "Rally", "Rally", "before"} << 1;
    QTest::newRow("a put-back that times out is sent at the next answer")
        << QStringList{"+l Drift", "fail", "-l Drift", "blip"}
        << QStringList{"Drift", "Drift", "Drift", "before"} << 1;
    QTest::newRow("a game that starts while the wheel is away")
        << QStringList{"away", "+w Rally", "back", "-w Rally"}
        << QStringList{"before", "before", "Rally", "before"} << 0;
}

void WheelServiceTest::stack()
{
    QFETCH(QStringList, steps);
    QFETCH(QStringList, held);
    QFETCH(int, failuresTold);
    const QByteArray before = wheelRecord(wheel);
    const QHash<QString, QByteArray> profiles{{"Rally", profileBytes(33, 540)},
                                              {"Drift", profileBytes(44, 720)}};
    for (auto it = profiles.begin(); it != profiles.end(); ++it)
        CHECKED(writeProfile(it.key(), it.value()));

    usbInit();
    WheelDevice device;
    WheelService service;
    QSignalSpy told(&service, &WheelService::told);
    auto connect = [&] {
        openIfAbsent(device.entry);
        service.setConnection(device.entry.handle);
    };
    auto disconnect = [&] {
        service.setConnection(nullptr);
        closeEntry(device.entry);
    };
    connect();
    for (int i = 0; i < steps.size(); ++i) {
        const QString &step = steps[i];
        const QString name = step.mid(3);
        wheel->clearTransfers();
        if (step == QLatin1String("away")) {
            wheel->unplug();
            disconnect();
        } else if (step == QLatin1String("back")) {
            wheel->plug();
            connect();
        } else if (step == QLatin1String("blip")) {
            disconnect();
            connect();
        } else if (step == QLatin1String("fail")) {
            wheel->failTransfers(0, USB_ERROR_TIMEOUT, 1);
        } else {
            const QString id = step.mid(1, 1) + name;
            if (step.startsWith(QLatin1Char('+')))
                service.pushGame({id, name, name, step.at(1) == QLatin1Char('w')});
            else
                service.popGame(id);
        }
        const QByteArray expected =
            held[i] == QLatin1String("before") ? before : withOwnBytes(profiles[held[i]], before);
        QVERIFY2(hex(wheelRecord(wheel)) == hex(expected), qPrintable(step));
    }
    CHECKED(verifyOneLiveApply(wheel->transfers(), before));
    int failures = 0;
    for (const QList<QVariant> &message : std::as_const(told))
        failures += message.at(1).toBool() ? 1 : 0;
    QCOMPARE(failures, failuresTold);
    QVERIFY(service.games().isEmpty());
    QVERIFY(!service.putBackKept());
    disconnect();
    usbExit();
}

QTEST_MAIN(WheelServiceTest)
#include "test_wheel_service.moc"
