#include <stdlib.h>

#include "doll/DollDlg.h"
#include "doll/menus.h"
#include "doll/placement.h"
#include "doll/settingsfile.h"
#include "framework/Text.h"
#include "res/resource.h"
#include "search/SearchDlg.h"

bool CDollDlg::BoxVisible() const
{
    return m_pSearchDlg && m_pSearchDlg->m_hWnd && m_pSearchDlg->IsWindowVisible();
}

HWND CDollDlg::HistoryCombo() const
{
    return m_pSearchDlg && m_pSearchDlg->m_hWnd ? m_pSearchDlg->GetDlgItem(IDC_HISTORY) : nullptr;
}

void CDollDlg::StopMotion()
{
    ::KillTimer(m_hWnd, TIMER_MOTION);
    ::KillTimer(m_hWnd, TIMER_TARGET);
    m_motionPeriod = m_targetPeriod = 0;
}

void CDollDlg::OnLButtonDown(UINT, POINT pt)
{
    BeginDrag(pt, m_dragging, m_dragOffset);
    Default();
}

void CDollDlg::OnMouseMove(UINT, POINT pt)
{
    POINT to;
    if (DragPosition(pt, m_dragging, m_dragOffset, &to)) {
        if (BoxVisible())
            m_pSearchDlg->ShowWindow(SW_HIDE);
        // Not-top-most still lifts a bottom doll in front while it is dragged.
        ::SetWindowPos(m_hWnd, m_topMost ? HWND_TOPMOST : HWND_NOTOPMOST, to.x, to.y, m_character.m_frameWidth,
                       m_character.m_frameHeight, 0);
    }
    Default();
}

void CDollDlg::OnLButtonUp(UINT, POINT)
{
    if (BoxVisible())
        m_pSearchDlg->RedrawNow();
    EndDrag(m_dragging);
    Default();
}

void CDollDlg::OnLButtonDblClk(UINT, POINT)
{
    ToggleSearchBox();
    Default();
}

// To the foreground, and back from the tray if hidden there, walking again;
// false when it was shown already.
bool CDollDlg::ComeForward()
{
    ::SetForegroundWindow(m_hWnd);
    if (IsWindowVisible())
        return false;
    ShowWindow(SW_SHOW);
    ResumeMotion();
    return true;
}

void CDollDlg::ToggleSearchBox()
{
    if (!m_pSearchDlg)
        return;
    if (!m_pSearchDlg->IsWindowVisible())
        OpenSearchBox();
    else
        m_pSearchDlg->ShowWindow(SW_HIDE);
}

void CDollDlg::OnBoxShown(bool shown)
{
    if (shown) {
        OnBoxUsed();
        ::SetTimer(m_hWnd, TIMER_AUTOHIDE, AUTOHIDE_STEP_MS, nullptr);
    } else {
        ::KillTimer(m_hWnd, TIMER_AUTOHIDE);
        if (IsWindowVisible())
            ResumeMotion();
    }
}

void CDollDlg::OnBoxClosed()
{
    ResumeMotion();
    ::KillTimer(m_hWnd, TIMER_AUTOHIDE);
}

void CDollDlg::OnBoxUsed()
{
    m_boxTimeLeft = m_boxTimeout;
}

void CDollDlg::OnBoxDestroyed()
{
    m_pSearchDlg = nullptr;
}

void CDollDlg::KeepBoxRect(const RECT& rc)
{
    WriteBoxRect(rc);
}

void CDollDlg::OnRButtonDown(UINT, POINT pt)
{
    ::ClientToScreen(m_hWnd, &pt);
    PauseForPopupMenu(pt.x, pt.y);
    Default();
}

// The right button's menu, on the doll or on its tray icon: the doll stands
// still while it is open. The chosen command arrives after the restart, so
// one that stops the motion again (the box, the tray) has the last word;
// with the box shown the box restarts the motion when it is hidden.
void CDollDlg::PauseForPopupMenu(int x, int y)
{
    StopMotion();
    ShowPopupMenu(x, y);
    if (!BoxVisible())
        ResumeMotion();
}

