#pragma once

// The wheel's effect settings record: read as report 0x22, written back with command 18
// and kept in profile files. 22 bytes, little-endian, unaligned; offsets count from the
// first byte the GET_REPORT transfer delivers (no report-id byte is skipped). The offsets
// are here; the encodings, ranges and units are in effectSettingsTable(), which places its
// fields by them.

#include "record_fields.h"

#include <cstdint>

constexpr int EFFECT_SETTINGS_RECORD_SIZE = 22; // what is written back and stored

constexpr int EFFECT_DIRECT_X_SPRING_SCALE = 0; // gains of the DirectX effect families
constexpr int EFFECT_DIRECT_X_CONSTANT_SCALE = 1;
constexpr int EFFECT_DIRECT_X_PERIODIC_SCALE = 2;
constexpr int EFFECT_CONSTANT_FORCE_DIRECTION = 3; // constant forces inverted or not
constexpr int EFFECT_DAMPENING_SCALE = 4;
constexpr int EFFECT_CARRIED_BYTE = 5; // the wheel's own: carried, never set
constexpr int EFFECT_TOTAL_EFFECT_SCALE = 6;
constexpr int EFFECT_TOTAL_EFFECT_SMOOTHING = 7;
constexpr int EFFECT_MOTION_RANGE = 8;
constexpr int EFFECT_SOFT_STOP_SCALE = 10;
constexpr int EFFECT_SOFT_STOP_RANGE = 11;
constexpr int EFFECT_CARRIED_TAIL = 12; // bytes 12..21, the wheel's own: carried
constexpr int EFFECT_CARRIED_TAIL_SIZE = EFFECT_SETTINGS_RECORD_SIZE - EFFECT_CARRIED_TAIL;


// The fields the wheel program owns, by name, with their encodings, ranges and units.
const RecordTable &effectSettingsTable();
