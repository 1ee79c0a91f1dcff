// The hardware panel and the GPIO, Buttons and Analog axes pages, driven through the real
// window against the simulated controller: what a read shows, and what a save puts on the
// device, byte for byte.

#include "byte_order.h"
#include "carried_bytes.h"
#include "hardware_settings_record.h"
#include "hwconfig_session.h"
#include "kestrix_protocol.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QListView>
#include <QSlider>
#include <QSpinBox>

#include <random>

namespace {

constexpr int RECORD_SIZE = 107;
using Bytes = std::vector<uint8_t>;

QByteArray floatBytes(float v)
{
    unsigned char b[4];
    writeF32LE(b, v);
    return QByteArray(reinterpret_cast<const char *>(b), 4);
}

// What a widget shows, in one comparable text.
QString shown(QWidget *w)
{
    if (auto *box = qobject_cast<QCheckBox *>(w))
        return box->isChecked() ? QStringLiteral("checked") : QStringLiteral("unchecked");
    if (auto *combo = qobject_cast<QComboBox *>(w))
        return combo->currentIndex() < 0 ? QStringLiteral("(none)") : combo->currentText();
    if (auto *spin = qobject_cast<QSpinBox *>(w))
        return QString::number(spin->value());
    if (auto *edit = qobject_cast<QLineEdit *>(w))
        return edit->text();
    return QStringLiteral("?");
}

struct Calibration {
    int axis;
    int angle;
    int magnitude;
};

QByteArray calibrationPacket(const Calibration &c)
{
    QByteArray p(COMMAND_PACKET_SIZE, '\0');
    p[0] = char(REPORT_COMMAND);
    p[1] = char(CMD_CALIBRATION_START_ANGLE);
    p[2] = char(c.axis);
    p[3] = char(c.magnitude);
    p[4] = char(c.angle & 0xFF);
    p[5] = char((c.angle >> 8) & 0xFF);
    return p;
}

} // namespace

Q_DECLARE_METATYPE(ControllerKind)
Q_DECLARE_METATYPE(std::vector<Calibration>)

class HwconfigPagesTest : public QObject, private HwconfigSession
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanup() { stop(); }

    void uneditedRecordGoesBackNormalised_data();
    void uneditedRecordGoesBackNormalised();
    void typedGainText_data();
    void typedGainText();
    void calibrationCommands();
    void panelAdaptsToDeviceType();
    void gpioRowsOffered_data();
    void gpioRowsOffered();
    void hiddenItemIsKeptButCannotBeChosenAgain();
    void spiRecommendations();
    void shortRecordReadLoadsNothing();
    void failedSaveReadSendsNothing_data();
    void failedSaveReadSendsNothing();
    void randomRecords();
};

void HwconfigPagesTest::initTestCase()
{
    QLocale::setDefault(QLocale::c());
    quietOffscreenPopups();
}

// ---------------------------------------------------------------------------------------

