#pragma once
#include <windows.h>

// Display scale. Sizes drawn for 96 DPI (100 %) are shown at a window's DPI
// as round(size × dpi / 96).

// The DPI of the window's monitor as the window is laid out for it: the
// platform's word from Windows 10 1607 on, before that the system's.
UINT WindowDpi(HWND hWnd);
// The system DPI, for which the stock objects are made.
UINT SystemDpi();

inline int ScaleToDpi(int size, UINT dpi)
{
    return ::MulDiv(size, static_cast<int>(dpi), USER_DEFAULT_SCREEN_DPI);
}

// A copy of a bitmap at another size, by nearest neighbour: each pixel has
// a colour of the original (no blend, so a key colour stays exact). Null
// when it cannot be made.
HBITMAP StretchNearest(HBITMAP hBitmap, int width, int height);
