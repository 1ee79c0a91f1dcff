// The kestrix command line against simulated controllers: what reaches the controller, byte
// for byte, what it prints and how it ends, on every platform. The commands run in this
// process. What only Linux has (udev, hidraw, pipes and full disks) is in
// test_kestrix_linux.cpp.

#include "byte_order.h"
#include "effect_settings_record.h"
#include "hardware_settings_record.h"
#include "kestrix_fixture.h"
#include "kestrix_protocol.h"
#include "record_fields.h"
#include "restore_check.h"

#include <functional>
#include <limits>

Q_DECLARE_METATYPE(ControllerKind)
using Edit = std::function<QByteArray(QByteArray)>;
Q_DECLARE_METATYPE(Edit)

class KestrixTest : public KestrixFixture
{
    Q_OBJECT

private slots:
    void backupEditRestore_data();
    void backupEditRestore();
    void badFilesAreRefused_data();
    void badFilesAreRefused();
    void forceRestoresAnotherDevicesFile();
    void dryRunSendsNoSetReport();
    void faultsEndTheRestore_data();
    void faultsEndTheRestore();
    void readBackDiffers();
    void devicesAndUsage_data();
    void devicesAndUsage();
    void listAndShow();
    void profiles_data();
    void profiles();
};

void KestrixTest::backupEditRestore_data()
{
    QTest::addColumn<ControllerKind>("kind");
    QTest::newRow("joystick") << ControllerKind::Joystick;
    QTest::newRow("rudder") << ControllerKind::Rudder;
    QTest::newRow("wheel, with its effect settings") << ControllerKind::Wheel;
}

// Every byte changed in the device after the backup: the restore brings back the owned ones
// as they were, and leaves the carried ones and the tail as the device now has them.
void KestrixTest::backupEditRestore()
{
    QFETCH(ControllerKind, kind);
    plug({kind});
    SimulatedController *device = sim->controller(kind);
    const QString name = QString::fromLatin1(controllerKindName(kind));
    const bool wheel = kind == ControllerKind::Wheel;
    const struct {
        uint8_t report;
        const RecordTable &table;
    } parts[] = {{REPORT_HARDWARE_SETTINGS, hardwareSettingsTable()},
                 {REPORT_EFFECT_SETTINGS, effectSettingsTable()}};
    std::vector<uint8_t> before[2], edited[2];
    for (int p = 0; p < 2; ++p)
        before[p] = device->report(parts[p].report);
    // Gains that JSON has no numbers for travel as text.
    writeF32LE(&before[0][HardwareSettingsRecord::axisOffset(0, AxisSettingsRecord::P_GAIN)],
               std::numeric_limits<float>::quiet_NaN());
    writeF32LE(&before[0][HardwareSettingsRecord::axisOffset(1, AxisSettingsRecord::I_GAIN)],
               -std::numeric_limits<float>::infinity());
    device->setReport(REPORT_HARDWARE_SETTINGS, before[0]);
    const QString file = backupOf(name);

    for (int p = 0; p < 2; ++p) {
        edited[p] = before[p];
        for (size_t i = 0; i < edited[p].size(); ++i)
            edited[p][i] = uint8_t(edited[p][i] ^ (0x21 + i));
        device->setReport(parts[p].report, edited[p]);
    }
    device->clearTransfers();

    const Run run = kestrix({"restore", name, file});
    QVERIFY2(run.code == EXIT_DONE, qPrintable(explain(run)));
    QCOMPARE(commands(device->transfers(), CMD_WRITE_HARDWARE_SETTINGS).size(), size_t(3));
    QCOMPARE(commands(device->transfers(), CMD_WRITE_EFFECT_SETTINGS).size(),
             size_t(wheel ? 2 : 0));
    QCOMPARE(device->saveCount(), wheel ? 1 : 0);
    for (int p = 0; p < (wheel ? 2 : 1); ++p) {
        const QString wrong = wrongRestoredByte(parts[p].table, before[p], edited[p],
                                                device->report(parts[p].report));
        QVERIFY2(wrong.isEmpty(), qPrintable(parts[p].table.name + ": " + wrong));
    }
    if (!wheel)
        QCOMPARE(device->report(REPORT_EFFECT_SETTINGS), edited[1]);
}