void HwconfigPagesTest::uneditedRecordGoesBackNormalised_data()
{
    QTest::addColumn<ControllerKind>("kind");
    QTest::addColumn<int>("offset");
    QTest::addColumn<QByteArray>("stored");
    QTest::addColumn<QByteArray>("written");
    QTest::addColumn<QString>("widgetName");
    QTest::addColumn<QString>("shows");

    const auto J = ControllerKind::Joystick;
    const auto R = ControllerKind::Rudder;
    const auto W = ControllerKind::Wheel;
    auto bytes = [](const char *h) { return QByteArray::fromHex(h); };

    QTest::newRow("flag 5 is on, goes back as 1") << J << 0 << bytes("05") << bytes("01") << "force_enable" << "checked";
    QTest::newRow("flag 0 is off") << J << 2 << bytes("00") << bytes("00") << "calibrate_on_boot" << "unchecked";
    QTest::newRow("direction 0 is not inverted, goes back as ff") << J << 65 << bytes("00") << bytes("ff") << "axis0_encoder_direction" << "unchecked";
    QTest::newRow("direction 2 is not inverted") << J << 66 << bytes("02") << bytes("ff") << "axis0_force_direction" << "unchecked";
    QTest::newRow("direction 1 is inverted") << J << 65 << bytes("01") << bytes("01") << "axis0_encoder_direction" << "checked";
    QTest::newRow("direction ff is not inverted") << J << 87 << bytes("ff") << bytes("ff") << "axis1_force_direction" << "unchecked";
    QTest::newRow("calibration mode 3: no item, 255") << J << 3 << bytes("03") << bytes("ff") << "calibration_mode" << "(none)";
    QTest::newRow("calibration mode 2 on a wheel is kept") << W << 3 << bytes("02") << bytes("02") << "calibration_mode" << "Automatic center of range search";
    QTest::newRow("amplifier gain 4: no item, 255") << J << 4 << bytes("04") << bytes("ff") << "amplifier_gain" << "(none)";
    QTest::newRow("amplifier gain 3") << J << 4 << bytes("03") << bytes("03") << "amplifier_gain" << "10V/V";
    QTest::newRow("start angle -180") << J << 72 << bytes("4cff") << bytes("4cff") << "axis0_calibration_start_angle" << "-180";
    QTest::newRow("start angle 200 clamps to 180") << J << 72 << bytes("c800") << bytes("b400") << "axis0_calibration_start_angle" << "180";
    QTest::newRow("start angle -32768 clamps to -180") << J << 93 << bytes("0080") << bytes("4cff") << "axis1_calibration_start_angle" << "-180";
    QTest::newRow("power limit 150 clamps to 100") << J << 48 << bytes("96") << bytes("64") << "power_limit" << "100";
    QTest::newRow("pole pairs 120 clamps to 99") << J << 67 << bytes("78") << bytes("63") << "axis0_pole_pair" << "99";
    QTest::newRow("encoder CPR 65535") << J << 68 << bytes("ffff") << bytes("ffff") << "axis0_encoder_CPR" << "65535";
    QTest::newRow("motion range 40000") << J << 91 << bytes("409c") << bytes("409c") << "axis1_motion_range" << "40000";
    QTest::newRow("P gain 0.1") << J << 74 << floatBytes(0.1f) << floatBytes(0.1f) << "axis0_p_gain" << "0.1";
    QTest::newRow("P gain keeps 6 significant digits") << J << 74 << floatBytes(0.123456789f) << floatBytes(0.123457f) << "axis0_p_gain" << "0.123457";
    QTest::newRow("I gain 1e-07") << J << 99 << floatBytes(1e-7f) << floatBytes(1e-7f) << "axis1_i_gain" << "1e-07";
    QTest::newRow("I gain 123456789 loses digits") << J << 78 << floatBytes(123456789.0f) << floatBytes(123457000.0f) << "axis0_i_gain" << "1.23457e+08";
    QTest::newRow("rudder: hidden axis 1 pole pairs clamp") << R << 88 << bytes("78") << bytes("63") << "axis1_pole_pair" << "99";
    QTest::newRow("rudder: hidden axis 1 direction 0") << R << 86 << bytes("00") << bytes("ff") << "axis1_encoder_direction" << "unchecked";
    QTest::newRow("wheel: hidden calibration speed clamps") << W << 51 << bytes("78") << bytes("64") << "calibration_speed" << "100";
    QTest::newRow("wheel: hidden motion range is kept") << W << 70 << bytes("8403") << bytes("8403") << "axis0_motion_range" << "900";
    QTest::newRow("Pin 5 keeps Analog, not offered there") << J << 10 << bytes("02") << bytes("02") << "gpioModeCombo_5" << "Analog";
    QTest::newRow("Pin 1 keeps Braking PWM, not offered there") << J << 6 << bytes("09") << bytes("09") << "gpioModeCombo_1" << "Braking PWM";
    QTest::newRow("Encoder Z1 mode 10: no item, 255") << J << 15 << bytes("0a") << bytes("ff") << "gpioModeCombo_10" << "(none)";
    QTest::newRow("button mode 5: no item, 255") << J << 16 << bytes("05") << bytes("ff") << "buttonMode_1" << "(none)";
    QTest::newRow("button mode 4") << J << 47 << bytes("04") << bytes("04") << "buttonMode_32" << "Pulse inverted";
    QTest::newRow("lower dead zone 101 clamps") << J << 53 << bytes("65") << bytes("64") << "lowerDeadZoneSpinBox_1" << "100";
    QTest::newRow("button threshold 255 clamps") << J << 64 << bytes("ff") << bytes("64") << "analogButtonSpinBox_3" << "100";
    QTest::newRow("smoothing Ry") << J << 60 << bytes("21") << bytes("21") << "analogSmoothingSpinBox_2" << "33";
    QTest::newRow("SPI mode 3: no item, 255") << J << 5 << bytes("03") << bytes("ff") << "spiModeCombo" << "(none)";
}

