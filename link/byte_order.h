#pragma once

// Little-endian fields at arbitrary (unaligned) offsets, independent of the host.

#include <cstdint>

inline uint16_t readU16LE(const unsigned char *p)
{
    return static_cast<uint16_t>(p[0] | (p[1] << 8));
}

inline int16_t readI16LE(const unsigned char *p)
{
    return static_cast<int16_t>(readU16LE(p));
}

inline uint32_t readU32LE(const unsigned char *p)
{
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
           (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

inline void writeU16LE(unsigned char *p, uint16_t v)
{
    p[0] = static_cast<unsigned char>(v & 0xFF);
    p[1] = static_cast<unsigned char>(v >> 8);
}

inline void writeU32LE(unsigned char *p, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        p[i] = static_cast<unsigned char>((v >> (8 * i)) & 0xFF);
}

float readF32LE(const unsigned char *p);
void writeF32LE(unsigned char *p, float v);
