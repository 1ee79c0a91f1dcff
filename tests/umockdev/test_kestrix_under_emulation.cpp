// The built kestrix program with its default USB bus against simulated controllers on
// emulated usbfs device nodes: a backup and a restore as a user runs them, checked at the
// controller byte for byte, a device that does not answer, and a running wheelconfig that
// takes the effect settings over.

#include "effect_settings_record.h"
#include "hardware_settings_record.h"
#include "kestrix_protocol.h"
#include "restore_check.h"
#include "test_support.h"
#include "usb_testbed.h"
#include "wheel_channel.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

class KestrixUnderEmulationTest : public UsbTestbedTest
{
    Q_OBJECT

private slots:
    void backupAndRestore();
    void silentDeviceEndsWithExitOne();
    void effectsGoThroughWheelconfig_data();
    void effectsGoThroughWheelconfig();

private:
    // Runs kestrix under the emulation, with every Qt debug message asked for; its exit
    // code, or -1 when it did not end.
    int run(const QStringList &arguments);

    QTemporaryDir directory;
    QByteArray out;
    QByteArray err;
};

int KestrixUnderEmulationTest::run(const QStringList &arguments)
{
    QProcessEnvironment environment = UsbTestbed::programEnvironment();
    environment.insert(QStringLiteral("QT_LOGGING_RULES"), QStringLiteral("*.debug=true"));
    QProcess program;
    program.setProcessEnvironment(environment);
    program.setWorkingDirectory(directory.path());
    program.start(QStringLiteral(KESTRIX_PROGRAM), arguments);
    // The event loop keeps running: the emulation follows the controllers from it.
    QDeadlineTimer deadline(60000);
    while (!program.waitForFinished(20) && program.state() != QProcess::NotRunning &&
           !deadline.hasExpired())
        QCoreApplication::processEvents();
    if (program.state() != QProcess::NotRunning)
        return -1;
    out = program.readAllStandardOutput();
    err = program.readAllStandardError();
    return program.exitStatus() == QProcess::NormalExit ? program.exitCode() : -1;
}

// Every owned byte of both of a wheel's records, changed in the device after the backup,
// comes back as it was; the carried bytes and the tails stay as the device has them.
void KestrixUnderEmulationTest::backupAndRestore()
{
    bed->add(ControllerKind::Joystick);
    SimulatedController *wheel = bed->add(ControllerKind::Wheel);
    const std::pair<uint8_t, const RecordTable *> parts[] = {
        {REPORT_HARDWARE_SETTINGS, &hardwareSettingsTable()},
        {REPORT_EFFECT_SETTINGS, &effectSettingsTable()}};
    std::vector<uint8_t> before[2], edited[2];
    for (int p = 0; p < 2; ++p)
        before[p] = wheel->report(parts[p].first);
    QCOMPARE(run({"backup", "wheel", "wheel.json"}), 0);

    for (int p = 0; p < 2; ++p) {
        edited[p] = before[p];
        for (uint8_t &byte : edited[p])
            byte = uint8_t(byte + 3);
        wheel->setReport(parts[p].first, edited[p]);
    }
    wheel->clearTransfers();
    QVERIFY2(run({"restore", "0x59d7", "wheel.json"}) == 0, err.constData());
    QCOMPARE(err, QByteArray()); // no Qt noise
    QCOMPARE(commands(wheel->transfers(), CMD_WRITE_HARDWARE_SETTINGS).size(), size_t(3));
    QCOMPARE(commands(wheel->transfers(), CMD_WRITE_EFFECT_SETTINGS).size(), size_t(2));
    QCOMPARE(wheel->saveCount(), 1);
    for (int p = 0; p < 2; ++p) {
        const QString wrong = wrongRestoredByte(*parts[p].second, before[p], edited[p],
                                                wheel->report(parts[p].first));
        QVERIFY2(wrong.isEmpty(), qPrintable(parts[p].second->name + ": " + wrong));
    }
}

void KestrixUnderEmulationTest::silentDeviceEndsWithExitOne()
{
    SimulatedController *wheel = bed->add(ControllerKind::Wheel);
    bed->setUnresponsive(wheel, true);
    QCOMPARE(run({"show", "wheel"}), 1);
    QCOMPARE(err, QByteArray("kestrix: the wheel (0x59d7) does not answer\n"));
}