// A record loaded and saved without edits goes back unchanged, except for what the widgets
// normalise: clamping, 255 for no item, 1 / 0xFF directions, 6 significant digits.
void HwconfigPagesTest::uneditedRecordGoesBackNormalised()
{
    QFETCH(ControllerKind, kind);
    QFETCH(int, offset);
    QFETCH(QByteArray, stored);
    QFETCH(QByteArray, written);
    QFETCH(QString, widgetName);
    QFETCH(QString, shows);

    CHECKED(start({kind}));
    SimulatedController *device = sim->controller(kind);
    Bytes record = device->report(REPORT_HARDWARE_SETTINGS);
    std::copy(stored.begin(), stored.end(), record.begin() + offset);
    device->setReport(REPORT_HARDWARE_SETTINGS, record);
    CHECKED(pick(kind));
    QCOMPARE(shown(widget<QWidget>(qPrintable(widgetName))), shows);

    click("save_settings_button");
    Bytes expected = record;
    std::copy(written.begin(), written.end(), expected.begin() + offset);
    QCOMPARE(hex(toBytes(device->report(REPORT_HARDWARE_SETTINGS))), hex(toBytes(expected)));
}

void HwconfigPagesTest::typedGainText_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("stored");
    QTest::newRow("1.5") << "1.5" << floatBytes(1.5f);
    QTest::newRow("comma is not a decimal point") << "1,5" << floatBytes(0.0f);
    QTest::newRow("not a number") << "abc" << floatBytes(0.0f);
    QTest::newRow("empty") << "" << floatBytes(0.0f);
    QTest::newRow("spaces around") << " 2.25 " << floatBytes(2.25f);
    QTest::newRow("negative exponent") << "-7.5e-3" << floatBytes(-7.5e-3f);
    QTest::newRow("typed digits are all kept") << "0.123456789" << floatBytes(0.123456789f);
    QTest::newRow("beyond single precision") << "1e39" << floatBytes(0.0f);
}

void HwconfigPagesTest::typedGainText()
{
    QFETCH(QString, text);
    QFETCH(QByteArray, stored);
    CHECKED(start({ControllerKind::Joystick}));
    SimulatedController *device = sim->controller(ControllerKind::Joystick);
    CHECKED(pick(ControllerKind::Joystick));
    widget<QTabWidget>("axis_tab")->setCurrentIndex(1);
    typeInto(widget<QLineEdit>("axis1_p_gain"), text);
    QCOMPARE(widget<QLineEdit>("axis1_p_gain")->text(), text);
    click("save_settings_button");
    QCOMPARE(hex(toBytes(device->report(REPORT_HARDWARE_SETTINGS)).mid(95, 4)), hex(stored));
}

// ---------------------------------------------------------------------------------------

