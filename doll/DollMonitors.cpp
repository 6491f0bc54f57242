#include <windows.h>

#include "doll/DollDlg.h"
#include "doll/monitor.h"
#include "framework/Geometry.h"
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
    LookAtFront(MonitorOf(doll), true);
}

RECT CDollDlg::DollMonitor()
{
    RECT rc;
    ::GetWindowRect(m_hWnd, &rc);
    return MonitorOf(rc);
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
// Whether the window lies below the one in front in the z-order.
bool LiesBehind(HWND hWnd, HWND hFront)
{
    for (HWND h = ::GetWindow(hWnd, GW_HWNDPREV); h; h = ::GetWindow(h, GW_HWNDPREV))
        if (h == hFront)
            return true;
    return false;
}

// Behind the window in front, which takes it out of the top-most band when
// that window is not top-most itself, else just out of that band. Hidden
// instead, the doll would have "显示" in its menu, and the hidden box would
// set it walking.
void PutBehind(HWND hWnd, HWND hFront)
{
    if (!(::GetWindowLongW(hWnd, GWL_EXSTYLE) & WS_EX_TOPMOST) && LiesBehind(hWnd, hFront))
        return;
    bool frontTopMost = hFront && (::GetWindowLongW(hFront, GWL_EXSTYLE) & WS_EX_TOPMOST);
    HWND after = hFront && !frontTopMost ? hFront : HWND_NOTOPMOST;
    ::SetWindowPos(hWnd, after, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}
}  // namespace

// Only a top-most doll watches: one at the bottom is behind everything
// already.
void CDollDlg::WatchFullScreen()
{
    if (m_topMost)
        m_watch.Start([this] { LookAtFront(DollMonitor(), true); });
    else
        m_watch.Stop();
}

// Whether a full-screen window of another program now covers the monitor of
// a top-most doll; the doll steps behind it or comes forward again when that
// changes.
bool CDollDlg::LookAtFront(const RECT& monitor, bool full)
{
    bool covered = m_topMost && m_watch.Covered(monitor, full);
    if (covered)
        StepBehind(m_watch.CoveredBy());
    else if (Behind())
        ComeForwardAgain();
    return covered;
}

// The doll and its box stand still, the box's countdown too: what the user
// does not see does not go on. Each look puts them back behind the window if
// something lifted them meanwhile: another program, or the window system
// bringing a window it has just uncovered to the front.
void CDollDlg::StepBehind(HWND hFront)
{
    if (!Behind())
        StopMotion(STOP_FULLSCREEN);
    PutBehind(m_hWnd, hFront);
    if (BoxVisible())
        PutBehind(m_pSearchDlg->m_hWnd, hFront);
}

// Back in the top-most band where it was; a doll made bottom-most meanwhile
// is already in its place.
void CDollDlg::ComeForwardAgain()
{
    const UINT keep = SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE;
    if (m_topMost)
        ::SetWindowPos(m_hWnd, HWND_TOPMOST, 0, 0, 0, 0, keep);
    if (BoxVisible())
        ::SetWindowPos(m_pSearchDlg->m_hWnd, HWND_TOPMOST, 0, 0, 0, 0, keep);
    EndStop(STOP_FULLSCREEN);
}
