#pragma once
#include <windows.h>

#include <vector>

#include "character/plugin.h"
#include "framework/CString.h"
#include "framework/Wnd.h"
#include "framework/NoCopy.h"
#include "framework/WinEventHook.h"
#include "search/SearchHost.h"

class CSearchDlg;
class CSettingsDlg;

// One frame of the character: a bitmap-file image of its pixels and the
// platform's region data of its opaque shape. All null/0 when empty; the
// slot owns both buffers.
struct FrameSlot : CNoCopy {
    unsigned char* dib = nullptr;
    DWORD rgnSize = 0;
    unsigned char* rgnData = nullptr;
    ~FrameSlot() { Release(); }
    void Release();
    void Swap(FrameSlot& other);
};

enum { FRAME_SLOTS = KELMORA_FRAME_SLOTS, CATEGORY_COUNT = KELMORA_CATEGORIES };

// Window timers of the doll window.
enum { TIMER_MOTION = 1, TIMER_TARGET = 2, TIMER_AUTOHIDE = 3 };

// The search box hides itself this long after it was last used, counted
// down by timer 3 in steps of its period.
enum { BOX_TIMEOUT_MS = 30000, AUTOHIDE_STEP_MS = 500 };

// The doll window: the shaped window that shows the character, and the
// program's central object.
class CDollDlg : public CDialog, private ISearchHost {
public:
    explicit CDollDlg(CWnd* pParent = nullptr);

    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;
    BOOL PreTranslateMessage(MSG* pMsg) override;
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
    BOOL OnInitDialog() override;
    BOOL OnIdle() override;

    // The character: loading it, its frames and what it is made of.
    // Always 1; *pShown tells whether the plug-in now shows. A plug-in that
    // does not load or has no frame to show changes nothing.
    int LoadCharacter(const char* path, bool* pShown = nullptr);
    void ReloadSearchPrompt();
    void LoadFrame(HMODULE hModule, UINT resourceId, int slot);
    void CaptureFrameImage(int slot, HWND hWnd, HBITMAP hBitmap);
    HRGN BitmapToRegion(HBITMAP hBitmap);
    void DrawFrame(const unsigned char* dib, HDC hdc);
    void ReleaseFrames(int count);

private:
    // The in-process tests and benchmarks of the character loader and the
    // frames, which set and read this state directly.
    friend struct CDollDlgAccess;

    // Settings file
    void ReadSettings();
    void SaveSettings();

    void LoadBuiltInCharacter();

    // Motion and animation
    void StepMotion();
    void SelectFrame(int code);
    void UpdateTarget();
    void ArmMotionTimer(UINT period);
    void ArmTargetTimer(UINT period);
    void StartMotionTimers(UINT motionPeriod);
    void AutoHideTick();
    void StopMotion();
    void ResumeMotion();
    bool InZOrder() const;
    POINT TickCursor();

    // Monitors and full-screen windows
    void ReadMonitors();
    void OnDisplayChange();
    void WatchFullScreen();
    void StopWatchingFullScreen();
    static void CALLBACK OnWinEvent(HWINEVENTHOOK hook, DWORD event, HWND hWnd, LONG idObject, LONG idChild,
                                    DWORD thread, DWORD time);
    void OnWindowEvent(DWORD event, HWND hWnd);
    void CheckFullScreen(bool askPlatform);
    void StepBehind(HWND hFront);
    void ComeForwardAgain();

    // What the search box asks of the doll, its host.
    void OnBoxShown(bool shown) override;
    void OnBoxClosed() override;
    void OnBoxUsed() override;
    void OnBoxDestroyed() override;
    void KeepBoxRect(const RECT& rc) override;
    HICON BoxIcon() const override { return m_hCharSmallIcon; }
    bool KeepsHistory() const override { return m_keepHistory != 0; }
    RECT MonitorOf(const RECT& window) override;
    void ShowPopupMenu(int x, int y) override;
    void ShowHistoryMenu(int x, int y) override;
    bool RunSystemCommand(UINT id) override;

    // Menus, commands, search box and tray
    void OpenSearchBox();
    void ToggleSearchBox();
    bool ComeForward();
    bool RunSharedCommand(UINT id);
    void ClearHistory();
    void PauseForPopupMenu(int x, int y);
    void AddTrayIcon(const char* text);
    void UpdateTrayIcon(const char* text);
    void RemoveTrayIcon();
    CString TrayTipText() const;
    HWND HistoryCombo() const;
    bool BoxVisible() const;