void HwconfigPagesTest::calibrationCommands()
{
    CHECKED(start({ControllerKind::Joystick}));
    SimulatedController *device = sim->controller(ControllerKind::Joystick);
    device->setReportByte(REPORT_HARDWARE_SETTINGS, 50, 40);
    device->setReportByte(REPORT_HARDWARE_SETTINGS, 72, 30);
    device->setReportByte(REPORT_HARDWARE_SETTINGS, 73, 0);
    device->setReportByte(REPORT_HARDWARE_SETTINGS, 93, 0xF6); // -10
    device->setReportByte(REPORT_HARDWARE_SETTINGS, 94, 0xFF);

    auto expectSent = [&](const std::vector<Calibration> &expected) {
        QStringList got, want;
        for (const SimTransfer &t : commands(device->transfers(), CMD_CALIBRATION_START_ANGLE))
            got << hex(toBytes(t.data));
        for (const Calibration &c : expected)
            want << hex(calibrationPacket(c));
        QCOMPARE(got, want);
        device->clearTransfers();
    };

    // The magnitude first, with the angles the fresh panel shows; then each new angle.
    device->clearTransfers();
    CHECKED(pick(ControllerKind::Joystick));
    CHECKED(expectSent({{0, 0, 40}, {1, 0, 40}, {0, 30, 40}, {1, -10, 40}}));

    click("read_settings_button"); // the same record: nothing changes, nothing is sent
    CHECKED(expectSent({}));

    device->setReportByte(REPORT_HARDWARE_SETTINGS, 50, 55);
    click("read_settings_button");
    CHECKED(expectSent({{0, 30, 55}, {1, -10, 55}}));

    // A slider drag moves the spin box with it.
    auto *slider = widget<QSlider>("horizontalSlider_15");
    slider->setSliderDown(true);
    slider->setSliderPosition(70);
    slider->setSliderDown(false);
    QCOMPARE(widget<QSpinBox>("calibration_magnitude")->value(), 70);
    QTest::keyClick(widget<QSlider>("horizontalSlider_11"), Qt::Key_PageDown); // power limit 80
    QCOMPARE(widget<QSpinBox>("power_limit")->value(), 70);
    CHECKED(expectSent({{0, 30, 70}, {1, -10, 70}}));

    // Every keystroke that changes the number is sent.
    typeInto(widget<QSpinBox>("axis0_calibration_start_angle"), QStringLiteral("-45"));
    CHECKED(expectSent({{0, -4, 70}, {0, -45, 70}}));
    QCOMPARE(device->lastCalibration().angle, -45);
}

void HwconfigPagesTest::panelAdaptsToDeviceType()
{
    CHECKED(start({ControllerKind::Joystick, ControllerKind::Wheel}));
    SimulatedController *wheel = sim->controller(ControllerKind::Wheel);
    const char *wheelHidden[] = {
        "axis0_calibration_start_angle", "axis0_calibration_start_angle_label",
        "axis1_calibration_start_angle", "axis1_calibration_start_angle_label",
        "axis0_motion_range_label",      "axis0_motion_range",
        "axis1_motion_range_label",      "axis1_motion_range",
        "calibration_speed",             "calibration_speed_label",
        "calibration_speed_slider"};
    auto *axisTabs = widget<QTabWidget>("axis_tab");
    auto *mode = widget<QComboBox>("calibration_mode");
    auto *modeList = qobject_cast<QListView *>(mode->view());
    QVERIFY(modeList);

    auto expectLayout = [&](bool axis1, bool wheelWidgets, bool searchOffered) {
        QVERIFY(axisTabs->isTabVisible(0));
        QCOMPARE(axisTabs->isTabVisible(1), axis1);
        for (const char *name : wheelHidden)
            QVERIFY2(widget<QWidget>(name)->isHidden() != wheelWidgets, name);
        QCOMPARE(mode->count(), 3);
        QCOMPARE(modeList->isRowHidden(2), !searchOffered);
    };

    wheel->setReportByte(REPORT_HARDWARE_SETTINGS, 3, 2);
    CHECKED(pick(ControllerKind::Wheel));
    expectLayout(false, false, false);
    QCOMPARE(mode->currentIndex(), 2); // loaded, though no longer offered

    CHECKED(pick(ControllerKind::Joystick));
    expectLayout(true, true, true);

    // A type this program does not know keeps the axis tabs as they were.
    CHECKED(pick(ControllerKind::Wheel));
    wheel->setReportByte(REPORT_DEVICE_INFO, DEVICE_INFO_TYPE_OFFSET, 4);
    click("read_settings_button");
    expectLayout(false, true, true);
}

void HwconfigPagesTest::gpioRowsOffered_data()
{
    QTest::addColumn<int>("pin");
    QTest::addColumn<QList<int>>("notOffered");
    for (int pin = 1; pin <= 3; ++pin)
        QTest::addRow("Pin %d", pin) << pin << QList<int>{9};
    for (int pin = 4; pin <= 7; ++pin)
        QTest::addRow("Pin %d", pin) << pin << QList<int>{2, 9};
    QTest::newRow("Pin 8") << 8 << QList<int>{2};
    QTest::newRow("Encoder Z0") << 9 << QList<int>{2, 9};
    QTest::newRow("Encoder Z1") << 10 << QList<int>{2, 9};
}

