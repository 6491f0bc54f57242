#include "search/SearchDlg.h"

#include <commctrl.h>

#include "framework/App.h"
#include "framework/Dpi.h"
#include "framework/File.h"
#include "framework/Menu.h"
#include "framework/Shell.h"
#include "framework/Text.h"
#include "res/resource.h"
#include "search/balloon.h"
#include "search/query.h"
#include "search/searchfiles.h"

// Combo box 1008's own procedure, kept when ComboWndProc replaces it.
static WNDPROC g_pfnComboProc = nullptr;

// The history combo box's right button opens the history menu; its commands
// go to the host, which owns the history commands.
LRESULT CALLBACK CSearchDlg::ComboWndProc(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg != WM_RBUTTONDOWN)
        return ::CallWindowProcW(g_pfnComboProc, hWnd, msg, wParam, lParam);
    CSearchDlg* pBox = static_cast<CSearchDlg*>(CWnd::FromHandlePermanent(::GetParent(hWnd)));
    if (!pBox)
        return 1;
    POINT pt;
    ::GetCursorPos(&pt);
    pBox->m_host.ShowHistoryMenu(pt.x, pt.y);
    return 1;
}

CSearchDlg::CSearchDlg(ISearchHost& host)
    : CDialog(IDD_SEARCH), m_host(host), m_nDpi(DESIGN_DPI), m_bHoverEngine(0), m_nEngine(0), m_nWidth(0),
      m_nHeight(0), m_bDragging(0), m_bWriteEngines(FALSE), m_bWriteHistory(FALSE)
{
    m_ptGrab.x = m_ptGrab.y = 0;
}

void CSearchDlg::RestartCountdown()
{
    m_host.OnBoxUsed();
}

BOOL CSearchDlg::OnInitDialog()
{
    CDialog::OnInitDialog();
    m_brushBack.CreateSolidBrush(RGB(255, 255, 255));

    if (HMENU sys = ::GetSystemMenu(m_hWnd, FALSE)) {
        ::RemoveMenu(sys, SC_RESTORE, MF_BYCOMMAND);
        ::RemoveMenu(sys, SC_MAXIMIZE, MF_BYCOMMAND);
        InsertMenuText(sys, 0, MF_BYPOSITION | MF_STRING, ID_DOLL_RESUME, "图标");
        InsertMenuText(sys, 1, MF_BYPOSITION | MF_STRING, ID_DOLL_CLEARHIST, "删除历史记录");
        InsertMenuText(sys, 2, MF_BYPOSITION | MF_STRING, ID_DOLL_SETTINGS, "设置");
        InsertMenuText(sys, 3, MF_BYPOSITION | MF_SEPARATOR, 0, nullptr);
    }

    ::SendMessageA(m_hWnd, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(m_host.BoxIcon()));

    m_nDpi = WindowDpi(m_hWnd);
    SetButtonPictures();
    HINSTANCE hInst = AfxGetInstanceHandle();
    // Shared icons loaded from resources: the buttons keep them, nobody frees them.
    HANDLE paste = ::LoadImageA(hInst, MAKEINTRESOURCEA(IDI_AUTOPASTE), IMAGE_ICON, 16, 16, LR_SHARED);
    ::SendDlgItemMessageA(m_hWnd, IDC_AUTOPASTE, BM_SETIMAGE, IMAGE_ICON, reinterpret_cast<LPARAM>(paste));
    HANDLE small = ::LoadImageA(hInst, MAKEINTRESOURCEA(IDI_SMALLWINDOW), IMAGE_ICON, 16, 16, LR_SHARED);
    ::SendDlgItemMessageA(m_hWnd, IDC_SMALLWINDOW, BM_SETIMAGE, IMAGE_ICON, reinterpret_cast<LPARAM>(small));

    SetText(m_hWnd, "Kelmora");
    HWND combo = GetDlgItem(IDC_HISTORY);
    m_bWriteHistory = ReadHistoryFile(ProgramFile(kHistoryFile), combo);
    m_bHoverEngine = 0;
    g_pfnComboProc = reinterpret_cast<WNDPROC>(
        ::SetWindowLongPtrW(combo, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&ComboWndProc)));

    m_bWriteEngines = ReadEngineTable(ProgramFile(kEngineFile), m_engines, m_urls, m_convert);
    m_nEngine = 0;
    SetItemText(m_hWnd, IDC_ENGINE, m_engines[0]);

    RECT rc;
    ::GetWindowRect(m_hWnd, &rc);
    m_nWidth = rc.right - rc.left;
    m_nHeight = rc.bottom - rc.top;
    return TRUE;
}

