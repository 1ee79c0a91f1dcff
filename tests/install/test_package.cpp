// The Debian package as apt gets it: what it holds, what it depends on, its AppStream
// metadata and desktop entries, its maintainer scripts, and a program run from it unpacked.

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QXmlStreamReader>
#include <QtTest>

namespace
{

const QString PACKAGE = QStringLiteral(KESTRIX_PACKAGE);

// Two controllers that udev reports on the bus, for the maintainer scripts.
const QStringList CONTROLLERS{"/sys/devices/pci0000:00/0000:00:14.0/usb1/1-2",
                              "/sys/devices/pci0000:00/0000:00:14.0/usb3/3-1.4"};

struct Result {
    int exitCode = -1;
    QByteArray output; // stdout and stderr
};

Result run(const QString &program, const QStringList &arguments,
           const QProcessEnvironment &environment = QProcessEnvironment::systemEnvironment())
{
    QProcess process;
    process.setProcessEnvironment(environment);
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, arguments);
    if (!process.waitForFinished(120000) || process.exitStatus() != QProcess::NormalExit)
        return {-1, process.readAll() + process.errorString().toUtf8()};
    return {process.exitCode(), process.readAll()};
}

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool write(const QString &path, const QByteArray &content)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(content) == content.size();
}

// Files and links under a root, by their path relative to it.
QMap<QString, QFileInfo> filesUnder(const QString &root)
{
    QMap<QString, QFileInfo> files;
    QDirIterator it(root, QDir::Files | QDir::Hidden | QDir::System, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        it.next();
        files.insert(QDir(root).relativeFilePath(it.filePath()), it.fileInfo());
    }
    return files;
}

// What a software centre reads from a metainfo file.
struct Metainfo {
    bool wellFormed = false;
    QString id;
    QString launchable;
    QStringList releases; // "version date", newest first
    QStringList modaliases;
    QStringList screenshots;
};

Metainfo parseMetainfo(const QByteArray &xml)
{
    Metainfo info;
    QXmlStreamReader reader(xml);
    while (!reader.atEnd()) {
        if (reader.readNext() != QXmlStreamReader::StartElement)
            continue;
        const auto name = reader.name();
        if (name == QLatin1String("release")) {
            info.releases << reader.attributes().value("version").toString() + ' ' +
                                 reader.attributes().value("date").toString();
        } else if (name == QLatin1String("id")) {
            info.id = reader.readElementText();
        } else if (name == QLatin1String("launchable")) {
            info.launchable = reader.readElementText();
        } else if (name == QLatin1String("modalias")) {
            info.modaliases << reader.readElementText();
        } else if (name == QLatin1String("image")) {
            info.screenshots << reader.readElementText();
        }
    }
    info.wellFormed = !reader.hasError();
    return info;
}

} // namespace

class PackageTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();

    void holdsWhatTheInstallRulesInstall();
    void controlFields();
    void metainfo_data();
    void metainfo();
    void metadataValidates();
    void maintainerScripts_data();
    void maintainerScripts();
    void unpackedCommandLineRuns();
    void manualPagesNameEveryOption_data();
    void manualPagesNameEveryOption();
    void lintianAccepts();

private:
    QTemporaryDir temporary;
    QString root;      // the package unpacked
    QString control;   // its control files
    QString reference; // cmake --install with the prefix /usr
};

void PackageTest::initTestCase()
{
    QVERIFY(temporary.isValid());
    root = temporary.path() + "/root";
    control = temporary.path() + "/control";
    reference = temporary.path() + "/reference";
    QVERIFY2(QFileInfo::exists(PACKAGE), qPrintable(PACKAGE));

    for (const QStringList &arguments :
         {QStringList{"-x", PACKAGE, root}, QStringList{"--control", PACKAGE, control}}) {
        const Result unpack = run("dpkg-deb", arguments);
        QVERIFY2(unpack.exitCode == 0, unpack.output.constData());
    }

    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("DESTDIR", reference);
    const Result install = run(QStringLiteral(KESTRIX_CMAKE_COMMAND),
                               {"--install", KESTRIX_BUILD_DIR, "--prefix", "/usr"}, environment);
    QVERIFY2(install.exitCode == 0, install.output.constData());
}

