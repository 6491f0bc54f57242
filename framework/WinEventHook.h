#pragma once
#include <windows.h>
#include "NoCopy.h"

// An out-of-context hook of the platform's window events: the events of the
// hooked range, of every other process, come to proc on the hooking thread,
// between its messages. Unhooked once, when replaced or destroyed.
class CWinEventHook : private CNoCopy {
public:
    ~CWinEventHook() { Unhook(); }

    BOOL Hook(DWORD first, DWORD last, WINEVENTPROC proc)
    {
        Unhook();
        m_hHook = ::SetWinEventHook(first, last, nullptr, proc, 0, 0, WINEVENT_OUTOFCONTEXT | WINEVENT_SKIPOWNPROCESS);
        return m_hHook != nullptr;
    }
    void Unhook()
    {
        if (m_hHook)
            ::UnhookWinEvent(m_hHook);
        m_hHook = nullptr;
    }

private:
    HWINEVENTHOOK m_hHook = nullptr;
};
