// hwconfig's writes when the controller is not what the window read.

#include "hwconfig_session.h"
#include "kestrix_protocol.h"

#include <QSpinBox>

namespace
{
constexpr int POWER_LIMIT = 48;
} // namespace

class WriteFaultsTest : public QObject, private HwconfigSession
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanup() { stop(); }

    void saveAfterReconnectWritesNothing();

private:
    void typeInto(const char *spinBox, const QString &text);
    void waitForOneBox(const QString &text);
};

void WriteFaultsTest::initTestCase()
{
    QLocale::setDefault(QLocale::c());
    quietOffscreenPopups();
}

void WriteFaultsTest::typeInto(const char *spinBox, const QString &text)
{
    auto *spin = widget<QSpinBox>(spinBox);
    spin->setFocus();
    QTest::keyClick(spin, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(spin, text);
}

// Exactly one box with that text, also a while after it was answered.
void WriteFaultsTest::waitForOneBox(const QString &text)
{
    QTRY_VERIFY(!boxes->boxes().empty());
    QTest::qWait(300);
    QCOMPARE(boxes->boxes().size(), size_t(1));
    QCOMPARE(boxes->boxes()[0].title, QStringLiteral("Kestrix hardware settings UI"));
    QCOMPARE(boxes->boxes()[0].text, text);
}

// Pages read before an unplug are not written into the device that came back: it may hold
// other settings now.
void WriteFaultsTest::saveAfterReconnectWritesNothing()
{
    CHECKED(start({ControllerKind::Joystick}));
    SimulatedController *device = sim->controller(ControllerKind::Joystick);
    CHECKED(pick(ControllerKind::Joystick));
    auto *power = widget<QSpinBox>("power_limit");
    QCOMPARE(power->value(), 80);

    device->unplug();
    QTRY_VERIFY(!window->catalogueEntry(1).handle);
    device->setReportByte(REPORT_HARDWARE_SETTINGS, POWER_LIMIT, 10); // set elsewhere
    device->plug();
    QTRY_VERIFY(window->catalogueEntry(1).handle);
    const std::vector<uint8_t> holds = device->report(REPORT_HARDWARE_SETTINGS);
    device->clearTransfers();

    click("save_settings_button");
    CHECKED(waitForOneBox(QStringLiteral(
        "The controller was disconnected and connected again after its settings were read, so "
        "nothing was saved. Click \"Read settings\", then make your changes again.")));
    QVERIFY(withoutProbes(device->transfers()).empty());
    QCOMPARE(device->report(REPORT_HARDWARE_SETTINGS), holds);

    // Read again, the pages are the device's and a save goes through.
    click("read_settings_button");
    QCOMPARE(power->value(), 10);
    CHECKED(typeInto("power_limit", QStringLiteral("15")));
    boxes->clear();
    click("save_settings_button");
    QVERIFY(boxes->boxes().empty());
    QCOMPARE(int(device->report(REPORT_HARDWARE_SETTINGS)[POWER_LIMIT]), 15);
}

QTEST_MAIN(WriteFaultsTest)
#include "test_write_faults.moc"
