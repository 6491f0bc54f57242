// The running doll seen from inside its GUI thread: kelmora-msgcount.dll,
// hooked into that thread, records in order what the window is sent and
// retrieves, which frame it draws, and the program's calls that arm and
// stop its timers. Tests read order, state and content from that record,
// never how long anything took.
#pragma once
#include <windows.h>
#include <stdint.h>
#include <string.h>

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "doll/DollDlg.h"
#include "doll_log.h"
#include "harness/Harness.h"
#include "harness/Pixels.h"

namespace ui {

class Inside {
public:
    // Hooks the doll window's thread. The frames, from the character's
    // bitmaps, are what the record tells apart when the doll draws.
    explicit Inside(HWND doll, const std::vector<harness::Image>& frames = std::vector<harness::Image>())
        : Inside(::GetWindowThreadProcessId(doll, nullptr), doll, frames)
    {
    }
    // Hooks a thread that has no doll yet (a program started suspended): the
    // first dialog made there is taken as the doll.
    explicit Inside(DWORD thread, const std::vector<harness::Image>& frames = std::vector<harness::Image>())
        : Inside(thread, nullptr, frames)
    {
    }
    Inside(const Inside&) = delete;
    Inside& operator=(const Inside&) = delete;
    ~Inside()
    {
        for (HHOOK h : m_hooks)
            if (h)
                ::UnhookWindowsHookEx(h);
        if (m_log)
            ::UnmapViewOfFile(m_log);
        if (m_mapping)
            ::CloseHandle(m_mapping);
        if (m_dll)
            ::FreeLibrary(m_dll);
    }

private:
    Inside(DWORD thread, HWND doll, const std::vector<harness::Image>& frames)
    {
        HANDLE t = ::OpenThread(THREAD_QUERY_LIMITED_INFORMATION, FALSE, thread);
        HANDLE process = ::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, t ? ::GetProcessIdOfThread(t) : 0);
        std::string name = DollLogName(process);
        for (HANDLE h : { t, process })
            if (h)
                ::CloseHandle(h);
        m_mapping = ::CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, sizeof(DollLog),
                                         name.empty() ? nullptr : name.c_str());
        m_log = m_mapping ? static_cast<DollLog*>(::MapViewOfFile(m_mapping, FILE_MAP_WRITE, 0, 0, sizeof(DollLog)))
                          : nullptr;
        if (!m_log)
            return;
        memset(m_log, 0, sizeof *m_log);
        SetFrames(frames);
        m_log->window = doll;
        m_dll = ::LoadLibraryA(KELMORA_MSGCOUNT_DLL);
        if (m_dll && thread) {
            m_hooks[0] = Hook(WH_CALLWNDPROC, "CountSent", thread);
            m_hooks[1] = Hook(WH_CALLWNDPROCRET, "CountDrawn", thread);
            m_hooks[2] = Hook(WH_GETMESSAGE, "CountRetrieved", thread);
        }
    }

