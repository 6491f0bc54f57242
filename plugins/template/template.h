#pragma once

// Resources a packed character carries besides its bitmaps, cursor and icons.
// Both are RT_RCDATA, language neutral, and hold GBK text without a
// terminator (the resource size gives the length).
#define IDR_PACK_CONFIG 1  // the configuration string AllConfig returns
#define IDR_PACK_PROMPT 2  // the prompt GetSerchMessage returns
