#pragma once
#include <windows.h>

// A tooltip control owned by a dialog; its window dies with the dialog.
class CToolTipCtrl {
public:
    CToolTipCtrl() = default;
    CToolTipCtrl(const CToolTipCtrl&) = delete;
    CToolTipCtrl& operator=(const CToolTipCtrl&) = delete;
    ~CToolTipCtrl();

    BOOL Create(HWND hParent, DWORD style);
    // One tool covering the whole control, identified by its window handle.
    BOOL AddTool(HWND hControl, const char* text);
    void SetMaxTipWidth(int width);
    void SetDelayTime(DWORD which, int ms);
    void RelayEvent(MSG* pMsg);

    HWND m_hWnd = nullptr;

private:
    HWND m_hParent = nullptr;
};