public:
    // The frames told apart from now on: all of one size, opaque pixels as
    // they are, the key colour see-through.
    void SetFrames(const std::vector<harness::Image>& frames)
    {
        if (!m_log)
            return;
        m_log->frames = 0;
        size_t n = std::min(frames.size(), static_cast<size_t>(LOG_FRAMES));
        for (size_t k = 0; k < n; ++k) {
            const harness::Image& f = frames[k];
            if (f.width > LOG_FRAME_SIDE || f.height > LOG_FRAME_SIDE || f.width != frames[0].width ||
                f.height != frames[0].height)
                return;
            for (int i = 0; i < f.width * f.height; ++i)
                m_log->pixels[k][i] = f.pixels[static_cast<size_t>(i)] == harness::kClear
                                          ? LOG_CLEAR
                                          : f.pixels[static_cast<size_t>(i)];
        }
        m_log->width = n ? frames[0].width : 0;
        m_log->height = n ? frames[0].height : 0;
        ::InterlockedExchange(&m_log->frames, static_cast<LONG>(n));
    }

    // The hook runs in the program and has redirected its imports.
    bool Hooked()
    {
        return m_log && m_hooks[0] && m_hooks[1] && m_hooks[2] && Sync() && m_log->ready == 1;
    }

    HWND Doll() const { return m_log ? m_log->window : nullptr; }
    size_t Size() const { return m_log ? static_cast<size_t>(m_log->count) : 0; }
    LONG Lost() const { return m_log ? m_log->lost : 0; }

    std::vector<DollEvent> Events(size_t from = 0, size_t to = SIZE_MAX) const
    {
        size_t n = Size() < to ? Size() : to;
        std::vector<DollEvent> events;
        for (size_t i = from; i < n; ++i)
            events.push_back(m_log->events[i]);
        return events;
    }

    // Posts a marker and waits until the program has taken it from its
    // queue, then a second one for what the first batch posted in turn: the
    // messages posted to its thread before have been handled. Timer ticks
    // are not among them: the system makes those only when the queue is
    // empty. Returns the record's size at the second marker, 0 when the
    // program never took it.
    size_t Sync(DWORD timeoutMs = harness::kHung)
    {
        size_t at = 0;
        for (int round = 0; round < 2; ++round) {
            LONG n = ++m_marker;
            ::PostMessageA(Doll(), ::RegisterWindowMessageA(KELMORA_MARKER_MESSAGE), static_cast<WPARAM>(n), 0);
            if (!harness::WaitFor([&] { return (at = Find(EV_MARKER, n)) != 0; }, timeoutMs))
                return 0;
        }
        return at;
    }

    // Posts a marker and returns its number at once. The program takes it
    // before any tick that comes due after this call: a timer ticks only
    // when nothing posted waits.
    LONG PostMarker()
    {
        LONG n = ++m_marker;
        ::PostMessageA(Doll(), ::RegisterWindowMessageA(KELMORA_MARKER_MESSAGE), static_cast<WPARAM>(n), 0);
        return n;
    }
    // One past the marker's place in the record once the program has taken
    // it; 0 when it never does.
    size_t WaitMarker(LONG n, DWORD timeoutMs = harness::kHung) const
    {
        size_t at = 0;
        harness::WaitFor([&] { return (at = Find(EV_MARKER, n)) != 0; }, timeoutMs);
        return at;
    }

    // Waits until n ticks of the timer have reached the program after the
    // record's position from.
    bool WaitTicks(size_t from, int n, LONG timer = TIMER_MOTION, DWORD timeoutMs = harness::kHung) const
    {
        return harness::WaitFor([&] {
            int seen = 0;
            for (const DollEvent& e : Events(from))
                seen += e.kind == EV_TICK && e.a == timer;
            return seen >= n;
        }, timeoutMs);
    }

    // Waits until the record holds an event of the kind after from.
    bool WaitEvent(size_t from, LONG kind, DWORD timeoutMs = harness::kHung) const
    {
        return harness::WaitFor([&] {
            for (const DollEvent& e : Events(from))
                if (e.kind == kind)
                    return true;
            return false;
        }, timeoutMs);
    }

    // The frame the doll shows now, for a doll whose frame does not change:
    // its window is redrawn and what it draws read. -1: none of the frames.
    // The redraw is asked for again until it comes: under load, one asked
    // from another process has been seen to come to nothing.
    int Shown(DWORD timeoutMs = harness::kHung)
    {
        size_t from = Size();
        int frame = -2;
        harness::WaitFor([&] {
            for (const DollEvent& e : Events(from))
                if (e.kind == EV_FRAME)
                    frame = e.a;
            if (frame == -2)
                ::RedrawWindow(Doll(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE);
            return frame != -2;
        }, timeoutMs);
        return frame;
    }

    // While a timer is held, its ticks are taken out of the program's queue
    // undelivered; Tick posts one that the program handles as the timer's.
    void Hold(UINT timer, bool held = true)
    {
        if (held)
            ::InterlockedOr(&m_log->heldTimers, 1L << timer);
        else
            ::InterlockedAnd(&m_log->heldTimers, ~(1L << timer));
    }
    void Tick(UINT timer)
    {
        ::PostMessageA(Doll(), ::RegisterWindowMessageA(KELMORA_TICK_MESSAGE), timer, 0);
    }

    // The program is killed halfway through its next write of a new file.
    void EndInNewFile() { ::InterlockedExchange(&m_log->endInNewFile, 1); }

    // From now on the program's rand() returns the draws in turn, over and
    // over (none: its own numbers), to be set while it draws none.
    void SetDraws(const std::vector<LONG>& draws)
    {
        m_log->drawCount = static_cast<LONG>(std::min(draws.size(), static_cast<size_t>(LOG_DRAWS)));
        std::copy(draws.begin(), draws.begin() + m_log->drawCount, m_log->draws);
        m_log->drawNext = 0;
    }

    // Windows' word that the window (the doll or another of its thread) is
    // now shown at dpi, with the rectangle it suggests for it.
    void DpiChanged(HWND hWnd, UINT dpi, const RECT& suggested)
    {
        LONG i = m_dpiChanges++ % LOG_DPI_RECTS;
        m_log->dpiRects[i] = suggested;
        ::PostMessageA(hWnd, ::RegisterWindowMessageA(KELMORA_DPI_MESSAGE), dpi, i);
    }

private:
    HHOOK Hook(int kind, const char* name, DWORD thread)
    {
        void* proc = reinterpret_cast<void*>(::GetProcAddress(m_dll, name));
        return ::SetWindowsHookExA(kind, reinterpret_cast<HOOKPROC>(proc), m_dll, thread);
    }

    // One past the first event of the kind with that a, or 0.
    size_t Find(LONG kind, LONG a) const
    {
        size_t n = Size();
        for (size_t i = 0; i < n; ++i)
            if (m_log->events[i].kind == kind && m_log->events[i].a == a)
                return i + 1;
        return 0;
    }

    HANDLE m_mapping = nullptr;
    DollLog* m_log = nullptr;
    HMODULE m_dll = nullptr;
    HHOOK m_hooks[3] = {};
    LONG m_marker = 0;
    LONG m_dpiChanges = 0;
};

