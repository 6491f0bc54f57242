#include "doll/placement.h"

#include <string.h>

#include "framework/Geometry.h"
#include "framework/Mbcs.h"

// The range and the halves are those of one screen, measured from the
// monitor's own edges and middle.
POINT PlaceSearchBox(const RECT& doll, int boxWidth, int boxHeight, const RECT& monitor, int randomValue, UINT dpi)
{
    int gap = ScaledLength(10, dpi);
    int low = doll.right - boxWidth + gap;
    if (low < monitor.left - gap)
        low = monitor.left - gap;
    int high = doll.left - gap;
    if (high + boxWidth - gap > monitor.right)
        high = monitor.right - boxWidth + gap;
    POINT pt;
    // An empty range has only one place; the remainder by zero has none.
    int range = high - low;
    pt.x = range == 0 ? low : low + randomValue % range;

    int above = doll.top - boxHeight;
    if (above < monitor.top)
        above = monitor.top;
    int below = doll.bottom;
    if (below + boxHeight > monitor.bottom)
        below = monitor.bottom - boxHeight;
    pt.y = RectCentre(monitor).y > RectCentre(doll).y ? below : above;
    return pt;
}

CString FitTrayTip(const char* text, int maxBytes)
{
    int len = static_cast<int>(strlen(text));
    return CString(text, FitText(text, len, maxBytes));
}

int HistoryMenuCount(int entries)
{
    return entries < HISTORY_MENU_LIMIT ? (entries < 0 ? 0 : entries) : HISTORY_MENU_LIMIT;
}
