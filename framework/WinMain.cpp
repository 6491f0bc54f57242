#include <windows.h>
#include <mbctype.h>

#include "App.h"

int WINAPI WinMain(HINSTANCE hInstance, HINSTANCE, LPSTR, int)
{
    CWinApp* pApp = AfxGetApp();
    if (!pApp)
        return 1;
    pApp->m_hInstance = hInstance;
    // The C runtime's multibyte functions follow the system code page (GBK).
    _setmbcp(_MB_CP_ANSI);
    pApp->InitInstance();
    return 0;
}
