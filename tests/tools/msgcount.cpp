// A hook library the tests put into the running program's GUI thread: it
// records, in order, what happens to the doll window (doll_log.h). It
// changes nothing the program does, except what the test asks: it takes
// the test's own messages out of the queue and, when the test holds a
// timer, that timer's ticks, so that the test decides when a held timer
// ticks; it hands rand() the test's draws; it ends the program in the middle
// of writing a new file.
#include <windows.h>
#include <wchar.h>

#include <algorithm>
#include <vector>

#include "doll/comeforward.h"
#include "doll_log.h"
#include "imports.h"

namespace {

CRITICAL_SECTION g_lock;

// The log of this program; the view keeps the mapping, whose handle is let
// go at once, until the program ends.
DollLog* Log()
{
    static DollLog* log = [] {
        HANDLE mapping = ::OpenFileMappingA(FILE_MAP_WRITE, FALSE, DollLogName(::GetCurrentProcess()).c_str());
        void* view = mapping ? ::MapViewOfFile(mapping, FILE_MAP_WRITE, 0, 0, sizeof(DollLog)) : nullptr;
        if (mapping)
            ::CloseHandle(mapping);
        return static_cast<DollLog*>(view);
    }();
    return log;
}

void Add(LONG kind, LONG a = 0, LONG b = 0)
{
    DollLog* log = Log();
    if (!log)
        return;
    ::EnterCriticalSection(&g_lock);
    LONG i = log->count;
    if (i < LOG_EVENTS) {
        log->events[i] = DollEvent{ kind, a, b };
        // The reader takes the count first: the event is written before it.
        ::InterlockedExchange(&log->count, i + 1);
    } else {
        ::InterlockedIncrement(&log->lost);
    }
    ::LeaveCriticalSection(&g_lock);
}

bool IsDoll(HWND hWnd)
{
    DollLog* log = Log();
    return log && hWnd && hWnd == log->window;
}

// The program's own calls, through its import table.
UINT_PTR(WINAPI* g_setTimer)(HWND, UINT_PTR, UINT, TIMERPROC);
BOOL(WINAPI* g_killTimer)(HWND, UINT_PTR);
BOOL(WINAPI* g_getCursorPos)(POINT*);
BOOL(WINAPI* g_setWindowPos)(HWND, HWND, int, int, int, int, UINT);
int(WINAPI* g_setWindowRgn)(HWND, HRGN, BOOL);
BOOL(WINAPI* g_redrawWindow)(HWND, const RECT*, HRGN, UINT);
BOOL(WINAPI* g_enumWindows)(WNDENUMPROC, LPARAM);
int(__cdecl* g_rand)();
// 0 when the program's last read of the list, within the message it
// handles, found the doll in its place.
LONG g_readOutOfPlace = 1;

UINT_PTR WINAPI SetTimerSeen(HWND hWnd, UINT_PTR id, UINT period, TIMERPROC proc)
{
    if (IsDoll(hWnd))
        Add(EV_SETTIMER, static_cast<LONG>(id), static_cast<LONG>(period));
    return g_setTimer(hWnd, id, period, proc);
}

BOOL WINAPI KillTimerSeen(HWND hWnd, UINT_PTR id)
{
    if (IsDoll(hWnd))
        Add(EV_KILLTIMER, static_cast<LONG>(id));
    return g_killTimer(hWnd, id);
}

// Only the doll's thread's readings: another thread's would fall between
// the calls of one routine there.
BOOL WINAPI GetCursorPosSeen(POINT* pt)
{
    DollLog* log = Log();
    if (log && ::GetWindowThreadProcessId(log->window, nullptr) == ::GetCurrentThreadId())
        Add(EV_CALL, CALL_GETCURSORPOS);
    return g_getCursorPos(pt);
}

BOOL WINAPI SetWindowPosSeen(HWND hWnd, HWND after, int x, int y, int cx, int cy, UINT flags)
{
    if (IsDoll(hWnd))
        Add(EV_CALL, CALL_SETWINDOWPOS);
    return g_setWindowPos(hWnd, after, x, y, cx, cy, flags);
}

int WINAPI SetWindowRgnSeen(HWND hWnd, HRGN rgn, BOOL redraw)
{
    if (IsDoll(hWnd))
        Add(EV_CALL, CALL_SETWINDOWRGN);
    return g_setWindowRgn(hWnd, rgn, redraw);
}

BOOL WINAPI RedrawWindowSeen(HWND hWnd, const RECT* rc, HRGN rgn, UINT flags)
{
    if (IsDoll(hWnd))
        Add(EV_CALL, CALL_REDRAWWINDOW);
    return g_redrawWindow(hWnd, rc, rgn, flags);
}

// The program's win-event hooks: an event that reaches one is recorded,
// then handed to the program's procedure.
struct WinEventHook {
    HWINEVENTHOOK hook;
    WINEVENTPROC proc;
};
WinEventHook g_winEventHooks[8];
LONG g_winEventHookCount = 0;
HWINEVENTHOOK(WINAPI* g_setWinEventHook)(DWORD, DWORD, HMODULE, WINEVENTPROC, DWORD, DWORD, DWORD);

void CALLBACK WinEventSeen(HWINEVENTHOOK hook, DWORD event, HWND hWnd, LONG idObject, LONG idChild, DWORD thread,
                           DWORD time)
{
    Add(EV_WINEVENT, static_cast<LONG>(event), idObject);
    for (LONG i = 0; i < g_winEventHookCount; ++i)
        if (g_winEventHooks[i].hook == hook)
            g_winEventHooks[i].proc(hook, event, hWnd, idObject, idChild, thread, time);
}

HWINEVENTHOOK WINAPI SetWinEventHookSeen(DWORD first, DWORD last, HMODULE module, WINEVENTPROC proc, DWORD process,
                                         DWORD thread, DWORD flags)
{
    HWINEVENTHOOK hook = g_setWinEventHook(first, last, module, &WinEventSeen, process, thread, flags);
    if (hook && g_winEventHookCount < 8)
        g_winEventHooks[g_winEventHookCount++] = WinEventHook{ hook, proc };
    return hook;
}

// A top-most doll reads its z-order through the list of windows. It is
// given the list taken once, and the record judges on that same list, by
// its own rule, whether the doll was out of its place: any window of another
// thread in front of it (its own thread's, which it owns, stay there). A
// z-order call is so judged by what the program saw, not by a later look
// that another window's restacking in between could turn.
BOOL WINAPI EnumWindowsSeen(WNDENUMPROC proc, LPARAM lParam)
{
    std::vector<HWND> all;
    g_enumWindows([](HWND hWnd, LPARAM list) -> BOOL {
        reinterpret_cast<std::vector<HWND>*>(list)->push_back(hWnd);
        return TRUE;
    }, reinterpret_cast<LPARAM>(&all));
    DollLog* log = Log();
    auto doll = std::find(all.begin(), all.end(), log ? log->window : nullptr);
    g_readOutOfPlace = doll == all.end() || std::any_of(all.begin(), doll, [](HWND h) {
        return ::GetWindowThreadProcessId(h, nullptr) != ::GetCurrentThreadId();  // read on the doll's thread
    });
    for (HWND hWnd : all)
        if (!proc(hWnd, lParam))
            return FALSE;
    return TRUE;
}

// A program that ends while it writes a file's new text, as a crash or the
// task manager would end it.
BOOL(WINAPI* g_writeFile)(HANDLE, LPCVOID, DWORD, LPDWORD, LPOVERLAPPED);
BOOL WINAPI WriteFileSeen(HANDLE h, LPCVOID data, DWORD bytes, LPDWORD done, LPOVERLAPPED overlapped)
{
    DollLog* log = Log();
    wchar_t name[MAX_PATH];
    DWORD n = log && log->endInNewFile ? ::GetFinalPathNameByHandleW(h, name, MAX_PATH, 0) : 0;
    if (n > 4 && n < MAX_PATH && wcscmp(name + n - 4, L".new") == 0) {
        g_writeFile(h, data, bytes / 2, done, overlapped);
        ::TerminateProcess(::GetCurrentProcess(), 3);
    }
    return g_writeFile(h, data, bytes, done, overlapped);
}

int __cdecl RandSeen()
{
    DollLog* log = Log();
    LONG n = log ? log->drawCount : 0;
    return n > 0 ? log->draws[(::InterlockedIncrement(&log->drawNext) - 1) % n] : g_rand();
}

template <class F>
bool Redirect(const char* name, F* real, F replacement, const char* dll = "user32.dll")
{
    *real = reinterpret_cast<F>(RedirectImport(dll, name, reinterpret_cast<void*>(replacement)));
    return *real != nullptr;
}

// Runs on the program's GUI thread at the hook's first call. The library
// stays loaded for the rest of the process: its functions are in the
// program's import table from now on.
void Start()
{
    static bool started = false, redirected = false;
    DollLog* log = Log();
    if (!started) {
        started = true;
        ::InitializeCriticalSection(&g_lock);
        HMODULE self = nullptr;
        ::GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_PIN,
                             reinterpret_cast<LPCSTR>(&Start), &self);
        redirected = Redirect("SetTimer", &g_setTimer, &SetTimerSeen) &
                     Redirect("KillTimer", &g_killTimer, &KillTimerSeen) &
                     Redirect("GetCursorPos", &g_getCursorPos, &GetCursorPosSeen) &
                     Redirect("SetWindowPos", &g_setWindowPos, &SetWindowPosSeen) &
                     Redirect("SetWindowRgn", &g_setWindowRgn, &SetWindowRgnSeen) &
                     Redirect("RedrawWindow", &g_redrawWindow, &RedrawWindowSeen) &
                     Redirect("SetWinEventHook", &g_setWinEventHook, &SetWinEventHookSeen) &
                     Redirect("EnumWindows", &g_enumWindows, &EnumWindowsSeen);
        // Without it the program draws its own numbers.
        Redirect("rand", &g_rand, &RandSeen, "msvcrt.dll");
        Redirect("WriteFile", &g_writeFile, &WriteFileSeen, "kernel32.dll");
    }
    // A later log on the same program finds the hook already in.
    if (log && redirected && !log->ready)
        ::InterlockedExchange(&log->ready, 1);
}

