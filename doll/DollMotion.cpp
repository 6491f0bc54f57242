#include <stdlib.h>
#include <string.h>

#include "doll/DollDlg.h"
#include "doll/motion.h"
#include "framework/Geometry.h"
#include "search/SearchDlg.h"

void CDollDlg::StepMotion()
{
    RECT rc;
    ::GetWindowRect(m_hWnd, &rc);
    RECT monitor = MonitorOf(rc);
    // A full-screen window that is not top-most lies below a top-most doll
    // without any change of the z-order: the watch is asked at every tick,
    // before the doll keeps its place.
    if (LookAtFront(monitor, false))
        return;
    MotionStep step = ComputeStep(rc, m_target, monitor.right - monitor.left, monitor.bottom - monitor.top,
                                  m_character.m_moveStep, Dpi(), m_steps);
    m_restCount = NextRestCount(m_restCount, step.reached);
    // Within its tick SelectFrame arms timer 1 again where the period
    // changes; a restart arms it afterwards, with timer 2.
    SelectFrame(ChooseCategory(m_restCount, m_target.x - step.cx, m_target.y - step.cy));

    POINT cursor = TickCursor();
    bool cursorNear = CursorNear(cursor, step);
    if (!cursorNear && m_restCount != 0)
        return;
    HWND zOrder = m_topMost ? HWND_TOPMOST : HWND_BOTTOM;
    // A window already in its place keeps it: the z-order call would change
    // nothing there.
    UINT keep = InZOrder() ? SWP_NOZORDER : 0;
    // Never activate: activation would lift a bottom-most doll to the top
    // and take the keyboard from the user's window ten times a second.
    int width = m_character.m_frameWidth, height = m_character.m_frameHeight;
    if (cursorNear) {
        bool sized = rc.right - rc.left == width && rc.bottom - rc.top == height;
        if (!keep || !sized)
            ::SetWindowPos(m_hWnd, zOrder, 0, 0, width, height, SWP_NOMOVE | SWP_NOACTIVATE | keep);
    } else {
        ::SetWindowPos(m_hWnd, zOrder, rc.left + step.dx, rc.top + step.dy, width, height, SWP_NOACTIVATE | keep);
        if (step.dx || step.dy)
            ++m_steps;
    }
}

// Timers 1 and 2 are armed together wherever the motion starts
// (StartMotionTimers), so in chase mode, while the category playing has the
// base period, their ticks come due together, a few milliseconds apart.
// Within one tick of the system clock, which no timer can tell apart, one
// reading of the pointer serves both; under Wine each reading is a round
// trip to the X server. A timer never reuses its own last reading, and
// outside the ticks the pointer is always read.
POINT CDollDlg::TickCursor()
{
    const DWORD CLOCK_TICK_MS = 15;
    DWORD now = ::GetTickCount();
    if (m_tickTimer == 0 || m_cursorTimer == 0 || m_cursorTimer == m_tickTimer ||
        now - m_cursorTime >= CLOCK_TICK_MS) {
        ::GetCursorPos(&m_cursor);
        m_cursorTime = now;
        m_cursorTimer = m_tickTimer;
    } else {
        m_cursorTimer = 0;  // shared once, then read again
    }
    return m_cursor;
}

namespace {
struct ZOrderCheck {
    HWND doll;
    DWORD thread;
    bool inPlace;
};

// Top-level windows come front to back. In front of a top-most doll may lie
// only windows of its own thread: those it owns, which stay in front of it,
// and hidden ones. Any other window there, hidden or not, is where the
// z-order call would put the doll, in front of it; asking for the thread of
// a window of another process is a round trip to the window server, and
// only the first one is needed.
BOOL CALLBACK CheckZOrder(HWND hWnd, LPARAM lParam)
{
    ZOrderCheck* c = reinterpret_cast<ZOrderCheck*>(lParam);
    if (hWnd == c->doll) {
        c->inPlace = true;
        return FALSE;
    }
    if (::GetWindowThreadProcessId(hWnd, nullptr) != c->thread)
        return FALSE;
    if (::IsWindowVisible(hWnd) && ::GetWindow(hWnd, GW_OWNER) != c->doll)
        return FALSE;
    return TRUE;
}
}  // namespace

