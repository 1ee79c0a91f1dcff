#pragma once

// The controller's hardware settings record: feature report 0x21, and the block that
// command 17 writes back. Packed, no padding, little-endian, unaligned (multi-byte fields
// sit at odd offsets). Offsets count from the first byte that the GET_REPORT transfer
// delivers; there is no report-id byte in front. The firmware fixes this layout.
//
// Every byte of 0..106 has exactly one owner: the hardware panel, the pages, or nobody
// (carried: the save's own fresh read supplies it, so the firmware's value goes back).
// Bytes from 107 on are never read nor written.

#include <cstdint>

class QCheckBox;
class QComboBox;
class QLineEdit;
class QSpinBox;
class QString;

namespace AxisSettingsRecord {
// Offsets relative to the start of one axis record.
constexpr int ENCODER_DIRECTION = 0;       // i8: 1 = joystick output inverted, -1 (0xFF) = not
constexpr int FORCE_DIRECTION = 1;         // i8: 1 = force output inverted, -1 (0xFF) = not
constexpr int POLE_PAIRS = 2;              // u8: motor pole pairs, 0..99
constexpr int ENCODER_CPR = 3;             // u16: encoder counts per revolution
constexpr int MOTION_RANGE = 5;            // u16: degrees
constexpr int CALIBRATION_START_ANGLE = 7; // i16, two's complement: degrees, -180..180
constexpr int P_GAIN = 9;                  // f32, IEEE 754 single: control loop P, no unit
constexpr int I_GAIN = 13;                 // f32, IEEE 754 single: control loop I, no unit
constexpr int CARRIED = 17;                // 4 bytes of the firmware's own: carried
constexpr int CARRIED_SIZE = 4;
constexpr int SIZE = 21;
} // namespace AxisSettingsRecord

namespace HardwareSettingsRecord {
constexpr int FORCE_ENABLE = 0;       // u8 flag: forces on (after a reboot)
constexpr int DEBUG_FORCES = 1;       // u8 flag
constexpr int CALIBRATE_ON_BOOT = 2;  // u8 flag
constexpr int CALIBRATION_MODE = 3;   // u8 index: 0 none, 1 start angle as center, 2 search
constexpr int AMPLIFIER_GAIN = 4;     // u8 index: 0 = 80, 1 = 40, 2 = 20, 3 = 10 V/V
constexpr int SPI_MODE = 5;           // u8 index: 0 disabled, 1 SN74HC165N x 3, 2 C4021 x 3
constexpr int GPIO_MODE = 6;          // u8 index [10]: Pin 1..8, Encoder Z0, Encoder Z1
constexpr int GPIO_COUNT = 10;
constexpr int BUTTON_MODE = 16;       // u8 index [32]: Button 1..32
constexpr int BUTTON_COUNT = 32;
constexpr int POWER_LIMIT = 48;       // u8: percent
constexpr int BRAKING_LIMIT = 49;     // u8: braking resistor limit, percent
constexpr int CALIBRATION_MAGNITUDE = 50; // u8: percent
constexpr int CALIBRATION_SPEED = 51; // u8: percent
constexpr int CARRIED = 52;           // 1 byte of the firmware's own: carried
constexpr int LOWER_DEAD_ZONE = 53;   // u8 [3]: Rx, Ry, Rz
constexpr int UPPER_DEAD_ZONE = 56;   // u8 [3]: Rx, Ry, Rz
constexpr int ANALOG_SMOOTHING = 59;  // u8 [3]: Rx, Ry, Rz
constexpr int BUTTON_THRESHOLD = 62;  // u8 [3]: Rx, Ry, Rz
constexpr int ANALOG_AXIS_COUNT = 3;
constexpr int AXIS = 65;              // AxisSettingsRecord [2]: motor axis 0, then axis 1
constexpr int AXIS_COUNT = 2;
constexpr int SIZE = 107;             // what command 17 writes back

constexpr int axisOffset(int axis, int field)
{
    return AXIS + axis * AxisSettingsRecord::SIZE + field;
}

static_assert(GPIO_MODE + GPIO_COUNT == BUTTON_MODE);
static_assert(BUTTON_MODE + BUTTON_COUNT == POWER_LIMIT);
static_assert(BUTTON_THRESHOLD + ANALOG_AXIS_COUNT == AXIS);
static_assert(AxisSettingsRecord::CARRIED + AxisSettingsRecord::CARRIED_SIZE ==
              AxisSettingsRecord::SIZE);
static_assert(AXIS + AXIS_COUNT * AxisSettingsRecord::SIZE == SIZE);
} // namespace HardwareSettingsRecord

// The field encodings, shared by the panel and the pages. Each load reads only the
// bytes at its offset and each store writes only those; callers pass buffers of at least
// HardwareSettingsRecord::SIZE bytes (in practice the whole 1024-byte receive buffer).

// On/off switch. Read: any non-zero value is on. Written: 1 or 0.
void loadFlag(QCheckBox *box, const unsigned char *record, int offset);
void storeFlag(const QCheckBox *box, unsigned char *record, int offset);

// Direction. Read: exactly 1 is inverted, anything else not. Written: 1 or 0xFF (-1).
void loadDirection(QCheckBox *box, const unsigned char *record, int offset);
void storeDirection(const QCheckBox *box, unsigned char *record, int offset);

// Combo index, one unsigned byte. An index at or above the item count leaves the combo
// without a current item, which is written back as 255.
void loadIndex(QComboBox *combo, const unsigned char *record, int offset);
void storeIndex(const QComboBox *combo, unsigned char *record, int offset);

// Single unsigned byte; the spin box clamps it to its range.
void loadU8(QSpinBox *spin, const unsigned char *record, int offset);
void storeU8(const QSpinBox *spin, unsigned char *record, int offset);

// 16-bit little-endian fields. A value outside the field's range is written clamped,
// never cut to its low bits.
void loadU16(QSpinBox *spin, const unsigned char *record, int offset);
void storeU16(const QSpinBox *spin, unsigned char *record, int offset);
void loadI16(QSpinBox *spin, const unsigned char *record, int offset);
void storeI16(const QSpinBox *spin, unsigned char *record, int offset);

// Single-precision gain shown as text: 'g' with 6 significant digits, C locale. The
// text goes back through QString::toFloat; text that is not a number is stored as 0.0.
QString gainText(float value);
float gainFromText(const QString &text);
void loadGain(QLineEdit *edit, const unsigned char *record, int offset);
void storeGain(const QLineEdit *edit, unsigned char *record, int offset);
