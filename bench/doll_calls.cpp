// Linked into a copy of the program: counts and times, through the import
// table, the platform calls the running doll makes, per motion tick, split by
// what was being handled (timer 1, timer 2, another dispatched message, or
// nothing: inside the message loop), and which counted call each was made
// from; the period timer 1 kept, and how often timer 2 was due with it. A
// call hook counts the messages sent to the program's windows the same way. Counting starts at the 30th motion tick, past start-up, and ends
// when the program is asked to close; the tables go to standard output when
// it has ended.
#include <windows.h>
#include <stdio.h>

#include "imports.h"

namespace {

#define KELMORA_COUNTED(X)                                                                                 \
    X("user32.dll", SetTimer) X("user32.dll", KillTimer) X("user32.dll", SetWindowPos)                    \
    X("user32.dll", SetWindowRgn) X("user32.dll", RedrawWindow) X("user32.dll", UpdateWindow)             \
    X("user32.dll", GetCursorPos) X("user32.dll", GetWindowRect) X("user32.dll", GetSystemMetrics)        \
    X("user32.dll", IsWindowVisible) X("user32.dll", GetWindow) X("user32.dll", EnumWindows)              \
    X("user32.dll", GetWindowLongA) X("user32.dll", GetWindowLongW) X("user32.dll", GetForegroundWindow) \
    X("user32.dll", GetWindowThreadProcessId) X("user32.dll", CallWindowProcW) X("user32.dll", GetMessageW) \
    X("user32.dll", TranslateMessage) X("user32.dll", ValidateRect) X("user32.dll", SetCursor)            \
    X("gdi32.dll", ExtCreateRegion) X("gdi32.dll", StretchDIBits) X("gdi32.dll", SetStretchBltMode)       \
    X("gdi32.dll", DeleteObject)

enum Index {
#define KELMORA_INDEX(dll, fn) I_##fn,
    KELMORA_COUNTED(KELMORA_INDEX)
#undef KELMORA_INDEX
    COUNTED
};

enum Context { IN_TIMER1, IN_TIMER2, IN_OTHER, OUTSIDE, CONTEXTS };

struct Stat {
    const char* name;
    void* real;
    long long calls[CONTEXTS];
    double seconds[CONTEXTS];
    long long from[COUNTED + 1];  // by the counted call it was made from; COUNTED: none
};

Stat g_stats[COUNTED] = {
#define KELMORA_ENTRY(dll, fn) { #fn, nullptr, {}, {}, {} },
    KELMORA_COUNTED(KELMORA_ENTRY)
#undef KELMORA_ENTRY
};

const UINT MESSAGES = 0x400;
Context g_context = OUTSIDE;
int g_caller = COUNTED;
bool g_counting = false;
long long g_ticks1 = 0, g_ticks2 = 0, g_paired = 0;
double g_start = 0, g_span = 0;
long long g_dispatched[CONTEXTS] = {};
double g_dispatchSeconds[CONTEXTS] = {};
long long g_sent[CONTEXTS][MESSAGES] = {};
long long g_posted[MESSAGES] = {};

template <int I, class F>
struct Wrap;
template <int I, class R, class... A>
struct Wrap<I, R (*)(A...)> {
    static R WINAPI Call(A... args)
    {
        Stat& s = g_stats[I];
        Context c = g_context;
        int caller = g_caller;
        g_caller = I;
        double t0 = Now();
        R r = reinterpret_cast<R (*)(A...)>(s.real)(args...);
        double t = Now() - t0;
        g_caller = caller;
        if (g_counting) {
            s.seconds[c] += t;
            ++s.calls[c];
            ++s.from[caller];
        }
        return r;
    }
};

LRESULT(WINAPI* g_realDispatch)(const MSG*) = nullptr;

LRESULT WINAPI CountingDispatch(const MSG* msg)
{
    Context c = IN_OTHER;
    if (msg->message == WM_CLOSE && g_counting) {
        g_counting = false;
        g_span = Now() - g_start;
    }
    if (msg->message == WM_TIMER && msg->wParam == 1) {
        c = IN_TIMER1;
        // Timer 2 already due as timer 1 is taken: both in one wake-up. The
        // queue's state is only read; the timer stays due.
        if (g_counting && (HIWORD(::GetQueueStatus(QS_TIMER)) & QS_TIMER))
            ++g_paired;
        if (++g_ticks1 == 30 && !g_counting && g_span == 0) {
            g_counting = true;
            g_start = Now();
            g_ticks1 = g_ticks2 = g_paired = 0;
        }
    } else if (msg->message == WM_TIMER && msg->wParam == 2) {
        c = IN_TIMER2;
        ++g_ticks2;
    } else if (g_counting && msg->message < MESSAGES) {
        ++g_posted[msg->message];
    }
    Context saved = g_context;
    g_context = c;
    double t0 = Now();
    LRESULT r = g_realDispatch(msg);
    if (g_counting) {
        g_dispatchSeconds[c] += Now() - t0;
        ++g_dispatched[c];
    }
    g_context = saved;
    return r;
}

LRESULT CALLBACK SentHook(int code, WPARAM wParam, LPARAM lParam)
{
    const CWPSTRUCT* m = reinterpret_cast<const CWPSTRUCT*>(lParam);
    if (g_counting && m->message < MESSAGES)
        ++g_sent[g_context][m->message];
    return ::CallNextHookEx(nullptr, code, wParam, lParam);
}

const char* MessageName(UINT m)
{
    switch (m) {
    case WM_MOVE: return "WM_MOVE";
    case WM_SIZE: return "WM_SIZE";
    case WM_PAINT: return "WM_PAINT";
    case WM_ERASEBKGND: return "WM_ERASEBKGND";
    case WM_WINDOWPOSCHANGING: return "WM_WINDOWPOSCHANGING";
    case WM_WINDOWPOSCHANGED: return "WM_WINDOWPOSCHANGED";
    case WM_NCCALCSIZE: return "WM_NCCALCSIZE";
    case WM_NCPAINT: return "WM_NCPAINT";
    case WM_SETCURSOR: return "WM_SETCURSOR";
    case WM_NCHITTEST: return "WM_NCHITTEST";
    case WM_MOUSEMOVE: return "WM_MOUSEMOVE";
    case WM_GETICON: return "WM_GETICON";
    case WM_TIMER: return "WM_TIMER";
    }
    static char hex[8];
    snprintf(hex, sizeof hex, "0x%04x", m);
    return hex;
}

struct Counter {
    Counter()
    {
#define KELMORA_HOOK(dll, fn)                                                                               \
    g_stats[I_##fn].real =                                                                                  \
        RedirectImport(dll, #fn, reinterpret_cast<void*>(&Wrap<I_##fn, decltype(&::fn)>::Call));
        KELMORA_COUNTED(KELMORA_HOOK)
#undef KELMORA_HOOK
        g_realDispatch = reinterpret_cast<decltype(g_realDispatch)>(
            RedirectImport("user32.dll", "DispatchMessageW", reinterpret_cast<void*>(&CountingDispatch)));
        ::SetWindowsHookExA(WH_CALLWNDPROC, &SentHook, nullptr, ::GetCurrentThreadId());
    }

    ~Counter()
    {
        double ticks = g_ticks1 ? static_cast<double>(g_ticks1) : 1;
        printf("%lld ticks of timer 1 and %lld of timer 2 in %.1f s (timer 1 every %.1f ms; %lld of its ticks, "
               "%.0f%%, found timer 2 due with it); per tick of timer 1, calls (us):\n",
               g_ticks1, g_ticks2, g_span, g_ticks1 ? 1000 * g_span / static_cast<double>(g_ticks1) : 0.0, g_paired,
               g_ticks1 ? 100.0 * static_cast<double>(g_paired) / static_cast<double>(g_ticks1) : 0.0);
        printf("  %-19s %17s %17s %17s %8s   made from\n", "", "in timer 1", "in timer 2", "in other messages",
               "outside");
        for (const Stat& s : g_stats) {
            long long all = 0;
            for (long long n : s.calls)
                all += n;
            if (!all)
                continue;
            printf("  %-19s", s.name);
            for (int c = 0; c < OUTSIDE; ++c)
                printf(" %7.2f (%7.1f)", s.calls[c] / ticks, 1e6 * s.seconds[c] / ticks);
            printf(" %8.2f  ", s.calls[OUTSIDE] / ticks);
            for (int p = 0; p < COUNTED; ++p)
                if (s.from[p])
                    printf(" %s %.2f", g_stats[p].name, s.from[p] / ticks);
            printf("\n");
        }
        printf("  %-19s", "messages, whole");
        for (int c = 0; c < OUTSIDE; ++c)
            printf(" %7.2f (%7.1f)", g_dispatched[c] / ticks, 1e6 * g_dispatchSeconds[c] / ticks);
        printf("\n  sent to the program's windows, per tick:");
        for (int c = 0; c < CONTEXTS; ++c)
            for (UINT m = 0; m < MESSAGES; ++m)
                if (g_sent[c][m])
                    printf(" %s %s %.2f", c == IN_TIMER1 ? "t1" : c == IN_TIMER2 ? "t2" : c == IN_OTHER ? "msg" : "out",
                           MessageName(m), g_sent[c][m] / ticks);
        printf("\n  other messages dispatched, per tick:");
        for (UINT m = 0; m < MESSAGES; ++m)
            if (g_posted[m])
                printf(" %s %.2f", MessageName(m), g_posted[m] / ticks);
        printf("\n");
        for (const Stat& s : g_stats)
            if (!s.real)
                printf("  (%s is not imported: not counted)\n", s.name);
        fflush(stdout);
    }
};

Counter g_counter;

}  // namespace
