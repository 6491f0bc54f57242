#include "framework/Tray.h"

typedef BOOL(WINAPI* NotifyIconFn)(DWORD, NOTIFYICONDATAA*);

BOOL NotifyTrayIcon(DWORD message, NOTIFYICONDATAA* nid)
{
    HMODULE shell = ::LoadLibraryA("shell32.dll");
    if (!shell)
        return FALSE;
    NotifyIconFn notify = reinterpret_cast<NotifyIconFn>(
        reinterpret_cast<void*>(::GetProcAddress(shell, "Shell_NotifyIconA")));
    BOOL done = notify ? notify(message, nid) : FALSE;
    ::FreeLibrary(shell);
    return done;
}
