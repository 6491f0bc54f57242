#include "search/balloon.h"

#include "framework/Geometry.h"

BalloonShape ComputeBalloon(const RECT& doll, const RECT& box, const RECT& monitor)
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
    s.body.left = BALLOON_INSET;
    s.body.top = BALLOON_INSET;
    s.body.right = w - BALLOON_INSET;
    s.body.bottom = h - BALLOON_INSET;
    s.hasTail = TAIL_MARGIN < x && x < w - TAIL_MARGIN;
    int edge = s.tailAtTop ? 0 : h;
    int base = s.tailAtTop ? TAIL_DEPTH : h - TAIL_DEPTH;
    s.tail[0].x = x;
    s.tail[0].y = edge;
    s.tail[1].x = x - TAIL_HALF_BASE;
    s.tail[1].y = base;
    s.tail[2].x = x + TAIL_HALF_BASE;
    s.tail[2].y = base;
    return s;
}

BalloonShape ComputeBalloon(const RECT& doll, const RECT& box, int screenHeight)
{
    RECT screen = { 0, 0, 0, screenHeight };
    return ComputeBalloon(doll, box, screen);
}
