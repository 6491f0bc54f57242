#include "settings/SettingsDlg.h"

#include <commctrl.h>
#include <stdio.h>
#include <string.h>

#include "character/plugin.h"
#include "framework/App.h"
#include "framework/Dpi.h"
#include "framework/File.h"
#include "framework/Shell.h"
#include "framework/Text.h"
#include "res/resource.h"
#include "settings/preview.h"

const char* const kHomePageUrl = "https://kelmora.example.org/";

namespace {

// Caption of the program's message boxes.
const char kAppTitle[] = "Kelmora";
const COLORREF kLinkColor = RGB(50, 50, 255);
const COLORREF kPreviewKey = KELMORA_KEY_COLOR;

}  // namespace

POINT PreviewPosition(int width, int height, UINT dpi)
{
    POINT pt;
    pt.x = ScaledLength(50, dpi) - width / 2;
    pt.y = ScaledLength(96, dpi) - height / 2;
    int top = ScaledLength(60, dpi);
    if (pt.y < top)
        pt.y = top;
    return pt;
}

RECT PreviewArea(UINT dpi)
{
    RECT rc = { ScaledLength(10, dpi), ScaledLength(60, dpi), ScaledLength(90, dpi), ScaledLength(132, dpi) };
    return rc;
}

void FormatVersionText(char* out, size_t size, const int version[4])
{
    snprintf(out, size, "ver %d.%d%d", version[0], version[1], version[2]);
}

CSettingsDlg::CSettingsDlg(CWnd* pParent)
    : CDialog(IDD_SETTINGS, pParent), m_linkHover(0), m_hPreview(nullptr), m_chase(0), m_keepHistory(0),
      m_dpi(DESIGN_DPI)
{
    memset(&m_linkLogFont, 0, sizeof m_linkLogFont);
    memset(m_version, 0, sizeof m_version);
}

// A dialog that never ran OnDestroy (creation failed) may still hold a preview.
CSettingsDlg::~CSettingsDlg()
{
    DeletePreview();
}

BOOL CSettingsDlg::OnInitDialog()
{
    CDialog::OnInitDialog();

    HWND hList = GetDlgItem(IDC_CHARACTERS);
    for (int i = 0; i < m_names.GetSize(); ++i)
        ComboAdd(hList, m_names[i]);
    // The saved name may be a prefix of the listed one; the list shows the
    // match, yet the name stays as saved until the user picks an entry.
    if (::SendMessageW(hList, CB_GETCOUNT, 0, 0) > 0) {
        LRESULT found = ComboFindPrefix(hList, m_selectedName);
        if (found != CB_ERR)
            ::SendMessageW(hList, CB_SETCURSEL, static_cast<WPARAM>(found), 0);
    }

    m_linkHover = 0;
    ::CheckDlgButton(m_hWnd, IDC_KEEPHISTORY, m_keepHistory ? BST_CHECKED : BST_UNCHECKED);
    ::CheckDlgButton(m_hWnd, IDC_CHASE, m_chase ? BST_CHECKED : BST_UNCHECKED);

    char text[64];
    FormatVersionText(text, sizeof text, m_version);
    SetItemText(m_hWnd, IDC_VERSION, text);

    m_dpi = WindowDpi(m_hWnd);
    m_hPreview = nullptr;
    LoadPreview();

    // The link keeps the dialog's font until the pointer first enters it.
    MakeLinkLogFont();
    m_linkFont.CreateFontIndirect(&m_linkLogFont);
    return TRUE;
}

// The link's font is the platform's default GUI font, which is made for the
// system DPI: its height follows the dialog's.
void CSettingsDlg::MakeLinkLogFont()
{
    ::GetObjectW(::GetStockObject(DEFAULT_GUI_FONT), sizeof m_linkLogFont, &m_linkLogFont);
    m_linkLogFont.lfHeight = ::MulDiv(m_linkLogFont.lfHeight, static_cast<int>(m_dpi), static_cast<int>(SystemDpi()));
    m_linkLogFont.lfUnderline = m_linkHover ? TRUE : FALSE;
}

// On a monitor of another DPI the platform lays the dialog out anew, fonts
// included; the preview and the link's font follow here.
void CSettingsDlg::OnDpiChanged(UINT dpi, const RECT* suggested)
{
    m_dpi = dpi;
    Default();
    ::SetWindowPos(m_hWnd, nullptr, suggested->left, suggested->top, suggested->right - suggested->left,
                   suggested->bottom - suggested->top, SWP_NOZORDER | SWP_NOACTIVATE);
    // A link that shows the link font (hovered, or left since) gets it anew
    // before the old one is deleted.
    MakeLinkLogFont();
    HWND link = GetDlgItem(IDC_HOMEPAGE);
    HFONT shown = reinterpret_cast<HFONT>(::SendMessageW(link, WM_GETFONT, 0, 0));
    if (m_linkHover || shown == m_linkFont)
        SetControlFont(link, m_linkLogFont, m_linkFont);
    else
        m_linkFont.CreateFontIndirect(&m_linkLogFont);
    ::RedrawWindow(m_hWnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN);
}

