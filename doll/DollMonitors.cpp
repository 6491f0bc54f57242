#include <windows.h>
#include <shellapi.h>

#include "doll/DollDlg.h"
#include "doll/monitor.h"
#include "framework/Geometry.h"
#include "framework/Shell.h"
#include "search/SearchDlg.h"

static BOOL CALLBACK AddMonitor(HMONITOR hMonitor, HDC, LPRECT, LPARAM lParam)
{
    MONITORINFO info = {};
    info.cbSize = sizeof info;
    if (::GetMonitorInfoA(hMonitor, &info))
        reinterpret_cast<std::vector<RECT>*>(lParam)->push_back(info.rcMonitor);
    return TRUE;
}

// The monitors change only with the display settings, which every top-level
// window is told of (WM_DISPLAYCHANGE): asking at each tick would only cost
// the platform a look at its display configuration.
void CDollDlg::ReadMonitors()
{
    m_monitors.clear();
    ::EnumDisplayMonitors(nullptr, nullptr, &AddMonitor, reinterpret_cast<LPARAM>(&m_monitors));
    if (m_monitors.empty()) {
        RECT screen = { 0, 0, ::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN) };
        m_monitors.push_back(screen);
    }
}

RECT CDollDlg::MonitorOf(const RECT& window)
{
    if (m_monitors.empty())
        ReadMonitors();
    int i = MonitorIndexAt(RectCentre(window), m_monitors.data(), static_cast<int>(m_monitors.size()));
    return m_monitors[static_cast<size_t>(i)];
}

// A monitor unplugged, switched off or given another resolution: the doll
// goes at once onto the nearest one if no monitor shows its centre any more,
// and the open box with it, fully onto the doll's new monitor; a box whose
// own monitor went goes onto the nearest. A wander target where no monitor
// is gives way to the doll's own place.
void CDollDlg::OnDisplayChange()
{
    ReadMonitors();
    const RECT* monitors = m_monitors.data();
    int count = static_cast<int>(m_monitors.size());
    const UINT place = SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE;
    RECT doll;
    ::GetWindowRect(m_hWnd, &doll);
    POINT to = KeepOnMonitors(doll, monitors, count);
    int dx = to.x - doll.left, dy = to.y - doll.top;
    if (dx || dy) {
        ::SetWindowPos(m_hWnd, nullptr, to.x, to.y, 0, 0, place);
        ::OffsetRect(&doll, dx, dy);
    }
    bool targetShown = false;
    MonitorIndexAt(m_target, monitors, count, &targetShown);
    if (!targetShown)
        m_target = RectCentre(doll);
    if (BoxVisible()) {
        RECT box;
        ::GetWindowRect(m_pSearchDlg->m_hWnd, &box);
        ::OffsetRect(&box, dx, dy);
        POINT at = dx || dy ? MoveOnto(box, MonitorOf(doll)) : KeepOnMonitors(box, monitors, count);
        ::SetWindowPos(m_pSearchDlg->m_hWnd, nullptr, at.x, at.y, 0, 0, place);
        // Its tail is drawn from where the two are now.
        m_pSearchDlg->RedrawNow();
    }
    CheckFullScreen(false);
}

// Moved onto a monitor of another scale, the doll is shown at that scale at
// once, standing where it stood: its bottom centre stays where it was, and
// the rectangle Windows suggests, scaled about another point, is not taken.
// Dragged there, it is held by the same point of the picture from the next
// move on. The box's tail is drawn again towards the doll's new outline.
void CDollDlg::OnDpiChanged(UINT dpi, const RECT*)
{
    if (dpi == 0 || dpi == Dpi())
        return;
    if (m_dragging) {
        m_dragOffset.x = ::MulDiv(m_dragOffset.x, static_cast<int>(dpi), static_cast<int>(Dpi()));
        m_dragOffset.y = ::MulDiv(m_dragOffset.y, static_cast<int>(dpi), static_cast<int>(Dpi()));
    }
    RECT rc;
    ::GetWindowRect(m_hWnd, &rc);
    int footX = rc.left + (rc.right - rc.left) / 2, footY = rc.bottom;
    m_character.SetDpi(dpi);
    int width = m_character.m_frameWidth, height = m_character.m_frameHeight;
    ::SetWindowPos(m_hWnd, nullptr, footX - width / 2, footY - height, width, height,
                   SWP_NOZORDER | SWP_NOACTIVATE);
    m_shapeFrame = -1;
    if (m_character.m_curFrame >= 0)
        ShowCurrentFrame();
    if (BoxVisible())
        m_pSearchDlg->RedrawNow();
}

