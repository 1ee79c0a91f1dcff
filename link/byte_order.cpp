#include "byte_order.h"

#include <cstring>
#include <limits>

static_assert(std::numeric_limits<float>::is_iec559 && sizeof(float) == 4,
              "the record's gains are IEEE 754 single precision");

float readF32LE(const unsigned char *p)
{
    const uint32_t bits = readU32LE(p);
    float v;
    std::memcpy(&v, &bits, sizeof v);
    return v;
}

void writeF32LE(unsigned char *p, float v)
{
    uint32_t bits;
    std::memcpy(&bits, &v, sizeof bits);
    writeU32LE(p, bits);
}
