#include <windows.h>
#include <mbctype.h>

#include "App.h"
#include "Mbcs.h"

int WINAPI WinMain(HINSTANCE hInstance, HINSTANCE, LPSTR, int)
{
    CWinApp* pApp = AfxGetApp();
    if (!pApp)
        return 1;
    pApp->m_hInstance = hInstance;
    // The C runtime's multibyte functions follow the program's code page,
    // whatever the system's.
    _setmbcp(PROGRAM_CODE_PAGE);
    pApp->InitInstance();
    return 0;
}
