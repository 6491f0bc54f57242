#pragma once
#include <windows.h>

#include <vector>

#include "character/plugin.h"
#include "doll/FullScreenWatch.h"
#include "framework/CString.h"
#include "framework/File.h"
#include "framework/Wnd.h"
#include "framework/NoCopy.h"

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

// Window timers of the doll window: timer 4 looks once a second whether
// the full-screen window the doll stands behind has gone.
enum { TIMER_MOTION = 1, TIMER_TARGET = 2, TIMER_AUTOHIDE = 3, TIMER_WATCH = 4 };
enum { WATCH_PERIOD_MS = 1000 };

// What holds the doll still: timers 1 and 2 run while none of these does.
enum MotionStop {
    STOP_BOX = 1,         // the search box is shown
    STOP_MENU = 2,        // the pop-up menu is open
    STOP_TRAY = 4,        // the doll is hidden in the tray
    STOP_SETTINGS = 8,    // the settings dialog runs
    STOP_FULLSCREEN = 16, // it stands behind a full-screen window
};

// The search box hides itself this long after it was last used, counted
// down by timer 3 in steps of its period.
enum { BOX_TIMEOUT_MS = 30000, AUTOHIDE_STEP_MS = 500 };

// The doll window: the shaped window that shows the character, and the
// program's central object.
class CDollDlg : public CDialog {
public:
    explicit CDollDlg(CWnd* pParent = nullptr);

    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;
    BOOL PreTranslateMessage(MSG* pMsg) override;
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
    BOOL OnInitDialog() override;
    BOOL OnIdle() override;

    // What the search box asks of the doll, its owner.
    // The box was shown or hidden (WM_SHOWWINDOW): its countdown starts, or
    // stops and the doll walks on.
    void OnBoxShown(bool shown);
    // The box's close command: the doll walks on, the countdown stops.
    void OnBoxClosed();
    // The box was used: its countdown starts again from the full time.
    void RestartBoxCountdown();
    // The box's window is being destroyed: its files are written now.
    void OnBoxDestroyed();
    int KeepsHistory() const { return m_keepHistory; }
    HICON SearchBoxIcon() const { return m_hCharSmallIcon; }
    // The full rectangle of the monitor that holds the window's centre, or
    // of the nearest one.
    RECT MonitorOf(const RECT& window);
    void ShowPopupMenu(int x, int y);
    // The four commands of the system menus; false for any other.
    bool RunSystemCommand(UINT id);

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

    // Settings file, and the files written at exit
    void ReadSettings();
    SaveOutcome SaveSettings(const RECT* boxRect = nullptr);
    void SaveBoxFiles();
    void SaveAtExit(bool tellUser);

    void LoadBuiltInCharacter();

    // Motion and animation
    void StepMotion();
    void SelectFrame(int code);
    void UpdateTarget();
    void ArmMotionTimer(UINT period);
    void ArmTargetTimer(UINT period);
    void StartMotionTimers(UINT motionPeriod);
    void AutoHideTick();
    void StopMotion(UINT reason);
    void EndStop(UINT reason);
    void ResumeMotion();
    void ApplyMotion(bool restart);
    void ArmTimer(UINT_PTR id, UINT period, bool armed, BOOL& isArmed);
    bool InZOrder() const;
    POINT TickCursor();

    // Monitors and full-screen windows
    void ReadMonitors();
    void OnDisplayChange();
    RECT DollMonitor();
    void WatchFullScreen();
    bool LookAtFront(const RECT& monitor, bool full);
    bool Behind() const { return (m_motionStops & STOP_FULLSCREEN) != 0; }
    void StepBehind(HWND hFront);
    void ComeForwardAgain();

    // Menus, commands, search box and tray
    void OpenSearchBox();
    void ToggleSearchBox();
    bool ComeForward();
    bool RunSharedCommand(UINT id);
    void ClearHistory();
    void ChangeZOrder(int topMost);
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
    // The reasons the motion is stopped (MotionStop), whether timers 1 and
    // 2 run, whether the box is shown, and whether timers 3 and 4 are armed.
    UINT m_motionStops;
    BOOL m_bMoving;
    BOOL m_bBoxShown;
    BOOL m_bAutoHideArmed;
    BOOL m_bWatchArmed;
    // While a full-screen window covers the doll's monitor, a top-most doll
    // and its box step behind it and stand still.
    CFullScreenWatch m_watch;
    // At exit: the box's last rectangle (when it had a window), whether the
    // files are written, and the lines that tell the user which could not
    // be.
    RECT m_boxRect;
    BOOL m_bBoxRect;
    BOOL m_bSaved;
    CString m_unsaved;
};
