#pragma once
#include <windows.h>

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
