// The kestrix command line where it meets what only Linux has: the udev rule and the
// hidraw nodes that kestrix doctor checks, closed pipes, full devices and disks, and files
// that are no regular files.

#include "file_conditions.h"
#include "kestrix_fixture.h"
#include "kestrix_protocol.h"
#include "system_facts.h"

#include <QProcess>

#include <csignal>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

class KestrixLinuxTest : public KestrixFixture
{
    Q_OBJECT

private slots:
    void specialFilesAreRefused_data();
    void specialFilesAreRefused();
    void controllersThatCanNotBeUsed_data();
    void controllersThatCanNotBeUsed();
    void unwritableOutputIsAFailure_data();
    void unwritableOutputIsAFailure();
    void backupOnAFullDiskKeepsTheOldFile();
};

void KestrixLinuxTest::specialFilesAreRefused_data()
{
    QTest::addColumn<QString>("file"); // "@fifo": a FIFO in the test's folder
    QTest::addColumn<QString>("reason");
    QTest::newRow("endless device")
        << "/dev/zero" << "/dev/zero can not be read: it is not a regular file";
    QTest::newRow("FIFO without a writer") << "@fifo" << "can not be read: it is not a regular file";
}

// Nothing is sent to the controller, and the restore does not wait for the file's end.
void KestrixLinuxTest::specialFilesAreRefused()
{
    QFETCH(QString, file);
    QFETCH(QString, reason);
    plug({ControllerKind::Joystick});
    if (file == QLatin1String("@fifo")) { // opening it for reading would wait for a writer
        file = directory.filePath(QStringLiteral("fifo"));
        QFile::remove(file);
        QCOMPARE(::mkfifo(QFile::encodeName(file).constData(), 0600), 0);
    }

    const Run run = kestrix({"restore", "joystick", file});
    QVERIFY2(run.code == EXIT_USAGE && run.err.contains(reason), qPrintable(explain(run)));
    QCOMPARE(run.err.count(QLatin1Char('\n')), 1);
    QVERIFY(setReports(sim->controller(ControllerKind::Joystick)->transfers()).empty());
}

void KestrixLinuxTest::controllersThatCanNotBeUsed_data()
{
    QTest::addColumn<QString>("rule"); // the file under etc/udev/rules.d, if any
    QTest::addColumn<bool>("refused"); // the plugged-in joystick refuses this user
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("code");
    QTest::addColumn<QStringList>("says"); // "!text": never says it
    QTest::addColumn<bool>("remote");      // over ssh; else at the seat

    const QString reload =
        QStringLiteral("fix: sudo udevadm control --reload && sudo udevadm trigger");
    QTest::newRow("doctor, all good")
        << "70-kestrix.rules" << false << QStringList{"doctor"} << 0
        << QStringList{"udev running: ok", "udev rule for vendor 045b: ok (",
                       "joystick 0x58f9 (bus 1, device 3): ok",
                       "Every plugged-in controller can be used (2)."}
        << false;
    QTest::newRow("doctor, no rule")
        << "" << true << QStringList{"doctor"} << 1
        << QStringList{"udev rule for vendor 045b: none installed",
                       "fix: sudo install -m 644 ",
                       "70-kestrix.rules /etc/udev/rules.d/",
                       reload,
                       "no access: this user may not open /dev/hidraw-simulated-joystick",
                       "1 of 2 plugged-in controllers can not be used"}
        << true;
    QTest::newRow("doctor, rule after the seat's")
        << "99-kestrix.rules" << true << QStringList{"doctor"} << 1
        << QStringList{"99-kestrix.rules sorts after 73-seat-late.rules",
                       "70-kestrix.rules /etc/udev/rules.d/"}
        << true;
    QTest::newRow("doctor, rule present but no access")
        << "70-kestrix.rules" << true << QStringList{"doctor"} << 1
        << QStringList{"udev rule for vendor 045b: ok (", reload, "fix: plug the joystick in again",
                       "fix: log in at the machine rather than over ssh",
                       "1 of 2 plugged-in controllers can not be used"}
        << true;
    QTest::newRow("doctor, no rule, every controller usable")
        << "" << false << QStringList{"doctor"} << 0
        << QStringList{"udev rule for vendor 045b: none installed", "!fix:"} << false;
    QTest::newRow("doctor, no access at the seat")
        << "70-kestrix.rules" << true << QStringList{"doctor"} << 1
        << QStringList{reload, "fix: plug the joystick in again", "!over ssh"} << false;
    QTest::newRow("list")
        << "70-kestrix.rules" << true << QStringList{"list"} << 1
        << QStringList{"generic  0x55f0 device type 0",
                       "joystick 0x58f9 plugged in, no access: this user may not open "
                       "/dev/hidraw-simulated-joystick\n",
                       "kestrix doctor"}
        << false;
    QTest::newRow("show") << "70-kestrix.rules" << true << QStringList{"show", "joystick"} << 1
                          << QStringList{"joystick 0x58f9 plugged in, no access",
                                         "see kestrix doctor"}
                          << false;
}

