#pragma once
#include <windows.h>
#include "NoCopy.h"

// A tooltip control owned by a dialog; its window dies with the dialog.
class CToolTipCtrl : private CNoCopy {
public:
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