UINT MarkerMessage()
{
    static const UINT msg = ::RegisterWindowMessageA(KELMORA_MARKER_MESSAGE);
    return msg;
}

UINT TickMessage()
{
    static const UINT msg = ::RegisterWindowMessageA(KELMORA_TICK_MESSAGE);
    return msg;
}

UINT DpiMessage()
{
    static const UINT msg = ::RegisterWindowMessageA(KELMORA_DPI_MESSAGE);
    return msg;
}

// Windows sends WM_DPICHANGED with a pointer to the suggested rectangle,
// which must lie in the receiving process: a copy of the test's is kept here.
void SendDpiChanged(HWND hWnd, WPARAM dpi, LPARAM index)
{
    DollLog* log = Log();
    if (!log || index < 0 || index >= LOG_DPI_RECTS)
        return;
    RECT suggested = log->dpiRects[index];
    Add(EV_DPICHANGED, static_cast<LONG>(dpi));
    ::SendMessageW(hWnd, WM_DPICHANGED, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(&suggested));
}

// The window's region over the frames' size, one byte per pixel (1:
// inside); a window without a region is its whole rectangle.
std::vector<unsigned char> RegionInside(HWND hWnd, int w, int h)
{
    std::vector<unsigned char> inside(static_cast<size_t>(w) * h, 1);
    HRGN rgn = ::CreateRectRgn(0, 0, 0, 0);
    if (::GetWindowRgn(hWnd, rgn) != ERROR) {
        std::fill(inside.begin(), inside.end(), 0);
        DWORD size = ::GetRegionData(rgn, 0, nullptr);
        std::vector<char> data(size);
        RGNDATA* rd = reinterpret_cast<RGNDATA*>(data.data());
        if (size && ::GetRegionData(rgn, size, rd)) {
            const RECT* r = reinterpret_cast<const RECT*>(rd->Buffer);
            for (DWORD i = 0; i < rd->rdh.nCount; ++i)
                for (LONG y = std::max(r[i].top, 0L); y < std::min(r[i].bottom, static_cast<LONG>(h)); ++y)
                    for (LONG x = std::max(r[i].left, 0L); x < std::min(r[i].right, static_cast<LONG>(w)); ++x)
                        inside[static_cast<size_t>(y) * w + x] = 1;
        }
    }
    ::DeleteObject(rgn);
    return inside;
}