void KestrixUnderEmulationTest::effectsGoThroughWheelconfig_data()
{
    QTest::addColumn<bool>("realWheelconfig");
    QTest::newRow("wheelconfig running") << true;
    QTest::newRow("wheelconfig failing the write") << false;
}

// A running wheelconfig is handed the effect record with the file's fields over the wheel's
// own bytes and saves it; kestrix writes the hardware settings itself. When wheelconfig
// fails, kestrix does not write the effect settings beside it.
void KestrixUnderEmulationTest::effectsGoThroughWheelconfig()
{
    QFETCH(bool, realWheelconfig);
    SimulatedController *wheel = bed->add(ControllerKind::Wheel);
    const std::vector<uint8_t> before = wheel->report(REPORT_EFFECT_SETTINGS);
    QCOMPARE(run({"backup", "wheel.json", "--force"}), 0);
    std::vector<uint8_t> edited = before;
    for (uint8_t &byte : edited)
        byte = uint8_t(byte + 3);
    wheel->setReport(REPORT_EFFECT_SETTINGS, edited);

    const auto environment = UsbTestbed::programEnvironment();
    RunningProgram wheelconfig;
    WheelChannelServer fake;
    std::vector<WheelRequest> requests;
    if (realWheelconfig) {
        wheel->clearTransfers();
        QVERIFY(wheelconfig.start(QStringLiteral(KESTRIX_WHEELCONFIG), {}, directory.path(),
                                  environment));
        QTRY_VERIFY_WITH_TIMEOUT(!getReports(wheel->transfers(), REPORT_EFFECT_SETTINGS).empty(),
                                 15000);
    } else {
        qputenv("XDG_RUNTIME_DIR", environment.value(QStringLiteral("XDG_RUNTIME_DIR")).toUtf8());
        QCOMPARE(fake.claim(), WheelChannelServer::Claim::Claimed);
        fake.setHandler([&requests](const WheelRequest &request) {
            requests.push_back(request);
            WheelReply reply;
            reply.status = WheelReply::Status::WheelFailed;
            reply.message = QStringLiteral("The wheel did not take them.");
            return reply;
        });
    }
    wheel->clearTransfers();
    const int code = run({"restore", "wheel.json"});
    const auto effectWrites = commands(wheel->transfers(), CMD_WRITE_EFFECT_SETTINGS);
    QCOMPARE(commands(wheel->transfers(), CMD_WRITE_HARDWARE_SETTINGS).size(), size_t(3));
    if (realWheelconfig) {
        QVERIFY2(code == 0, err.constData());
        QVERIFY2(out.contains("effect_settings: written by the running wheelconfig"),
                 out.constData());
        QCOMPARE(wheel->saveCount(), 1);
        const QString wrong = wrongRestoredByte(effectSettingsTable(), before, edited,
                                                wheel->report(REPORT_EFFECT_SETTINGS));
        QVERIFY2(wrong.isEmpty(), qPrintable(wrong));
        QVERIFY2(wheelconfig.isRunning(), qPrintable(wheelconfig.exitDescription()));
        return;
    }
    QCOMPARE(code, 1);
    QCOMPARE(err, QByteArray("kestrix: wheelconfig could not write the effect settings to the "
                             "wheel (0x59d7): The wheel did not take them.\n"));
    QCOMPARE(effectWrites.size(), size_t(0));
    QCOMPARE(wheel->saveCount(), 0);
    QCOMPARE(requests.size(), size_t(1));
    QCOMPARE(requests[0].kind, WheelRequest::Kind::ApplyRecord);
    QVERIFY(requests[0].permanent);
    const QByteArray sent = requests[0].record;
    const auto head = [&sent](const std::vector<uint8_t> &record) {
        return std::vector<uint8_t>(record.begin(), record.begin() + sent.size());
    };
    QCOMPARE(sent.size(), effectSettingsTable().size);
    const QString wrong = wrongRestoredByte(effectSettingsTable(), head(before), head(edited),
                                            std::vector<uint8_t>(sent.begin(), sent.end()));
    QVERIFY2(wrong.isEmpty(), qPrintable(wrong));
}

KESTRIX_UMOCKDEV_TEST_MAIN(KestrixUnderEmulationTest)
#include "test_kestrix_under_emulation.moc"
