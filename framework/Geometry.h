#pragma once
#include <windows.h>
#include <limits.h>

// The DPI at which the program's lengths are given: 100 %.
const UINT DESIGN_DPI = 96;

// A length given at DESIGN_DPI, at another DPI: rounded to the nearest
// pixel, halves away from zero, so that at DESIGN_DPI it is the length
// itself.
inline int ScaledLength(int length, UINT dpi)
{
    long long twice = 2LL * length * static_cast<long long>(dpi);
    long long scaled = (twice + (twice < 0 ? -96 : 96)) / 192;
    return scaled > INT_MAX ? INT_MAX : scaled < INT_MIN ? INT_MIN : static_cast<int>(scaled);
}

// The centre of a rectangle, with integer halves that truncate: the point
// the doll walks by, places its box by and points the balloon's tail at.
inline POINT RectCentre(const RECT& rc)
{
    POINT c = { rc.left + (rc.right - rc.left) / 2, rc.top + (rc.bottom - rc.top) / 2 };
    return c;
}

inline bool SameRect(const RECT& a, const RECT& b)
{
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}
