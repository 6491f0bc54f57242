#pragma once
// Character walking of code page 936 text for the properties the targets
// check: a lead byte and the byte after it are one character.
#include <stddef.h>

inline bool Lead936(unsigned char c) { return c >= 0x81 && c <= 0xFE; }

// Length of the character at s[i] within n bytes.
inline size_t CharLen936(const char* s, size_t i, size_t n)
{
    return Lead936(static_cast<unsigned char>(s[i])) && i + 1 < n ? 2 : 1;
}

// Whether byte offset `at` starts a character of s (n bytes).
inline bool IsBoundary936(const char* s, size_t n, size_t at)
{
    size_t i = 0;
    while (i < at && i < n)
        i += CharLen936(s, i, n);
    return i == at;
}

// First single-byte character c of s (n bytes) at a character boundary, or n.
inline size_t FindChar936(const char* s, size_t n, char c, size_t from = 0)
{
    for (size_t i = from; i < n; i += CharLen936(s, i, n))
        if (s[i] == c)
            return i;
    return n;
}
