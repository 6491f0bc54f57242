#include "doll/monitor.h"

#include <shellapi.h>

#include "framework/Geometry.h"

// The platform's own rule (MonitorFromPoint): right and bottom edges belong
// to the next monitor, and the nearest is the one at the shortest straight
// distance, the first of equals in the platform's order.
static long long SquaredDistance(POINT pt, const RECT& rc)
{
    long long dx = pt.x < rc.left ? rc.left - pt.x : pt.x >= rc.right ? pt.x - (rc.right - 1) : 0;
    long long dy = pt.y < rc.top ? rc.top - pt.y : pt.y >= rc.bottom ? pt.y - (rc.bottom - 1) : 0;
    return dx * dx + dy * dy;
}

int MonitorIndexAt(POINT pt, const RECT* monitors, int count, bool* holds)
{
    int nearest = -1;
    long long best = 0;
    for (int i = 0; i < count; ++i) {
        long long d = SquaredDistance(pt, monitors[i]);
        if (nearest < 0 || d < best) {
            nearest = i;
            best = d;
        }
    }
    if (holds)
        *holds = nearest >= 0 && best == 0;
    return nearest;
}

// Only the coordinate that sticks out changes, so the doll lands at the
// edge nearest to where it was.
static LONG Within(LONG start, LONG size, LONG low, LONG high)
{
    if (start + size > high)
        start = high - size;
    return start < low ? low : start;
}

POINT MoveOnto(const RECT& window, const RECT& monitor)
{
    POINT at = { Within(window.left, window.right - window.left, monitor.left, monitor.right),
                 Within(window.top, window.bottom - window.top, monitor.top, monitor.bottom) };
    return at;
}

POINT KeepOnMonitors(const RECT& window, const RECT* monitors, int count)
{
    bool holds = false;
    int i = MonitorIndexAt(RectCentre(window), monitors, count, &holds);
    if (i < 0 || holds) {
        POINT at = { window.left, window.top };
        return at;
    }
    return MoveOnto(window, monitors[i]);
}

// A maximised window with a caption, or one that can be sized, is a window
// the user works in beside the doll, however large.
bool IsFullScreenOn(const RECT& window, LONG style, const RECT& monitor)
{
    if (!(style & WS_VISIBLE) || (style & WS_MINIMIZE))
        return false;
    if ((style & WS_CAPTION) == WS_CAPTION || (style & WS_THICKFRAME))
        return false;
    return window.left <= monitor.left && window.top <= monitor.top && window.right >= monitor.right &&
           window.bottom >= monitor.bottom;
}

// QUNS_BUSY, a full-screen window in front, is left to the window check,
// which knows on which monitor it is.
bool NotificationStateIsFullScreen(int state)
{
    return state == QUNS_RUNNING_D3D_FULL_SCREEN || state == QUNS_PRESENTATION_MODE;
}

// The platform's state is one for the whole desktop: a game or a slide show
// on another monitor is no reason for this one's doll to step aside.
bool FrontCovers(int notificationState, const RECT& front, LONG style, const RECT& monitor)
{
    if (IsFullScreenOn(front, style, monitor))
        return true;
    return NotificationStateIsFullScreen(notificationState) && ShownOn(front, style, monitor);
}

bool ShownOn(const RECT& window, LONG style, const RECT& monitor)
{
    if (!(style & WS_VISIBLE) || (style & WS_MINIMIZE))
        return false;
    POINT c = RectCentre(window);
    return c.x >= monitor.left && c.x < monitor.right && c.y >= monitor.top && c.y < monitor.bottom;
}
