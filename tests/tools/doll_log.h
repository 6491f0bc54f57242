#pragma once
#include <windows.h>
#include <stdint.h>

#include <string>

// What the watching hook (kelmora-msgcount.dll) has seen happen to the doll
// window, in the order it happened on the program's GUI thread, in a named
// mapping the test creates before hooking that thread. The hook records
// what the window is sent and retrieves, what it draws, and the program's
// own calls to a few platform functions (redirected in its import table).
enum DollEventKind : LONG {
    EV_TICK = 1,   // WM_TIMER retrieved; a: the timer
    EV_HELD,       // a tick of a held timer, taken out of the queue; a: the timer
    EV_PAINT,      // WM_PAINT retrieved
    EV_FRAME,      // the window erased, that is drawn; a: the frame drawn (-1: none of them),
                   // b: ShapeHash of its region
    EV_MOVED,      // WM_WINDOWPOSCHANGED to a place; a, b: left, top
    EV_RESHAPED,   // WM_WINDOWPOSCHANGING of a new region
    EV_RESTACKED,  // WM_WINDOWPOSCHANGING with a z-order; a: 0 when the program's last read of windows saw it in place
    EV_ACTIVATED,  // WM_ACTIVATE that makes the doll the active window
    EV_SETTIMER,   // the program armed a timer of the doll; a: the timer, b: its period
    EV_KILLTIMER,  // the program stopped a timer of the doll; a: the timer
    EV_CALL,       // another call of the program; a: CALL_*
    EV_MARKER,     // a marker the test posted; a: its number
    EV_WINEVENT,   // a window event reached a win-event hook of the program; a: the event, b: the object
    EV_WOKEN,      // the doll was sent a second start's request to come forward
    EV_DPICHANGED, // WM_DPICHANGED sent to a window of the thread; a: the DPI
};

enum { CALL_GETCURSORPOS = 1, CALL_SETWINDOWPOS, CALL_SETWINDOWRGN, CALL_REDRAWWINDOW };

struct DollEvent {
    LONG kind, a, b;
};

enum { LOG_FRAMES = 30, LOG_FRAME_SIDE = 64, LOG_EVENTS = 1 << 16, LOG_DRAWS = 8, LOG_DPI_RECTS = 16 };
const DWORD LOG_CLEAR = 0xFFFFFFFF;

struct DollLog {
    HWND window;                  // the doll, set by the test; null: the first dialog initialised
    LONG frames, width, height;   // the frames to tell apart, set by the test
    DWORD pixels[LOG_FRAMES][LOG_FRAME_SIDE * LOG_FRAME_SIDE];  // rows of width, 0x00RRGGBB or LOG_CLEAR
    LONG heldTimers;              // bit n: ticks of timer n are taken out of the queue undelivered
    LONG draws[LOG_DRAWS], drawCount, drawNext;  // what the program's rand() returns in turn (none: its own)
    LONG endInNewFile;            // the program is killed halfway through its first write of a ".new" file
    LONG ready;                   // the hook runs and the program's imports are redirected
    LONG lost;                    // events that found the log full
    LONG count;                   // events written
    RECT dpiRects[LOG_DPI_RECTS]; // suggested rectangles of the DPI changes the test sends
    DollEvent events[LOG_EVENTS];
};

// The mapping's name, of the one program it is for (its id and start time):
// a program left over from an earlier test never writes into a later log.
inline std::string DollLogName(HANDLE process)
{
    FILETIME created, exited, kernel, user;
    if (!::GetProcessTimes(process, &created, &exited, &kernel, &user))
        return std::string();
    return "Local\\KelmoraDollLog-" + std::to_string(::GetProcessId(process)) + "-" +
           std::to_string((static_cast<uint64_t>(created.dwHighDateTime) << 32) | created.dwLowDateTime);
}
// Messages the test posts to the doll window; the hook takes them out of the
// program's queue. A marker (wParam: its number) is only recorded; a tick
// (wParam: the timer) reaches the program as that timer's WM_TIMER.
#define KELMORA_MARKER_MESSAGE "KelmoraTest.Marker"
#define KELMORA_TICK_MESSAGE "KelmoraTest.Tick"
// Posted by the test to any window of the doll's thread (wParam: the new
// DPI, lParam: the index of the suggested rectangle in dpiRects): the hook
// sends that window WM_DPICHANGED as Windows does, the DPI in both words of
// wParam and a pointer to the rectangle, in the program's memory, in lParam.
#define KELMORA_DPI_MESSAGE "KelmoraTest.DpiChanged"

// FNV-1a of a shape given as one byte per pixel (1: inside), row by row:
// how the hook records a region and the test a frame's opaque pixels.
inline LONG ShapeHash(const unsigned char* inside, size_t n)
{
    uint32_t h = 2166136261u;
    for (size_t i = 0; i < n; ++i) {
        h ^= inside[i];
        h *= 16777619u;
    }
    return static_cast<LONG>(h);
}
