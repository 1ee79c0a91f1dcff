#pragma once

// The effect record's two fields that are not a single byte, as the tests set and read them.

#include "effect_settings_record.h"

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