void KestrixTest::badFilesAreRefused_data()
{
    QTest::addColumn<QString>("target");
    QTest::addColumn<Edit>("edit");
    QTest::addColumn<QString>("reason");

    auto replace = [](const char *from, const char *to) {
        return Edit([from, to](QByteArray json) { return json.replace(from, to); });
    };
    auto row = [](const char *name, const char *target, const Edit &edit, const char *reason) {
        QTest::newRow(name) << QString::fromUtf8(target) << edit << QString::fromUtf8(reason);
    };
    row("truncated JSON", "joystick",
        Edit([](QByteArray json) { return json.left(json.size() / 2); }), "not valid JSON");
    row("wrong version", "joystick", replace("\"version\": 1", "\"version\": 2"), "version 2");
    row("unknown field", "joystick", replace("\"debug_forces\"", "\"debug_force\""),
        "unknown field \"debug_force\"");
    row("missing field", "joystick", replace("\"debug_forces\": 0,", ""),
        "\"debug_forces\" is missing");
    row("out-of-range value", "joystick", replace("\"power_limit\": 80", "\"power_limit\": 101"),
        "power_limit = 101 is not 0..100");
    row("below the minimum", "joystick", replace("\"power_limit\": 80", "\"power_limit\": -1"),
        "power_limit = -1 is not 0..100");
    row("direction zero", "joystick",
        replace("\"axis0.encoder_direction\": -1", "\"axis0.encoder_direction\": 0"), "-1 or 1");
    row("raw bytes too short", "joystick", replace("\"raw\": \"01", "\"raw\": \""),
        "106 bytes, not 107");
    row("raw bytes a single byte", "joystick", Edit([](QByteArray json) {
            return QString::fromUtf8(json)
                .replace(QRegularExpression("\"raw\": \"[0-9a-f]+\""), "\"raw\": \"01\"")
                .toUtf8();
        }),
        "are a single byte, not 107");
    row("another device's file", "rudder", Edit([](QByteArray json) { return json; }),
        "--force restores it anyway");
    row("no such file", "joystick", Edit(), "bad.json can not be read: there is no such file");
    row("duplicate key", "joystick", replace("\"version\": 1,", "\"version\": 1, \"version\": 1,"),
        "the key \"version\" appears twice");
    row("duplicate field", "joystick",
        replace("\"power_limit\": 80,", "\"power_limit\": 80, \"power_limit\": 70,"),
        "the key \"power_limit\" appears twice in hardware_settings.fields");
    row("product id with a sign", "joystick", replace("\"0x58f9\"", "\"0x+58f9\""),
        "\"0x+58f9\" is not the product id");
}

// Nothing is sent to any controller; one line says why.
void KestrixTest::badFilesAreRefused()
{
    QFETCH(QString, target);
    QFETCH(Edit, edit);
    QFETCH(QString, reason);
    plug({ControllerKind::Joystick, ControllerKind::Rudder});
    const QString good = backupOf(QStringLiteral("joystick"));
    const QString bad = directory.filePath(QStringLiteral("bad.json"));
    QFile::remove(bad);
    if (edit) {
        QFile in(good), out(bad);
        QVERIFY(in.open(QIODevice::ReadOnly) && out.open(QIODevice::WriteOnly));
        out.write(edit(in.readAll()));
    }
    for (const auto &controller : sim->bus().controllers())
        controller->clearTransfers();

    const Run run = kestrix({"restore", target, bad});
    QVERIFY2(run.code == EXIT_USAGE && run.err.contains(reason), qPrintable(explain(run)));
    QCOMPARE(run.err.count(QLatin1Char('\n')), 1);
    QVERIFY(run.err.startsWith(QLatin1String("kestrix: ")));
    for (const auto &controller : sim->bus().controllers())
        QVERIFY(setReports(controller->transfers()).empty());
}