// Whether SetWindowPos with HWND_TOPMOST or HWND_BOTTOM would leave the
// window where it is: in front of all top-most windows but its own, or at
// the very back. Once the doll has been put there, nothing else comes in
// front of it (or behind it) without the next tick's check seeing it, and in
// its place the check asks the window server once: for the list of windows,
// or for the one behind the doll.
bool CDollDlg::InZOrder() const
{
    bool topMost = (::GetWindowLongA(m_hWnd, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0;
    if (topMost != (m_topMost != 0))
        return false;
    if (!topMost)
        return ::GetWindow(m_hWnd, GW_HWNDNEXT) == nullptr;
    ZOrderCheck check = { m_hWnd, ::GetCurrentThreadId(), false };
    ::EnumWindows(&CheckZOrder, reinterpret_cast<LPARAM>(&check));
    return check.inPlace;
}

// Region data is the platform's own for its shape, so equal bytes are an
// equal shape; no data is the whole rectangle.
static bool SameShape(const FrameSlot& a, const FrameSlot& b)
{
    if (!a.rgnData || !b.rgnData)
        return !a.rgnData && !b.rgnData;
    return a.rgnSize == b.rgnSize && memcmp(a.rgnData, b.rgnData, a.rgnSize) == 0;
}

void CDollDlg::SelectFrame(int code)
{
    CCharacter& c = m_character;
    int previous = c.m_curFrame;
    FrameChoice choice =
        SelectFrameIndex(code, c.m_framePos, c.m_frameCount, c.m_frameInterval, &m_restCount, FRAME_SLOTS);
    c.m_curFrame = choice.frame;
    UINT interval = static_cast<UINT>(choice.interval);
    // A hidden doll stops here: the next tick does not come until it is
    // shown. Within its own tick timer 1 runs with its last period, and
    // arming it with the same one again would change nothing. Outside its
    // tick the motion is starting, and StartMotionTimers arms timer 1 after
    // the step, together with timer 2.
    if (!IsWindowVisible()) {
        ::KillTimer(m_hWnd, TIMER_MOTION);
        m_motionPeriod = 0;
        m_framePeriod = 0;
    } else {
        m_framePeriod = interval;
        if (m_tickTimer == TIMER_MOTION && m_motionPeriod != interval)
            ArmMotionTimer(interval);
    }
    if (c.m_curFrame != previous)
        ShowCurrentFrame();
}

// The frame is drawn where the window is erased, with no paint handler of
// its own: erasing now paints it once, and the paint message that would
// follow has nothing left to draw.
void CDollDlg::ShowCurrentFrame()
{
    int slot = m_character.m_curFrame;
    const FrameSlot& frame = m_character.Frame(slot);
    if (m_shapeFrame >= 0 && SameShape(m_character.Frame(m_shapeFrame), frame)) {
        ::RedrawWindow(m_hWnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ERASENOW);
    } else {
        // Marked for erasing first, the whole window is painted as the new
        // shape is set, instead of the part the shape uncovers there and all
        // of it again after. The window owns the region from here on; no
        // region data gives no region, which shows the whole rectangle.
        ::RedrawWindow(m_hWnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE);
        HRGN hRgn = frame.rgnData
            ? ::ExtCreateRegion(nullptr, frame.rgnSize, reinterpret_cast<const RGNDATA*>(frame.rgnData))
            : nullptr;
        ::SetWindowRgn(m_hWnd, hRgn, TRUE);
        m_shapeFrame = slot;
        ::RedrawWindow(m_hWnd, nullptr, nullptr, RDW_ERASENOW);
    }
    ::ValidateRect(m_hWnd, nullptr);
}

void CDollDlg::UpdateTarget()
{
    if (m_chase == 1) {
        m_target = TickCursor();
        // Within its own tick timer 2 runs with the period it was last given.
        UINT period = static_cast<UINT>(m_character.m_baseInterval);
        if (m_tickTimer != TIMER_TARGET || m_targetPeriod != period)
            ArmTargetTimer(period);
        return;
    }
    ::KillTimer(m_hWnd, TIMER_TARGET);
    POINT cursor = TickCursor();
    RECT rc;
    ::GetWindowRect(m_hWnd, &rc);
    POINT centre = RectCentre(rc);
    m_target = ChooseWanderTarget(centre.x, centre.y, cursor, MonitorOf(rc), [] { return rand(); }, Dpi());
    ArmTargetTimer(static_cast<UINT>(WanderPeriod(rand())));
}

// Each timer keeps the period it was armed with, so that a tick arms it again
// only for a new one: a timer re-armed within its own tick falls behind by
// the time the tick took to arrive.
void CDollDlg::ArmMotionTimer(UINT period)
{
    ::SetTimer(m_hWnd, TIMER_MOTION, period, nullptr);
    m_motionPeriod = period;
}

void CDollDlg::ArmTargetTimer(UINT period)
{
    ::SetTimer(m_hWnd, TIMER_TARGET, period, nullptr);
    m_targetPeriod = period;
}

// Timers 1 and 2 are armed together, one right after the other and after
// all of the step's work, so that with the same period they stay due at
// the same moment and their ticks are one wake-up of the thread instead of
// two. A hidden doll (motionPeriod 0) keeps timer 1 stopped.
void CDollDlg::StartMotionTimers(UINT motionPeriod)
{
    if (motionPeriod)
        ArmMotionTimer(motionPeriod);
    ArmTargetTimer(static_cast<UINT>(m_character.m_baseInterval));
}

// While the box is shown and the doll not behind a full screen, the
// countdown runs; at each of its ticks the window in front is looked at,
// as the motion ticks do, which the box holds still.
void CDollDlg::AutoHideTick()
{
    if (!m_pSearchDlg)
        return;
    if (m_pSearchDlg->IsWindowVisible() && LookAtFront(DollMonitor(), false))
        return;
    if (m_pSearchDlg->IsWindowVisible())
        m_boxTimeLeft -= AUTOHIDE_STEP_MS;
    if (m_pSearchDlg->IsWindowVisible() && m_boxTimeLeft < 0)
        m_pSearchDlg->ShowWindow(SW_HIDE);
}

void CDollDlg::StopMotion(UINT reason)
{
    m_motionStops |= reason;
    ApplyMotion(false);
}

void CDollDlg::EndStop(UINT reason)
{
    m_motionStops &= ~reason;
    ApplyMotion(false);
}

// "Walk on" (the box's "图标" and its close command): the box holds the doll
// still no longer, and the motion starts again at once, a wander target
// chosen anew; what else holds the doll (the settings dialog, a full
// screen) still does.
void CDollDlg::ResumeMotion()
{
    m_motionStops &= ~STOP_BOX;
    ApplyMotion(true);
}

// The one place timers 1 and 2 start and stop, from the reasons that hold
// the doll still: they run while there is none. The motion starts always
// the same way, one step and then both timers; the step may find a full
// screen in front and stop it again at once. Timer 4 runs while the doll
// stands behind a full screen, the box's countdown while the box is shown
// and the doll does not.
void CDollDlg::ApplyMotion(bool restart)
{
    if (m_motionStops) {
        if (m_bMoving) {
            ::KillTimer(m_hWnd, TIMER_MOTION);
            ::KillTimer(m_hWnd, TIMER_TARGET);
            m_motionPeriod = m_targetPeriod = 0;
            m_bMoving = FALSE;
        }
    } else if (restart || !m_bMoving) {
        m_bMoving = TRUE;
        StepMotion();
        if (m_bMoving)
            StartMotionTimers(m_framePeriod);
    }
    ArmTimer(TIMER_WATCH, WATCH_PERIOD_MS, Behind(), m_bWatchArmed);
    ArmTimer(TIMER_AUTOHIDE, AUTOHIDE_STEP_MS, m_bBoxShown && !Behind(), m_bAutoHideArmed);
}

// A timer armed again would start its period anew: only changes are made.
void CDollDlg::ArmTimer(UINT_PTR id, UINT period, bool armed, BOOL& isArmed)
{
    if (armed && !isArmed)
        ::SetTimer(m_hWnd, id, period, nullptr);
    else if (!armed && isArmed)
        ::KillTimer(m_hWnd, id);
    isArmed = armed;
}

void CDollDlg::OnTimer(UINT_PTR id)
{
    UINT_PTR outer = m_tickTimer;
    m_tickTimer = id;
    if (id == TIMER_MOTION)
        StepMotion();
    else if (id == TIMER_TARGET)
        UpdateTarget();
    else if (id == TIMER_AUTOHIDE)
        AutoHideTick();
    else if (id == TIMER_WATCH)
        LookAtFront(DollMonitor(), true);
    m_tickTimer = outer;
    Default();
}
