// A hook library the tests put into the running program's GUI thread: it
// counts what the doll window is sent and retrieves, and changes nothing.
#include <windows.h>

#include "message_counts.h"

static MessageCounts* Counts()
{
    static MessageCounts* counts = [] {
        HANDLE mapping = ::OpenFileMappingA(FILE_MAP_WRITE, FALSE, KELMORA_MESSAGE_COUNTS);
        return mapping ? static_cast<MessageCounts*>(::MapViewOfFile(mapping, FILE_MAP_WRITE, 0, 0, sizeof(MessageCounts)))
                       : nullptr;
    }();
    return counts;
}

static void Count(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam, bool retrieved)
{
    MessageCounts* c = Counts();
    if (!c || hWnd != c->window)
        return;
    if (msg == WM_TIMER && wParam == 1 && retrieved) {
        ::InterlockedIncrement(&c->ticks);
        // Reads the queue's state only; a timer come due stays in it.
        if (HIWORD(::GetQueueStatus(QS_TIMER)) & QS_TIMER)
            ::InterlockedIncrement(&c->paired);
    } else if (msg == WM_TIMER && wParam == 2 && retrieved)
        ::InterlockedIncrement(&c->targets);
    else if (msg == WM_ERASEBKGND)
        ::InterlockedIncrement(&c->erases);
    else if (msg == WM_PAINT)
        ::InterlockedIncrement(&c->paints);
    else if (msg == WM_WINDOWPOSCHANGING) {
        const WINDOWPOS* pos = reinterpret_cast<const WINDOWPOS*>(lParam);
        if (pos->flags & SWP_FRAMECHANGED)
            ::InterlockedIncrement(&c->reshapes);
        if (!(pos->flags & SWP_NOZORDER))
            ::InterlockedIncrement(&c->restacks);
        if (!(pos->flags & SWP_NOMOVE))
            ::InterlockedIncrement(&c->moves);
    }
}

extern "C" __declspec(dllexport) LRESULT CALLBACK CountSent(int code, WPARAM wParam, LPARAM lParam)
{
    if (code == HC_ACTION) {
        const CWPSTRUCT* m = reinterpret_cast<const CWPSTRUCT*>(lParam);
        Count(m->hwnd, m->message, m->wParam, m->lParam, false);
    }
    return ::CallNextHookEx(nullptr, code, wParam, lParam);
}

extern "C" __declspec(dllexport) LRESULT CALLBACK CountRetrieved(int code, WPARAM wParam, LPARAM lParam)
{
    const MSG* m = reinterpret_cast<const MSG*>(lParam);
    if (code == HC_ACTION && wParam == PM_REMOVE)
        Count(m->hwnd, m->message, m->wParam, m->lParam, true);
    return ::CallNextHookEx(nullptr, code, wParam, lParam);
}
