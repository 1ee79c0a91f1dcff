// An installation into a staging prefix: the tree, the udev rule, the desktop entries, and
// the launchers that run each program from a per-user data directory.

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

namespace
{

const QString PROGRAM_DIR = QStringLiteral(KESTRIX_PROGRAM_DIR);
const QString DATA_DIR = QStringLiteral(KESTRIX_DATA_DIR);
const QString BIN_DIR = QStringLiteral(KESTRIX_BIN_DIR);
const QString APPLICATIONS_DIR = QStringLiteral(KESTRIX_APPLICATIONS_DIR);
const QString ICON_THEME_DIR = QStringLiteral(KESTRIX_ICON_THEME_DIR);
const QString METAINFO_DIR = QStringLiteral(KESTRIX_METAINFO_DIR);
const QString APPSTREAM_ID_PREFIX = QStringLiteral(KESTRIX_APPSTREAM_ID_PREFIX);
const QString UDEV_RULES_DIR = QStringLiteral(KESTRIX_UDEV_RULES_DIR);
const QString DOC_DIR = QStringLiteral(KESTRIX_DOC_DIR);
const QString MAN_DIR = QStringLiteral(KESTRIX_MAN_DIR);

const QStringList PRODUCT_IDS = {"55f0", "58f9", "5968", "59d7"};

struct Program {
    QString name;
    QString catalogue;
    QString icon;
};

QList<Program> builtPrograms()
{
    QList<Program> programs{
        {"hwconfig", "hardware_settings_ui_ru.qm", "kestrix_hardware_icon.png"}};
#ifdef KESTRIX_HAVE_WHEELCONFIG
    programs.append({"wheelconfig", "wheel_ui_ru.qm", "wheel_icon.png"});
#endif
    return programs;
}

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The keys of one group of a desktop entry.
QMap<QString, QString> desktopGroup(const QString &path, const QString &group)
{
    QMap<QString, QString> keys;
    bool inGroup = false;
    for (const QString &line : QString::fromUtf8(readAll(path)).split(QLatin1Char('\n'))) {
        if (line.startsWith(QLatin1Char('['))) {
            inGroup = line == QLatin1Char('[') + group + QLatin1Char(']');
        } else if (inGroup && line.contains(QLatin1Char('='))) {
            const int equals = line.indexOf(QLatin1Char('='));
            keys.insert(line.left(equals).trimmed(), line.mid(equals + 1).trimmed());
        }
    }
    return keys;
}

} // namespace

class InstallTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();

    void treeHoldsExactlyTheInstallation();
    void dataMatchesTheBuild();
    void udevRuleGrantsExactlyTheFamily();
    void desktopEntries_data();
    void desktopEntries();
    void installedProgramRunsThroughItsLauncher();
    void launcher_data();
    void launcher();

private:
    QString installed(const QString &relative) const
    {
        return prefix + QLatin1Char('/') + relative;
    }
    QString launcherPath(const QString &program) const
    {
        return installed(BIN_DIR + QStringLiteral("/kestrix-") + program);
    }

    static bool write(const QString &path, const QByteArray &content)
    {
        QFile file(path);
        return file.open(QIODevice::WriteOnly) && file.write(content) == content.size();
    }

    QTemporaryDir staging;
    QString prefix;     // the installation as it is
    QString stubPrefix; // a second one, with stubs in place of the programs
};

void InstallTest::initTestCase()
{
    QVERIFY(staging.isValid());
    prefix = staging.path() + QStringLiteral("/prefix");
    stubPrefix = staging.path() + QStringLiteral("/stubs");
    for (const QString &target : {prefix, stubPrefix}) {
        QProcess install;
        install.setProcessChannelMode(QProcess::MergedChannels);
        install.start(QStringLiteral(KESTRIX_CMAKE_COMMAND),
                      {"--install", QStringLiteral(KESTRIX_BUILD_DIR), "--prefix", target});
        QVERIFY(install.waitForFinished(120000));
        QVERIFY2(install.exitStatus() == QProcess::NormalExit && install.exitCode() == 0,
                 install.readAll().constData());
    }
    // The stub reports where it was started, the launcher's directory and the arguments.
    for (const Program &p : builtPrograms()) {
        const QString stub = stubPrefix + '/' + PROGRAM_DIR + '/' + p.name;
        QVERIFY(QFile::remove(stub));
        QVERIFY(write(stub,
                      "#!/bin/sh\n{ pwd -P; printf '%s\\n' \"$KESTRIX_LAUNCH_DIRECTORY\" \"$@\"; } "
                      "> \"$STUB_REPORT\"\n"));
        QVERIFY(QFile::setPermissions(stub, QFile::permissions(stub) | QFileDevice::ExeOwner));
    }
}