BOOL CSettingsDlg::OnCmdMsg(UINT id, UINT code)
{
    static const CommandRoute<CSettingsDlg> kCommands[] = {
        { IDC_CHASE, BN_CLICKED, &CSettingsDlg::OnChaseClicked }, { IDC_KEEPHISTORY, BN_CLICKED, &CSettingsDlg::OnHistoryClicked },
        { IDC_CHARACTERS, CBN_SELCHANGE, &CSettingsDlg::OnCharacterChanged },
        { IDC_HOMEPAGE, STN_CLICKED, &CSettingsDlg::OnHomePageClicked },
    };
    return RouteCommand(this, kCommands, id, code) || CDialog::OnCmdMsg(id, code);
}

void CSettingsDlg::OnChaseClicked()
{
    m_chase = ::IsDlgButtonChecked(m_hWnd, IDC_CHASE) == BST_CHECKED ? 1 : 0;
}

void CSettingsDlg::OnHistoryClicked()
{
    m_keepHistory = ::IsDlgButtonChecked(m_hWnd, IDC_KEEPHISTORY) == BST_CHECKED ? 1 : 0;
}

// Only an entry picked from the list changes the name; text typed into the
// edit field does not.
void CSettingsDlg::OnCharacterChanged()
{
    HWND hList = GetDlgItem(IDC_CHARACTERS);
    LRESULT sel = ::SendMessageW(hList, CB_GETCURSEL, 0, 0);
    if (sel == CB_ERR || ::SendMessageW(hList, CB_GETLBTEXTLEN, static_cast<WPARAM>(sel), 0) == CB_ERR)
        return;
    m_selectedName = ComboEntry(hList, static_cast<int>(sel));
    LoadPreview();
}

void CSettingsDlg::OnHomePageClicked()
{
    OpenWebAddress(m_hWnd, kHomePageUrl);
}

// The previous character's picture must not stay on screen for one that has
// none: every change of the preview, clearing included, repaints its area.
void CSettingsDlg::LoadPreview()
{
    BOOL hadPreview = m_hPreview != nullptr;
    DeletePreview();

    CString path = PluginPath(m_pluginFolder, m_selectedName);
    // A name without a plug-in file simply has no preview; only a file that
    // is there but gives no picture is worth telling the user about.
    if (m_selectedName.IsEmpty() || !FileExists(path)) {
        if (hadPreview)
            RedrawPreviewArea();
        return;
    }

    // The bitmap is a GDI object of this process: it outlives the module.
    {
        CPluginModule dll(path);
        if (dll)
            m_hPreview = ::LoadBitmapA(dll, MAKEINTRESOURCEA(KELMORA_FRAME_FIRST));
    }
    if (m_hPreview || hadPreview)
        RedrawPreviewArea();
    if (!m_hPreview)
        ShowMessage(m_hWnd, "dll无法加载。", kAppTitle, MB_OK);
}

void CSettingsDlg::OnPaint()
{
    CPaintDC dc(m_hWnd);
    if (!m_hPreview)
        return;
    BITMAP bm;
    if (!::GetObjectA(m_hPreview, sizeof bm, &bm))
        return;
    // The frame enlarged pixel for pixel, as the doll shows it at this scale.
    int width = ScaledLength(bm.bmWidth, m_dpi), height = ScaledLength(bm.bmHeight, m_dpi);
    POINT pt = PreviewPosition(width, height, m_dpi);
    HIMAGELIST hList = ::ImageList_Create(width, height, ILC_MASK | ILC_COLORDDB, 1, 1);
    if (!hList)
        return;
    // Adding with a mask colour blackens that colour in the bitmap added, so
    // the list gets a copy: the preview stays whole for the next paint.
    CBitmap copy;
    copy.Attach(StretchNearest(m_hPreview, width, height));
    if (copy.GetSafeHandle()) {
        ::ImageList_AddMasked(hList, copy, kPreviewKey);
        ::ImageList_Draw(hList, 0, dc, pt.x, pt.y, ILD_TRANSPARENT);
    }
    ::ImageList_Destroy(hList);
}

BOOL CSettingsDlg::OnSetCursor(HWND hWnd, UINT, UINT)
{
    HWND link = GetDlgItem(IDC_HOMEPAGE);
    bool over = hWnd && hWnd == link;
    if (SetLinkHover(link, over, m_linkHover, m_linkFont, &m_linkLogFont) && over)
        ::SetCursor(::LoadCursorA(AfxGetInstanceHandle(), MAKEINTRESOURCEA(IDCUR_HAND)));
    // No default processing over the link: it would put the arrow back.
    if (over)
        return TRUE;
    return static_cast<BOOL>(Default());
}

HBRUSH CSettingsDlg::OnCtlColor(HDC hdc, HWND hCtl, UINT kind)
{
    HBRUSH hBrush = reinterpret_cast<HBRUSH>(Default());
    if (kind == CTLCOLOR_STATIC && hCtl && hCtl == GetDlgItem(IDC_HOMEPAGE))
        ::SetTextColor(hdc, kLinkColor);
    return hBrush;
}

void CSettingsDlg::OnDestroy()
{
    Default();
    DeletePreview();
}

void CSettingsDlg::DeletePreview()
{
    if (m_hPreview) {
        ::DeleteObject(m_hPreview);
        m_hPreview = nullptr;
    }
}

// Controls reaching into the area (the labels, the left group box's frame)
// are redrawn too, or the erase would leave gaps in them.
void CSettingsDlg::RedrawPreviewArea()
{
    RECT rc = PreviewArea(m_dpi);
    ::RedrawWindow(m_hWnd, &rc, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN);
}
