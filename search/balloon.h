#pragma once
#include <windows.h>

// The speech balloon's shape in the box's own coordinates: a rounded body
// inset from the window's edges, and a tail whose apex lies on the top or
// bottom edge at the doll's horizontal centre, framed by a black outline.
struct BalloonShape {
    RECT body;        // rounded rectangle
    int corner;       // width and height of its corner ellipses
    int outline;      // width and height of the frame's strokes
    bool hasTail;     // false when the doll's centre is near a side or beyond
    bool tailAtTop;
    POINT tail[3];    // apex, then the two base corners
};

// The sizes at 96 DPI, in pixels; at another DPI each is scaled.
enum { BALLOON_INSET = 10, BALLOON_CORNER = 30, BALLOON_OUTLINE = 2, TAIL_HALF_BASE = 7, TAIL_DEPTH = 11,
       TAIL_MARGIN = 25 };

// The tail's side is chosen with the middle of the doll's monitor; the sizes
// are those of the box's DPI.
BalloonShape ComputeBalloon(const RECT& doll, const RECT& box, const RECT& monitor, UINT dpi);