void HwconfigPagesTest::gpioRowsOffered()
{
    QFETCH(int, pin);
    QFETCH(QList<int>, notOffered);
    // As the page first shows, after a read (the rows are hidden before the pages are first
    // made visible), of a record whose modes are all item 0.
    CHECKED(start({ControllerKind::Joystick}));
    sim->controller(ControllerKind::Joystick)
        ->setReport(REPORT_HARDWARE_SETTINGS, std::vector<uint8_t>(120, 0));
    CHECKED(pick(ControllerKind::Joystick));
    auto *combo = widget<QComboBox>(qPrintable(QStringLiteral("gpioModeCombo_%1").arg(pin)));
    auto *list = qobject_cast<QListView *>(combo->view());
    QVERIFY(list);
    QCOMPARE(combo->count(), 10);
    QCOMPARE(combo->currentIndex(), 0);
    for (int row = 0; row < combo->count(); ++row)
        QVERIFY2(list->isRowHidden(row) == notOffered.contains(row),
                 qPrintable(QString::number(row)));
}

// A mode the pin does not offer survives a load and a save, but once the user moves away
// from it, neither the keyboard nor the list brings it back.
void HwconfigPagesTest::hiddenItemIsKeptButCannotBeChosenAgain()
{
    CHECKED(start({ControllerKind::Joystick}));
    SimulatedController *device = sim->controller(ControllerKind::Joystick);
    device->setReportByte(REPORT_HARDWARE_SETTINGS, 6, 9);  // Pin 1: Braking PWM
    device->setReportByte(REPORT_HARDWARE_SETTINGS, 10, 1); // Pin 5: Generic button
    CHECKED(pick(ControllerKind::Joystick));
    widget<QTabWidget>("main_tab_widget")->setCurrentIndex(1);

    auto *pin1 = widget<QComboBox>("gpioModeCombo_1");
    auto *pin5 = widget<QComboBox>("gpioModeCombo_5");
    QCOMPARE(pin1->currentIndex(), 9);
    QTest::keyClick(pin1, Qt::Key_Up);
    QCOMPARE(pin1->currentIndex(), 8);
    QTest::keyClick(pin1, Qt::Key_Down);
    QCOMPARE(pin1->currentIndex(), 8);

    QTest::keyClick(pin5, Qt::Key_Down); // over "Analog"
    QCOMPARE(pin5->currentIndex(), 3);
    QTest::keyClick(pin5, Qt::Key_Up);
    QCOMPARE(pin5->currentIndex(), 1);

    click("save_settings_button");
    const Bytes record = device->report(REPORT_HARDWARE_SETTINGS);
    QCOMPARE(int(record[6]), 8);
    QCOMPARE(int(record[10]), 1);
}

void HwconfigPagesTest::spiRecommendations()
{
    CHECKED(start({ControllerKind::Joystick}));
    SimulatedController *device = sim->controller(ControllerKind::Joystick);
    auto *spi = widget<QComboBox>("spiModeCombo");
    auto *recommendations = widget<QGroupBox>("spi_recommendations");
    QVERIFY(recommendations->isHidden());

    device->setReportByte(REPORT_HARDWARE_SETTINGS, 5, 1);
    CHECKED(pick(ControllerKind::Joystick));
    widget<QTabWidget>("main_tab_widget")->setCurrentIndex(1);
    QVERIFY(!recommendations->isHidden());

    chooseItem(spi, 0);
    QVERIFY(recommendations->isHidden());
    chooseItem(spi, 0); // the current item again: the same rule
    QVERIFY(recommendations->isHidden());
    QTest::keyClick(spi, Qt::Key_Down);
    QCOMPARE(spi->currentIndex(), 1);
    QVERIFY(!recommendations->isHidden());
    chooseItem(spi, 2);
    QVERIFY(!recommendations->isHidden());

    // An unknown mode: no item, but recommendations; written back as 255.
    device->setReportByte(REPORT_HARDWARE_SETTINGS, 5, 3);
    chooseItem(spi, 0);
    click("read_settings_button");
    QCOMPARE(spi->currentIndex(), -1);
    QVERIFY(!recommendations->isHidden());
    click("save_settings_button");
    QCOMPARE(int(device->report(REPORT_HARDWARE_SETTINGS)[5]), 255);
    click("read_settings_button");
    QVERIFY(!recommendations->isHidden());

    // Loading "Disabled" hides them, whatever was shown before.
    device->setReportByte(REPORT_HARDWARE_SETTINGS, 5, 0);
    click("read_settings_button");
    QCOMPARE(spi->currentIndex(), 0);
    QVERIFY(recommendations->isHidden());
}

