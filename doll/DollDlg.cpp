#include "doll/DollDlg.h"

#include <stdlib.h>
#include <string.h>
#include <time.h>

#include "doll/comeforward.h"
#include "doll/motion.h"
#include "framework/App.h"
#include "framework/Dpi.h"
#include "framework/File.h"
#include "framework/Geometry.h"
#include "res/resource.h"
#include "search/SearchDlg.h"

CDollDlg::CDollDlg(CWnd* pParent)
    : CDialog(IDD_DOLL, pParent),
      m_topMost(1), m_boxTimeLeft(0), m_keepHistory(1),
      m_chase(1), m_restCount(0), m_dragging(0), m_pSearchDlg(nullptr), m_pSettingsDlg(nullptr),
      m_steps(0),
      m_motionPeriod(0), m_targetPeriod(0), m_framePeriod(0), m_tickTimer(0), m_shapeFrame(-1), m_cursorTime(0),
      m_cursorTimer(0), m_bSettingsRead(FALSE), m_motionStops(0), m_bMoving(FALSE), m_bBoxShown(FALSE),
      m_bAutoHideArmed(FALSE), m_bWatchArmed(FALSE), m_bBoxRect(FALSE), m_bSaved(FALSE)
{
    memset(m_fileVersion, 0, sizeof m_fileVersion);
    m_target.x = m_target.y = 0;
    m_dragOffset.x = m_dragOffset.y = 0;
    m_cursor.x = m_cursor.y = 0;
    memset(&m_boxRect, 0, sizeof m_boxRect);
    // A shared icon from the program's resources: never destroyed.
    m_hIcon = ::LoadIconA(AfxGetInstanceHandle(), MAKEINTRESOURCEA(IDR_MAINFRAME));
}

BOOL CDollDlg::OnInitDialog()
{
    CDialog::OnInitDialog();
    srand(static_cast<unsigned>(time(nullptr)));

    ReadSettings();
    // The character is made at the scale of the doll's monitor from the
    // start.
    m_character.SetOwner(m_hWnd);
    m_character.SetDpi(WindowDpi(m_hWnd));
    m_character.m_searchPrompt = KELMORA_DEFAULT_PROMPT;
    // A plug-in that does not load or has nothing to show gives the built-in
    // character; the selection itself stays.
    bool shown = false;
    CString plugin = PluginPath(PluginFolder(), m_selectedName);
    if (FileExists(plugin))
        m_character.LoadCharacter(plugin, &shown);
    if (!shown)
        m_character.LoadBuiltInCharacter();

    memset(m_character.m_framePos, 0, sizeof m_character.m_framePos);
    ::SetWindowPos(m_hWnd, m_topMost ? HWND_TOPMOST : HWND_BOTTOM, 0, 0, m_character.m_frameWidth,
                   m_character.m_frameHeight, SWP_NOMOVE);
    // The first ticks walk towards where the doll already is, not (0, 0).
    RECT rc;
    ::GetWindowRect(m_hWnd, &rc);
    m_target = RectCentre(rc);
    m_character.m_curFrame = -1;
    SelectFrame(ANIM_DOWN);

    ::SendMessageA(m_hWnd, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(m_hIcon));
    ::SendMessageA(m_hWnd, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(m_hIcon));

    m_bMoving = TRUE;
    StartMotionTimers(static_cast<UINT>(m_character.m_baseInterval));
    return TRUE;
}

// The search box with its files and font, and the tray icon with the shell
// behind it, take longer than the doll itself: they are made when the doll
// has been shown and painted and nothing waits to be handled.
BOOL CDollDlg::OnIdle()
{
    FinishStart();
    return FALSE;
}

void CDollDlg::FinishStart()
{
    if (m_pSearchDlg)
        return;
    // Made, the box gives its entry the focus and so takes the activation,
    // hidden as it is; before the doll was shown, showing it took that back.
    HWND active = ::GetActiveWindow();
    m_pSearchDlg = new CSearchDlg(*this);
    if (!m_pSearchDlg->Create(IDD_SEARCH)) {
        delete m_pSearchDlg;
        m_pSearchDlg = nullptr;
    }
    if (active && ::GetActiveWindow() != active)
        ::SetActiveWindow(active);
    AddTrayIcon(TrayTipText());
    WatchFullScreen();
}

static UINT TaskbarCreatedMessage()
{
    static const UINT msg = ::RegisterWindowMessageA("TaskbarCreated");
    return msg;
}

LRESULT CDollDlg::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == WM_DOLL_TRAY)
        return OnTrayNotify(wParam, lParam);
    if (msg == WM_DISPLAYCHANGE)
        OnDisplayChange();
    // The monitors may have other places now: the next tick reads them.
    if (msg == WM_SETTINGCHANGE)
        m_monitors.clear();
    // The shell lost every tray icon (Explorer restarted): add ours again,
    // or a doll hidden to the tray would have no way back.
    if (msg == TaskbarCreatedMessage()) {
        AddTrayIcon(TrayTipText());
        return 0;
    }
    // A second start in our folder: come forward as a tray double click
    // would, without toggling the search box. One that is ending says so:
    // the second start then waits for it to end, and starts in its place.
    if (msg == ComeForwardMessage()) {
        if (m_bSaved)
            return 0;
        if (!ForwardToSettingsDialog())
            ComeForward();
        return COME_FORWARD_DONE;
    }
    return CDialog::WindowProc(msg, wParam, lParam);
}

// Enter and Escape would end the dialog, and with it the program.
BOOL CDollDlg::PreTranslateMessage(MSG* pMsg)
{
    if (pMsg->message == WM_KEYDOWN && (pMsg->wParam == VK_RETURN || pMsg->wParam == VK_ESCAPE))
        return TRUE;
    return CDialog::PreTranslateMessage(pMsg);
}

void CDollDlg::OnDestroy()
{
    m_watch.Stop();
    Default();
    // The box, an owned window, is normally destroyed before we get here,
    // and has written its files then.
    if (m_pSearchDlg) {
        m_pSearchDlg->DestroyWindow();
        m_pSearchDlg = nullptr;
    }
    SaveAtExit(true);
    RemoveTrayIcon();
    int total = 0;
    for (int k = 0; k < CATEGORY_COUNT; ++k)
        total += m_character.m_frameCount[k];
    m_character.ReleaseFrames(total);
}

HCURSOR CDollDlg::OnQueryDragIcon()
{
    return static_cast<HCURSOR>(m_hIcon);
}

BOOL CDollDlg::OnSetCursor(HWND, UINT, UINT)
{
    ::SetCursor(m_character.m_hCharCursor);
    return TRUE;
}

// The frame is drawn when the background is erased; there is no paint
// handler of our own.
BOOL CDollDlg::OnEraseBkgnd(HDC hdc)
{
    int slot = m_character.m_curFrame;
    if (slot >= 0 && slot < FRAME_SLOTS)
        m_character.DrawFrame(m_character.Frame(slot).dib, hdc);
    return FALSE;
}

// The session may end the process without destroying the windows: what a
// normal exit writes is written now, in the same order, and not again.
void CDollDlg::OnEndSession(BOOL ending)
{
    if (ending)
        SaveAtExit(false);
    Default();
}
