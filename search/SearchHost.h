#pragma once
#include <windows.h>

// What the search box needs of the window that hosts it, given to the box
// when it is made. The host owns the box's window and its menus' commands.
class ISearchHost {
public:
    // The box was shown or hidden: its countdown starts, or stops and the
    // host walks on.
    virtual void OnBoxShown(bool shown) = 0;
    // The box's close command.
    virtual void OnBoxClosed() = 0;
    // The box was used: its countdown starts again from the full time.
    virtual void OnBoxUsed() = 0;
    // The box's window is being destroyed, its files still unwritten (the
    // host writes them then, through SaveFiles); the box is gone after it.
    virtual void OnBoxDestroyed() = 0;

    virtual HICON BoxIcon() const = 0;
    virtual bool KeepsHistory() const = 0;
    // The full rectangle of the monitor that holds the window's centre, or
    // of the nearest one.
    virtual RECT MonitorOf(const RECT& window) = 0;

    // The shared menus at a screen point: the host's own, and the history
    // menu of the box's history list. Their commands go to the host.
    virtual void ShowPopupMenu(int x, int y) = 0;
    virtual void ShowHistoryMenu(int x, int y) = 0;
    // The host's system-menu commands; false for any other.
    virtual bool RunSystemCommand(UINT id) = 0;

protected:
    ~ISearchHost() = default;
};
