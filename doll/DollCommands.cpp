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
        // Not-top-most still lifts a bottom doll in front while it is
        // dragged; one behind a full screen stays there.
        ::SetWindowPos(m_hWnd, m_topMost ? HWND_TOPMOST : HWND_NOTOPMOST, to.x, to.y, m_character.m_frameWidth,
                       m_character.m_frameHeight, Behind() ? SWP_NOZORDER : 0);
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
    EndStop(STOP_TRAY);
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
    m_bBoxShown = shown;
    if (shown) {
        OnBoxUsed();
        ApplyMotion(false);
    } else {
        EndStop(STOP_BOX);
    }
}

// The box is hidden right after, with no word of it.
void CDollDlg::OnBoxClosed()
{
    m_bBoxShown = FALSE;
    ResumeMotion();
}

void CDollDlg::OnBoxUsed()
{
    m_boxTimeLeft = BOX_TIMEOUT_MS;
}

void CDollDlg::OnBoxDestroyed()
{
    SaveBoxFiles();
    m_pSearchDlg = nullptr;
}

void CDollDlg::OnRButtonDown(UINT, POINT pt)
{
    ::ClientToScreen(m_hWnd, &pt);
    PauseForPopupMenu(pt.x, pt.y);
    Default();
}

// The right button's menu, on the doll or on its tray icon: the doll stands
// still while it is open. The chosen command arrives after the restart, so
// one that stops the motion again (the box, the tray) has the last word.
void CDollDlg::PauseForPopupMenu(int x, int y)
{
    StopMotion(STOP_MENU);
    ShowPopupMenu(x, y);
    EndStop(STOP_MENU);
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

// The box goes where the doll is: behind a full screen with it.
void CDollDlg::OpenSearchBox()
{
    m_character.ReloadSearchPrompt();
    if (!m_pSearchDlg)
        return;
    StopMotion(STOP_BOX);
    RECT box, doll;
    ::GetWindowRect(m_pSearchDlg->m_hWnd, &box);
    ::GetWindowRect(m_hWnd, &doll);
    POINT pt = PlaceSearchBox(doll, box.right - box.left, box.bottom - box.top, MonitorOf(doll), rand(), Dpi());
    SetItemText(m_pSearchDlg->m_hWnd, IDC_PROMPT, m_character.m_searchPrompt);
    HWND after = Behind() ? m_hWnd : HWND_TOPMOST;
    ::SetWindowPos(m_pSearchDlg->m_hWnd, after, pt.x, pt.y, 0, 0, SWP_NOSIZE | SWP_HIDEWINDOW);
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
    if (id == ID_DOLL_TOPMOST || id == ID_DOLL_BOTTOM)
        ChangeZOrder(id == ID_DOLL_TOPMOST ? 1 : 0);
    if (id == ID_DOLL_TRAY) {
        StopMotion(STOP_TRAY);
        ShowWindow(SW_HIDE);
        if (m_pSearchDlg)
            m_pSearchDlg->ShowWindow(SW_HIDE);
    }
    if (id == ID_DOLL_SHOW) {
        ShowWindow(SW_SHOW);
        EndStop(STOP_TRAY);
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

// Made top-most while a full-screen window covers its monitor, the doll
// steps behind that window at once; made bottom-most, nothing covers it.
void CDollDlg::ChangeZOrder(int topMost)
{
    m_topMost = topMost;
    WatchFullScreen();
    if (!m_topMost && Behind())
        m_motionStops &= ~STOP_FULLSCREEN;
    if (!LookAtFront(DollMonitor(), true))
        ::SetWindowPos(m_hWnd, m_topMost ? HWND_TOPMOST : HWND_BOTTOM, 0, 0, m_character.m_frameWidth,
                       m_character.m_frameHeight, SWP_NOMOVE);
    ApplyMotion(false);
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
