#pragma once
#include <windows.h>

#include "framework/CString.h"
#include "framework/Mbcs.h"

// The search word as it goes into a URL. Text of single-byte characters only
// keeps letters, digits and "-_.~", turns a space into "+" and escapes every
// other byte; any other text is converted to UTF-8 and every byte escaped
// ("%E4%B8%AD%20%61"). Empty when a conversion fails.
CString EncodeQuery(const char* text);

// The template with every placeholder replaced by the word, left to right;
// the inserted word is not searched again.
CString SubstituteQuery(const char* urlTemplate, const char* word);

// What a search does to the history list. `found` is the index of the entry
// equal to the word ignoring letter case, or -1.
struct HistoryPlan {
    int deleteAt;      // -1: nothing
    bool insertTop;    // the word as typed at index 0
    bool trimLast;     // delete the last entry after inserting
    bool selectFirst;  // select entry 0 (its text goes into the edit field)
};
HistoryPlan PlanHistory(int count, int found, int keepHistory);

enum { HISTORY_LIMIT = 100 };
