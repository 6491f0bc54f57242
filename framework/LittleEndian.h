#pragma once
#include <stdint.h>

// Numbers of bitmap, icon and resource files, which are little-endian
// whatever the machine that reads or writes them.

inline uint32_t ReadLE16(const unsigned char* p)
{
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8;
}

inline uint32_t ReadLE32(const unsigned char* p)
{
    return ReadLE16(p) | ReadLE16(p + 2) << 16;
}

inline void WriteLE16(unsigned char* p, uint32_t v)
{
    p[0] = static_cast<unsigned char>(v);
    p[1] = static_cast<unsigned char>(v >> 8);
}

inline void WriteLE32(unsigned char* p, uint32_t v)
{
    WriteLE16(p, v & 0xFFFF);
    WriteLE16(p + 2, v >> 16);
}