void CDollDlg::ShowPopupMenu(int x, int y)
{
    CMenu bar;
    BuildDollMenuBar(bar, IsWindowVisible() != FALSE, BoxVisible(), m_topMost, HistoryCombo());
    TrackPopup(::GetSubMenu(bar, 0), m_hWnd, x, y);
}

void CDollDlg::ShowHistoryMenu(int x, int y)
{
    CMenu menu;
    BuildComboHistoryMenu(menu, HistoryCombo());
    TrackPopup(menu, m_hWnd, x, y);
}

void CDollDlg::OpenSearchBox()
{
    m_character.ReloadSearchPrompt();
    StopMotion();
    if (!m_pSearchDlg)
        return;
    RECT box, doll;
    ::GetWindowRect(m_pSearchDlg->m_hWnd, &box);
    ::GetWindowRect(m_hWnd, &doll);
    POINT pt = PlaceSearchBox(doll, box.right - box.left, box.bottom - box.top, MonitorOf(doll), rand(), Dpi());
    SetItemText(m_pSearchDlg->m_hWnd, IDC_PROMPT, m_character.m_searchPrompt);
    ::SetWindowPos(m_pSearchDlg->m_hWnd, HWND_TOPMOST, pt.x, pt.y, 0, 0, SWP_NOSIZE | SWP_HIDEWINDOW);
    m_pSearchDlg->RedrawNow();
    m_pSearchDlg->ShowWindow(SW_SHOW);
}

void CDollDlg::ClearHistory()
{
    HWND combo = HistoryCombo();
    if (combo)
        ::SendMessageA(combo, CB_RESETCONTENT, 0, 0);
}

BOOL CDollDlg::OnCommand(WPARAM wParam, LPARAM lParam)
{
    UINT id = static_cast<UINT>(wParam);
    RunSharedCommand(id);
    if (id == ID_DOLL_TOPMOST || id == ID_DOLL_BOTTOM) {
        m_topMost = id == ID_DOLL_TOPMOST ? 1 : 0;
        ::SetWindowPos(m_hWnd, m_topMost ? HWND_TOPMOST : HWND_BOTTOM, 0, 0, m_character.m_frameWidth,
                       m_character.m_frameHeight, SWP_NOMOVE);
    }
    if (id == ID_DOLL_TRAY) {
        StopMotion();
        ShowWindow(SW_HIDE);
        if (m_pSearchDlg)
            m_pSearchDlg->ShowWindow(SW_HIDE);
    }
    if (id == ID_DOLL_SHOW) {
        ShowWindow(SW_SHOW);
        ResumeMotion();
    }
    if (id == ID_DOLL_CLOSEBOX && BoxVisible())
        m_pSearchDlg->ShowWindow(SW_HIDE);
    if (id == ID_DOLL_EXIT)
        EndDialog(1);
    // The sub-menus list more entries than a search keeps (a longer history
    // comes from the file); those beyond delete like the rest.
    if (id >= ID_HISTORY_FIRST && id < ID_HISTORY_FIRST + HISTORY_MENU_LIMIT) {
        HWND combo = HistoryCombo();
        if (combo)
            ::SendMessageA(combo, CB_DELETESTRING, id - ID_HISTORY_FIRST, 0);
    }
    return CDialog::OnCommand(wParam, lParam);
}

// The system commands of the doll's and the search box's system menus are
// compared with their low four bits cleared, as the platform asks.
bool CDollDlg::RunSystemCommand(UINT id)
{
    return RunSharedCommand(id & 0xFFF0);
}

// The four commands of both the pop-up and the system menus.
bool CDollDlg::RunSharedCommand(UINT id)
{
    switch (id) {
    case ID_DOLL_RESUME:
        ResumeMotion();
        return true;
    case ID_DOLL_CLEARHIST:
        ClearHistory();
        return true;
    case ID_DOLL_OPENBOX:
        OpenSearchBox();
        return true;
    case ID_DOLL_SETTINGS:
        RunSettingsDialog();
        return true;
    }
    return false;
}

void CDollDlg::OnSysCommand(UINT id, LPARAM)
{
    if (!RunSystemCommand(id))
        Default();
}