// dpkg-deb's listing: everything under /usr, owned by root, with the files, modes and
// contents of an installation with the prefix /usr (the programs stripped).
void PackageTest::holdsWhatTheInstallRulesInstall()
{
    const Result listing = run("dpkg-deb", {"--contents", PACKAGE});
    QCOMPARE(listing.exitCode, 0);
    QMap<QString, QString> modes; // path -> mode, for everything but directories
    for (const QString &line : QString::fromUtf8(listing.output).split('\n', Qt::SkipEmptyParts)) {
        const QStringList fields = line.split(' ', Qt::SkipEmptyParts);
        QVERIFY2(fields.size() == 6, qPrintable(line));
        QCOMPARE(fields[1], QStringLiteral("root/root"));
        QVERIFY2(fields[5].startsWith("./usr/"), qPrintable(line));
        if (!fields[0].startsWith('d'))
            modes.insert(fields[5].mid(2), fields[0]);
    }

    const QMap<QString, QFileInfo> installed = filesUnder(reference);
    QCOMPARE(modes.keys(), installed.keys());
    for (auto file = installed.cbegin(); file != installed.cend(); ++file) {
        QCOMPARE(modes.value(file.key()),
                 QString(file->isExecutable() ? "-rwxr-xr-x" : "-rw-r--r--"));
        const QByteArray packaged = readAll(root + '/' + file.key());
        if (!packaged.startsWith("\x7f"
                                 "ELF"))
            QVERIFY2(packaged == readAll(file->filePath()), qPrintable(file.key()));
    }
}

void PackageTest::controlFields()
{
    const Result fields =
        run("dpkg-deb", {"--field", PACKAGE, "Package", "Version", "Architecture", "Depends"});
    QCOMPARE(fields.exitCode, 0);
    QMap<QString, QString> values;
    for (const QString &line : QString::fromUtf8(fields.output).split('\n', Qt::SkipEmptyParts))
        values.insert(line.section(':', 0, 0), line.section(':', 1).trimmed());
    QCOMPARE(values.value("Package"), QStringLiteral("kestrix"));
    QCOMPARE(values.value("Version"), QStringLiteral(KESTRIX_VERSION));
    QCOMPARE(values.value("Architecture"), QStringLiteral(KESTRIX_ARCHITECTURE));

    // Versioned by dpkg-shlibdeps from the symbols the programs use; the platform plugins,
    // which Qt loads at run time, by hand.
    const QString depends = values.value("Depends");
    for (const char *library : {"libqt6core6", "libqt6gui6", "libqt6widgets6", "libusb-1.0-0"}) {
        const QRegularExpression versioned(QRegularExpression::escape(library) +
                                           " \\(>= [^)]+\\)(,|$)");
        QVERIFY2(depends.contains(versioned), qPrintable(library + (": " + depends)));
    }
    QVERIFY2(depends.split(", ").contains("qt6-qpa-plugins"), qPrintable(depends));
}

void PackageTest::metainfo_data()
{
    QTest::addColumn<QString>("program");
    QTest::addColumn<QStringList>("products");

    // The hardware program serves every controller that the udev rule lets the user reach.
    static const QRegularExpression product(QStringLiteral("ATTRS?\\{idProduct\\}==\"(\\w+)\""));
    QStringList everyProduct;
    const QString rule =
        QString::fromUtf8(readAll(root + "/usr/lib/udev/rules.d/70-kestrix.rules"));
    for (auto it = product.globalMatch(rule); it.hasNext();)
        everyProduct << it.next().captured(1).toUpper();
    everyProduct.removeDuplicates();
    QCOMPARE(everyProduct.size(), 4);

    QTest::newRow("hwconfig") << "hwconfig" << everyProduct;
    QTest::newRow("wheelconfig") << "wheelconfig" << QStringList{"59D7"};
}

