#include "Wnd.h"

#include <map>

#include "App.h"

namespace {

std::map<HWND, CWnd*>& HandleMap()
{
    static std::map<HWND, CWnd*> map;
    return map;
}

// The dialog being created: bound to its window at the first message.
CWnd* g_pWndInit = nullptr;

}  // namespace

CWnd::~CWnd()
{
    if (m_hWnd) {
        HandleMap().erase(m_hWnd);
        ::SetWindowLongPtrW(m_hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(m_pfnSuper));
    }
}

CWnd* CWnd::FromHandlePermanent(HWND hWnd)
{
    auto it = HandleMap().find(hWnd);
    return it == HandleMap().end() ? nullptr : it->second;
}

void CWnd::Attach(HWND hWnd)
{
    m_hWnd = hWnd;
    HandleMap()[hWnd] = this;
    m_pfnSuper = reinterpret_cast<WNDPROC>(
        ::SetWindowLongPtrW(hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&CWnd::StdWndProc)));
}

// An exception escaping here would unwind through the platform's frames:
// noexcept turns it into an immediate, visible termination instead.
LRESULT CALLBACK CWnd::StdWndProc(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam) noexcept
{
    CWnd* pWnd = FromHandlePermanent(hWnd);
    if (!pWnd)
        return ::DefWindowProcW(hWnd, msg, wParam, lParam);

    MSG current = { hWnd, msg, wParam, lParam, 0, { 0, 0 } };
    const MSG* pSaved = pWnd->m_pCurrentMsg;
    pWnd->m_pCurrentMsg = &current;
    LRESULT result = pWnd->WindowProc(msg, wParam, lParam);
    pWnd->m_pCurrentMsg = pSaved;

    if (msg == WM_NCDESTROY) {
        HandleMap().erase(hWnd);
        ::SetWindowLongPtrW(hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(pWnd->m_pfnSuper));
        pWnd->m_hWnd = nullptr;
        pWnd->PostNcDestroy();  // may delete pWnd
    }
    return result;
}

LRESULT CWnd::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam)
{
    LRESULT result = 0;
    if (OnWndMsg(msg, wParam, lParam, &result))
        return result;
    return Default();
}

// Handlers of messages whose result is 0 leave *pResult as it is.
BOOL CWnd::OnWndMsg(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* pResult)
{
    // The client area's mouse messages: key flags and the point.
    static const struct {
        UINT msg;
        void (CWnd::*handler)(UINT, POINT);
    } kMouse[] = {
        { WM_LBUTTONDOWN, &CWnd::OnLButtonDown }, { WM_LBUTTONUP, &CWnd::OnLButtonUp },
        { WM_LBUTTONDBLCLK, &CWnd::OnLButtonDblClk }, { WM_RBUTTONDOWN, &CWnd::OnRButtonDown },
        { WM_MOUSEMOVE, &CWnd::OnMouseMove },
    };
    UINT flags = static_cast<UINT>(wParam);
    for (const auto& mouse : kMouse) {
        if (mouse.msg == msg) {
            (this->*mouse.handler)(flags, MousePoint(lParam));
            return TRUE;
        }
    }
    switch (msg) {
    case WM_COMMAND:
        return OnCommand(wParam, lParam);
    case WM_TIMER:
        OnTimer(wParam);
        return TRUE;
    case WM_SYSCOMMAND:
        OnSysCommand(flags, lParam);
        return TRUE;
    case WM_DESTROY:
        OnDestroy();
        return TRUE;
    case WM_PAINT:
        OnPaint();
        return TRUE;
    case WM_SIZE:
        OnSize(flags, LOWORD(lParam), HIWORD(lParam));
        return TRUE;
    case WM_SHOWWINDOW:
        OnShowWindow(static_cast<BOOL>(wParam), static_cast<UINT>(lParam));
        return TRUE;
    case WM_ACTIVATE:
        OnActivate(LOWORD(wParam), reinterpret_cast<HWND>(lParam), HIWORD(wParam) != 0);
        return TRUE;
    case WM_GETMINMAXINFO:
        OnGetMinMaxInfo(reinterpret_cast<MINMAXINFO*>(lParam));
        return TRUE;
    case WM_ENDSESSION:
        OnEndSession(static_cast<BOOL>(wParam));
        return TRUE;
    case WM_DPICHANGED:
        OnDpiChanged(HIWORD(wParam), reinterpret_cast<const RECT*>(lParam));
        return TRUE;
    case WM_SETCURSOR:
        *pResult = OnSetCursor(reinterpret_cast<HWND>(wParam), LOWORD(lParam), HIWORD(lParam));
        return TRUE;
    case WM_ERASEBKGND:
        *pResult = OnEraseBkgnd(reinterpret_cast<HDC>(wParam));
        return TRUE;
    case WM_QUERYDRAGICON:
        *pResult = reinterpret_cast<LRESULT>(OnQueryDragIcon());
        return TRUE;
    case WM_CTLCOLORMSGBOX:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORSTATIC:
        *pResult = reinterpret_cast<LRESULT>(
            OnCtlColor(reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam), msg - WM_CTLCOLORMSGBOX));
        return TRUE;
    }
    return FALSE;
}

BOOL CWnd::OnCommand(WPARAM wParam, LPARAM)
{
    return OnCmdMsg(LOWORD(wParam), HIWORD(wParam));
}

BOOL CWnd::OnCmdMsg(UINT, UINT)
{
    return FALSE;
}

