// Little-endian fields of the BMP and ICO headers, appended to a byte buffer.
#ifndef PELLORIN_LITTLE_ENDIAN_H
#define PELLORIN_LITTLE_ENDIAN_H

#include <vector>

static inline void PutU16(std::vector<unsigned char> *out, unsigned value)
{
    out->push_back((unsigned char)(value & 0xFF));
    out->push_back((unsigned char)((value >> 8) & 0xFF));
}

static inline void PutU32(std::vector<unsigned char> *out, unsigned long value)
{
    PutU16(out, (unsigned)(value & 0xFFFF));
    PutU16(out, (unsigned)((value >> 16) & 0xFFFF));
}

#endif
