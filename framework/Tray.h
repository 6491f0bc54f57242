#pragma once
#include <windows.h>
#include <shellapi.h>

// Shell_NotifyIconA. The doll's icon lives in the shell's notification
// area, not in the program: shell32 is needed only for the moment of a call,
// and is loaded for it and released after (unless a launch holds it).
BOOL NotifyTrayIcon(DWORD message, NOTIFYICONDATAA* nid);
