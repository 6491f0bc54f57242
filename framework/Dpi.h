#pragma once
#include <windows.h>

#include "framework/Geometry.h"

// Display scale. Windows gives each window the DPI of its monitor, and
// sizes of the system's images (icons, cursors) for each DPI, from Windows
// 10 version 1607 on; before it a program has one DPI, the system's, which
// these fall back to.

// The DPI a window is shown at.
UINT WindowDpi(HWND hWnd);
// The system's DPI: that of the primary monitor when the user signed in.
UINT SystemDpi();
// A system metric (SM_CXICON, SM_CXSMICON, SM_CXCURSOR, ...) at a DPI.
int MetricForDpi(int index, UINT dpi);

// A copy of a bitmap at another size, by nearest neighbour: each pixel has
// the colour of the original's pixel under its centre (no blend, so a key
// colour stays exact). Null when it cannot be made.
HBITMAP StretchNearest(HBITMAP hBitmap, int width, int height);
