#include "doll/placement.h"

#include <string.h>

#include "framework/Mbcs.h"

POINT PlaceSearchBox(const RECT& doll, int boxWidth, int boxHeight, int screenWidth, int screenHeight,
                     int randomValue)
{
    int low = doll.right - boxWidth + 10;
    if (low < -10)
        low = -10;
    int high = doll.left - 10;
    if (high + boxWidth - 10 > screenWidth)
        high = screenWidth - boxWidth + 10;
    POINT pt;
    // An empty range has only one place; the remainder by zero has none.
    int range = high - low;
    pt.x = range == 0 ? low : low + randomValue % range;

    int above = doll.top - boxHeight;
    if (above < 0)
        above = 0;
    int below = doll.bottom;
    if (below + boxHeight > screenHeight)
        below = screenHeight - boxHeight;
    int dollMiddle = doll.top + (doll.bottom - doll.top) / 2;
    pt.y = screenHeight / 2 > dollMiddle ? below : above;
    return pt;
}

CString FitTrayTip(const char* text, int maxBytes, UINT codePage)
{
    int len = static_cast<int>(strlen(text));
    return CString(text, FitText(text, len, maxBytes, codePage));
}

int HistoryMenuCount(int entries)
{
    return entries < HISTORY_MENU_LIMIT ? (entries < 0 ? 0 : entries) : HISTORY_MENU_LIMIT;
}
