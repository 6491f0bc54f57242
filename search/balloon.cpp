#include "search/balloon.h"

#include "framework/Geometry.h"

BalloonShape ComputeBalloon(const RECT& doll, const RECT& box, const RECT& monitor, UINT dpi)
{
    BalloonShape s = {};
    int middle = RectCentre(monitor).y;
    int dollY = RectCentre(doll).y;
    int boxY = RectCentre(box).y;
    int x = RectCentre(doll).x - box.left;
    // Level centres: down for a doll in the upper half, up otherwise.
    if (dollY < middle)
        s.tailAtTop = dollY < boxY;
    else
        s.tailAtTop = !(dollY > boxY);

    int w = box.right - box.left;
    int h = box.bottom - box.top;
    int inset = ScaledLength(BALLOON_INSET, dpi);
    s.body.left = inset;
    s.body.top = inset;
    s.body.right = w - inset;
    s.body.bottom = h - inset;
    s.corner = ScaledLength(BALLOON_CORNER, dpi);
    s.outline = ScaledLength(BALLOON_OUTLINE, dpi);
    int margin = ScaledLength(TAIL_MARGIN, dpi);
    s.hasTail = margin < x && x < w - margin;
    // The tail's base lies inside the body at every scale: its depth exceeds
    // the inset by the scale, a pixel or more.
    int depth = ScaledLength(TAIL_DEPTH, dpi);
    int halfBase = ScaledLength(TAIL_HALF_BASE, dpi);
    int edge = s.tailAtTop ? 0 : h;
    int base = s.tailAtTop ? depth : h - depth;
    s.tail[0].x = x;
    s.tail[0].y = edge;
    s.tail[1].x = x - halfBase;
    s.tail[1].y = base;
    s.tail[2].x = x + halfBase;
    s.tail[2].y = base;
    return s;
}