// The opaque pixels of a frame as the record's ShapeHash takes a region.
inline LONG FrameShape(const harness::Image& f)
{
    std::vector<unsigned char> inside(f.pixels.size());
    for (size_t i = 0; i < inside.size(); ++i)
        inside[i] = f.pixels[i] != harness::kClear;
    return ShapeHash(inside.data(), inside.size());
}

// What one tick of a timer did, from its WM_TIMER until the next message
// the thread took (a tick, a paint, a marker, a window event).
struct TickWork {
    LONG timer = 0;
    std::vector<int> frames;   // drawn, in order
    std::vector<LONG> shapes;  // the window's region as each was drawn
    std::vector<POINT> moves;  // the window's new places
    std::vector<std::pair<LONG, LONG>> armed;  // timers armed: the timer and its period
    int reshapes = 0, restacks = 0, activations = 0, calls = 0;
    int needless = 0;  // z-order calls that found the window in its place
};

inline std::vector<TickWork> Ticks(const std::vector<DollEvent>& events, LONG timer = TIMER_MOTION)
{
    std::vector<TickWork> ticks;
    bool open = false;
    for (const DollEvent& e : events) {
        if (e.kind == EV_TICK) {
            open = e.a == timer;
            if (open) {
                ticks.push_back(TickWork());
                ticks.back().timer = e.a;
            }
            continue;
        }
        if (e.kind == EV_PAINT || e.kind == EV_MARKER || e.kind == EV_HELD || e.kind == EV_WINEVENT ||
            e.kind == EV_WOKEN) {
            open = false;
            continue;
        }
        if (!open)
            continue;
        TickWork& t = ticks.back();
        switch (e.kind) {
        case EV_FRAME:
            t.frames.push_back(e.a);
            t.shapes.push_back(e.b);
            break;
        case EV_MOVED: t.moves.push_back(POINT{ e.a, e.b }); break;
        case EV_RESHAPED: ++t.reshapes; break;
        case EV_RESTACKED:
            ++t.restacks;
            t.needless += e.a == 0;
            break;
        case EV_ACTIVATED: ++t.activations; break;
        case EV_SETTIMER: t.armed.push_back(std::make_pair(e.a, e.b)); break;
        default: ++t.calls; break;
        }
    }
    return ticks;
}