void InstallTest::treeHoldsExactlyTheInstallation()
{
    QStringList expected{
        DATA_DIR + "/kestrix_hardware_icon.png",
        DATA_DIR + "/wheel_icon.png",
        DATA_DIR + "/wheel_icon_not_connected.png",
        DATA_DIR + "/i18n/simulator_panel_ru.qm",
        DATA_DIR + "/i18n/live_input_ru.qm",
        UDEV_RULES_DIR + "/70-kestrix.rules",
        DOC_DIR + "/copyright",
        DOC_DIR + "/changelog.gz",
        MAN_DIR + "/man1/kestrix.1.gz",
    };
    QStringList executables{BIN_DIR + "/kestrix"};
    for (const Program &p : builtPrograms()) {
        executables << PROGRAM_DIR + '/' + p.name << BIN_DIR + "/kestrix-" + p.name;
        expected << DATA_DIR + "/i18n/" + p.catalogue
                 << APPLICATIONS_DIR + "/kestrix-" + p.name + ".desktop"
                 << ICON_THEME_DIR + "/kestrix-" + p.name + ".png"
                 << METAINFO_DIR + '/' + APPSTREAM_ID_PREFIX + '.' + p.name + ".metainfo.xml"
                 << MAN_DIR + "/man1/kestrix-" + p.name + ".1.gz";
        if (p.name == "wheelconfig")
            expected << DATA_DIR + "/autostart/kestrix-wheelconfig.desktop";
    }
    expected << executables;
    expected.sort();

    QStringList found;
    QDirIterator files(prefix, QDir::Files | QDir::Hidden | QDir::System,
                       QDirIterator::Subdirectories);
    while (files.hasNext())
        found << QDir(prefix).relativeFilePath(files.next());
    found.sort();
    QCOMPARE(found, expected);

    for (const QString &file : executables)
        QVERIFY2(QFileInfo(installed(file)).isExecutable(), qPrintable(file));
    for (const QString &file : expected) {
        if (!executables.contains(file))
            QVERIFY2(!QFileInfo(installed(file)).isExecutable(), qPrintable(file));
    }
}

void InstallTest::dataMatchesTheBuild()
{
    const QString run = QStringLiteral(KESTRIX_BUILD_DIR) + "/bin/";
    for (const char *icon :
         {"kestrix_hardware_icon.png", "wheel_icon.png", "wheel_icon_not_connected.png"})
        QVERIFY2(readAll(installed(DATA_DIR + '/' + icon)) == readAll(run + icon),
                 qPrintable(icon));
    for (const Program &p : builtPrograms()) {
        const QByteArray catalogue = readAll(installed(DATA_DIR + "/i18n/" + p.catalogue));
        QVERIFY(!catalogue.isEmpty());
        QCOMPARE(catalogue, readAll(run + "i18n/" + p.catalogue));
        QCOMPARE(readAll(installed(ICON_THEME_DIR + "/kestrix-" + p.name + ".png")),
                 readAll(run + p.icon));
    }
}

