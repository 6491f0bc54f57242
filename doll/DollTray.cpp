#include <windows.h>

#include "doll/DollDlg.h"
#include "doll/placement.h"
#include "framework/Tray.h"
#include "res/resource.h"

// Adds or modifies our icon with the current character icon and the text,
// cut as the multibyte tip of the first record form was: never half a
// character.
static void NotifyTray(HWND hWnd, DWORD message, HICON hIcon, const char* text)
{
    NOTIFYICONDATAW nid = TrayRecord(hWnd, 1);
    nid.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    nid.uCallbackMessage = WM_DOLL_TRAY;
    nid.hIcon = hIcon;
    SetTrayTip(nid, FitTrayTip(text, TRAY_TIP_LENGTH));
    NotifyTrayIcon(message, &nid);
}

void CDollDlg::AddTrayIcon(const char* text)
{
    NotifyTray(m_hWnd, NIM_ADD, m_character.m_hCharIcon, text);
}

void CDollDlg::UpdateTrayIcon(const char* text)
{
    NotifyTray(m_hWnd, NIM_MODIFY, m_character.m_hCharIcon, text);
}

void CDollDlg::RemoveTrayIcon()
{
    NOTIFYICONDATAW nid = TrayRecord(m_hWnd, 1);
    NotifyTrayIcon(NIM_DELETE, &nid);
}

CString CDollDlg::TrayTipText() const
{
    CString text;
    text.Format("Kelmora      \n%s", static_cast<const char*>(m_character.m_charName));
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
        if (!ComeForward())
            ToggleSearchBox();
    }
    return CDialog::WindowProc(WM_DOLL_TRAY, wParam, lParam);
}
