// The soak's probe, loaded into the running program from outside. Under
// Wine GetGuiResources answers 0, so the probe counts for itself, from
// inside the process: every GDI handle value is asked for its object type
// (the table answers a handle without its generation bits for whatever
// lives at that index), USER handle values are asked whether they are a
// menu or an icon of this process, and the process's windows are
// enumerated. Memory comes from the kernel's own figures for the process.
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

void Count(ProbeCounts* out)
{
    memset(out->gdiByType, 0, sizeof out->gdiByType);
    out->gdi = 0;
    const int kClasses = 16;
    char classes[kClasses][32] = {};
    int perClass[kClasses] = {};
    for (UINT_PTR i = 1; i < 0x10000; ++i) {
        DWORD type = ::GetObjectType(reinterpret_cast<HGDIOBJ>(i));
        if (type) {
            ++out->gdi;
            if (type < 16)
                ++out->gdiByType[type];
        }
        if (type == OBJ_DC) {
            char name[32] = "-";
            HWND owner = ::WindowFromDC(reinterpret_cast<HDC>(i));
            if (owner && !::GetClassNameA(owner, name, sizeof name))
                lstrcpyA(name, "?");
            for (int k = 0; k < kClasses; ++k) {
                if (!classes[k][0])
                    lstrcpynA(classes[k], name, sizeof classes[k]);
                if (lstrcmpA(classes[k], name) == 0) {
                    ++perClass[k];
                    break;
                }
            }
        }
    }
    out->dcWindows[0] = '\0';
    for (int k = 0; k < kClasses && classes[k][0]; ++k) {
        char part[48];
        wsprintfA(part, "%s%s %d", k ? ", " : "", classes[k], perClass[k]);
        if (lstrlenA(out->dcWindows) + lstrlenA(part) < static_cast<int>(sizeof out->dcWindows))
            lstrcatA(out->dcWindows, part);
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

DWORD WINAPI Serve(LPVOID)
{
    DWORD pid = ::GetCurrentProcessId();
    char name[64];
    wsprintfA(name, SOAK_PROBE_MAPPING, pid);
    HANDLE mapping = ::CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, sizeof(ProbeCounts), name);
    ProbeCounts* counts =
        mapping ? static_cast<ProbeCounts*>(::MapViewOfFile(mapping, FILE_MAP_WRITE, 0, 0, sizeof(ProbeCounts)))
                : nullptr;
    wsprintfA(name, SOAK_PROBE_REQUEST, pid);
    HANDLE request = ::CreateEventA(nullptr, FALSE, FALSE, name);
    wsprintfA(name, SOAK_PROBE_DONE, pid);
    HANDLE done = ::CreateEventA(nullptr, FALSE, FALSE, name);
    if (!counts || !request || !done)
        return 1;
    for (;;) {
        if (::WaitForSingleObject(request, INFINITE) != WAIT_OBJECT_0)
            return 1;
        Count(counts);
        ++counts->sequence;
        ::SetEvent(done);
    }
}

}  // namespace

BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID)
{
    if (reason == DLL_PROCESS_ATTACH) {
        HANDLE thread = ::CreateThread(nullptr, 0, &Serve, nullptr, 0, nullptr);
        if (thread)
            ::CloseHandle(thread);
    }
    return TRUE;
}
