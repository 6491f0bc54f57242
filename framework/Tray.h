#pragma once
#include <windows.h>
#include <shellapi.h>

// The tray icon's record in its first and shortest form, which every shell
// version takes: the owner window and the icon's id, nothing else set.
NOTIFYICONDATAW TrayRecord(HWND hWnd, UINT id);

// Adds, modifies or deletes the icon the record names.
bool NotifyTrayIcon(DWORD message, NOTIFYICONDATAW* nid);

// The tip that form holds: 63 characters and the terminator.
enum { TRAY_TIP_LENGTH = 63 };

// Puts the program's text into the record's tip, at most TRAY_TIP_LENGTH
// characters.
void SetTrayTip(NOTIFYICONDATAW& nid, const char* text);
