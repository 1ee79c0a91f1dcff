// The hardware settings record's field table and hwconfig's forms bound to it: every field
// bound once (the panel's or the pages'), and every byte read and written as the table says.

#include "form_ranges.h"
#include "hardware_settings_record.h"
#include "hwconfig_session.h"
#include "kestrix_protocol.h"

#include <random>

class HardwareFieldsTest : public QObject, private HwconfigSession
{
    Q_OBJECT

private slots:
    void initTestCase() { quietOffscreenPopups(); }
    void cleanup() { stop(); }

    void tableCoversTheRecord();
    void everyFieldIsBoundOnce();
    void windowReadsAndWritesAsTheTable();
};

void HardwareFieldsTest::tableCoversTheRecord()
{
    namespace Rec = HardwareSettingsRecord;
    namespace Axis = AxisSettingsRecord;
    std::vector<int> carried = {Rec::CARRIED};
    for (int axis = 0; axis < Rec::AXIS_COUNT; ++axis) {
        for (int i = 0; i < Axis::CARRIED_SIZE; ++i)
            carried.push_back(Rec::axisOffset(axis, Axis::CARRIED + i));
    }
    checkTableCoversRecord(hardwareSettingsTable(), carried);
}

void HardwareFieldsTest::everyFieldIsBoundOnce()
{
    CHECKED(start({ControllerKind::Joystick}));
    CHECKED(pick(ControllerKind::Joystick)); // a read fills the calibration modes
    checkFormBinding(hardwareSettingsTable(), window.get(),
                     {widget<QWidget>("premiumHardwareSettings"), widget<QWidget>("gpio_tab"),
                      widget<QWidget>("buttons_tab"), widget<QWidget>("analog_axes_tab")},
                     widget<QWidget>("premiumHardwareSettings"));
}

// Any bytes the device may hold, read into the window and saved unedited, come back as
// the table writes what it reads; only the gains differ, which the window rounds to the
// six digits of their text.
void HardwareFieldsTest::windowReadsAndWritesAsTheTable()
{
    CHECKED(start({ControllerKind::Joystick}));
    SimulatedController *device = sim->controller(ControllerKind::Joystick);
    CHECKED(pick(ControllerKind::Joystick));
    const RecordTable &table = hardwareSettingsTable();

    std::mt19937 random(1207);
    for (int round = 0; round < 12; ++round) {
        std::vector<uint8_t> offered(120);
        for (uint8_t &b : offered)
            b = random() % 3 == 0 ? uint8_t(random()) : uint8_t(random() % 6);
        device->setReport(REPORT_HARDWARE_SETTINGS, offered);
        click("read_settings_button");
        click("save_settings_button");
        const std::vector<uint8_t> saved = device->report(REPORT_HARDWARE_SETTINGS);

        std::vector<uint8_t> expected = offered;
        for (const RecordField &field : table.fields)
            field.write(field.read(offered.data()), expected.data());
        for (const RecordField &field : table.fields) {
            if (field.encoding == FieldEncoding::F32)
                continue;
            for (int i = field.offset; i < field.offset + field.width(); ++i)
                QVERIFY2(saved[i] == expected[i],
                         qPrintable(QStringLiteral("round %1, %2: byte %3 is %4, table says %5")
                                        .arg(round)
                                        .arg(field.name)
                                        .arg(i)
                                        .arg(saved[i])
                                        .arg(expected[i])));
        }
    }
}

QTEST_MAIN(HardwareFieldsTest)
#include "test_hardware_fields.moc"
