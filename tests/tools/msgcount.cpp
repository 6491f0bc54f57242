// A hook library the tests put into the running program's GUI thread: it
// records, in order, what happens to the doll window (doll_log.h). It
// changes nothing the program does, except that it takes the test's own
// messages out of the queue and, when the test holds a timer, that timer's
// ticks, so that the test decides when a held timer ticks.
#include <windows.h>

#include <algorithm>
#include <vector>

#include "doll_log.h"
#include "imports.h"

namespace {

CRITICAL_SECTION g_lock;

DollLog* Log()
{
    static DollLog* log = [] {
        HANDLE mapping = ::OpenFileMappingA(FILE_MAP_WRITE, FALSE, KELMORA_DOLL_LOG);
        return mapping ? static_cast<DollLog*>(::MapViewOfFile(mapping, FILE_MAP_WRITE, 0, 0, sizeof(DollLog)))
                       : nullptr;
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

BOOL WINAPI GetCursorPosSeen(POINT* pt)
{
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

template <class F>
bool Redirect(const char* name, F* real, F replacement)
{
    *real = reinterpret_cast<F>(RedirectImport("user32.dll", name, reinterpret_cast<void*>(replacement)));
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
                     Redirect("RedrawWindow", &g_redrawWindow, &RedrawWindowSeen);
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

// Whether a z-order call puts the window elsewhere than it is: at the
// bottom, any window behind it; at the top, any window of another thread in
// front of it (its own thread's, which it owns, stay there).
LONG OutOfPlace(HWND hWnd, HWND after)
{
    if (after == HWND_BOTTOM)
        return ::GetWindow(hWnd, GW_HWNDNEXT) != nullptr;
    DWORD thread = ::GetWindowThreadProcessId(hWnd, nullptr);
    for (HWND h = ::GetWindow(hWnd, GW_HWNDPREV); h; h = ::GetWindow(h, GW_HWNDPREV))
        if (::GetWindowThreadProcessId(h, nullptr) != thread)
            return 1;
    return 0;
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
                    Add(EV_RESTACKED, OutOfPlace(m->hwnd, pos->hwndInsertAfter));
            } else if (m->message == WM_WINDOWPOSCHANGED) {
                const WINDOWPOS* pos = reinterpret_cast<const WINDOWPOS*>(m->lParam);
                if (!(pos->flags & SWP_NOMOVE))
                    Add(EV_MOVED, pos->x, pos->y);
            } else if (m->message == WM_ACTIVATE && LOWORD(m->wParam) != WA_INACTIVE) {
                Add(EV_ACTIVATED);
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