void KestrixTest::forceRestoresAnotherDevicesFile()
{
    plug({ControllerKind::Joystick, ControllerKind::Rudder});
    const QString file = backupOf(QStringLiteral("joystick"));
    const Run run = kestrix({"restore", "--force", "rudder", file});
    QVERIFY2(run.code == EXIT_DONE, qPrintable(explain(run)));
    const auto joystick =
        sim->controller(ControllerKind::Joystick)->report(REPORT_HARDWARE_SETTINGS);
    const auto rudder = sim->controller(ControllerKind::Rudder)->report(REPORT_HARDWARE_SETTINGS);
    for (const RecordField &field : hardwareSettingsTable().fields)
        QCOMPARE(rudder[field.offset], joystick[field.offset]);
}

void KestrixTest::dryRunSendsNoSetReport()
{
    plug({ControllerKind::Joystick});
    SimulatedController *device = sim->controller(ControllerKind::Joystick);
    const QString file = backupOf(QStringLiteral("joystick"));
    device->setReportByte(REPORT_HARDWARE_SETTINGS, HardwareSettingsRecord::POWER_LIMIT, 55);
    device->setReportByte(REPORT_HARDWARE_SETTINGS, HardwareSettingsRecord::CARRIED, 0x99);
    const auto edited = device->report(REPORT_HARDWARE_SETTINGS);
    device->clearTransfers();

    const Run run = kestrix({"restore", file, "--dry-run"});
    QVERIFY2(run.code == EXIT_DONE, qPrintable(explain(run)));
    QVERIFY2(run.out.contains(QLatin1String("\n  power_limit: 55 % -> 80 %\n")),
             qPrintable(run.out));
    QCOMPARE(run.out.count(QLatin1String(" -> ")), 1); // carried bytes are not the file's
    QVERIFY(setReports(device->transfers()).empty());
    QCOMPARE(device->report(REPORT_HARDWARE_SETTINGS), edited);
}

void KestrixTest::faultsEndTheRestore_data()
{
    // A joystick's restore: device information, record, the record afresh just before the
    // write, three write packets, a busy and a ready status read, the read-back. A wheel's
    // reads its effect record after the hardware record, and after the hardware read-back
    // (transfer 9) reads it afresh, sends two packets of command 18, command 2, reads the
    // status twice and reads back.
    QTest::addColumn<ControllerKind>("kind");
    QTest::addColumn<int>("failing");
    QTest::addColumn<bool>("written"); // the hardware record
    QTest::addColumn<int>("saves");    // of the effect record (command 2 executed)
    using K = ControllerKind;
    QTest::newRow("record read") << K::Joystick << 1 << false << 0;
    QTest::newRow("fresh read before the write") << K::Joystick << 2 << false << 0;
    QTest::newRow("first write packet") << K::Joystick << 3 << false << 0;
    QTest::newRow("status read") << K::Joystick << 6 << true << 0;
    QTest::newRow("read-back") << K::Joystick << 8 << true << 0;
    QTest::newRow("wheel: effect record read") << K::Wheel << 2 << false << 0;
    QTest::newRow("wheel: effect write packet") << K::Wheel << 11 << true << 0;
    QTest::newRow("wheel: command 2") << K::Wheel << 13 << true << 0;
    QTest::newRow("wheel: effect read-back") << K::Wheel << 16 << true << 1;
}

// A failed transfer ends the restore at once with exit 1; nothing follows it.
void KestrixTest::faultsEndTheRestore()
{
    QFETCH(ControllerKind, kind);
    QFETCH(int, failing);
    QFETCH(bool, written);
    QFETCH(int, saves);
    plug({kind});
    SimulatedController *device = sim->controller(kind);
    const QString name = QString::fromLatin1(controllerKindName(kind));
    const QString file = backupOf(name);
    const uint8_t limit =
        device->report(REPORT_HARDWARE_SETTINGS)[HardwareSettingsRecord::POWER_LIMIT];
    device->setReportByte(REPORT_HARDWARE_SETTINGS, HardwareSettingsRecord::POWER_LIMIT, 55);
    device->clearTransfers();
    device->failTransfers(failing, USB_ERROR_IO);

    const Run run = kestrix({"restore", name, file});
    QVERIFY2(run.code == EXIT_DEVICE, qPrintable(explain(run)));
    QCOMPARE(run.err.count(QLatin1Char('\n')), 1);
    QCOMPARE(int(device->transfers().size()), failing + 1);
    QCOMPARE(device->report(REPORT_HARDWARE_SETTINGS)[HardwareSettingsRecord::POWER_LIMIT],
             written ? limit : uint8_t(55));
    QCOMPARE(device->saveCount(), saves);
}

