#include <windows.h>
#include <string.h>

#include "doll/DollDlg.h"
#include "doll/placement.h"
#include "framework/Tray.h"
#include "res/resource.h"
#include "search/SearchDlg.h"

// The first and shortest form of the record: every shell version takes it.
static NOTIFYICONDATAA TrayRecord(HWND hWnd)
{
    NOTIFYICONDATAA nid;
    memset(&nid, 0, sizeof nid);
    nid.cbSize = NOTIFYICONDATAA_V1_SIZE;
    nid.hWnd = hWnd;
    nid.uID = 1;
    return nid;
}

static void FillTip(NOTIFYICONDATAA& nid, const char* text)
{
    CString tip = FitTrayTip(text, 63);
    memcpy(nid.szTip, static_cast<const char*>(tip), static_cast<size_t>(tip.GetLength()) + 1);
}

// Adds or modifies our icon with the current character icon and the text.
static void NotifyTray(HWND hWnd, DWORD message, HICON hIcon, const char* text)
{
    NOTIFYICONDATAA nid = TrayRecord(hWnd);
    nid.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    nid.uCallbackMessage = WM_DOLL_TRAY;
    nid.hIcon = hIcon;
    FillTip(nid, text);
    NotifyTrayIcon(message, &nid);
}

void CDollDlg::AddTrayIcon(const char* text)
{
    NotifyTray(m_hWnd, NIM_ADD, m_hCharIcon, text);
}

// The shell may still be busy with the previous icon of a character just
// replaced; the pause lets the change show.
void CDollDlg::UpdateTrayIcon(const char* text)
{
    ::Sleep(100);
    NotifyTray(m_hWnd, NIM_MODIFY, m_hCharIcon, text);
}

void CDollDlg::RemoveTrayIcon()
{
    NOTIFYICONDATAA nid = TrayRecord(m_hWnd);
    NotifyTrayIcon(NIM_DELETE, &nid);
}

CString CDollDlg::TrayTipText() const
{
    CString text;
    text.Format("Kelmora      \n%s", static_cast<const char*>(m_charName));
    return text;
}

LRESULT CDollDlg::OnTrayNotify(WPARAM wParam, LPARAM lParam)
{
    if ((lParam == WM_RBUTTONDOWN || lParam == WM_LBUTTONDBLCLK) && ForwardToSettingsDialog())
        return lParam == WM_RBUTTONDOWN ? 1 : CDialog::WindowProc(WM_DOLL_TRAY, wParam, lParam);
    if (lParam == WM_RBUTTONDOWN) {
        POINT pt;
        ::GetCursorPos(&pt);
        PauseForPopupMenu(pt.x, pt.y);
        return 1;
    }
    if (lParam == WM_LBUTTONDBLCLK) {
        ::SetForegroundWindow(m_hWnd);
        if (!IsWindowVisible()) {
            ShowWindow(SW_SHOW);
            ResumeMotion();
        } else if (m_pSearchDlg) {
            if (!m_pSearchDlg->IsWindowVisible())
                OpenSearchBox();
            else
                m_pSearchDlg->ShowWindow(SW_HIDE);
        }
    }
    return CDialog::WindowProc(WM_DOLL_TRAY, wParam, lParam);
}
