#include "doll/FullScreenWatch.h"

#include <shellapi.h>

#include "doll/monitor.h"
#include "framework/Geometry.h"

namespace {
// The watch the events are for; there is one doll window.
CFullScreenWatch* g_pWatch = nullptr;

// Between two of these looks a window in front going to full screen in its
// place (a film, a browser's video) or leaving it, or one that came to the
// front without the platform's event, is not seen.
const DWORD LOOK_AGAIN_MS = 1000;

// The desktop covers every monitor without caption or border and comes to
// the foreground when it is clicked: the shell's window and the worker
// windows it draws the wallpaper in are no full screen.
bool IsDesktop(HWND hWnd)
{
    if (hWnd == ::GetDesktopWindow() || hWnd == ::GetShellWindow())
        return true;
    char name[16] = "";
    ::GetClassNameA(hWnd, name, sizeof name);
    return lstrcmpA(name, "WorkerW") == 0 || lstrcmpA(name, "Progman") == 0;
}

bool NoCover(HWND hWnd)
{
    DWORD process = 0;
    if (hWnd)
        ::GetWindowThreadProcessId(hWnd, &process);
    return !hWnd || process == ::GetCurrentProcessId() || IsDesktop(hWnd);
}

// The shell's word on a Direct3D program in full screen or a presentation,
// asked anew each time: a program can leave without anything telling us.
int NotificationState()
{
    QUERY_USER_NOTIFICATION_STATE state = QUNS_ACCEPTS_NOTIFICATIONS;
    if (FAILED(::SHQueryUserNotificationState(&state)))
        return QUNS_ACCEPTS_NOTIFICATIONS;
    return state;
}
}  // namespace

void CFullScreenWatch::Start(std::function<void()> onChange)
{
    m_onChange = onChange;
    g_pWatch = this;
    m_hook.Hook(EVENT_SYSTEM_FOREGROUND, EVENT_SYSTEM_FOREGROUND, &OnEvent);
}

void CFullScreenWatch::Stop()
{
    m_hook.Unhook();
    m_onChange = nullptr;
    m_hCovering = nullptr;
    m_hFront = nullptr;
    m_frontNoCover = true;
    if (g_pWatch == this)
        g_pWatch = nullptr;
}

void CALLBACK CFullScreenWatch::OnEvent(HWINEVENTHOOK, DWORD event, HWND, LONG, LONG, DWORD, DWORD)
{
    if (event == EVENT_SYSTEM_FOREGROUND && g_pWatch && g_pWatch->m_onChange)
        g_pWatch->m_onChange();
}

// With our own window in front (the doll's menu, its box, the settings
// dialog) the window the doll stands behind still counts: what the user
// opens from the tray does not lift the doll over the game. A new window in
// front comes with the platform's event (full); between events the window
// in front, its place and its style are asked for again once a second, so
// the ticks in between cost no question to the window server.
bool CFullScreenWatch::Covered(const RECT& monitor, bool full)
{
    DWORD now = ::GetTickCount();
    if (!full && SameRect(monitor, m_monitor) && now - m_lookedAt < LOOK_AGAIN_MS)
        return m_hCovering != nullptr;
    HWND hFront = ::GetForegroundWindow();
    if (hFront != m_hFront) {
        m_hFront = hFront;
        m_frontNoCover = NoCover(hFront);
    }
    m_monitor = monitor;
    m_lookedAt = now;
    HWND hCandidate = m_frontNoCover ? m_hCovering : hFront;
    m_hCovering = hCandidate && Covers(hCandidate, monitor) ? hCandidate : nullptr;
    return m_hCovering != nullptr;
}

bool CFullScreenWatch::Covers(HWND hWnd, const RECT& monitor) const
{
    RECT rc;
    if (!::GetWindowRect(hWnd, &rc))
        return false;
    LONG style = ::GetWindowLongW(hWnd, GWL_STYLE);
    return FrontCovers(ShownOn(rc, style, monitor) ? NotificationState() : QUNS_ACCEPTS_NOTIFICATIONS, rc, style,
                       monitor);
}