void KestrixTest::readBackDiffers()
{
    plug({ControllerKind::Joystick});
    SimulatedController *device = sim->controller(ControllerKind::Joystick);
    const QString file = backupOf(QStringLiteral("joystick"));
    device->setReportByte(REPORT_HARDWARE_SETTINGS, HardwareSettingsRecord::POWER_LIMIT, 55);
    // A store that fails quietly: the record is as it was by the time the write is done.
    device->setTransferObserver([device](const SimTransfer &transfer) {
        if (transfer.isGetReport(REPORT_STATUS))
            device->setReportByte(REPORT_HARDWARE_SETTINGS, HardwareSettingsRecord::POWER_LIMIT,
                                  55);
    });

    const Run run = kestrix({"restore", file});
    QVERIFY2(run.code == EXIT_READ_BACK, qPrintable(explain(run)));
    QVERIFY2(run.err.contains(QLatin1String("power_limit is 55 %, not 80 %")), qPrintable(run.err));
    QCOMPARE(run.err.count(QLatin1Char('\n')), 1);
}

void KestrixTest::devicesAndUsage_data()
{
    QTest::addColumn<QString>("plugged");
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("says");

    QTest::newRow("none connected") << "" << QStringList{"show"} << 1 << "no Kestrix controller";
    QTest::newRow("two, none named")
        << "joystick,wheel" << QStringList{"show"} << 2 << "(joystick, wheel)";
    QTest::newRow("named, absent")
        << "joystick" << QStringList{"reboot", "rudder"} << 1 << "no rudder (0x5968) is connected";
    QTest::newRow("unknown device")
        << "joystick" << QStringList{"show", "pedals"} << 2 << "unknown device \"pedals\"";
    QTest::newRow("by hex product id") << "joystick,wheel" << QStringList{"show", "0x58F9"} << 0
                                       << "joystick (0x58f9), device type 1";
    QTest::newRow("by decimal product id")
        << "joystick" << QStringList{"show", "22777"} << 0 << "joystick (0x58f9), device type 1";
    QTest::newRow("product id with a space")
        << "joystick" << QStringList{"show", "0x 58f9"} << 2 << "unknown device \"0x 58f9\"";
    QTest::newRow("no settings") << "generic" << QStringList{"backup", "x.json"} << 2
                                 << "offers no settings";
    QTest::newRow("no command") << "joystick" << QStringList{} << 2 << "no command";
    QTest::newRow("unknown option")
        << "joystick" << QStringList{"show", "-v"} << 2 << "unknown option -v";
    QTest::newRow("option of another command") << "joystick" << QStringList{"show", "--dry-run"}
                                               << 2 << "--dry-run is not an option of show";
    QTest::newRow("help") << "" << QStringList{"restore", "--help"} << 0
                          << "3  written, but the read-back differs";
    QTest::newRow("input, once") << "joystick" << QStringList{"input", "joystick", "--once"} << 0
                                 << "  X=2048 (50 %)  range 0..4095\n";
    QTest::newRow("input, once as JSON")
        << "joystick" << QStringList{"input", "--once", "--json"} << 0
        << "\"X\":{\"flat\":0,\"fuzz\":0,\"maximum\":4095,\"minimum\":0,\"percent\":50,"
           "\"value\":2048}";
    QTest::newRow("input, two, none named")
        << "joystick,wheel" << QStringList{"input", "--once"} << 2 << "(joystick, wheel)";
    QTest::newRow("input, none connected")
        << "" << QStringList{"input", "--once"} << 1 << "no Kestrix controller has an event device";
    QTest::newRow("--once of another command")
        << "joystick" << QStringList{"show", "--once"} << 2 << "--once is not an option of show";
}

