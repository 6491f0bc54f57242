#pragma once
#include <windows.h>
#include "NoCopy.h"

// An out-of-context hook of the platform's window events: the events of the
// hooked range (of one process, or of all with 0) come to proc on the
// hooking thread, between its messages. Unhooked once, when replaced or
// destroyed.
class CWinEventHook : private CNoCopy {
public:
    ~CWinEventHook() { Unhook(); }

    BOOL Hook(DWORD first, DWORD last, WINEVENTPROC proc, DWORD process = 0)
    {
        Unhook();
        m_hHook = ::SetWinEventHook(first, last, nullptr, proc, process, 0, WINEVENT_OUTOFCONTEXT);
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
