#include <stdlib.h>

#include "doll/DollDlg.h"
#include "doll/motion.h"
#include "search/SearchDlg.h"

void CDollDlg::StepMotion()
{
    // Outside a tick the motion is being restarted: the timers may have been
    // stopped and are armed again afresh.
    if (m_tickTimer != TIMER_MOTION) {
        m_motionPeriod = 0;
        m_targetPeriod = 0;
    }
    int screenW = ::GetSystemMetrics(SM_CXSCREEN);
    int screenH = ::GetSystemMetrics(SM_CYSCREEN);
    RECT rc;
    ::GetWindowRect(m_hWnd, &rc);
    MotionStep step = ComputeStep(rc, m_target, screenW, screenH, m_moveStep);
    m_restCount = NextRestCount(m_restCount, step.reached);
    // SelectFrame stops timer 1 or arms it again, where that changes
    // something.
    SelectFrame(ChooseCategory(m_restCount, m_target.x - step.cx, m_target.y - step.cy));

    POINT cursor;
    ::GetCursorPos(&cursor);
    HWND zOrder = m_topMost ? HWND_TOPMOST : HWND_BOTTOM;
    // Never activate: activation would lift a bottom-most doll to the top
    // and take the keyboard from the user's window ten times a second.
    if (CursorNear(cursor, step))
        ::SetWindowPos(m_hWnd, zOrder, 0, 0, m_frameWidth, m_frameHeight, SWP_NOMOVE | SWP_NOACTIVATE);
    else if (m_restCount == 0)
        ::SetWindowPos(m_hWnd, zOrder, rc.left + step.dx, rc.top + step.dy, m_frameWidth, m_frameHeight,
                       SWP_NOACTIVATE);
}

void CDollDlg::SelectFrame(int code)
{
    int previous = m_curFrame;
    FrameChoice choice = SelectFrameIndex(code, m_framePos, m_frameCount, m_frameInterval, &m_restCount, FRAME_SLOTS);
    m_curFrame = choice.frame;
    UINT interval = static_cast<UINT>(choice.interval);
    // A hidden doll stops here: the next tick does not come until it is
    // shown. Within a tick the timer runs with its last period, and arming
    // it with the same one again would change nothing.
    if (!IsWindowVisible()) {
        ::KillTimer(m_hWnd, TIMER_MOTION);
        m_motionPeriod = 0;
    } else if (m_tickTimer != TIMER_MOTION || m_motionPeriod != interval) {
        ::SetTimer(m_hWnd, TIMER_MOTION, interval, nullptr);
        m_motionPeriod = interval;
    }
    if (m_curFrame == previous)
        return;
    // The window owns the region from here on. No region data gives no
    // region, which shows the whole rectangle.
    const FrameSlot& frame = m_frames[m_curFrame];
    HRGN hRgn = frame.rgnData
        ? ::ExtCreateRegion(nullptr, frame.rgnSize, reinterpret_cast<const RGNDATA*>(frame.rgnData))
        : nullptr;
    ::SetWindowRgn(m_hWnd, hRgn, TRUE);
    RedrawNow();
}

void CDollDlg::UpdateTarget()
{
    if (m_chase == 1) {
        ::GetCursorPos(&m_target);
        // Within its own tick timer 2 runs with the period it was last given.
        UINT period = static_cast<UINT>(m_baseInterval);
        if (m_tickTimer != TIMER_TARGET || m_targetPeriod != period) {
            ::SetTimer(m_hWnd, TIMER_TARGET, period, nullptr);
            m_targetPeriod = period;
        }
        return;
    }
    ::KillTimer(m_hWnd, TIMER_TARGET);
    POINT cursor;
    ::GetCursorPos(&cursor);
    RECT rc;
    ::GetWindowRect(m_hWnd, &rc);
    int cx = rc.left + (rc.right - rc.left) / 2;
    int cy = rc.top + (rc.bottom - rc.top) / 2;
    m_target = ChooseWanderTarget(cx, cy, cursor, ::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN),
                                  [] { return rand(); });
    m_targetPeriod = static_cast<UINT>(WanderPeriod(rand()));
    ::SetTimer(m_hWnd, TIMER_TARGET, m_targetPeriod, nullptr);
}

void CDollDlg::AutoHideTick()
{
    if (!m_pSearchDlg)
        return;
    if (m_pSearchDlg->IsWindowVisible())
        m_boxTimeLeft -= 500;
    if (m_pSearchDlg->IsWindowVisible() && m_boxTimeLeft < 0)
        m_pSearchDlg->ShowWindow(SW_HIDE);
}

void CDollDlg::ResumeMotion()
{
    StepMotion();
    ::SetTimer(m_hWnd, TIMER_TARGET, static_cast<UINT>(m_baseInterval), nullptr);
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
    m_tickTimer = outer;
    Default();
}