void PackageTest::metainfo()
{
    QFETCH(QString, program);
    QFETCH(QStringList, products);

    const QString id = "org.example.kestrix." + program;
    const QString path = root + "/usr/share/metainfo/" + id + ".metainfo.xml";
    const Metainfo info = parseMetainfo(readAll(path));
    QVERIFY(info.wellFormed);
    QCOMPARE(info.id, id);
    QCOMPARE(info.launchable, "kestrix-" + program + ".desktop");
    QCOMPARE(info.releases.value(0), QStringLiteral(KESTRIX_VERSION " " KESTRIX_RELEASE_DATE));

    QStringList modaliases;
    for (const QString &id : products)
        modaliases << "usb:v045Bp" + id + "d*";
    QCOMPARE(info.modaliases, modaliases);

    // Each screenshot is one of the repository's, shown in the README, to be published
    // under the same name.
    QVERIFY(!info.screenshots.isEmpty());
    const QByteArray readme = readAll(QStringLiteral(KESTRIX_SOURCE_DIR "/README.md"));
    for (const QString &url : info.screenshots) {
        QVERIFY2(url.startsWith("https://"), qPrintable(url));
        const QString file = "docs/" + url.section('/', -1);
        QVERIFY2(QFileInfo::exists(QStringLiteral(KESTRIX_SOURCE_DIR "/") + file),
                 qPrintable(file));
        QVERIFY2(readme.contains("(" + file.toUtf8() + ")"), qPrintable(file));
    }
}

// The metadata with the desktop entries and icons it names, and every desktop entry.
void PackageTest::metadataValidates()
{
    const Result tree = run(QStringLiteral(KESTRIX_APPSTREAMCLI),
                            {"validate-tree", "--no-net", "--pedantic", root});
    QVERIFY2(tree.exitCode == 0, tree.output.constData());

    QStringList entries;
    for (auto it = QDirIterator(root, {"*.desktop"}, QDir::Files, QDirIterator::Subdirectories);
         it.hasNext();)
        entries << it.next();
    QCOMPARE(entries.size(), 3); // two in the menu, the autostart entry
    for (const QString &entry : entries) {
        const Result validation = run(QStringLiteral(KESTRIX_DESKTOP_FILE_VALIDATE), {entry});
        QVERIFY2(validation.exitCode == 0 && validation.output.trimmed().isEmpty(),
                 qPrintable(entry + ": " + validation.output));
    }
}

void PackageTest::maintainerScripts_data()
{
    QTest::addColumn<QString>("script");
    QTest::addColumn<QString>("action");
    QTest::addColumn<int>("controlStatus");      // of `udevadm control`; -1: no udevadm at all
    QTest::addColumn<QString>("vanishedDevice"); // a controller gone before its trigger
    QTest::addColumn<QStringList>("calls");      // of udevadm, in order

    QStringList reloadAndTrigger{
        "control --reload-rules",
        "trigger --dry-run --verbose --subsystem-match=usb --attr-match=idVendor=045b"};
    for (const QString &controller : CONTROLLERS)
        reloadAndTrigger << "trigger --action=change --parent-match=" + controller;

    QTest::newRow("installed") << "postinst"
                               << "configure" << 0 << QString() << reloadAndTrigger;
    QTest::newRow("removed") << "postrm"
                             << "remove" << 0 << QString() << reloadAndTrigger;
    QTest::newRow("a controller unplugged meanwhile")
        << "postinst"
        << "configure" << 0 << CONTROLLERS[0] << reloadAndTrigger;
    QTest::newRow("no udev daemon (a container)")
        << "postinst"
        << "configure" << 1 << QString() << reloadAndTrigger.mid(0, 1);
    QTest::newRow("no udev at all") << "postinst"
                                    << "configure" << -1 << QString() << QStringList();
    QTest::newRow("upgraded: the new version's postinst tells udev")
        << "postrm"
        << "upgrade" << 0 << QString() << QStringList();
}

// With a stand-in for udevadm that records its calls: the scripts never fail the
// installation or removal for want of udev.
void PackageTest::maintainerScripts()
{
    QFETCH(QString, script);
    QFETCH(QString, action);
    QFETCH(int, controlStatus);
    QFETCH(QString, vanishedDevice);
    QFETCH(QStringList, calls);

    QTemporaryDir bin;
    const QString log = bin.path() + "/calls";
    if (controlStatus >= 0) {
        const QString udevadm = bin.path() + "/udevadm";
        QVERIFY(write(udevadm, "#!/bin/sh\n"
                               "echo \"$*\" >> \"$STUB_LOG\"\n"
                               "case \"$1 $2\" in\n"
                               "'control '*) exit \"$STUB_CONTROL_STATUS\" ;;\n"
                               "'trigger --dry-run') printf '%s\\n' $STUB_DEVICES ;;\n"
                               "'trigger --action=change') [ \"$3\" != \"--parent-match="
                               "$STUB_VANISHED\" ] ;;\n"
                               "esac\n"));
        QVERIFY(QFile::setPermissions(udevadm, QFile::permissions(udevadm) | QFile::ExeOwner));
    }
    QProcessEnvironment environment;
    environment.insert("PATH", bin.path());
    environment.insert("STUB_LOG", log);
    environment.insert("STUB_CONTROL_STATUS", QString::number(controlStatus));
    environment.insert("STUB_DEVICES", CONTROLLERS.join(' '));
    environment.insert("STUB_VANISHED", vanishedDevice);

    const Result result = run(control + '/' + script, {action}, environment);
    QVERIFY2(result.exitCode == 0, result.output.constData());
    QCOMPARE(QString::fromUtf8(readAll(log)).split('\n', Qt::SkipEmptyParts), calls);
}