void InstallTest::udevRuleGrantsExactlyTheFamily()
{
    const QString rule = installed(UDEV_RULES_DIR + "/70-kestrix.rules");
    // uaccess works only in rules that udev reads before 73-seat-late.rules.
    QVERIFY(QFileInfo(rule).fileName() < QStringLiteral("73-seat-late.rules"));

    static const QRegularExpression key(
        QStringLiteral("^\\s*([A-Z]+(?:\\{\\w+\\})?)\\s*(==|\\+=|=)\\s*\"([^\"]*)\"\\s*$"));
    QMap<QString, QStringList> products; // subsystem -> product ids
    for (const QString &line : QString::fromUtf8(readAll(rule)).split('\n')) {
        if (line.trimmed().isEmpty() || line.trimmed().startsWith('#'))
            continue;
        QMap<QString, QString> keys;
        for (const QString &part : line.split(',')) {
            const auto match = key.match(part);
            QVERIFY2(match.hasMatch(), qPrintable(line));
            keys.insert(match.captured(1) + match.captured(2), match.captured(3));
        }
        QCOMPARE(keys.value("TAG+="), QStringLiteral("uaccess"));
        const QString subsystem = keys.value("SUBSYSTEM==");
        if (subsystem == "hidraw") {
            QCOMPARE(
                keys.keys(),
                (QStringList{"ATTRS{idProduct}==", "ATTRS{idVendor}==", "SUBSYSTEM==", "TAG+="}));
            QCOMPARE(keys.value("ATTRS{idVendor}=="), QStringLiteral("045b"));
            products[subsystem] << keys.value("ATTRS{idProduct}==");
        } else if (subsystem == "usb") {
            QCOMPARE(keys.keys(), (QStringList{"ATTR{idProduct}==", "ATTR{idVendor}==",
                                               "ENV{DEVTYPE}==", "SUBSYSTEM==", "TAG+="}));
            QCOMPARE(keys.value("ENV{DEVTYPE}=="), QStringLiteral("usb_device"));
            QCOMPARE(keys.value("ATTR{idVendor}=="), QStringLiteral("045b"));
            products[subsystem] << keys.value("ATTR{idProduct}==");
        } else {
            QFAIL(qPrintable("unexpected rule: " + line));
        }
    }
    QCOMPARE(products.keys(), (QStringList{"hidraw", "usb"}));
    for (QStringList ids : products) {
        ids.sort();
        QCOMPARE(ids, PRODUCT_IDS);
    }
}

void InstallTest::desktopEntries_data()
{
    QTest::addColumn<QString>("entry");
    QTest::addColumn<QString>("program");
    QTest::addColumn<QString>("options");     // of the entry's own Exec
    QTest::addColumn<QStringList>("actions"); // name and options of each
    for (const Program &p : builtPrograms()) {
        const QString file = APPLICATIONS_DIR + "/kestrix-" + p.name + ".desktop";
        QStringList actions{"russian", "ru"};
        if (p.name == "wheelconfig")
            actions = QStringList{"games", "--games", "input", "--input"} + actions;
        QTest::newRow(qPrintable(file)) << file << p.name << QString() << actions;
    }
#ifdef KESTRIX_HAVE_WHEELCONFIG
    const QString autostart = DATA_DIR + "/autostart/kestrix-wheelconfig.desktop";
    QTest::newRow(qPrintable(autostart)) << autostart << QStringLiteral("wheelconfig")
                                         << QStringLiteral(" --hidden") << QStringList();
#endif
}

void InstallTest::desktopEntries()
{
    QFETCH(QString, entry);
    QFETCH(QString, program);
    QFETCH(QString, options);
    QFETCH(QStringList, actions);

    const QString path = installed(entry);
    const auto keys = desktopGroup(path, QStringLiteral("Desktop Entry"));
    QCOMPARE(keys.value("Type"), QStringLiteral("Application"));
    QCOMPARE(keys.value("Exec"), launcherPath(program) + options);
    QCOMPARE(keys.value("Icon"), "kestrix-" + program);
    if (!actions.isEmpty()) // the autostart entry is no menu entry
        QVERIFY(keys.value("Categories").split(';').contains("Settings"));
    QVERIFY(!keys.value("Name").isEmpty());
    QVERIFY(!keys.contains("Hidden") && !keys.contains("NoDisplay"));
    QString names;
    for (int i = 0; i < actions.size(); i += 2) {
        names += actions[i] + ';';
        QCOMPARE(desktopGroup(path, "Desktop Action " + actions[i]).value("Exec"),
                 launcherPath(program) + ' ' + actions[i + 1]);
    }
    QCOMPARE(keys.value("Actions"), names);
}

// The real installed program, started by its launcher, talks to a simulated controller.
void InstallTest::installedProgramRunsThroughItsLauncher()
{
    QTemporaryDir home;
    const QString log = home.path() + "/transfers.log";
    QProcessEnvironment environment;
    environment.insert("PATH", "/usr/bin:/bin");
    environment.insert("HOME", home.path());
    environment.insert("QT_QPA_PLATFORM", "offscreen");
    environment.insert("KESTRIX_SIMULATOR", "joystick");
    environment.insert("KESTRIX_SIMULATOR_LOG", log);

    QProcess program;
    program.setProcessEnvironment(environment);
    program.setProcessChannelMode(QProcess::ForwardedChannels);
    program.start(launcherPath("hwconfig"), {"ru"});
    QVERIFY(program.waitForStarted());
    QTRY_VERIFY_WITH_TIMEOUT(readAll(log).contains(" 045b:58f9 a1 01 0325 "), 20000);
    QCOMPARE(program.state(), QProcess::Running);
    program.terminate();
    QVERIFY(program.waitForFinished(10000));
    QVERIFY(QFileInfo(home.path() + "/.local/share/kestrix/kestrix_hardware_icon.png").isSymLink());
}

