// The soak's probe, loaded into the running program from outside. Under
// Wine GetGuiResources answers 0, so the probe counts for itself, from
// inside the process: every GDI handle value is asked for its object type
// (the table answers a handle without its generation bits for whatever
// lives at that index), USER handle values are asked whether they are a
// menu or an icon of this process, and the process's windows are
// enumerated. Memory comes from the kernel's own figures for the process.
//
// The window manager keeps the display DCs it gave out in a cache, and under
// Wine that cache lies in the process's handle table: a released DC stays
// bound to its window with that window's visible region, and a new one is
// made when no free one is unbound or bound to the window asked for (up to
// 64 of them). Windows does not charge that cache to the process, and how
// far it has grown depends on timing, so it is not counted: a free cached DC
// is told apart by being disabled (it answers no attribute query, and no
// other DC is disabled), and before the count every window of the process is
// told that its frame changed, with nothing redrawn, which unbinds its free
// cached DCs and deletes the visible regions they keep. The count runs on
// the program's window thread, between two of its messages, where none of
// its own DCs is held.
#include <windows.h>
#include <psapi.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "probe.h"

namespace {

// The range of USER handle values: index i is 0x20 + 2 i in the low word.
const UINT kUserHandles = (0xFFEF - 0x20 + 1) >> 1;

typedef HICON(WINAPI* FrameInfoFn)(HICON, DWORD, DWORD, DWORD*, DWORD*);

struct WindowCount {
    DWORD pid;
    int count;
};

BOOL CALLBACK CountChild(HWND, LPARAM lParam)
{
    ++reinterpret_cast<WindowCount*>(lParam)->count;
    return TRUE;
}

BOOL CALLBACK CountTop(HWND hWnd, LPARAM lParam)
{
    WindowCount* c = reinterpret_cast<WindowCount*>(lParam);
    DWORD pid = 0;
    ::GetWindowThreadProcessId(hWnd, &pid);
    if (pid == c->pid) {
        ++c->count;
        ::EnumChildWindows(hWnd, &CountChild, lParam);
    }
    return TRUE;
}

// The full value of the live GDI handle at an index, from the shared handle
// table the PEB points to (an entry: object, owner, the handle's upper word,
// type, flags, user pointer).
HGDIOBJ FullHandle(UINT_PTR index)
{
    const unsigned char* peb = nullptr;
    asm("movq %%gs:0x60, %0" : "=r"(peb));
    const unsigned char* table = *reinterpret_cast<const unsigned char* const*>(peb + 0xF8);
    if (!table)
        return nullptr;
    USHORT upper = *reinterpret_cast<const USHORT*>(table + index * 24 + 12);
    return reinterpret_cast<HGDIOBJ>(index | (static_cast<UINT_PTR>(upper) << 16));
}

BOOL CALLBACK ReleaseCachedDCs(HWND hWnd, LPARAM pid)
{
    DWORD owner = 0;
    ::GetWindowThreadProcessId(hWnd, &owner);
    if (owner == static_cast<DWORD>(pid))
        ::SetWindowPos(hWnd, nullptr, 0, 0, 0, 0,
                       SWP_FRAMECHANGED | SWP_NOREDRAW | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE |
                           SWP_NOOWNERZORDER | SWP_NOSENDCHANGING);
    return TRUE;
}

void Count(ProbeCounts* out)
{
    ::EnumWindows(&ReleaseCachedDCs, static_cast<LPARAM>(::GetCurrentProcessId()));
    memset(out->gdiByType, 0, sizeof out->gdiByType);
    out->gdi = 0;
    out->cachedDCs = 0;
    for (UINT_PTR i = 1; i < 0x10000; ++i) {
        DWORD type = ::GetObjectType(reinterpret_cast<HGDIOBJ>(i));
        if (type == OBJ_DC && !::GetBkMode(static_cast<HDC>(FullHandle(i)))) {
            ++out->cachedDCs;
            continue;
        }
        if (type) {
            ++out->gdi;
            if (type < 16)
                ++out->gdiByType[type];
        }
    }
    FrameInfoFn frameInfo =
        reinterpret_cast<FrameInfoFn>(reinterpret_cast<void*>(
            ::GetProcAddress(::GetModuleHandleA("user32.dll"), "GetCursorFrameInfo")));
    out->menus = out->icons = 0;
    for (UINT i = 0; i < kUserHandles; ++i) {
        HANDLE h = reinterpret_cast<HANDLE>(static_cast<UINT_PTR>(0x20 + (i << 1)));
        if (::IsMenu(static_cast<HMENU>(h)))
            ++out->menus;
        DWORD rate = 0, steps = 0;
        if (frameInfo && frameInfo(static_cast<HICON>(h), 0, 0, &rate, &steps))
            ++out->icons;
    }
    WindowCount windows = { ::GetCurrentProcessId(), 0 };
    ::EnumWindows(&CountTop, reinterpret_cast<LPARAM>(&windows));
    out->windows = windows.count;

    // Wine takes these from the process's own /proc/self/status: the
    // working set is VmRSS, the page-file usage RssAnon and VmSwap, the
    // process's private memory. (Opening that file from here would not do:
    // the wineserver opens files, and its /proc/self is its own.)
    PROCESS_MEMORY_COUNTERS_EX memory = {};
    memory.cb = sizeof memory;
    if (::GetProcessMemoryInfo(::GetCurrentProcess(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&memory),
                               sizeof memory)) {
        out->vmRss = static_cast<long long>(memory.WorkingSetSize / 1024);
        out->rssAnon = static_cast<long long>(memory.PagefileUsage / 1024);
    } else {
        out->vmRss = out->rssAnon = -1;
    }
}

UINT g_countMessage = 0;
ProbeCounts* g_counts = nullptr;
HANDLE g_counted = nullptr;
HHOOK g_hook = nullptr;

// Sees the count request among the window thread's messages, and counts.
LRESULT CALLBACK OnGetMessage(int code, WPARAM wParam, LPARAM lParam)
{
    MSG* msg = reinterpret_cast<MSG*>(lParam);
    if (code == HC_ACTION && wParam == PM_REMOVE && msg->message == g_countMessage) {
        msg->message = WM_NULL;
        Count(g_counts);
        ::SetEvent(g_counted);
    }
    return ::CallNextHookEx(g_hook, code, wParam, lParam);
}

struct WindowThread {
    DWORD pid, self, thread;
    HWND window;
};

BOOL CALLBACK FindWindowThread(HWND hWnd, LPARAM lParam)
{
    WindowThread* w = reinterpret_cast<WindowThread*>(lParam);
    DWORD pid = 0, thread = ::GetWindowThreadProcessId(hWnd, &pid);
    if (pid != w->pid || thread == w->self)
        return TRUE;
    w->thread = thread;
    w->window = hWnd;
    return FALSE;
}

DWORD WINAPI Serve(LPVOID module)
{
    DWORD pid = ::GetCurrentProcessId();
    char name[64];
    wsprintfA(name, SOAK_PROBE_MAPPING, pid);
    HANDLE mapping = ::CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, sizeof(ProbeCounts), name);
    g_counts = mapping ? static_cast<ProbeCounts*>(::MapViewOfFile(mapping, FILE_MAP_WRITE, 0, 0, sizeof(ProbeCounts)))
                       : nullptr;
    wsprintfA(name, SOAK_PROBE_REQUEST, pid);
    HANDLE request = ::CreateEventA(nullptr, FALSE, FALSE, name);
    wsprintfA(name, SOAK_PROBE_DONE, pid);
    HANDLE done = ::CreateEventA(nullptr, FALSE, FALSE, name);
    g_counted = ::CreateEventA(nullptr, FALSE, FALSE, nullptr);
    g_countMessage = ::RegisterWindowMessageA("KelmoraSoakProbe.Count");
    if (!g_counts || !request || !done || !g_counted || !g_countMessage)
        return 1;
    DWORD hooked = 0;
    for (;;) {
        if (::WaitForSingleObject(request, INFINITE) != WAIT_OBJECT_0)
            return 1;
        WindowThread w = { pid, ::GetCurrentThreadId(), 0, nullptr };
        ::EnumWindows(&FindWindowThread, reinterpret_cast<LPARAM>(&w));
        if (w.thread && w.thread != hooked) {
            if (g_hook)
                ::UnhookWindowsHookEx(g_hook);
            g_hook = ::SetWindowsHookExA(WH_GETMESSAGE, &OnGetMessage, static_cast<HINSTANCE>(module), w.thread);
            hooked = g_hook ? w.thread : 0;
        }
        // Without the window thread (or its hook) the count is marked as
        // not taken: sequence moves, gdi stays -1.
        if (!hooked || !::PostMessageA(w.window, g_countMessage, 0, 0) ||
            ::WaitForSingleObject(g_counted, 30000) != WAIT_OBJECT_0)
            g_counts->gdi = -1;
        ++g_counts->sequence;
        ::SetEvent(done);
    }
}

}  // namespace

BOOL WINAPI DllMain(HINSTANCE module, DWORD reason, LPVOID)
{
    if (reason == DLL_PROCESS_ATTACH) {
        HANDLE thread = ::CreateThread(nullptr, 0, &Serve, module, 0, nullptr);
        if (thread)
            ::CloseHandle(thread);
    }
    return TRUE;
}