// ---------------------------------------------------------------------------------------

void HwconfigPagesTest::shortRecordReadLoadsNothing()
{
    CHECKED(start({ControllerKind::Joystick}));
    SimulatedController *device = sim->controller(ControllerKind::Joystick);
    auto *power = widget<QSpinBox>("power_limit");

    device->setReportLimit(REPORT_HARDWARE_SETTINGS, RECORD_SIZE - 1);
    CHECKED(pick(ControllerKind::Joystick));
    QCOMPARE(boxes->boxes().size(), size_t(1));
    QCOMPARE(visibleTabs(), 0);
    QCOMPARE(power->value(), 0);
    QVERIFY(commands(device->transfers(), CMD_CALIBRATION_START_ANGLE).empty());

    // Nothing was loaded, so a save has nothing to write.
    device->clearFaults();
    device->clearTransfers();
    click("save_settings_button");
    QVERIFY(withoutProbes(device->transfers()).empty());

    click("read_settings_button");
    QCOMPARE(power->value(), 80);
    boxes->clear();

    // A short read after a good one keeps what the widgets show.
    device->setReportLimit(REPORT_HARDWARE_SETTINGS, 50);
    device->setReportByte(REPORT_HARDWARE_SETTINGS, 48, 33);
    click("read_settings_button");
    QCOMPARE(boxes->boxes().size(), size_t(1));
    QCOMPARE(power->value(), 80);
    QCOMPARE(visibleTabs(), 4);
}

void HwconfigPagesTest::failedSaveReadSendsNothing_data()
{
    QTest::addColumn<int>("limit");    // bytes the save's read delivers, -1 all
    QTest::addColumn<bool>("failing"); // the save's read fails outright
    QTest::addColumn<bool>("sent");
    QTest::newRow("no bytes") << 0 << false << false;
    QTest::newRow("106 bytes") << 106 << false << false;
    QTest::newRow("transfer error") << -1 << true << false;
    QTest::newRow("exactly 107 bytes") << 107 << false << true;
}

void HwconfigPagesTest::failedSaveReadSendsNothing()
{
    QFETCH(int, limit);
    QFETCH(bool, failing);
    QFETCH(bool, sent);
    CHECKED(start({ControllerKind::Joystick}));
    SimulatedController *device = sim->controller(ControllerKind::Joystick);
    CHECKED(pick(ControllerKind::Joystick));
    typeInto(widget<QSpinBox>("power_limit"), QStringLiteral("12"));
    const Bytes before = device->report(REPORT_HARDWARE_SETTINGS);

    device->setReportLimit(REPORT_HARDWARE_SETTINGS, limit);
    auto *save = widget<QPushButton>("save_settings_button");
    QTRY_VERIFY(save->isEnabled());
    device->clearTransfers();
    if (failing)
        device->failTransfers(0, USB_ERROR_IO, 1); // the save's read is the next transfer
    QTest::mouseClick(save, Qt::LeftButton);

    const auto transfers = device->transfers();
    QCOMPARE(commands(transfers, CMD_WRITE_HARDWARE_SETTINGS).empty(), !sent);
    QCOMPARE(boxes->boxes().size(), size_t(sent ? 0 : 1));
    const Bytes after = device->report(REPORT_HARDWARE_SETTINGS);
    QCOMPARE(int(after[48]), sent ? 12 : int(before[48]));
    QCOMPARE(toBytes(after).mid(48 + 1), toBytes(before).mid(48 + 1));
}