    // Character switching
    void RunSettingsDialog();
    void ReadFileVersion();
    // While the settings dialog runs, requests to come forward bring it to
    // the front instead; true when they did.
    bool ForwardToSettingsDialog();

    // Its message map.
    void OnTimer(UINT_PTR id) override;
    void OnSysCommand(UINT id, LPARAM lParam) override;
    HCURSOR OnQueryDragIcon() override;
    // Dragged with the left button, drawn where it is erased; the box on a
    // double click, the menu on the right button.
    void OnLButtonDown(UINT flags, POINT pt) override;
    void OnMouseMove(UINT flags, POINT pt) override;
    void OnLButtonUp(UINT flags, POINT pt) override;
    BOOL OnEraseBkgnd(HDC hdc) override;
    void OnLButtonDblClk(UINT flags, POINT pt) override;
    void OnRButtonDown(UINT flags, POINT pt) override;
    void OnDestroy() override;
    BOOL OnSetCursor(HWND hWnd, UINT hitTest, UINT message) override;
    LRESULT OnTrayNotify(WPARAM wParam, LPARAM lParam);
    void FinishStart();
    void OnEndSession(BOOL ending) override;

    int m_topMost;
    CString m_searchPrompt;
    int m_boxTimeLeft;
    int m_boxTimeout;
    int m_keepHistory;
    int m_framePos[CATEGORY_COUNT];
    int m_frameCount[CATEGORY_COUNT];
    int m_frameInterval[CATEGORY_COUNT];
    int m_curFrame;
    FrameSlot m_frames[FRAME_SLOTS];
    HCURSOR m_hCharCursor;
    HICON m_hCharIcon;
    HICON m_hCharSmallIcon;
    int m_frameWidth;
    int m_frameHeight;
    int m_moveStep;
    int m_baseInterval;
    CString m_charName;
    int m_fileVersion[4];
    POINT m_target;
    int m_chase;
    CString m_selectedName;
    int m_restCount;
    int m_dragging;
    POINT m_dragOffset;
    CSearchDlg* m_pSearchDlg;
    HICON m_hIcon;
    // The settings dialog while it runs (it lives on RunSettingsDialog's
    // stack), else null.
    CSettingsDlg* m_pSettingsDlg;
    // Owner of the cursor and icons copied from plug-ins (m_hChar* borrow
    // them), and the full path of the plug-in shown, empty for the built-in
    // character.
    CCharacterHandles m_charHandles;
    CString m_charModulePath;
    // What the window already has, so that a tick asks the platform only for
    // changes: the periods timers 1 and 2 were last armed with (0: stopped),
    // the period of the category now playing (0: the doll is hidden), the
    // timer whose tick is being handled (0: none), the slot whose region is
    // the window's shape (-1: none known; slots released or reloaded forget
    // it), the monitors' rectangles (none: to be read again), and the last
    // reading of the pointer with the time and the timer of its tick (0:
    // outside a tick).
    UINT m_motionPeriod;
    UINT m_targetPeriod;
    UINT m_framePeriod;
    UINT_PTR m_tickTimer;
    int m_shapeFrame;
    std::vector<RECT> m_monitors;
    POINT m_cursor;
    DWORD m_cursorTime;
    UINT_PTR m_cursorTimer;
    // Whether the settings file could be read at start (or there was none):
    // only then may SaveSettings replace its section, unless the user has
    // confirmed settings since.
    BOOL m_bSettingsRead;
    // The watch on the window in the foreground: its changes, and those of
    // the windows of its process (0: none watched, or one of ours). While a
    // full-screen window covers the doll's monitor, a top-most doll and its
    // box step behind it and stand still; the platform's own word for a
    // full screen is asked when the foreground changes.
    CWinEventHook m_foregroundHook;
    CWinEventHook m_windowHook;
    DWORD m_watchedProcess;
    BOOL m_bBehindFullScreen;
    BOOL m_bPlatformFullScreen;
    // The monitor the doll was last seen on by a tick.
    RECT m_dollMonitor;
};
