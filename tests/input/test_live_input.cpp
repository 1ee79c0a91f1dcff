// Following a controller's input: the window says why it shows nothing and holds nothing
// open while hidden; kestrix input prints each report until it is interrupted.

#include "command_line.h"
#include "kestrix_protocol.h"
#include "live_input_window.h"
#include "simulated_input.h"
#include "test_support.h"

#include <QLabel>
#include <QtTest>

#include <algorithm>
#include <csignal>

class LiveInputTest : public QObject
{
    Q_OBJECT

private slots:
    void windowSaysWhyItShowsNothing_data();
    void windowSaysWhyItShowsNothing();
    void commandPrintsEachReportUntilInterrupted_data();
    void commandPrintsEachReportUntilInterrupted();
    void changesQueueWhileTheSourceRests_data();
    void changesQueueWhileTheSourceRests();
};

void LiveInputTest::windowSaysWhyItShowsNothing_data()
{
    QTest::addColumn<bool>("plugged");
    QTest::addColumn<bool>("refused");
    QTest::addColumn<QString>("says");
    QTest::newRow("readable") << true << false << "Kestrix Joystick";
    QTest::newRow("no event device") << false << false
                                     << "No input can be shown: the controller has no event device.";
    QTest::newRow("may not be read") << true << true << "this user may not read /dev/input/event";
}

void LiveInputTest::windowSaysWhyItShowsNothing()
{
    QFETCH(bool, plugged);
    QFETCH(bool, refused);
    QFETCH(QString, says);
    ScopedSimulator sim;
    sim.bus().add(ControllerKind::Joystick, plugged)->setAccessDenied(refused);
    LiveInputWindow window(PRODUCT_ID_JOYSTICK);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QVERIFY(namedChild<QLabel>(&window, "status_label")->text().contains(says));
    QCOMPARE(window.reading(), !refused && plugged);
    QCOMPARE(namedChild<QWidget>(&window, "axes_group")->isVisible(), window.reading());
    // Pulled out while shown: the window says so rather than showing the last report.
    sim.controller(ControllerKind::Joystick)->unplug();
    QTRY_VERIFY(!window.reading());
    QVERIFY(namedChild<QLabel>(&window, "status_label")->text().contains(
        plugged && !refused ? QStringLiteral("the controller is gone") : says));
    window.hide();
    QVERIFY(!window.reading());
}

void LiveInputTest::commandPrintsEachReportUntilInterrupted_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QStringList>("lines");
    QTest::addColumn<bool>("toFile");
    const QStringList text{"X=3071 (75 %)", "button 3 pressed", "button 3 released"};
    QTest::newRow("text") << QStringList{"input", "joystick"} << text << false;
    // Written to the descriptor past the stream, after what the stream held.
    QTest::newRow("text to a file") << QStringList{"input", "joystick"} << text << true;
    QTest::newRow("JSON") << QStringList{"input", "joystick", "--json"}
                          << QStringList{
                                 R"({"axes":{"X":{"percent":75,"value":3071}},"pressed":[],"released":[]})",
                                 R"({"axes":{},"pressed":[3],"released":[]})",
                                 R"({"axes":{},"pressed":[],"released":[3]})"}
                          << false;
}

void LiveInputTest::commandPrintsEachReportUntilInterrupted()
{
    QFETCH(QStringList, arguments);
    QFETCH(QStringList, lines);
    QFETCH(bool, toFile);
    ScopedSimulator sim({ControllerKind::Joystick});
    SimulatedInput &input = sim.controller(ControllerKind::Joystick)->input();
    // Each change once the event loop runs; the release comes while the command rests
    // after reading the press, with Ctrl+C right behind it, as a user ends it.
    int step = 0;
    QTimer steps;
    steps.setInterval(20);
    connect(&steps, &QTimer::timeout, this, [&] {
        if (step++ == 0)
            return input.setAxisValue(0, 3071);
        steps.stop();
        input.setButton(3, true);
        QTimer::singleShot(0, this, [&] {
            input.setButton(3, false);
            std::raise(SIGINT);
        });
    });
    steps.start();
    QString out;
    QString err;
    QTemporaryFile file;
    QVERIFY(file.open());
    QTextStream outStream(&out);
    if (toFile) {
        outStream.setDevice(&file);
        outStream << "before\n";
        lines.prepend(QStringLiteral("before"));
    }
    QTextStream errStream(&err);
    const int code = runKestrix(arguments, outStream, errStream);
    QCOMPARE(code, 0);
    QCOMPARE(err, QString());
    if (toFile) {
        QVERIFY(file.seek(0));
        out = QString::fromUtf8(file.readAll());
    }
    QCOMPARE(out.split(QLatin1Char('\n'), Qt::SkipEmptyParts), lines);
}

void LiveInputTest::changesQueueWhileTheSourceRests_data()
{
    QTest::addColumn<int>("burst");
    QTest::newRow("within the queue") << 20;
    QTest::newRow("past the queue") << 200;
}

void LiveInputTest::changesQueueWhileTheSourceRests()
{
    QFETCH(int, burst);
    ScopedSimulator sim({ControllerKind::Joystick});
    SimulatedInput &input = sim.controller(ControllerKind::Joystick)->input();
    InputOpening opening = openInput(PRODUCT_ID_JOYSTICK);
    QVERIFY(opening.source);
    InputSource &source = *opening.source;
    source.setPace(500);
    std::vector<int> seen;
    int reads = 0;
    connect(&source, &InputSource::reported, this,
            [&] { seen.push_back(source.state().axis(QStringLiteral("X"))->value); });
    connect(&source, &InputSource::caughtUp, this, [&] { ++reads; });
    input.setAxisValue(0, 0);
    QTRY_COMPARE(reads, 1);

    // Resting: the burst waits for the pace, then comes in one read.
    for (int i = 1; i <= burst; ++i)
        input.setAxisValue(0, i);
    QCoreApplication::processEvents();
    QCOMPARE(reads, 1);
    QTRY_COMPARE_WITH_TIMEOUT(reads, 2, 3000);
    QVERIFY(std::is_sorted(seen.begin(), seen.end()));
    QCOMPARE(seen.back(), burst);
    // Each report, unless the queue overflowed: then it starts again from the latest.
    if (burst < 64)
        QCOMPARE(int(seen.size()), burst + 1);
    else
        QVERIFY(int(seen.size()) <= 64 + 1);
}

QTEST_MAIN(LiveInputTest)
#include "test_live_input.moc"
