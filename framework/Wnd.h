#pragma once
#include <windows.h>
#include <windowsx.h>
#include "NoCopy.h"

// A window bound to a C++ object. The object subclasses its window and sees
// every message in WindowProc; OnWndMsg is the routing table, which unpacks
// each message once for its named handler, and Default() hands the current
// message to the window's original procedure.
class CWnd : private CNoCopy {
public:
    virtual ~CWnd();

    static CWnd* FromHandlePermanent(HWND hWnd);

    virtual LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam);
    virtual BOOL PreTranslateMessage(MSG* pMsg);
    virtual BOOL OnCommand(WPARAM wParam, LPARAM lParam);
    virtual void PostNcDestroy() {}

    HWND GetDlgItem(int id) const { return ::GetDlgItem(m_hWnd, id); }
    BOOL IsWindowVisible() const { return ::IsWindowVisible(m_hWnd); }
    BOOL ShowWindow(int cmd) { return ::ShowWindow(m_hWnd, cmd); }
    BOOL DestroyWindow() { return ::DestroyWindow(m_hWnd); }
    // The whole window repainted now: invalidate, erase, update.
    void RedrawNow() { ::RedrawWindow(m_hWnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW); }
    // A drag by the window's background starts: the mouse is captured and
    // the grabbed client point kept.
    void BeginDrag(POINT pt, int& dragging, POINT& grab)
    {
        ::SetCapture(m_hWnd);
        dragging = 1;
        grab = pt;
    }
    // While dragging, where the window goes with the mouse at client point
    // pt: the screen position of its top-left corner; false when no drag runs.
    bool DragPosition(POINT pt, int dragging, POINT grab, POINT* to) const
    {
        if (dragging != 1)
            return false;
        ::ClientToScreen(m_hWnd, &pt);
        to->x = pt.x - grab.x;
        to->y = pt.y - grab.y;
        return true;
    }
    // The button's release ends the drag.
    void EndDrag(int& dragging)
    {
        ::ReleaseCapture();
        dragging = 0;
    }

    HWND m_hWnd = nullptr;

protected:
    // Routes one message to its handler; FALSE when it has none.
    virtual BOOL OnWndMsg(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* pResult);
    // Command handlers of the class (WM_COMMAND id and notification code).
    virtual BOOL OnCmdMsg(UINT id, UINT code);

    // The handlers. A class overrides those of the messages it answers; the
    // others pass their message on.
    virtual void OnTimer(UINT_PTR) { Default(); }
    virtual void OnLButtonDown(UINT, POINT) { Default(); }
    virtual void OnLButtonUp(UINT, POINT) { Default(); }
    virtual void OnLButtonDblClk(UINT, POINT) { Default(); }
    virtual void OnRButtonDown(UINT, POINT) { Default(); }
    virtual void OnMouseMove(UINT, POINT) { Default(); }
    virtual void OnSysCommand(UINT, LPARAM) { Default(); }
    virtual void OnDestroy() { Default(); }
    virtual void OnPaint() { Default(); }
    virtual void OnSize(UINT, int, int) { Default(); }
    virtual void OnShowWindow(BOOL, UINT) { Default(); }
    virtual void OnActivate(UINT, HWND, BOOL) { Default(); }
    virtual void OnGetMinMaxInfo(MINMAXINFO*) { Default(); }
    virtual void OnEndSession(BOOL) { Default(); }
    // The window's monitor has another DPI now: the new DPI and the
    // rectangle the platform suggests for the window at it.
    virtual void OnDpiChanged(UINT, const RECT*) { Default(); }
    virtual BOOL OnSetCursor(HWND, UINT, UINT) { return static_cast<BOOL>(Default()); }
    virtual BOOL OnEraseBkgnd(HDC) { return static_cast<BOOL>(Default()); }
    virtual HCURSOR OnQueryDragIcon() { return reinterpret_cast<HCURSOR>(Default()); }
    // kind: CTLCOLOR_MSGBOX ... CTLCOLOR_STATIC.
    virtual HBRUSH OnCtlColor(HDC, HWND, UINT) { return reinterpret_cast<HBRUSH>(Default()); }
    LRESULT Default();
    void Attach(HWND hWnd);
    static LRESULT CALLBACK StdWndProc(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam) noexcept;

private:
    WNDPROC m_pfnSuper = nullptr;
    const MSG* m_pCurrentMsg = nullptr;
};

class CDialog : public CWnd {
public:
    explicit CDialog(UINT templateId, CWnd* pParent = nullptr);

    // Modeless: the dialog is owned by pParent, or by the main window.
    BOOL Create(UINT templateId, CWnd* pParent = nullptr);
    // Modal: runs its own message loop until EndDialog; the owner is disabled meanwhile.
    INT_PTR DoModal();
    // A modal dialog's loop ends on its own flag; a modeless dialog is only
    // hidden, without a show-state notification, as the platform does it.
    void EndDialog(INT_PTR result);

    virtual BOOL OnInitDialog() { return TRUE; }
    // Work for when the modal loop finds its queue empty; TRUE to be called
    // again at the next such moment.
    virtual BOOL OnIdle() { return FALSE; }
    virtual void OnOK() { EndDialog(IDOK); }
    virtual void OnCancel() { EndDialog(IDCANCEL); }
    BOOL PreTranslateMessage(MSG* pMsg) override;

protected:
    BOOL OnWndMsg(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* pResult) override;
    BOOL OnCmdMsg(UINT id, UINT code) override;

private:
    HWND CreateFromTemplate(HWND hOwner);
    static INT_PTR CALLBACK DlgProc(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam);

    UINT m_templateId;
    CWnd* m_pParent;
    BOOL m_bModal = FALSE;
    BOOL m_bEnded = FALSE;
    INT_PTR m_nModalResult = -1;
};

// The mouse point of a message, signed: a monitor left of the primary one
// gives negative x.
inline POINT MousePoint(LPARAM lParam)
{
    POINT pt = { GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam) };
    return pt;
}

// A command of a class's table: its control, its notification code and the
// handler it runs.
template <class T>
struct CommandRoute {
    UINT id;
    UINT code;
    void (T::*handler)();
};

// Runs the handler the table has for the command; FALSE when it has none.
template <class T, size_t N>
BOOL RouteCommand(T* self, const CommandRoute<T> (&table)[N], UINT id, UINT code)
{
    for (const CommandRoute<T>& route : table) {
        if (route.id == id && route.code == code) {
            (self->*route.handler)();
            return TRUE;
        }
    }
    return FALSE;
}

// The first top-level window of the process for which match(hWnd) holds,
// in the platform's front-to-back order; null when there is none.
template <class Match>
HWND FindProcessWindow(DWORD pid, Match match)
{
    struct Search {
        DWORD pid;
        Match& match;
        HWND found;
    } search = { pid, match, nullptr };
    ::EnumWindows([](HWND hWnd, LPARAM lParam) -> BOOL {
        Search* s = reinterpret_cast<Search*>(lParam);
        DWORD owner = 0;
        ::GetWindowThreadProcessId(hWnd, &owner);
        if (owner != s->pid || !s->match(hWnd))
            return TRUE;
        s->found = hWnd;
        return FALSE;
    }, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// Offers the message to PreTranslateMessage of the addressed window and of
// each of its parents up to its top-level window; TRUE when one consumed it.
BOOL PreTranslateChain(MSG* pMsg);