// ---------------------------------------------------------------------------------------

// Random records of random lengths from the device, loaded and saved again and again (the
// sanitizer build catches any use of bytes beyond those delivered). A short read loads
// nothing and a short save read sends nothing. Whatever the save's read brings in the bytes
// no widget owns (the firmware's own may change at any time), a save writes the widgets'
// bytes, the same in both saves after a read, and after a failed read the same as before it;
// only the carried bytes come from the save's read, and the tail beyond the record is never
// written.
void HwconfigPagesTest::randomRecords()
{
    CHECKED(start({ControllerKind::Joystick}));
    SimulatedController *device = sim->controller(ControllerKind::Joystick);
    CHECKED(pick(ControllerKind::Joystick));

    std::mt19937 random(20240607);
    auto randomRecord = [&](int length) {
        Bytes r(length);
        // Mostly small values, so that in-range items and values come up too.
        for (uint8_t &b : r)
            b = random() % 4 == 0 ? uint8_t(random()) : uint8_t(random() % 12);
        return r;
    };
    auto randomLength = [&]() {
        const int pick = random() % 10;
        if (pick == 0)
            return int(random() % RECORD_SIZE); // too short
        if (pick == 1)
            return RECORD_SIZE;
        return RECORD_SIZE + int(random() % (1100 - RECORD_SIZE));
    };
    const uint8_t types[] = {DEVICE_TYPE_JOYSTICK, DEVICE_TYPE_RUDDER, DEVICE_TYPE_WHEEL, 4, 0xFF};
    const std::vector<int> carried = carriedOffsets(hardwareSettingsTable());

    QByteArray owned; // the widgets' bytes as the last whole save wrote them
    Bytes readFrom = device->report(REPORT_HARDWARE_SETTINGS); // what the pages show
    for (int round = 0; round < 30; ++round) {
        const Bytes offered = randomRecord(round == 0 ? 300 : randomLength());
        device->setReport(REPORT_HARDWARE_SETTINGS, offered);
        device->setReportByte(REPORT_DEVICE_INFO, DEVICE_INFO_TYPE_OFFSET,
                              types[random() % std::size(types)]);
        boxes->clear();
        click("read_settings_button");
        const bool loaded = int(offered.size()) >= RECORD_SIZE;
        QCOMPARE(boxes->boxes().size(), size_t(loaded ? 0 : 1));
        if (loaded) {
            owned.clear();
            readFrom = offered;
        }

        for (int save = 0; save < 2; ++save) {
            Bytes atSave = randomRecord(randomLength());
            // Settings changed since the read are never saved over: only the carried bytes
            // and the tail may differ.
            for (int i = 0; i < std::min(int(atSave.size()), RECORD_SIZE); ++i) {
                if (std::find(carried.begin(), carried.end(), i) == carried.end())
                    atSave[i] = readFrom[i];
            }
            device->setReport(REPORT_HARDWARE_SETTINGS, atSave);
            device->clearTransfers();
            boxes->clear();
            click("save_settings_button");
            if (int(atSave.size()) < RECORD_SIZE) {
                QVERIFY(commands(device->transfers(), CMD_WRITE_HARDWARE_SETTINGS).empty());
                QCOMPARE(boxes->boxes().size(), size_t(1));
                QCOMPARE(device->report(REPORT_HARDWARE_SETTINGS), atSave);
                continue;
            }
            QCOMPARE(commands(device->transfers(), CMD_WRITE_HARDWARE_SETTINGS).size(), size_t(3));
            const Bytes now = device->report(REPORT_HARDWARE_SETTINGS);
            QVERIFY(std::equal(now.begin() + RECORD_SIZE, now.end(), atSave.begin() + RECORD_SIZE,
                               atSave.end()));
            QByteArray written = toBytes(now).left(RECORD_SIZE);
            for (int offset : carried) {
                QCOMPARE(uint8_t(written[offset]), atSave[offset]);
                written[offset] = 0;
            }
            if (owned.isEmpty())
                owned = written;
            QCOMPARE(hex(written), hex(owned));
        }
    }
}

QTEST_MAIN(HwconfigPagesTest)
#include "test_hwconfig_pages.moc"
