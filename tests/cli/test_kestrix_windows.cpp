// The kestrix command line where Windows differs: what kestrix doctor can tell without udev
// or hidraw, and the input that only Linux reads for now.

#include "input_source.h"
#include "kestrix_fixture.h"

class KestrixWindowsTest : public KestrixFixture
{
    Q_OBJECT

private slots:
    void windowsOwnAnswers_data();
    void windowsOwnAnswers();
};

void KestrixWindowsTest::windowsOwnAnswers_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<bool>("refused"); // the plugged-in joystick can not be opened
    QTest::addColumn<int>("code");
    QTest::addColumn<QStringList>("says"); // each a part of the output or the error
    const QString noInput =
        QStringLiteral("kestrix: live input is available on Linux only for now\n");
    QTest::newRow("input, none named")
        << QStringList{"input", "--once"} << false << 1 << QStringList{noInput};
    QTest::newRow("input, named")
        << QStringList{"input", "joystick"} << false << 1 << QStringList{noInput};
    QTest::newRow("doctor, usable")
        << QStringList{"doctor"} << false << 0
        << QStringList{"joystick 0x58f9 (bus ", "): ok\n",
                       "Every plugged-in controller can be used (1).\n"};
    QTest::newRow("doctor, held by another program")
        << QStringList{"doctor"} << true << 1
        << QStringList{"plugged in, but another program holds it\n",
                       "fix: close the program that holds it",
                       "The plugged-in controller can not be used: run the fixes above.\n"};
}

// Against the system's own input, as the built program has it without the simulator.
void KestrixWindowsTest::windowsOwnAnswers()
{
    QFETCH(QStringList, arguments);
    QFETCH(bool, refused);
    QFETCH(int, code);
    QFETCH(QStringList, says);
    plug({ControllerKind::Joystick});
    sim->controller(ControllerKind::Joystick)->setAccessDenied(refused);
    setInputProvider(nullptr);

    const Run run = kestrix(arguments);
    QVERIFY2(run.code == code, qPrintable(explain(run)));
    for (const QString &text : says)
        QVERIFY2((run.out + run.err).contains(text), qPrintable(text + '\n' + explain(run)));
    QVERIFY2(run.err.count(QLatin1Char('\n')) <= 1, qPrintable(run.err));
}

QTEST_GUILESS_MAIN(KestrixWindowsTest)
#include "test_kestrix_windows.moc"
