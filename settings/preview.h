#pragma once
#include <windows.h>

// The character preview sits in the dialog's left column: centred on
// (50, 96) in client pixels, but never above y 60, where the labels end.
// Halves truncate toward zero, as the frame sizes are whole pixels.
inline POINT PreviewPosition(int width, int height)
{
    POINT pt;
    pt.x = 50 - width / 2;
    pt.y = 96 - height / 2;
    if (pt.y < 60)
        pt.y = 60;
    return pt;
}

// The client rectangle repainted when the preview changes.
inline RECT PreviewArea()
{
    RECT rc = { 10, 60, 90, 132 };
    return rc;
}

// "ver %d.%d%d" of major, minor and build; the revision is not shown.
void FormatVersionText(char* out, size_t size, const int version[4]);