// Which of the test's frames the window now holds: of the frames whose
// opaque pixels all lie inside the window's region (outside it the window
// keeps what earlier frames left) and match what it holds there, the one
// with the most of them, as frames may contain one another. What the window
// holds is read back from the erasing DC.
LONG FrameDrawn(HDC hdc, const DollLog& log, const std::vector<unsigned char>& inside)
{
    int w = log.width, h = log.height;
    BITMAPINFO bi = {};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = w;
    bi.bmiHeader.biHeight = -h;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    HBITMAP dib = ::CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    HDC mem = ::CreateCompatibleDC(hdc);
    HGDIOBJ old = ::SelectObject(mem, dib);
    ::BitBlt(mem, 0, 0, w, h, hdc, 0, 0, SRCCOPY);
    ::GdiFlush();
    const DWORD* px = static_cast<const DWORD*>(bits);
    LONG best = -1;
    int bestCount = -1;
    for (LONG k = 0; k < log.frames && k < LOG_FRAMES; ++k) {
        int opaque = 0;
        bool match = true;
        for (int i = 0; i < w * h && match; ++i) {
            DWORD want = log.pixels[k][i];
            if (want == LOG_CLEAR)
                continue;
            ++opaque;
            match = inside[static_cast<size_t>(i)] && (px[i] & 0x00FFFFFF) == want;
        }
        if (match && opaque > bestCount) {
            best = k;
            bestCount = opaque;
        }
    }
    ::SelectObject(mem, old);
    ::DeleteDC(mem);
    ::DeleteObject(dib);
    return best;
}

}  // namespace

