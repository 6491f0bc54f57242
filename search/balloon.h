#pragma once
#include <windows.h>

// The speech balloon's shape in the box's own coordinates: a rounded body
// 10 pixels in from the window's edges, and a tail whose apex lies on the top
// or bottom edge at the doll's horizontal centre.
struct BalloonShape {
    RECT body;        // rounded rectangle, corner ellipses 30 x 30
    bool hasTail;     // false when the doll's centre is within 25 pixels of a side or beyond
    bool tailAtTop;
    POINT tail[3];    // apex, then the two base corners
};

enum { BALLOON_INSET = 10, BALLOON_CORNER = 30, TAIL_HALF_BASE = 7, TAIL_DEPTH = 11, TAIL_MARGIN = 25 };

// The tail's side is chosen with the middle of the doll's monitor.
BalloonShape ComputeBalloon(const RECT& doll, const RECT& box, const RECT& monitor);
// The same on a single screen of that height at (0, 0).
BalloonShape ComputeBalloon(const RECT& doll, const RECT& box, int screenHeight);