// The faces of the buttons are drawn for 96 DPI; at another scale they are
// enlarged pixel for pixel. Each button gets its new face before the one it
// replaces is deleted.
void CSearchDlg::SetButtonPictures()
{
    const struct {
        int id;
        UINT bitmap;
        CBitmap& owned;
    } faces[] = {
        { IDC_SEARCH, IDB_SEARCH, m_bmpSearch },
        { IDC_SEARCH_NEWWINDOW, IDB_SEARCH_NEWWINDOW, m_bmpSearchNew },
        { IDOK, IDB_CLOSE, m_bmpClose },
    };
    for (const auto& face : faces) {
        CBitmap picture;
        picture.LoadBitmap(AfxGetInstanceHandle(), face.bitmap);
        BITMAP bm;
        if (m_nDpi != DESIGN_DPI && ::GetObjectW(picture, sizeof bm, &bm))
            picture.Attach(StretchNearest(picture, ScaledLength(bm.bmWidth, m_nDpi), ScaledLength(bm.bmHeight, m_nDpi)));
        ::SendDlgItemMessageW(m_hWnd, face.id, BM_SETIMAGE, IMAGE_BITMAP,
                              reinterpret_cast<LPARAM>(static_cast<HBITMAP>(picture)));
        face.owned.Attach(picture.Detach());
    }
}

BOOL CSearchDlg::OnCommand(WPARAM wParam, LPARAM lParam)
{
    UINT id = static_cast<UINT>(wParam);
    if (id == ID_DOLL_RESUME)
        OnOK();
    if (id >= ID_ENGINE_FIRST && id < ID_ENGINE_FIRST + ENGINE_LIMIT &&
        static_cast<int>(id - ID_ENGINE_FIRST) < m_engines.GetSize()) {
        m_nEngine = static_cast<int>(id - ID_ENGINE_FIRST);
        SetItemText(m_hWnd, IDC_ENGINE, m_engines[m_nEngine]);
    }
    return CDialog::OnCommand(wParam, lParam);
}

BOOL CSearchDlg::OnCmdMsg(UINT id, UINT code)
{
    // Button 1036 ("打开") is hidden and disabled: its command does nothing.
    static const CommandRoute<CSearchDlg> kCommands[] = {
        { IDC_SEARCH, BN_CLICKED, &CSearchDlg::OnSearch }, { IDC_SEARCH_NEWWINDOW, BN_CLICKED, &CSearchDlg::OnSearchNewWindow },
        { IDC_OPENBROWSER, BN_CLICKED, &CSearchDlg::OnOpenBrowser }, { IDC_ENGINE, STN_CLICKED, &CSearchDlg::OnEngineLabel },
        { IDC_HISTORY, CBN_EDITCHANGE, &CSearchDlg::OnEditChangeText },
    };
    return RouteCommand(this, kCommands, id, code) || CDialog::OnCmdMsg(id, code);
}

void CSearchDlg::OnOK()
{
    m_host.OnBoxClosed();
    CDialog::OnOK();
}

// Alt+F4, the system menu's close command, WM_CLOSE and IDCANCEL all end
// here: they close the box as its close button does.
void CSearchDlg::OnCancel()
{
    OnOK();
}

CString CSearchDlg::SaveFiles()
{
    CString unsaved;
    if (m_bWriteHistory) {
        CString path = ProgramFile(kHistoryFile);
        unsaved += UnsavedLine(path, WriteHistoryFile(path, GetDlgItem(IDC_HISTORY)));
    }
    if (m_bWriteEngines) {
        CString path = ProgramFile(kEngineFile);
        unsaved += UnsavedLine(path, WriteEngineTable(path, m_engines, m_urls, m_convert));
    }
    return unsaved;
}