extern "C" __declspec(dllexport) LRESULT CALLBACK CountSent(int code, WPARAM wParam, LPARAM lParam)
{
    if (code == HC_ACTION) {
        Start();
        const CWPSTRUCT* m = reinterpret_cast<const CWPSTRUCT*>(lParam);
        // Hooked before it made its windows, the program's first dialog is
        // the doll.
        DollLog* log = Log();
        if (log && !log->window && m->message == WM_INITDIALOG)
            log->window = m->hwnd;
        if (IsDoll(m->hwnd)) {
            if (m->message == WM_WINDOWPOSCHANGING) {
                const WINDOWPOS* pos = reinterpret_cast<const WINDOWPOS*>(m->lParam);
                if (pos->flags & SWP_FRAMECHANGED)
                    Add(EV_RESHAPED);
                if (!(pos->flags & SWP_NOZORDER))
                    Add(EV_RESTACKED, g_readOutOfPlace);
            } else if (m->message == WM_WINDOWPOSCHANGED) {
                const WINDOWPOS* pos = reinterpret_cast<const WINDOWPOS*>(m->lParam);
                if (!(pos->flags & SWP_NOMOVE))
                    Add(EV_MOVED, pos->x, pos->y);
            } else if (m->message == WM_ACTIVATE && LOWORD(m->wParam) != WA_INACTIVE) {
                Add(EV_ACTIVATED);
            } else if (m->message == ::RegisterWindowMessageA(KELMORA_COME_FORWARD_MESSAGE)) {
                Add(EV_WOKEN);
            }
        }
    }
    return ::CallNextHookEx(nullptr, code, wParam, lParam);
}

extern "C" __declspec(dllexport) LRESULT CALLBACK CountDrawn(int code, WPARAM wParam, LPARAM lParam)
{
    if (code == HC_ACTION) {
        const CWPRETSTRUCT* m = reinterpret_cast<const CWPRETSTRUCT*>(lParam);
        DollLog* log = Log();
        int w = log ? log->width : 0, h = log ? log->height : 0;
        if (IsDoll(m->hwnd) && m->message == WM_ERASEBKGND && log->frames > 0 && w > 0 && h > 0 &&
            w <= LOG_FRAME_SIDE && h <= LOG_FRAME_SIDE) {
            std::vector<unsigned char> inside = RegionInside(m->hwnd, w, h);
            Add(EV_FRAME, FrameDrawn(reinterpret_cast<HDC>(m->wParam), *log, inside),
                ShapeHash(inside.data(), inside.size()));
        } else if (IsDoll(m->hwnd) && m->message == WM_ERASEBKGND) {
            Add(EV_FRAME, -1, 0);
        }
    }
    return ::CallNextHookEx(nullptr, code, wParam, lParam);
}

extern "C" __declspec(dllexport) LRESULT CALLBACK CountRetrieved(int code, WPARAM wParam, LPARAM lParam)
{
    MSG* m = reinterpret_cast<MSG*>(lParam);
    if (code == HC_ACTION && wParam == PM_REMOVE) {
        Start();
        g_readOutOfPlace = 1;
        DollLog* log = Log();
        if (m->message == DpiMessage() && log) {
            SendDpiChanged(m->hwnd, m->wParam, m->lParam);
            m->message = WM_NULL;
        } else if (IsDoll(m->hwnd) && log) {
            if (m->message == MarkerMessage()) {
                Add(EV_MARKER, static_cast<LONG>(m->wParam));
                m->message = WM_NULL;
            } else if (m->message == TickMessage()) {
                Add(EV_TICK, static_cast<LONG>(m->wParam));
                m->message = WM_TIMER;
                m->lParam = 0;
            } else if (m->message == WM_TIMER) {
                bool held = m->wParam < 32 && (log->heldTimers & (1L << m->wParam));
                Add(held ? EV_HELD : EV_TICK, static_cast<LONG>(m->wParam));
                if (held)
                    m->message = WM_NULL;
            } else if (m->message == WM_PAINT) {
                Add(EV_PAINT);
            }
        }
    }
    return ::CallNextHookEx(nullptr, code, wParam, lParam);
}