// The command line from the unpacked package, with the libraries its Depends names.
void PackageTest::unpackedCommandLineRuns()
{
    const QString kestrix = root + "/usr/bin/kestrix";
    const Result version = run(kestrix, {"--version"});
    QCOMPARE(version.exitCode, 0);
    QCOMPARE(version.output, QByteArray("kestrix " KESTRIX_VERSION "\n"));

    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("KESTRIX_SIMULATOR", "joystick");
    const Result list = run(kestrix, {"list"}, environment);
    QCOMPARE(list.exitCode, 0);
    QVERIFY2(list.output.startsWith("joystick 0x58f9"), list.output.constData());
}

void PackageTest::manualPagesNameEveryOption_data()
{
    QTest::addColumn<QString>("page");
    QTest::addColumn<QString>("program"); // in the unpacked package
    QTest::addColumn<QString>("entries"); // in its --help: a command or an option per match

    QTest::newRow("kestrix") << "kestrix"
                             << "usr/bin/kestrix"
                             << R"(^  ([a-z]+)\b|(?<![\w-])(--?[a-z][a-z-]*))";
    QTest::newRow("kestrix-wheelconfig") << "kestrix-wheelconfig"
                                         << "usr/libexec/kestrix/wheelconfig"
                                         << R"((?<![\w-])(--?[a-z][a-z-]*|ru(?= )))";
}

// A command or option that a program's --help lists and its manual page leaves out.
void PackageTest::manualPagesNameEveryOption()
{
    QFETCH(QString, page);
    QFETCH(QString, program);
    QFETCH(QString, entries);

    const Result manual = run("gzip", {"-dc", root + "/usr/share/man/man1/" + page + ".1.gz"});
    QCOMPARE(manual.exitCode, 0);
    const QString text = QString::fromUtf8(manual.output).replace("\\-", "-");
    QVERIFY2(text.startsWith(".TH " + page.toUpper() + " 1 "), qPrintable(text.left(80)));

    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("QT_QPA_PLATFORM", "offscreen");
    const Result help = run(root + '/' + program, {"--help"}, environment);
    QCOMPARE(help.exitCode, 0);
    QStringList missing;
    int found = 0;
    const QRegularExpression entry(entries, QRegularExpression::MultilineOption);
    for (auto it = entry.globalMatch(QString::fromUtf8(help.output)); it.hasNext(); ++found) {
        const auto match = it.next();
        const QString name = match.captured(1) + match.captured(2);
        const QRegularExpression word("(?<![\\w-])" + QRegularExpression::escape(name) +
                                      "(?![\\w-])");
        if (!text.contains(word))
            missing << name;
    }
    QVERIFY2(found >= 4, help.output.constData());
    QVERIFY2(missing.isEmpty(), qPrintable(missing.join(' ')));
}

// Every error and warning of lintian, the check Debian runs on what it ships, and its
// hardening tags, which some of its versions give only as information.
void PackageTest::lintianAccepts()
{
    if (QStringLiteral(KESTRIX_LINTIAN).isEmpty())
        QSKIP("lintian is not installed");
    const Result lintian = run(QStringLiteral(KESTRIX_LINTIAN), {"--display-info", PACKAGE});
    QStringList problems;
    for (const QString &line : QString::fromUtf8(lintian.output).split('\n')) {
        if (line.startsWith("E: ") || line.startsWith("W: ") || line.contains(" hardening-"))
            problems << line;
    }
    QVERIFY2(problems.isEmpty(), qPrintable(problems.join('\n')));
    QVERIFY2(lintian.exitCode == 0, lintian.output.constData());
}

QTEST_GUILESS_MAIN(PackageTest)
#include "test_package.moc"
