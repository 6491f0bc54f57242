#include <windows.h>

/* A plug-in as far as the settings dialog looks: a DLL, maybe a picture. */
BOOL WINAPI DllMain(HINSTANCE hinst, DWORD reason, LPVOID reserved)
{
    (void)hinst;
    (void)reason;
    (void)reserved;
    return TRUE;
}
