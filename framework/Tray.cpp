#include "framework/Tray.h"

#include <string.h>

#include <string>

#include "framework/Text.h"

NOTIFYICONDATAW TrayRecord(HWND hWnd, UINT id)
{
    NOTIFYICONDATAW nid = {};
    nid.cbSize = NOTIFYICONDATAW_V1_SIZE;
    nid.hWnd = hWnd;
    nid.uID = id;
    return nid;
}

bool NotifyTrayIcon(DWORD message, NOTIFYICONDATAW* nid)
{
    return ::Shell_NotifyIconW(message, nid) != FALSE;
}

// A surrogate pair is kept whole or left out.
void SetTrayTip(NOTIFYICONDATAW& nid, const char* text)
{
    const size_t room = TRAY_TIP_LENGTH;
    std::wstring tip = ToUtf16(text);
    if (tip.size() > room)
        tip.resize((tip[room - 1] & 0xFC00) == 0xD800 ? room - 1 : room);
    memcpy(nid.szTip, tip.c_str(), (tip.size() + 1) * sizeof(wchar_t));
}