// The record as text, for a failure's message.
inline std::string Describe(const std::vector<DollEvent>& events, size_t last = 80)
{
    static const char* const names[] = { "?",         "tick",     "held",      "paint",  "frame",
                                         "moved",     "reshaped", "restacked", "activated", "SetTimer",
                                         "KillTimer", "call",     "marker",    "winevent", "woken",
                                         "dpi" };
    std::string s;
    size_t from = events.size() > last ? events.size() - last : 0;
    for (size_t i = from; i < events.size(); ++i) {
        const DollEvent& e = events[i];
        s += names[e.kind >= 0 && e.kind <= EV_DPICHANGED ? e.kind : 0];
        if (e.kind == EV_TICK || e.kind == EV_HELD || e.kind == EV_KILLTIMER || e.kind == EV_CALL ||
            e.kind == EV_MARKER || e.kind == EV_RESTACKED || e.kind == EV_WINEVENT || e.kind == EV_DPICHANGED)
            s += "(" + std::to_string(e.a) + ")";
        else if (e.kind == EV_FRAME)
            s += "(" + std::to_string(e.a) + ")";
        else if (e.kind == EV_MOVED || e.kind == EV_SETTIMER)
            s += "(" + std::to_string(e.a) + "," + std::to_string(e.b) + ")";
        s += " ";
    }
    return s;
}

// The motion is stopped: of the program's calls for timers 1 and 2 in the
// events, the last of each stopped it, and no tick of either came after.
inline bool MotionStopped(const std::vector<DollEvent>& events)
{
    int last[3] = { 0, 0, 0 };  // per timer: 0 no call, 1 armed, 2 stopped
    bool tickAfter = false;
    for (const DollEvent& e : events) {
        if ((e.kind == EV_SETTIMER || e.kind == EV_KILLTIMER) && (e.a == TIMER_MOTION || e.a == TIMER_TARGET)) {
            last[e.a] = e.kind == EV_SETTIMER ? 1 : 2;
            tickAfter = false;
        }
        if (e.kind == EV_TICK && (e.a == TIMER_MOTION || e.a == TIMER_TARGET))
            tickAfter = true;
    }
    return last[TIMER_MOTION] == 2 && last[TIMER_TARGET] == 2 && !tickAfter;
}

// Where the events (re)start the motion, timer 2 is armed with the base
// period right after timer 1, with no other call or message between: the
// text of every arming of timer 2 that is not, "" when all are. armed
// counts the starts seen.
inline std::string ArmedApart(const std::vector<DollEvent>& events, LONG basePeriod, int* armed = nullptr)
{
    std::string apart;
    int n = 0;
    for (size_t i = 0; i < events.size(); ++i) {
        const DollEvent& e = events[i];
        if (e.kind != EV_SETTIMER || e.a != TIMER_TARGET || e.b != basePeriod)
            continue;
        // In chase mode timer 2 runs with the base period and is not armed
        // again in its own tick: an arming with it is a start.
        ++n;
        if (i == 0 || events[i - 1].kind != EV_SETTIMER || events[i - 1].a != TIMER_MOTION)
            apart += Describe(std::vector<DollEvent>(events.begin() + static_cast<long>(i > 12 ? i - 12 : 0),
                                                     events.begin() + static_cast<long>(i) + 1)) + "\n";
    }
    if (armed)
        *armed = n;
    return apart;
}

}  // namespace ui
