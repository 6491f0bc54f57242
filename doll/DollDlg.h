#pragma once
#include <windows.h>

#include <vector>

#include "character/Character.h"
#include "doll/FullScreenWatch.h"
#include "framework/CString.h"
#include "framework/File.h"
#include "framework/Wnd.h"
#include "framework/NoCopy.h"
#include "search/SearchHost.h"

class CSearchDlg;
class CSettingsDlg;

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
class CDollDlg : public CDialog, private ISearchHost {
public:
    explicit CDollDlg(CWnd* pParent = nullptr);

    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;
    BOOL PreTranslateMessage(MSG* pMsg) override;
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
    BOOL OnInitDialog() override;
    BOOL OnIdle() override;

private:
    // Settings file, and the files written at exit
    void ReadSettings();
    SaveOutcome SaveSettings(const RECT* boxRect = nullptr);
    void SaveBoxFiles();
    void SaveAtExit(bool tellUser);

    // Display scale: the DPI the doll is shown at, and Windows' word that it
    // is shown at another.
    UINT Dpi() const { return m_character.Dpi(); }
    void OnDpiChanged(UINT dpi, const RECT* suggested) override;

    // Motion and animation
    void StepMotion();
    void SelectFrame(int code);
    void ShowCurrentFrame();
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

    // What the search box asks of the doll, its host.
    void OnBoxShown(bool shown) override;
    void OnBoxClosed() override;
    void OnBoxUsed() override;
    void OnBoxDestroyed() override;
    HICON BoxIcon() const override { return m_character.m_hCharSmallIcon; }
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
    int m_boxTimeLeft;
    int m_keepHistory;
    // Its frames, cursor, icons, numbers and prompt, at the doll's scale.
    CCharacter m_character;
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
    // Motion ticks that moved the doll, which spread a step of a fraction
    // of a pixel at the doll's scale over the ticks.
    unsigned m_steps;
    // What the window already has, so that a tick asks the platform only for
    // changes: the periods timers 1 and 2 were last armed with (0: stopped),
    // the period of the category now playing (0: the doll is hidden), the
    // timer whose tick is being handled (0: none), the slot whose region is
    // the window's shape (-1: none known; a new character or scale forgets
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

// The fixed file version of the program module's version block: major,
// minor, build, revision; all 0 without one.
void ReadFileVersion(int version[4]);
