#pragma once
#include <windows.h>

#include "framework/CString.h"
#include "framework/Geometry.h"

// Where the search box opens beside the doll, on the doll's monitor.
// `randomValue` is one draw of rand(); the box's left edge is chosen from a
// range so that it overhangs the doll on both sides, by gaps that grow with
// the DPI.
POINT PlaceSearchBox(const RECT& doll, int boxWidth, int boxHeight, const RECT& monitor, int randomValue,
                     UINT dpi = DESIGN_DPI);

// The tray tip: at most maxBytes bytes of GBK text, cut before a
// double-byte character that would not fit whole.
CString FitTrayTip(const char* text, int maxBytes);

// Number of items of the history sub-menus: the list's entries, at most
// HISTORY_MENU_LIMIT.
enum { HISTORY_MENU_LIMIT = 102 };
int HistoryMenuCount(int entries);
