#include "ToolTip.h"

#include <commctrl.h>

#include "framework/Text.h"

CToolTipCtrl::~CToolTipCtrl()
{
    if (m_hWnd && ::IsWindow(m_hWnd))
        ::DestroyWindow(m_hWnd);
}

// The common controls' own classes are registered at the first one made.
BOOL CToolTipCtrl::Create(HWND hParent, DWORD style)
{
    INITCOMMONCONTROLSEX icc = { sizeof icc, ICC_WIN95_CLASSES };
    ::InitCommonControlsEx(&icc);
    m_hParent = hParent;
    m_hWnd = ::CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | style,
                               CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT,
                               hParent, nullptr, nullptr, nullptr);
    return m_hWnd != nullptr;
}

BOOL CToolTipCtrl::AddTool(HWND hControl, const char* text)
{
    std::wstring wide = ToUtf16(text);
    TOOLINFOW ti = {};
    ti.cbSize = sizeof ti;
    ti.uFlags = TTF_IDISHWND;
    ti.hwnd = m_hParent;
    ti.uId = reinterpret_cast<UINT_PTR>(hControl);
    ti.lpszText = &wide[0];
    return static_cast<BOOL>(::SendMessageW(m_hWnd, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&ti)));
}

void CToolTipCtrl::SetMaxTipWidth(int width)
{
    ::SendMessageA(m_hWnd, TTM_SETMAXTIPWIDTH, 0, width);
}

void CToolTipCtrl::SetDelayTime(DWORD which, int ms)
{
    ::SendMessageA(m_hWnd, TTM_SETDELAYTIME, which, MAKELPARAM(ms, 0));
}

void CToolTipCtrl::RelayEvent(MSG* pMsg)
{
    if (m_hWnd)
        ::SendMessageA(m_hWnd, TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(pMsg));
}