// The host writes the box's files (SaveFiles) as its window goes, with the
// box's rectangle among its own settings.
void CSearchDlg::OnDestroy()
{
    m_host.OnBoxDestroyed();
    Default();
}

void CSearchDlg::PostNcDestroy()
{
    delete this;
}

CString CSearchDlg::EncodeQuery(const CString& text) const
{
    return ::EncodeQuery(text);
}

// Steps shared by both launches; empty when there is nothing to search.
CString CSearchDlg::BuildSearchUrl()
{
    RestartCountdown();
    HWND combo = GetDlgItem(IDC_HISTORY);
    CString text = GetText(combo);
    if (text.IsEmpty())
        return CString();
    UpdateHistoryForSearch(combo, text, m_host.KeepsHistory() ? 1 : 0);
    if (m_convert[m_nEngine] == 1)
        text = EncodeQuery(text);
    return SubstituteQuery(m_urls[m_nEngine], text);
}

// The history has its word even when the address is no web address and
// nothing is launched.
void CSearchDlg::OnSearch()
{
    CString url = BuildSearchUrl();
    if (!url.IsEmpty())
        OpenWebAddress(nullptr, url);
}

void CSearchDlg::OnSearchNewWindow()
{
    CString url = BuildSearchUrl();
    if (!url.IsEmpty())
        StartBrowser("iexplore.exe", url);
}

void CSearchDlg::OnPaint()
{
    CPaintDC dc(m_hWnd);
    // The tail points at the host's window, the box's owner.
    RECT host, box;
    ::GetWindowRect(::GetWindow(m_hWnd, GW_OWNER), &host);
    ::GetWindowRect(m_hWnd, &box);
    BalloonShape s = ComputeBalloon(host, box, m_host.MonitorOf(host), m_nDpi);
    CRgn shape;
    shape.Attach(::CreateRoundRectRgn(s.body.left, s.body.top, s.body.right, s.body.bottom, s.corner, s.corner));
    if (s.hasTail) {
        CRgn tail;
        tail.Attach(::CreatePolygonRgn(s.tail, 3, WINDING));
        ::CombineRgn(shape, shape, tail, RGN_OR);
    }
    CBrush black;
    black.CreateSolidBrush(RGB(0, 0, 0));
    ::FrameRgn(dc, shape, black, s.outline, s.outline);
    // Setting an equal region would only ask for another paint, and so on.
    CRgn current;
    current.Attach(::CreateRectRgn(0, 0, 0, 0));
    if (::GetWindowRgn(m_hWnd, current) != ERROR && ::EqualRgn(current, shape))
        return;
    ::SetWindowRgn(m_hWnd, shape.Detach(), TRUE);
}