void KestrixTest::devicesAndUsage()
{
    QFETCH(QString, plugged);
    QFETCH(QStringList, arguments);
    QFETCH(int, code);
    QFETCH(QString, says);
    plug({});
    for (const QString &name : plugged.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
        ControllerKind kind;
        QVERIFY(controllerKindFromName(name.toStdString(), &kind));
        sim->bus().add(kind);
    }
    QDir::setCurrent(directory.path());

    const Run run = kestrix(arguments);
    QVERIFY2(run.code == code && (run.out + run.err).contains(says), qPrintable(explain(run)));
    if (code != EXIT_DONE)
        QCOMPARE(run.err.count(QLatin1Char('\n')), 1);
    for (const auto &controller : sim->bus().controllers())
        QVERIFY(setReports(controller->transfers()).empty());
}

void KestrixTest::listAndShow()
{
    plug({ControllerKind::Joystick, ControllerKind::Generic});
    const Run list = kestrix({"list"});
    QCOMPARE(list.out, QStringLiteral("generic  0x55f0 device type 0 (no settings)\n"
                                      "joystick 0x58f9 device type 1 (joystick)\n"));

    const Run show = kestrix({"show", "joystick"});
    QVERIFY(show.out.contains(QLatin1String("\n  power_limit                    80 %\n")));
    QVERIFY(show.out.contains(QLatin1String("\n  axis0.p_gain                   0.5\n")));
    QFile file(backupOf(QStringLiteral("joystick")));
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(kestrix({"show", "--json", "joystick"}).out, QString::fromUtf8(file.readAll()));
}

void KestrixTest::profiles_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("file"); // the exported profile, edited, is written there
    QTest::addColumn<Edit>("edit");
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("says");
    QTest::addColumn<QString>("made");   // holds the file's profile after; empty: nothing changed
    QTest::addColumn<QString>("folder"); // where the profiles are: the working folder's or
                                         // the installed wheelconfig's (XDG_DATA_HOME is xdg)
    QTest::addColumn<QString>("where");  // the folder the command runs in

    // Every import changes the motion range, so that a profile replaced by mistake shows.
    auto edit = [](const char *from, const char *to) {
        return Edit([from, to](QByteArray json) {
            return json.replace("\"motion_range\": 900", "\"motion_range\": 540").replace(from, to);
        });
    };
    const Edit unchanged = edit("", "");
    auto row = [](const char *name, const QStringList &arguments, const Edit &e, int code,
                  const char *says, const char *made = "", const char *file = "in.json",
                  const char *folder = "wheel_profiles", const char *where = "") {
        QTest::newRow(name) << arguments << QString::fromUtf8(file) << e << code
                            << QString::fromUtf8(says) << QString::fromUtf8(made)
                            << QString::fromUtf8(folder) << QString::fromUtf8(where);
    };
    row("list", {"profile", "list"}, unchanged, 0, "Rally\n");
    row("import under a given name", {"profile", "import", "in.json", "Tarmac 2"}, unchanged, 0, "",
        "Tarmac 2");
    row("existing name", {"profile", "import", "in.json", "Rally"}, unchanged, 2,
        "\"Rally\" exists already; --force replaces it");
    row("existing name, --force", {"profile", "import", "--force", "in.json", "Rally"}, unchanged,
        0, "", "Rally");
    row("a backup is no profile", {"profile", "import", "in.json"},
        edit("kestrix-profile", "kestrix-settings"), 2, "not a Kestrix profile file");
    row("file name without a base", {"profile", "import", ".json"}, unchanged, 2,
        "\"\" can not name a profile: no name was typed", "", ".json");
    row("export of a missing profile", {"profile", "export", "Gravel", "out.json"}, unchanged, 1,
        "there is no profile of that name");
    row("folder without profiles", {"profile", "list", "--profiles", "empty"}, unchanged, 1,
        "empty/wheel_profiles can not be used");
    row("missing --profiles folder, list", {"profile", "list", "--profiles", "new"}, unchanged, 2,
        "there is no folder new");
    row("missing --profiles folder, import", {"profile", "import", "in.json", "--profiles", "new"},
        unchanged, 0, "as the profile \"in\"");
    const char *installed = "xdg/kestrix/wheel_profiles";
    row("installed folder, list", {"profile", "list"}, unchanged, 0,
        "the profiles in WORK/xdg/kestrix/wheel_profiles", "", "in.json", installed);
    row("installed folder, import", {"profile", "import", "in.json"}, unchanged, 0, "", "in",
        "in.json", installed);
    row("neither folder", {"profile", "export", "Rally", "../out.json"}, unchanged, 1,
        "neither WORK/empty/wheel_profiles nor WORK/xdg/kestrix/wheel_profiles can be used", "",
        "in.json", "wheel_profiles", "empty");
}

