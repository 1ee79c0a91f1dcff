// The hardware settings record's field table and hwconfig's forms bound to it: every field
// bound once (the panel's or the pages').

#include "form_ranges.h"
#include "hardware_settings_record.h"
#include "hwconfig_session.h"

class HardwareFieldsTest : public QObject, private HwconfigSession
{
    Q_OBJECT

private slots:
    void initTestCase() { quietOffscreenPopups(); }
    void cleanup() { stop(); }

    void tableCoversTheRecord();
    void everyFieldIsBoundOnce();
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

QTEST_MAIN(HardwareFieldsTest)
#include "test_hardware_fields.moc"