BOOL CWnd::PreTranslateMessage(MSG*)
{
    return FALSE;
}

LRESULT CWnd::Default()
{
    const MSG* m = m_pCurrentMsg;
    if (!m)
        return 0;
    return ::CallWindowProcW(m_pfnSuper, m->hwnd, m->message, m->wParam, m->lParam);
}

CDialog::CDialog(UINT templateId, CWnd* pParent)
    : m_templateId(templateId), m_pParent(pParent)
{
}

INT_PTR CALLBACK CDialog::DlgProc(HWND hWnd, UINT, WPARAM, LPARAM)
{
    // The first message that reaches the dialog procedure (WM_SETFONT or
    // WM_INITDIALOG) binds the object; from then on its window procedure
    // sees everything first and this procedure leaves all to the default.
    if (g_pWndInit && !FromHandlePermanent(hWnd)) {
        CWnd* pWnd = g_pWndInit;
        g_pWndInit = nullptr;
        static_cast<CDialog*>(pWnd)->Attach(hWnd);
    }
    return FALSE;
}

HWND CDialog::CreateFromTemplate(HWND hOwner)
{
    g_pWndInit = this;
    HWND hWnd = ::CreateDialogParamW(AfxGetInstanceHandle(), MAKEINTRESOURCEW(m_templateId), hOwner,
                                     &CDialog::DlgProc, 0);
    g_pWndInit = nullptr;
    return hWnd;
}

static HWND DefaultOwner(CWnd* pParent, CWnd* pSelf)
{
    CWnd* pOwner = pParent;
    if (!pOwner && AfxGetApp() && AfxGetApp()->m_pMainWnd != pSelf)
        pOwner = AfxGetApp()->m_pMainWnd;
    HWND hOwner = pOwner ? pOwner->m_hWnd : nullptr;
    return hOwner ? ::GetAncestor(hOwner, GA_ROOT) : nullptr;
}

BOOL CDialog::Create(UINT templateId, CWnd* pParent)
{
    m_templateId = templateId;
    m_bModal = FALSE;
    return CreateFromTemplate(DefaultOwner(pParent ? pParent : m_pParent, this)) != nullptr;
}

INT_PTR CDialog::DoModal()
{
    HWND hOwner = DefaultOwner(m_pParent, this);
    m_bModal = TRUE;
    m_bEnded = FALSE;
    m_nModalResult = -1;
    if (!CreateFromTemplate(hOwner))
        return -1;
    BOOL ownerWasEnabled = hOwner && ::IsWindowEnabled(hOwner);
    if (ownerWasEnabled)
        ::EnableWindow(hOwner, FALSE);
    if (!m_bEnded && !IsWindowVisible())
        ShowWindow(SW_SHOWNORMAL);

    MSG msg;
    BOOL idle = TRUE;
    while (!m_bEnded) {
        if (idle && !::PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE))
            idle = OnIdle();
        BOOL got = ::GetMessageW(&msg, nullptr, 0, 0);
        if (got == 0) {
            ::PostQuitMessage(static_cast<int>(msg.wParam));
            break;
        }
        if (got < 0)
            break;
        if (!PreTranslateChain(&msg)) {
            ::TranslateMessage(&msg);
            ::DispatchMessageW(&msg);
        }
    }

    if (ownerWasEnabled) {
        ::EnableWindow(hOwner, TRUE);
        if (::GetActiveWindow() == m_hWnd)
            ::SetActiveWindow(hOwner);
    }
    if (m_hWnd)
        DestroyWindow();
    return m_nModalResult;
}

void CDialog::EndDialog(INT_PTR result)
{
    if (m_bModal) {
        m_nModalResult = result;
        m_bEnded = TRUE;
        ::PostMessageA(m_hWnd, WM_NULL, 0, 0);
    }
    ::SetWindowPos(m_hWnd, nullptr, 0, 0, 0, 0,
                   SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_HIDEWINDOW);
}

BOOL CDialog::PreTranslateMessage(MSG* pMsg)
{
    if (pMsg->hwnd != m_hWnd && !::IsChild(m_hWnd, pMsg->hwnd))
        return FALSE;
    // Keyboard navigation (Tab, default button, mnemonics) of the dialog.
    if (pMsg->message >= WM_KEYFIRST && pMsg->message <= WM_KEYLAST)
        return ::IsDialogMessageW(m_hWnd, pMsg);
    return FALSE;
}

BOOL CDialog::OnWndMsg(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* pResult)
{
    if (msg == WM_INITDIALOG) {
        *pResult = OnInitDialog();
        return TRUE;
    }
    return CWnd::OnWndMsg(msg, wParam, lParam, pResult);
}

BOOL CDialog::OnCmdMsg(UINT id, UINT code)
{
    if (code != BN_CLICKED)
        return FALSE;
    if (id == IDOK) {
        OnOK();
        return TRUE;
    }
    if (id == IDCANCEL) {
        OnCancel();
        return TRUE;
    }
    return FALSE;
}

BOOL PreTranslateChain(MSG* pMsg)
{
    for (HWND hWnd = pMsg->hwnd; hWnd; hWnd = ::GetParent(hWnd)) {
        CWnd* pWnd = CWnd::FromHandlePermanent(hWnd);
        if (pWnd && pWnd->PreTranslateMessage(pMsg))
            return TRUE;
        if (!(::GetWindowLongA(hWnd, GWL_STYLE) & WS_CHILD))
            break;
    }
    return FALSE;
}
