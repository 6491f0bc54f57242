#pragma once
#include <windows.h>

// The character preview sits in the dialog's left column: centred on
// (50, 96) in client pixels at 96 DPI, but never above y 60, where the
// labels end; at another DPI these places scale with the dialog. width and
// height are the preview's as drawn. Halves truncate toward zero, as the
// frame sizes are whole pixels.
POINT PreviewPosition(int width, int height, UINT dpi);

// The client rectangle repainted when the preview changes.
RECT PreviewArea(UINT dpi);

// "ver %d.%d%d" of major, minor and build; the revision is not shown.
void FormatVersionText(char* out, size_t size, const int version[4]);