void KestrixLinuxTest::controllersThatCanNotBeUsed()
{
    QFETCH(QString, rule);
    QFETCH(bool, refused);
    QFETCH(QStringList, arguments);
    QFETCH(int, code);
    QFETCH(QStringList, says);
    QFETCH(bool, remote);
    const QByteArray ssh = qgetenv("SSH_CONNECTION"), seat = qgetenv("XDG_SEAT");
    remote ? qputenv("SSH_CONNECTION", "192.0.2.1 50000 192.0.2.2 22")
           : qunsetenv("SSH_CONNECTION");
    remote ? qunsetenv("XDG_SEAT") : qputenv("XDG_SEAT", "seat0");
    const auto restore = qScopeGuard([&] {
        ssh.isNull() ? qunsetenv("SSH_CONNECTION") : qputenv("SSH_CONNECTION", ssh);
        seat.isNull() ? qunsetenv("XDG_SEAT") : qputenv("XDG_SEAT", seat);
    });
    plug({ControllerKind::Generic, ControllerKind::Joystick});
    sim->controller(ControllerKind::Joystick)->setAccessDenied(refused);
    QTemporaryDir root;
    QVERIFY(QDir(root.path()).mkpath(QStringLiteral("run/udev")));
    QVERIFY(QFile(root.filePath(QStringLiteral("run/udev/control"))).open(QIODevice::WriteOnly));
    QVERIFY(QDir(root.path()).mkpath(QStringLiteral("etc/udev/rules.d")));
    if (!rule.isEmpty()) {
        QFile file(root.filePath(QStringLiteral("etc/udev/rules.d/") + rule));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("SUBSYSTEM==\"hidraw\", ATTRS{idVendor}==\"045b\", TAG+=\"uaccess\"\n");
    }
    setSystemRoot(root.path());

    const Run run = kestrix(arguments);
    setSystemRoot(QString());
    QVERIFY2(run.code == code, qPrintable(explain(run)));
    for (const QString &text : says) {
        const bool never = text.startsWith(QLatin1Char('!'));
        QVERIFY2((run.out + run.err).contains(text.mid(never ? 1 : 0)) != never,
                 qPrintable(text + '\n' + explain(run)));
    }
    // Nothing was opened on the controller that refuses.
    if (refused)
        QVERIFY(sim->controller(ControllerKind::Joystick)->transfers().empty());
}

void KestrixLinuxTest::unwritableOutputIsAFailure_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("refused"); // KESTRIX_SIMULATOR_NO_ACCESS
    QTest::addColumn<bool>("pipe");       // a closed pipe; else /dev/full
    QTest::addColumn<QString>("err");
    const QString full = QStringLiteral("kestrix: the output could not be written: No space left "
                                        "on device\n");
    const QString closed = QStringLiteral("kestrix: the output could not be written: Broken "
                                          "pipe");
    QTest::newRow("show, full device") << QStringList{"show"} << "" << false << full;
    QTest::newRow("doctor, closed pipe") << QStringList{"doctor"} << "" << true << closed + '\n';
    QTest::newRow("list that failed, closed pipe")
        << QStringList{"list"} << "joystick" << true
        << closed + "; before that: run kestrix doctor to see how to make it usable\n";
}

// The built program, as a script runs it: a failed write of what it prints is no success,
// and a closed pipe does not end it unheard.
void KestrixLinuxTest::unwritableOutputIsAFailure()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, refused);
    QFETCH(bool, pipe);
    QFETCH(QString, err);
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("KESTRIX_SIMULATOR"), QStringLiteral("joystick"));
    environment.insert(QStringLiteral("KESTRIX_SIMULATOR_NO_ACCESS"), refused);
    QProcess program;
    program.setProcessEnvironment(environment);
    program.setWorkingDirectory(directory.path());
    int ends[2] = {-1, -1};
    if (pipe) {
        QCOMPARE(::pipe2(ends, O_CLOEXEC), 0);
        ::close(ends[0]); // no reader: a write gets EPIPE, or SIGPIPE where not ignored
        const int writer = ends[1];
        program.setChildProcessModifier([writer] {
            ::dup2(writer, STDOUT_FILENO);
            ::signal(SIGPIPE, SIG_DFL);
        });
    } else {
        program.setStandardOutputFile(QStringLiteral("/dev/full"));
    }
    program.start(QStringLiteral(KESTRIX_PROGRAM), arguments);
    const bool finished = program.waitForFinished(60000);
    if (pipe)
        ::close(ends[1]);
    QVERIFY(finished);
    QCOMPARE(program.exitStatus(), QProcess::NormalExit);
    QCOMPARE(QString::fromUtf8(program.readAllStandardError()), err);
    QCOMPARE(program.exitCode(), int(EXIT_DEVICE));
}

void KestrixLinuxTest::backupOnAFullDiskKeepsTheOldFile()
{
    plug({ControllerKind::Joystick});
    const QString path = directory.filePath(QStringLiteral("old.json"));
    QFile old(path);
    QVERIFY(old.open(QIODevice::WriteOnly));
    old.write("an older backup");
    old.close();

    Run run;
    {
        FullDisk full;
        QVERIFY(full.active);
        run = kestrix({"backup", "--force", path});
    }
    QVERIFY2(run.code == EXIT_USAGE, qPrintable(explain(run)));
    QCOMPARE(run.err,
             QStringLiteral("kestrix: %1 can not be written: the disk is full\n").arg(path));
    QVERIFY(run.out.isEmpty());
    QVERIFY(old.open(QIODevice::ReadOnly));
    QCOMPARE(old.readAll(), QByteArray("an older backup"));
}

QTEST_GUILESS_MAIN(KestrixLinuxTest)
#include "test_kestrix_linux.moc"
