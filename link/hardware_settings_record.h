#pragma once

// The controller's hardware settings record: feature report 0x21, and the block that
// command 17 writes back. Packed, no padding, little-endian, unaligned (multi-byte fields
// sit at odd offsets). Offsets count from the first byte that the GET_REPORT transfer
// delivers; there is no report-id byte in front. The firmware fixes this layout.
//
// Every byte of 0..106 has exactly one owner: the hardware panel, the pages, or nobody
// (carried: the save's own fresh read supplies it, so the firmware's value goes back).
// Bytes from 107 on are never read nor written. The offsets are here; the encodings,
// ranges and units are in hardwareSettingsTable(), which places its fields by them.

#include "record_fields.h"

#include <cstdint>

namespace AxisSettingsRecord
{
// Offsets relative to the start of one axis record.
constexpr int ENCODER_DIRECTION = 0; // joystick output inverted or not
constexpr int FORCE_DIRECTION = 1;   // force output inverted or not
constexpr int POLE_PAIRS = 2;        // motor pole pairs
constexpr int ENCODER_CPR = 3;       // encoder counts per revolution
constexpr int MOTION_RANGE = 5;
constexpr int CALIBRATION_START_ANGLE = 7;
constexpr int P_GAIN = 9; // control loop gains
constexpr int I_GAIN = 13;
constexpr int CARRIED = 17; // 4 bytes of the firmware's own: carried
constexpr int CARRIED_SIZE = 4;
constexpr int SIZE = 21;
} // namespace AxisSettingsRecord

namespace HardwareSettingsRecord
{
constexpr int FORCE_ENABLE = 0; // forces on
constexpr int DEBUG_FORCES = 1;
constexpr int CALIBRATE_ON_BOOT = 2;
constexpr int CALIBRATION_MODE = 3;
constexpr int AMPLIFIER_GAIN = 4; // current-sense amplifier gain
constexpr int SPI_MODE = 5;       // which shift registers hang on the SPI bus
constexpr int GPIO_MODE = 6;      // [10]: Pin 1..8, Encoder Z0, Encoder Z1
constexpr int GPIO_COUNT = 10;
constexpr int BUTTON_MODE = 16; // [32]: Button 1..32
constexpr int BUTTON_COUNT = 32;
constexpr int POWER_LIMIT = 48;
constexpr int BRAKING_LIMIT = 49; // braking resistor limit
constexpr int CALIBRATION_MAGNITUDE = 50;
constexpr int CALIBRATION_SPEED = 51;
constexpr int CARRIED = 52;          // 1 byte of the firmware's own: carried
constexpr int LOWER_DEAD_ZONE = 53;  // [3]: analog axes Rx, Ry, Rz
constexpr int UPPER_DEAD_ZONE = 56;  // [3]: Rx, Ry, Rz
constexpr int ANALOG_SMOOTHING = 59; // [3]: Rx, Ry, Rz
constexpr int BUTTON_THRESHOLD = 62; // [3]: Rx, Ry, Rz
constexpr int ANALOG_AXIS_COUNT = 3;
constexpr int AXIS = 65; // AxisSettingsRecord [2]: motor axis 0, then axis 1
constexpr int AXIS_COUNT = 2;
constexpr int SIZE = 107; // what command 17 writes back

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

// The fields the windows own, by name, with their encodings, ranges and units.
const RecordTable &hardwareSettingsTable();