// Keeps the drop-down list's height: the window rectangle of a combo box is
// only its closed part.
void CSearchDlg::OnSize(UINT type, int, int)
{
    Default();
    if (type == SIZE_MINIMIZED)
        ShowWindow(SW_HIDE);
    RECT rc;
    ::GetWindowRect(m_hWnd, &rc);
    int w = rc.right - rc.left, h = rc.bottom - rc.top;
    int d = w - m_nWidth;
    HWND combo = GetDlgItem(IDC_HISTORY);
    if (!combo)
        return;
    RECT cr, dropped;
    ::GetWindowRect(combo, &cr);
    ::SendMessageA(combo, CB_GETDROPPEDCONTROLRECT, 0, reinterpret_cast<LPARAM>(&dropped));
    int comboHeight = dropped.bottom - dropped.top > cr.bottom - cr.top ? dropped.bottom - dropped.top : cr.bottom - cr.top;
    ::SetWindowPos(combo, HWND_TOP, 0, 0, cr.right - cr.left + d, comboHeight, SWP_NOMOVE | SWP_NOOWNERZORDER);
    for (int id : { IDC_SEARCH, IDOK }) {
        HWND ctl = GetDlgItem(id);
        RECT r;
        ::GetWindowRect(ctl, &r);
        ::MapWindowPoints(nullptr, m_hWnd, reinterpret_cast<POINT*>(&r), 2);
        ::SetWindowPos(ctl, HWND_TOP, r.left + d, r.top, 0, 0, SWP_NOSIZE | SWP_NOOWNERZORDER);
    }
    m_nWidth = w;
    RECT label;
    ::GetWindowRect(GetDlgItem(IDC_ENGINE), &label);
    ::MapWindowPoints(nullptr, m_hWnd, reinterpret_cast<POINT*>(&label), 2);
    RECT strip = { label.right, 0, w, h };
    ::RedrawWindow(m_hWnd, &strip, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
}

// On a monitor of another DPI the platform lays the dialog out anew: its
// size, its controls and their fonts. What the box made itself follows:
// the balloon, the buttons' faces and the label's hover font. The controls
// are laid out for the new width already, so OnSize does not move them.
void CSearchDlg::OnDpiChanged(UINT dpi, const RECT* suggested)
{
    m_nDpi = dpi;
    m_nWidth = suggested->right - suggested->left;
    m_nHeight = suggested->bottom - suggested->top;
    Default();
    ::SetWindowPos(m_hWnd, nullptr, suggested->left, suggested->top, m_nWidth, m_nHeight,
                   SWP_NOZORDER | SWP_NOACTIVATE);
    SetButtonPictures();
    // The label got the dialog's new font: underlined again while hovered.
    if (m_bHoverEngine) {
        m_bHoverEngine = 0;
        SetLinkHover(GetDlgItem(IDC_ENGINE), true, m_bHoverEngine, m_fontEngine);
    }
    RedrawNow();
}

void CSearchDlg::OnGetMinMaxInfo(MINMAXINFO* pInfo)
{
    pInfo->ptMinTrackSize.x = ScaledLength(260, m_nDpi);
    pInfo->ptMinTrackSize.y = ScaledLength(40, m_nDpi);
    pInfo->ptMaxTrackSize.y = ScaledLength(40, m_nDpi);
    Default();
}

void CSearchDlg::OnLButtonDown(UINT, POINT pt)
{
    BeginDrag(pt, m_bDragging, m_ptGrab);
    Default();
}

void CSearchDlg::OnMouseMove(UINT, POINT pt)
{
    POINT to;
    if (DragPosition(pt, m_bDragging, m_ptGrab, &to))
        ::SetWindowPos(m_hWnd, HWND_TOPMOST, to.x, to.y, 0, 0, SWP_NOSIZE);
    Default();
}

void CSearchDlg::OnLButtonUp(UINT, POINT)
{
    RestartCountdown();
    if (m_bDragging)
        RedrawNow();
    EndDrag(m_bDragging);
    Default();
}

void CSearchDlg::OnRButtonDown(UINT, POINT pt)
{
    ::ClientToScreen(m_hWnd, &pt);
    m_host.ShowPopupMenu(pt.x, pt.y);
    Default();
}

void CSearchDlg::OnLButtonDblClk(UINT, POINT)
{
    OnOK();
    Default();
}

// 0xFFD0 lets the host walk on and leaves the box shown.
void CSearchDlg::OnSysCommand(UINT id, LPARAM)
{
    if (!m_host.RunSystemCommand(id))
        Default();
}

// The tooltips are made when the box is first shown: nothing shows them
// before, and their library would cost the program's whole run its memory.
void CSearchDlg::CreateToolTips()
{
    if (m_toolTip.Create(m_hWnd, TTS_ALWAYSTIP)) {
        m_toolTip.SetMaxTipWidth(32767);
        m_toolTip.SetDelayTime(TTDT_AUTOPOP, 32767);
        m_toolTip.SetDelayTime(TTDT_INITIAL, 200);
        m_toolTip.SetDelayTime(TTDT_RESHOW, 200);
        static const struct { int id; const char* text; } tips[] = {
            { IDC_SMALLWINDOW, "搜索结果\n用小浏览器显示" }, { IDC_AUTOPASTE, "自动粘贴" },
            { IDC_OPENBROWSER, "小浏览器开/关" },           { IDC_HISTORY, "输入搜索文字" },
            { IDC_ENGINE, "选择搜索引擎" },                 { IDC_SEARCH, "搜索" },
            { IDC_SEARCH_NEWWINDOW, "新的搜索窗口" },
        };
        for (const auto& tip : tips)
            m_toolTip.AddTool(GetDlgItem(tip.id), tip.text);
    }
}

void CSearchDlg::OnShowWindow(BOOL show, UINT)
{
    Default();
    if (show && !m_toolTip.m_hWnd)
        CreateToolTips();
    m_host.OnBoxShown(show != FALSE);
}

BOOL CSearchDlg::PreTranslateMessage(MSG* pMsg)
{
    if (pMsg->hwnd != m_hWnd && !::IsChild(m_hWnd, pMsg->hwnd))
        return FALSE;
    if (pMsg->message == WM_KEYDOWN && pMsg->wParam == VK_RETURN) {
        OnSearch();
        return TRUE;
    }
    if (pMsg->message == WM_KEYDOWN && pMsg->wParam == VK_ESCAPE)
        return TRUE;
    if (pMsg->message == WM_KEYDOWN || pMsg->message == WM_MOUSEMOVE)
        m_toolTip.RelayEvent(pMsg);
    return CDialog::PreTranslateMessage(pMsg);
}

void CSearchDlg::OnEngineLabel()
{
    RestartCountdown();
    RECT label;
    ::GetWindowRect(GetDlgItem(IDC_ENGINE), &label);
    CMenu menu;
    menu.CreatePopupMenu();
    for (int i = 0; i < m_engines.GetSize(); ++i)
        menu.AppendMenu(MF_STRING, ID_ENGINE_FIRST + i, m_engines[i]);
    TrackPopup(menu, m_hWnd, label.left, label.bottom);
}

BOOL CSearchDlg::OnSetCursor(HWND hWnd, UINT, UINT)
{
    HWND label = GetDlgItem(IDC_ENGINE);
    SetLinkHover(label, hWnd == label, m_bHoverEngine, m_fontEngine);
    if (hWnd == label)
        return TRUE;
    POINT pt;
    ::GetCursorPos(&pt);
    RECT rc;
    ::GetWindowRect(m_hWnd, &rc);
    if (pt.y > rc.top + ScaledLength(2, m_nDpi) && pt.y < rc.bottom - ScaledLength(3, m_nDpi))
        return static_cast<BOOL>(Default());
    return FALSE;
}

HBRUSH CSearchDlg::OnCtlColor(HDC hdc, HWND hControl, UINT kind)
{
    HBRUSH answer = reinterpret_cast<HBRUSH>(Default());
    switch (kind) {
    case CTLCOLOR_DLG:
    case CTLCOLOR_BTN:
        return m_brushBack;
    case CTLCOLOR_STATIC:
        if (hControl == GetDlgItem(IDC_ENGINE))
            ::SetTextColor(hdc, m_bHoverEngine ? RGB(0, 0, 255) : RGB(0, 0, 0));
        ::SetBkColor(hdc, RGB(255, 255, 255));
        return m_brushBack;
    }
    return answer;
}

void CSearchDlg::OnActivate(UINT state, HWND hOther, BOOL)
{
    Default();
    if (state == WA_INACTIVE || hOther == m_hWnd)
        return;
    if (!::IsDlgButtonChecked(m_hWnd, IDC_AUTOPASTE))
        return;
    RestartCountdown();
    HWND combo = GetDlgItem(IDC_HISTORY);
    if (::OpenClipboard(nullptr)) {
        HANDLE data = ::IsClipboardFormatAvailable(CF_UNICODETEXT) ? ::GetClipboardData(CF_UNICODETEXT) : nullptr;
        if (data) {
            if (const wchar_t* text = static_cast<const wchar_t*>(::GlobalLock(data))) {
                ::SetWindowTextW(combo, text);
                ::SendMessageA(combo, CB_SETEDITSEL, 0, MAKELPARAM(0, -1));
            }
            ::GlobalUnlock(data);
            ::EmptyClipboard();
        }
        ::CloseClipboard();
    }
    ::SendMessageA(combo, CB_SETEDITSEL, 0, MAKELPARAM(0, -1));
    ::SetFocus(combo);
}

void CSearchDlg::OnEditChangeText()
{
    RestartCountdown();
}

void CSearchDlg::OnOpenBrowser()
{
}
