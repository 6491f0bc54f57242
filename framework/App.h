#pragma once
#include <windows.h>
#include "NoCopy.h"

class CWnd;

// The one application object; WinMain runs its InitInstance.
class CWinApp : private CNoCopy {
public:
    CWinApp();
    virtual ~CWinApp();

    // FALSE ends the program when it returns.
    virtual BOOL InitInstance() { return FALSE; }

    CWnd* m_pMainWnd = nullptr;
    HINSTANCE m_hInstance = nullptr;
};

CWinApp* AfxGetApp();
CWnd* AfxGetMainWnd();
HINSTANCE AfxGetInstanceHandle();
