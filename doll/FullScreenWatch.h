#pragma once
#include <windows.h>

#include <functional>

#include "framework/NoCopy.h"
#include "framework/WinEventHook.h"

// Whether a full-screen window of another program (a game, a film, a slide
// show) covers the doll's monitor. The platform tells it of each new window
// in the foreground, the one window event it hooks; everything else it
// looks at when asked, at the ticks the doll already has.
class CFullScreenWatch : private CNoCopy {
public:
    ~CFullScreenWatch() { Stop(); }

    // From now on onChange runs, on this thread, whenever another window
    // comes to the foreground; until Stop.
    void Start(std::function<void()> onChange);
    void Stop();

    // Whether the monitor is covered now. The platform is asked for the
    // window in the foreground, its place and style, when full is set (a new
    // window in front), the monitor changed or a second has passed since it
    // was last asked; else the last answer stands.
    bool Covered(const RECT& monitor, bool full);
    // The window that covers it, while it is covered.
    HWND CoveredBy() const { return m_hCovering; }

private:
    static void CALLBACK OnEvent(HWINEVENTHOOK hook, DWORD event, HWND hWnd, LONG idObject, LONG idChild,
                                 DWORD thread, DWORD time);
    bool Covers(HWND hWnd, const RECT& monitor) const;

    CWinEventHook m_hook;
    std::function<void()> m_onChange;
    HWND m_hFront = nullptr;
    // The window in front is ours, the desktop or none: no cover itself.
    bool m_frontNoCover = true;
    HWND m_hCovering = nullptr;
    RECT m_monitor = {};
    DWORD m_lookedAt = 0;
};