namespace {
// The doll whose watch the events are for; there is one doll window.
CDollDlg* g_pWatching = nullptr;

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

// A Direct3D program in exclusive full screen, or a presentation, as the
// shell knows it.
bool PlatformFullScreen()
{
    CShellLibrary shell;
    auto query = shell.Function<decltype(::SHQueryUserNotificationState)>("SHQueryUserNotificationState");
    QUERY_USER_NOTIFICATION_STATE state = QUNS_ACCEPTS_NOTIFICATIONS;
    return query && SUCCEEDED(query(&state)) && NotificationStateIsFullScreen(state);
}

// Behind the window in front, which takes it out of the top-most band when
// that window is not top-most itself, else just out of that band. Hidden
// instead, the doll would have "显示" in its menu, and the hidden box would
// set it walking.
void PutBehind(HWND hWnd, HWND hFront)
{
    bool frontTopMost = hFront && (::GetWindowLongA(hFront, GWL_EXSTYLE) & WS_EX_TOPMOST);
    HWND after = hFront && !frontTopMost ? hFront : HWND_NOTOPMOST;
    ::SetWindowPos(hWnd, after, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}
}  // namespace

void CALLBACK CDollDlg::OnWinEvent(HWINEVENTHOOK, DWORD event, HWND hWnd, LONG idObject, LONG idChild, DWORD, DWORD)
{
    if (g_pWatching && hWnd && idObject == OBJID_WINDOW && idChild == CHILDID_SELF)
        g_pWatching->OnWindowEvent(event, hWnd);
}

// The platform tells of every change of the foreground window, and of the
// moves, hiding, minimising and destruction of the windows of the process in
// front: between them nothing is looked at, and
// nothing at all at a tick.
void CDollDlg::WatchFullScreen()
{
    g_pWatching = this;
    m_foregroundHook.Hook(EVENT_SYSTEM_FOREGROUND, EVENT_SYSTEM_FOREGROUND, &OnWinEvent);
    CheckFullScreen(true);
}

void CDollDlg::StopWatchingFullScreen()
{
    m_foregroundHook.Unhook();
    m_windowHook.Unhook();
    m_watchedProcess = 0;
    g_pWatching = nullptr;
}

// Of the watched process only the window in front counts, and, while the
// doll stands behind one, any of its windows: the one it stands behind may
// be gone already.
void CDollDlg::OnWindowEvent(DWORD event, HWND hWnd)
{
    if (event == EVENT_SYSTEM_FOREGROUND)
        CheckFullScreen(true);
    else if (m_bBehindFullScreen || hWnd == ::GetForegroundWindow())
        CheckFullScreen(false);
}

// Whether a full-screen window of another program now covers the monitor of
// a top-most doll; the doll steps behind it or comes forward again when that
// changes. askPlatform: the foreground changed, so the shell's word may have
// too.
void CDollDlg::CheckFullScreen(bool askPlatform)
{
    HWND hFront = ::GetForegroundWindow();
    DWORD process = 0;
    if (hFront)
        ::GetWindowThreadProcessId(hFront, &process);
    bool ours = process == ::GetCurrentProcessId();
    DWORD watch = ours ? 0 : process;
    if (watch != m_watchedProcess) {
        m_watchedProcess = watch;
        if (watch)
            m_windowHook.Hook(EVENT_SYSTEM_MINIMIZESTART, EVENT_OBJECT_LOCATIONCHANGE, &OnWinEvent, watch);
        else
            m_windowHook.Unhook();
    }
    if (askPlatform)
        m_bPlatformFullScreen = m_topMost && PlatformFullScreen();

    bool covered = false;
    if (m_topMost && m_bPlatformFullScreen) {
        covered = true;
    } else if (m_topMost && hFront && !ours && !IsDesktop(hFront)) {
        RECT doll, front;
        ::GetWindowRect(m_hWnd, &doll);
        ::GetWindowRect(hFront, &front);
        covered = IsFullScreenOn(front, ::GetWindowLongA(hFront, GWL_STYLE), MonitorOf(doll));
    }
    if (covered && !m_bBehindFullScreen)
        StepBehind(ours ? nullptr : hFront);
    else if (!covered && m_bBehindFullScreen)
        ComeForwardAgain();
}

// The doll and its box stand still, the box's countdown too: what the user
// does not see does not go on.
void CDollDlg::StepBehind(HWND hFront)
{
    m_bBehindFullScreen = TRUE;
    StopMotion();
    ::KillTimer(m_hWnd, TIMER_AUTOHIDE);
    PutBehind(m_hWnd, hFront);
    if (BoxVisible())
        PutBehind(m_pSearchDlg->m_hWnd, hFront);
}

// Back in the top-most band where it was; a doll made bottom-most meanwhile
// is already in its place. The open box keeps the doll still, as it did.
void CDollDlg::ComeForwardAgain()
{
    m_bBehindFullScreen = FALSE;
    const UINT keep = SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE;
    if (m_topMost)
        ::SetWindowPos(m_hWnd, HWND_TOPMOST, 0, 0, 0, 0, keep);
    if (BoxVisible()) {
        ::SetWindowPos(m_pSearchDlg->m_hWnd, HWND_TOPMOST, 0, 0, 0, 0, keep);
        ::SetTimer(m_hWnd, TIMER_AUTOHIDE, AUTOHIDE_STEP_MS, nullptr);
    } else if (IsWindowVisible()) {
        ResumeMotion();
    }
}