void InstallTest::launcher_data()
{
    QTest::addColumn<QString>("program");
    QTest::addColumn<QString>("xdgDataHome"); // in the temporary root; "" unset
    QTest::addColumn<QString>("dataDir");     // expected, in the temporary root
    QTest::addColumn<bool>("userData");       // the user has been here before

    // Both launchers come from one script; only the program and its directories differ.
    for (const Program &p : builtPrograms()) {
        QTest::addRow("%s, first start", qPrintable(p.name))
            << p.name << QString() << "home/.local/share/kestrix" << false;
    }
    QTest::newRow("XDG_DATA_HOME") << "hwconfig"
                                   << "xdg data"
                                   << "xdg data/kestrix" << false;
    QTest::newRow("relative XDG_DATA_HOME ignored") << "hwconfig"
                                                    << "relative"
                                                    << "home/.local/share/kestrix" << false;
    QTest::newRow("the user's files are kept")
        << "hwconfig" << QString() << "home/.local/share/kestrix" << true;
}

// With a stub in place of the program: the launcher prepares the data directory, keeps
// what the user has there, and runs the program from it with the arguments given.
void InstallTest::launcher()
{
    QFETCH(QString, program);
    QFETCH(QString, xdgDataHome);
    QFETCH(QString, dataDir);
    QFETCH(bool, userData);

    QTemporaryDir root;
    QVERIFY(QDir(root.path()).mkpath("home"));
    const QString data = root.path() + '/' + dataDir;
    const QString shared = stubPrefix + '/' + DATA_DIR;
    const QByteArray profile(22, char(0x5A));
    const QString ownIcon = "kestrix_hardware_icon.png";
    if (userData) {
        // A profile, a stale link from an older installation, and an icon of the user's own.
        QVERIFY(QDir().mkpath(data + "/wheel_profiles"));
        QVERIFY(write(data + "/wheel_profiles/Rally", profile));
        QVERIFY(QFile::link("/nonexistent/old/wheel_icon.png", data + "/wheel_icon.png"));
        QVERIFY(write(data + '/' + ownIcon, "mine"));
    }

    QProcessEnvironment environment;
    environment.insert("PATH", "/usr/bin:/bin");
    environment.insert("HOME", root.path() + "/home");
    environment.insert("STUB_REPORT", root.path() + "/report");
    if (!xdgDataHome.isEmpty())
        environment.insert("XDG_DATA_HOME", xdgDataHome == "relative"
                                                ? xdgDataHome
                                                : root.path() + '/' + xdgDataHome);

    for (int start = 0; start < 2; ++start) { // the second start finds everything in place
        QProcess run;
        run.setProcessEnvironment(environment);
        run.setWorkingDirectory(root.path());
        run.setProcessChannelMode(QProcess::ForwardedChannels);
        run.start(stubPrefix + '/' + BIN_DIR + "/kestrix-" + program,
                  {"ru", "--profile", "Rally", "--", "two words"});
        QVERIFY(run.waitForFinished(30000));
        QCOMPARE(run.exitCode(), 0);

        QCOMPARE(QString::fromUtf8(readAll(root.path() + "/report")),
                 QFileInfo(data).canonicalFilePath() + '\n' +
                     QFileInfo(root.path()).canonicalFilePath() +
                     "\nru\n--profile\nRally\n--\ntwo words\n");
        for (const QString &icon : QDir(shared).entryList({"*.png"}, QDir::Files)) {
            if (userData && icon == ownIcon)
                QCOMPARE(readAll(data + '/' + icon), QByteArray("mine"));
            else
                QCOMPARE(QFileInfo(data + '/' + icon).symLinkTarget(), shared + '/' + icon);
        }
        QCOMPARE(QFileInfo(data + "/i18n").symLinkTarget(), shared + "/i18n");
        for (const Program &p : builtPrograms())
            QVERIFY(QFileInfo(data + "/i18n/" + p.catalogue).isReadable());
        if (userData)
            QCOMPARE(readAll(data + "/wheel_profiles/Rally"), profile);
        if (program == "wheelconfig")
            QVERIFY(QFileInfo(data + "/wheel_profiles").isDir());
    }
}

QTEST_GUILESS_MAIN(InstallTest)
#include "test_install.moc"
