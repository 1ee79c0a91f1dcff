// The wheel program on the desktop: the autostart entry behind "Start with the session".

#include "autostart.h"
#include "file_conditions.h"
#include "test_support.h"
#include "wheel_test_support.h"

#include <QProcess>
#include "desktop_integration.h"
#include <QStandardPaths>
#include <QtTest>

namespace
{

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void write(const QString &path, const QByteArray &content)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write(content) == content.size());
}

} // namespace

class WheelDesktopTest : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void startWithSession_data();
    void startWithSession();

private:
    std::unique_ptr<QTemporaryDir> config;
    QByteArray savedConfigHome;
};

void WheelDesktopTest::init()
{
    config = std::make_unique<QTemporaryDir>();
    savedConfigHome = qgetenv("XDG_CONFIG_HOME");
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(config->filePath("config")));
}

void WheelDesktopTest::cleanup()
{
    qputenv("XDG_CONFIG_HOME", savedConfigHome);
    config.reset();
}

enum class Entry { None, Written, HandMade, HandMadeOff, UnwritableFolder };

void WheelDesktopTest::startWithSession_data()
{
    QTest::addColumn<Entry>("before");
    QTest::addColumn<bool>("shownChecked"); // as the menu opens
    QTest::addColumn<bool>("checkedAfter"); // after one click
    QTest::addColumn<QString>("told");      // the start of the message, if any

    QTest::newRow("check") << Entry::None << false << true << QString();
    QTest::newRow("uncheck") << Entry::Written << true << false << QString();
    QTest::newRow("hand-made entry") << Entry::HandMade << true << false << QString();
    QTest::newRow("hand-made, switched off") << Entry::HandMadeOff << false << true << QString();
    QTest::newRow("folder missing") << Entry::None << false << true << QString();
    QTest::newRow("unwritable folder")
        << Entry::UnwritableFolder << false << false << "permission was denied.";
}

void WheelDesktopTest::startWithSession()
{
    QFETCH(Entry, before);
    QFETCH(bool, shownChecked);
    QFETCH(bool, checkedAfter);
    QFETCH(QString, told);

    const QString folder = config->filePath("config/autostart");
    const QString entry = folder + "/kestrix-wheelconfig.desktop";
    QCOMPARE(SessionAutostart::defaultPath(), entry);
    const bool folderMissing = QByteArray(QTest::currentDataTag()) == "folder missing";
    if (!folderMissing)
        QVERIFY(QDir().mkpath(folder));
    if (before == Entry::Written)
        QVERIFY(SessionAutostart().enable(programIdentity()).ok());
    const QByteArray handMade = "[Desktop Entry]\nType=Application\nName=Kestrix Wheel\n"
                                "Exec=/usr/bin/kestrix-wheelconfig\n";
    if (before == Entry::HandMade)
        CHECKED(write(entry, handMade));
    if (before == Entry::HandMadeOff)
        CHECKED(write(entry, handMade + "Hidden=true\n"));
    if (before == Entry::UnwritableFolder) {
        QVERIFY(QFile::setPermissions(config->path(), QFile::ReadOwner | QFile::WriteOwner |
                                                          QFile::ExeOwner | QFile::ExeOther));
        QVERIFY(QFile::setPermissions(config->filePath("config"), QFile::ReadOwner |
                                                                      QFile::WriteOwner |
                                                                      QFile::ExeOwner |
                                                                      QFile::ExeOther));
        QVERIFY(QFile::setPermissions(folder, QFile::ReadOwner | QFile::ExeOwner |
                                                  QFile::ReadOther | QFile::ExeOther));
    }

    QStringList messages;
    AutostartAction action([&messages](const QString &text) { messages << text; }, nullptr);
    QCOMPARE(action.text(), QStringLiteral("Start with the session"));
    QCOMPARE(action.isChecked(), shownChecked);
    if (before == Entry::UnwritableFolder) {
        AsOtherUser other; // as root, so that the folder's mode applies
        QVERIFY(other.active);
        action.trigger();
    } else {
        action.trigger();
    }
    QCOMPARE(action.isChecked(), checkedAfter);
    QCOMPARE(QFileInfo::exists(entry), checkedAfter);
    if (told.isEmpty()) {
        QCOMPARE(messages, QStringList());
    } else {
        QCOMPARE(messages.size(), 1);
        QVERIFY2(messages.first().startsWith(entry + " can not be written: " + told),
                 qPrintable(messages.first()));
    }
    if (!checkedAfter)
        return;

    // What the session will run: this program, in the tray.
    const QString exec = QString::fromUtf8(readAll(entry)).section("\nExec=", 1).section('\n', 0, 0);
    QCOMPARE(exec, programIdentity().command + " --hidden");
    const QString validator = QStandardPaths::findExecutable("desktop-file-validate");
    if (!validator.isEmpty()) {
        QProcess validate;
        validate.setProcessChannelMode(QProcess::MergedChannels);
        validate.start(validator, {entry});
        QVERIFY(validate.waitForFinished(30000));
        QVERIFY2(validate.exitCode() == 0, validate.readAll().constData());
    }
}

QTEST_MAIN(WheelDesktopTest)
#include "test_wheel_desktop.moc"