// Each row starts from a working directory whose only profile, Rally, was exported to a file.
void KestrixTest::profiles()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, file);
    QFETCH(Edit, edit);
    QFETCH(int, code);
    QFETCH(QString, says);
    QFETCH(QString, made);
    QFETCH(QString, folder);
    QFETCH(QString, where);
    QTemporaryDir work;
    QVERIFY(QDir::setCurrent(work.path()) && QDir().mkpath("wheel_profiles") &&
            QDir().mkdir("empty") && QDir().mkpath("xdg/kestrix"));
    // Never the machine's own profiles.
    const bool hadDataHome = qEnvironmentVariableIsSet("XDG_DATA_HOME");
    const QByteArray dataHome = qgetenv("XDG_DATA_HOME");
    qputenv("XDG_DATA_HOME", work.filePath("xdg").toLocal8Bit());
    const auto restore = qScopeGuard(
        [&] { hadDataHome ? qputenv("XDG_DATA_HOME", dataHome) : qunsetenv("XDG_DATA_HOME"); });
    // Bytes 5 and 12..21 carry no field: an import keeps them as the file's raw bytes have them.
    const QByteArray rally = QByteArray::fromHex("323c460150aa5a058403280a0102030405060708090a");
    const QByteArray imported = QByteArray::fromHex("323c460150aa5a051c02280a0102030405060708090a");
    auto profile = [&work, &folder](const QString &name) {
        QFile stored(work.filePath(folder + QLatin1Char('/') + name));
        return (stored.open(QIODevice::ReadOnly) ? stored.readAll() : QByteArray()).toHex();
    };
    QFile stored(QStringLiteral("wheel_profiles/Rally"));
    QVERIFY(stored.open(QIODevice::WriteOnly) && stored.write(rally) == rally.size());
    stored.close();
    const Run exported = kestrix({"profile", "export", "Rally", "exported.json"});
    QVERIFY2(exported.code == EXIT_DONE, qPrintable(explain(exported)));
    QFile in("exported.json"), out(file);
    QVERIFY(in.open(QIODevice::ReadOnly) && out.open(QIODevice::WriteOnly));
    out.write(edit(in.readAll()));
    out.close();

    // The working folder's profiles come first, whatever the installed wheelconfig holds.
    if (folder != QLatin1String("wheel_profiles"))
        QVERIFY(QDir().rename("wheel_profiles", folder));
    else if (where.isEmpty())
        QVERIFY(QDir().mkpath("xdg/kestrix/wheel_profiles"));
    QVERIFY(QDir::setCurrent(work.filePath(where)));

    const Run run = kestrix(arguments);
    QDir::setCurrent(directory.path());
    says.replace(QLatin1String("WORK"), work.path());
    QVERIFY2(run.code == code && (run.out + run.err).contains(says), qPrintable(explain(run)));
    if (code != EXIT_DONE)
        QCOMPARE(run.err.count(QLatin1Char('\n')), 1);
    const QStringList names = QDir(work.filePath(folder)).entryList(QDir::Files);
    QCOMPARE(names.size(), made.isEmpty() || made == QLatin1String("Rally") ? 1 : 2);
    QCOMPARE(profile("Rally"), (made == QLatin1String("Rally") ? imported : rally).toHex());
    if (!made.isEmpty())
        QCOMPARE(profile(made), imported.toHex());
    QVERIFY(!QFileInfo::exists(work.filePath("empty/wheel_profiles")));
    QCOMPARE(QFileInfo::exists(work.filePath("new/wheel_profiles/in")),
             code == 0 && arguments.contains("new"));
}

QTEST_GUILESS_MAIN(KestrixTest)
#include "test_kestrix.moc"
