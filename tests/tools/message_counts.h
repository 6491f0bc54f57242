#pragma once
#include <windows.h>

// What the message-counting hook (kelmora-msgcount.dll) has seen of one
// window, in a named mapping the test creates before hooking the window's
// thread. The hook runs inside the program and only counts.
struct MessageCounts {
    HWND window;    // the window counted, set by the test
    LONG ticks;     // WM_TIMER of timer 1 retrieved
    LONG erases;    // WM_ERASEBKGND: the doll draws its frame there
    LONG paints;    // WM_PAINT, sent or retrieved
    LONG reshapes;  // WM_WINDOWPOSCHANGING of a frame change (a new region)
    LONG restacks;  // WM_WINDOWPOSCHANGING with a z-order
    LONG moves;     // WM_WINDOWPOSCHANGING with a position
    LONG targets;   // WM_TIMER of timer 2 retrieved
    LONG paired;    // timer 1 retrieved with timer 2 already due: one wake-up
};

#define KELMORA_MESSAGE_COUNTS "Local\\KelmoraMessageCounts"
