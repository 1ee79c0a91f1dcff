#pragma once

// The effect record's two fields that are not a single byte, as the tests set and read them.

#include "effect_settings_record.h"

#include <QByteArray>

// Any negative direction counts as inverted, whatever the exact value.
inline bool constantForceInverted(const unsigned char *record)
{
    return readEncoded(FieldEncoding::Sign, record + EFFECT_CONSTANT_FORCE_DIRECTION) < 0;
}

inline void setConstantForceInverted(unsigned char *record, bool inverted)
{
    writeEncoded(FieldEncoding::Sign, inverted ? -1 : 1, record + EFFECT_CONSTANT_FORCE_DIRECTION);
}

inline uint16_t motionRange(const unsigned char *record)
{
    return static_cast<uint16_t>(readEncoded(FieldEncoding::U16, record + EFFECT_MOTION_RANGE));
}

inline void setMotionRange(unsigned char *record, uint16_t degrees)
{
    writeEncoded(FieldEncoding::U16, degrees, record + EFFECT_MOTION_RANGE);
}

// A profile as the panel writes one: owned fields set from `gain` and `motion`, the wheel's
// own bytes `carried`.
inline QByteArray profileBytes(uint8_t gain, uint16_t motion, uint8_t carried = 0)
{
    QByteArray p(EFFECT_SETTINGS_RECORD_SIZE, char(carried));
    auto *b = reinterpret_cast<unsigned char *>(p.data());
    b[EFFECT_DIRECT_X_SPRING_SCALE] = gain;
    b[EFFECT_DIRECT_X_CONSTANT_SCALE] = gain + 1;
    b[EFFECT_DIRECT_X_PERIODIC_SCALE] = gain + 2;
    setConstantForceInverted(b, true);
    b[EFFECT_DAMPENING_SCALE] = gain + 3;
    b[EFFECT_TOTAL_EFFECT_SCALE] = gain + 4;
    b[EFFECT_TOTAL_EFFECT_SMOOTHING] = gain + 5;
    setMotionRange(b, motion);
    b[EFFECT_SOFT_STOP_SCALE] = gain + 6;
    b[EFFECT_SOFT_STOP_RANGE] = 20;
    return p;
}
