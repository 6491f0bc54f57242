#pragma once
#include <windows.h>

// Decisions about the monitors and the windows on them, free of the
// platform: a monitor is its full rectangle (rcMonitor), in virtual-screen
// coordinates, where a monitor left of or above the main one is negative.

// The monitor that holds the point, else the one nearest to it; -1 when
// there are none. *holds tells which of the two it is.
int MonitorIndexAt(POINT pt, const RECT* monitors, int count, bool* holds = nullptr);

// The window moved fully onto the monitor, by as little as it takes; its
// top-left corner.
POINT MoveOnto(const RECT& window, const RECT& monitor);

// Where a window goes when the monitors have changed: it stays while its
// centre lies on one of them, else it moves fully onto the one nearest to
// its centre. Its top-left corner.
POINT KeepOnMonitors(const RECT& window, const RECT* monitors, int count);

// A window shows a game or a film in full screen on the monitor when it is
// visible, not minimised, has neither caption nor sizing border (style) and
// its window rectangle covers the whole monitor.
bool IsFullScreenOn(const RECT& window, LONG style, const RECT& monitor);

// The platform's notification state (SHQueryUserNotificationState) says a
// Direct3D program runs in full screen or a presentation is being given.
bool NotificationStateIsFullScreen(int state);

// Whether the window in the foreground (its window rectangle and style)
// keeps a top-most doll on the monitor behind it: it is a full screen
// there, or the platform's state says a Direct3D program or a presentation
// runs in full screen and the window is shown on that monitor.
bool FrontCovers(int notificationState, const RECT& front, LONG style, const RECT& monitor);
// Whether the window is shown with its centre on the monitor.
bool ShownOn(const RECT& window, LONG style, const RECT& monitor);
