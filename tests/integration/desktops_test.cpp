// The program on a desktop of two monitors (scripts/two-monitors: the main
// one at (0, 0), a shorter one left of it at negative coordinates): the box
// opens beside the doll on its monitor, the doll walks and wanders by its
// monitor's size, a monitor switched off takes nothing with it; and a
// full-screen window of another program in front of a top-most doll.
// Z-order is read from the window list: without a window manager, X may
// draw a window over a top-most one.
#include <gtest/gtest.h>

#include <stdlib.h>

#include <algorithm>
#include <iterator>
#include <string>
#include <vector>

#include <memory>

#include "inside.h"
#include "kelmora_ui.h"

using namespace harness;
using namespace ui;

namespace {

std::vector<RECT> Monitors()
{
    std::vector<RECT> found;
    ::EnumDisplayMonitors(nullptr, nullptr, [](HMONITOR m, HDC, LPRECT, LPARAM list) -> BOOL {
        MONITORINFO info = {};
        info.cbSize = sizeof info;
        ::GetMonitorInfoA(m, &info);
        reinterpret_cast<std::vector<RECT>*>(list)->push_back(info.rcMonitor);
        return TRUE;
    }, reinterpret_cast<LPARAM>(&found));
    return found;
}

// The layout the tests are written for, as the platform reports it.
struct Desktop {
    RECT main = {}, left = {};

    bool Read()
    {
        std::vector<RECT> all = Monitors();
        if (all.size() != 2)
            return false;
        for (const RECT& m : all) {
            if (m.left == 0 && m.top == 0)
                main = m;
            else
                left = m;
        }
        // Left of the main one, with another vertical middle.
        return main.right > 0 && left.right == 0 && left.left < 0 && left.top == 0 && left.bottom != main.bottom;
    }
};

POINT Middle(const RECT& rc)
{
    return POINT{ (rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2 };
}

bool Within(const RECT& inner, const RECT& outer)
{
    return inner.left >= outer.left && inner.top >= outer.top && inner.right <= outer.right &&
           inner.bottom <= outer.bottom;
}

std::string Text(const RECT& r)
{
    return std::to_string(r.left) + "," + std::to_string(r.top) + "-" + std::to_string(r.right) + "," +
           std::to_string(r.bottom);
}

std::string Describe(const std::vector<RECT>& monitors)
{
    std::string s;
    for (const RECT& m : monitors)
        s += " " + Text(m);
    return s;
}

bool Above(HWND upper, HWND lower)
{
    for (HWND h = ::GetWindow(lower, GW_HWNDPREV); h; h = ::GetWindow(h, GW_HWNDPREV))
        if (h == upper)
            return true;
    return false;
}

// The visible windows front to back, those of the test named, top-most
// ones marked: what a failure shows.
std::string ZList(HWND doll, HWND full, HWND other = nullptr)
{
    std::string s;
    for (HWND h = ::GetTopWindow(nullptr); h; h = ::GetWindow(h, GW_HWNDNEXT)) {
        if (!::IsWindowVisible(h))
            continue;
        char name[64] = "";
        ::GetClassNameA(h, name, sizeof name);
        s += std::string(" ") + (h == doll ? "doll" : h == full ? "full" : h == other ? "other" : name) +
             ((::GetWindowLongA(h, GWL_EXSTYLE) & WS_EX_TOPMOST) ? "(top-most)" : "");
    }
    return s;
}

bool TopMost(HWND hWnd)
{
    return (::GetWindowLongA(hWnd, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0;
}

// No visible top-level window lies below it.
bool AtBottom(HWND hWnd)
{
    for (HWND h = ::GetWindow(hWnd, GW_HWNDNEXT); h; h = ::GetWindow(h, GW_HWNDNEXT))
        if (::IsWindowVisible(h))
            return false;
    return true;
}

// Wine 8 tells no one when the foreground window changes, or when a window
// moves, is minimised or destroyed, just as it sends no WM_DISPLAYCHANGE:
// the test does, as Windows would, through the platform's own channel. The
// thread first asks the server for a message of its own, which tells it of
// the hooks set since it last asked (it would otherwise not pass the event on).
void Announce(DWORD event, HWND hWnd, LONG object = OBJID_WINDOW, LONG child = CHILDID_SELF)
{
    static const UINT ask = ::RegisterWindowMessageA("Kelmora.DesktopsTest.Ask");
    ::PostThreadMessageA(::GetCurrentThreadId(), ask, 0, 0);
    MSG msg;
    ::GetMessageA(&msg, nullptr, ask, ask);
    ::NotifyWinEvent(event, hWnd, object, child);
}

// A window of this program, which for the doll is another program's.
HWND OpenWindow(DWORD style, DWORD exStyle, const RECT& at)
{
    return ::CreateWindowExA(exStyle, "STATIC", "other", style, at.left, at.top, at.right - at.left,
                             at.bottom - at.top, nullptr, nullptr, nullptr, nullptr);
}

// Brought to the front and the foreground, as a user's click or a starting
// game does; told as the platform would, unless told is false.
void ToFront(HWND hWnd, bool told = true)
{
    ::SetWindowPos(hWnd, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    ::SetForegroundWindow(hWnd);
    if (told)
        Announce(EVENT_SYSTEM_FOREGROUND, hWnd);
}

// A window's style and place changed, as a video player's going to full
// screen or back, told as the platform would (which the doll does not
// listen to) unless told is false.
void Restyle(HWND hWnd, DWORD style, const RECT& at, bool told = true)
{
    ::SetWindowLongA(hWnd, GWL_STYLE, style);
    ::SetWindowPos(hWnd, nullptr, at.left, at.top, at.right - at.left, at.bottom - at.top,
                   SWP_NOZORDER | SWP_FRAMECHANGED);
    if (told)
        Announce(EVENT_OBJECT_LOCATIONCHANGE, hWnd);
}

// Events of the kind (and with that a) in the record.
int Count(const std::vector<DollEvent>& events, LONG kind, LONG a)
{
    return static_cast<int>(std::count_if(events.begin(), events.end(),
                                          [&](const DollEvent& e) { return e.kind == kind && e.a == a; }));
}

// How many ticks of the timer it took, after the marker, until the first
// event of the kind with that a in the record (0 when it came before the
// marker); -1 when it never came.
int TicksUntil(const std::vector<DollEvent>& events, LONG marker, LONG timer, LONG kind, LONG a)
{
    bool after = false;
    int ticks = 0;
    for (const DollEvent& e : events) {
        if (e.kind == kind && e.a == a)
            return ticks;
        after = after || (e.kind == EV_MARKER && e.a == marker);
        ticks += after && e.kind == EV_TICK && e.a == timer;
    }
    return -1;
}

// The shortest period the timer was armed with.
int ShortestPeriod(const std::vector<DollEvent>& events, LONG timer)
{
    LONG shortest = LONG_MAX;
    for (const DollEvent& e : events)
        if (e.kind == EV_SETTIMER && e.a == timer && e.b > 0 && e.b < shortest)
            shortest = e.b;
    return shortest == LONG_MAX ? 1 : shortest;
}

// The timer is stopped: the program's last call for it stopped it, and no
// tick of it came after.
bool TimerStopped(const std::vector<DollEvent>& events, LONG timer)
{
    bool stopped = false;
    for (const DollEvent& e : events) {
        if ((e.kind == EV_SETTIMER || e.kind == EV_KILLTIMER) && e.a == timer)
            stopped = e.kind == EV_KILLTIMER;
        if (e.kind == EV_TICK && e.a == timer)
            stopped = false;
    }
    return stopped;
}

// Its window moves when it walks, and its shape changes with each frame.
struct Still {
    HWND doll;
    RECT rc;
    HRGN shape;
    explicit Still(HWND d) : doll(d), rc(WindowRect(d)), shape(WindowRegion(d)) {}
    Still(const Still&) = delete;
    Still& operator=(const Still&) = delete;
    ~Still()
    {
        if (shape)
            ::DeleteObject(shape);
    }
    bool operator()() const
    {
        RECT now = WindowRect(doll);
        HRGN s = WindowRegion(doll);
        bool same = s && shape && ::EqualRgn(s, shape);
        if (s)
            ::DeleteObject(s);
        return same && now.left == rc.left && now.top == rc.top;
    }
};

// Neither walking nor ticking: once the program has handled everything
// before, the last call for each of timers 1 and 2 stopped it, and no tick
// of either came after.
bool StandsStill(ui::Inside& in)
{
    return ui::MotionStopped(in.Events(0, in.Sync()));
}

// Over the next motion ticks the doll takes no step.
bool StaysPut(ui::Inside& in)
{
    size_t from = in.Size();
    if (!in.WaitTicks(from, 3))
        return false;
    for (const ui::TickWork& t : ui::Ticks(in.Events(from, in.Sync())))
        if (!t.moves.empty())
            return false;
    return true;
}

// The cursor far below the doll: walking, it moves and changes its frame.
bool Walks(HWND doll, const RECT& monitor)
{
    POINT c = Middle(WindowRect(doll));
    ::SetCursorPos(c.x, monitor.bottom - 5);
    Still still(doll);
    return WaitFor([&] { return !still(); });
}

// The doll dragged by the user's mouse until its top-left corner is at
// (x, y), in moves of a few pixels that keep the cursor on it, as a hand's
// do; grabbed at its centre once the program has seen the cursor there, so
// that it rests meanwhile and where it is dropped.
bool DragDoll(HWND doll, ui::Inside& in, int x, int y)
{
    // The cursor on its centre, read there by the second tick after: the
    // doll rests, and stays where the drag begins.
    POINT grab = Middle(WindowRect(doll));
    ::SetCursorPos(grab.x, grab.y);
    if (!in.WaitTicks(in.Size(), 2))
        return false;
    RECT rc = WindowRect(doll);
    grab = Middle(rc);
    ::SetCursorPos(grab.x, grab.y);
    ::mouse_event(MOUSEEVENTF_LEFTDOWN, 0, 0, 0, 0);
    if (!WaitFor([&] { return Capture(doll) == doll; }))
        return false;
    const int dx = x - rc.left, dy = y - rc.top;
    const int moves = std::max(abs(dx), abs(dy)) / 8 + 1;
    for (int i = 1; i <= moves; ++i) {
        const int ox = dx * i / moves, oy = dy * i / moves;
        if (!DragTo(doll, POINT{ grab.x + ox, grab.y + oy }, POINT{ rc.left + ox, rc.top + oy }))
            return false;
    }
    ::mouse_event(MOUSEEVENTF_LEFTUP, 0, 0, 0, 0);
    if (!WaitFor([&] { return Capture(doll) == nullptr; }))
        return false;
    RECT dropped = WindowRect(doll);
    return dropped.left == x && dropped.top == y && StaysPut(in);
}

// The search box beside a doll whose window is `doll`, on `monitor`: its
// left edge in the range that lets it overhang the doll by 10 pixels on
// each side, kept within 10 pixels of the monitor's sides; above the doll
// when the doll's centre is at or below the monitor's middle, else below;
// the balloon's tail on the edge towards the doll, at the doll's centre.
void ExpectBoxBeside(HWND box, const RECT& doll, const RECT& monitor)
{
    RECT b = WindowRect(box);
    int bw = b.right - b.left, bh = b.bottom - b.top;
    int low = std::max(doll.right - bw + 10, monitor.left - 10);
    int high = doll.left - 10;
    if (high + bw - 10 > monitor.right)
        high = monitor.right - bw + 10;
    if (high > low) {
        EXPECT_GE(b.left, low) << "box " << Text(b) << " doll " << Text(doll);
        EXPECT_LT(b.left, high) << "box " << Text(b) << " doll " << Text(doll);
    }
    EXPECT_GE(b.left, monitor.left - 10) << Text(b);
    EXPECT_LE(b.right, monitor.right + 10) << Text(b);
    bool above = Middle(doll).y >= Middle(monitor).y;
    if (above)
        EXPECT_EQ(b.bottom, doll.top) << "not above the doll: " << Text(b) << " doll " << Text(doll);
    else
        EXPECT_EQ(b.top, doll.bottom) << "not below the doll: " << Text(b) << " doll " << Text(doll);
    int x = Middle(doll).x - b.left;
    int towards = above ? bh - 3 : 3, away = above ? 3 : bh - 3;
    EXPECT_TRUE(WaitFor([&] { return TailAt(box, x, towards); })) << "no tail towards the doll at x " << x;
    EXPECT_FALSE(TailAt(box, x, away)) << "a tail away from the doll";
}

// Runs the script scripts/two-monitors left for switching the second
// monitor, and waits until the platform reports that many monitors.
bool SwitchSecondMonitor(const char* how, size_t monitors)
{
    char script[MAX_PATH] = "";
    if (!::GetEnvironmentVariableA("KELMORA_SECOND_MONITOR", script, sizeof script))
        return false;
    std::string cmd = std::string("\"") + script + "\" " + how;
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi = {};
    if (!::CreateProcessA(nullptr, &cmd[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
        return false;
    ::WaitForSingleObject(pi.hProcess, 30000);
    ::CloseHandle(pi.hProcess);
    ::CloseHandle(pi.hThread);
    return WaitFor([&] { return Monitors().size() == monitors; });
}

// The second monitor switched off while it lives, and on again after.
class SecondMonitorOff {
public:
    SecondMonitorOff() : m_off(SwitchSecondMonitor("off", 1)) {}
    SecondMonitorOff(const SecondMonitorOff&) = delete;
    SecondMonitorOff& operator=(const SecondMonitorOff&) = delete;
    ~SecondMonitorOff() { EXPECT_TRUE(SwitchSecondMonitor("on", 2)) << "the second monitor did not come back"; }
    bool Off() const { return m_off; }

private:
    bool m_off;
};

// The settings file's SETTEI section has the key with that value.
bool HasKey(const std::string& file, const std::string& keyValue)
{
    std::vector<std::string> keys = IniSection(file, "SETTEI");
    return std::find(keys.begin(), keys.end(), keyValue) != keys.end();
}

// The program started on the desktop of two monitors, the cursor in the
// middle of the main one.
struct OnTwoMonitors : Installed {
    Desktop desk;
    HWND doll = nullptr, box = nullptr;
    std::unique_ptr<ui::Inside> in;

    explicit OnTwoMonitors(const std::string& settings = std::string()) : Installed(settings) {}
    bool Start()
    {
        if (!desk.Read()) {
            ADD_FAILURE() << "needs scripts/two-monitors: the main monitor and a shorter one left of it; has"
                          << Describe(Monitors());
            return false;
        }
        ::SetCursorPos(Middle(desk.main).x, Middle(desk.main).y);
        // Recorded from its first message: its win-event hook too.
        if (!program.Start(kStartHung, [&](DWORD thread) { in.reset(new ui::Inside(thread)); }))
            return false;
        doll = program.Doll();
        box = program.SearchBox();
        return box != nullptr && in->Hooked() && in->Doll() == doll;
    }
};

}  // namespace

TEST(Desktops, TheBoxOpensOnTheDollsMonitorWithItsTailTowardsIt)
{
    OnTwoMonitors run;
    ASSERT_TRUE(run.Start());
    HWND doll = run.doll, box = run.box;
    const RECT& left = run.desk.left;

    // Dragged onto the left monitor, its centre (-594, 396) below that
    // monitor's middle and above the main one's.
    ASSERT_TRUE(DragDoll(doll, *run.in, -610, 380)) << "at " << Text(WindowRect(doll));
    ASSERT_GE(Middle(WindowRect(doll)).y, Middle(left).y);
    ASSERT_LT(Middle(WindowRect(doll)).y, Middle(run.desk.main).y);
    ::PostMessageA(doll, WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(16, 16));
    ASSERT_TRUE(WaitFor([&] { return ::IsWindowVisible(box) != FALSE; }));
    {
        SCOPED_TRACE("in the middle of the left monitor");
        ExpectBoxBeside(box, WindowRect(doll), left);
    }

    // At the far left edge, in the upper half: below it, out of the
    // monitor's side by 10 pixels at most.
    Command(doll, ID_DOLL_CLOSEBOX);
    ASSERT_TRUE(WaitFor([&] { return !::IsWindowVisible(box); }));
    ASSERT_TRUE(ParkDoll(doll, left.left + 4, 100));
    ASSERT_TRUE(OpenBox(doll, box));
    SCOPED_TRACE("at the left monitor's left edge");
    ExpectBoxBeside(box, WindowRect(doll), left);
}

TEST(Desktops, NearDistancesAndWanderTargetsComeFromTheDollsMonitor)
{
    {
        SCOPED_TRACE("chasing");
        OnTwoMonitors run;
        ASSERT_TRUE(run.Start());
        const int nearLeft = (run.desk.left.right - run.desk.left.left) / 15;
        ASSERT_LT(nearLeft + 8, (run.desk.main.right - run.desk.main.left) / 15);
        HWND doll = run.doll;
        ASSERT_TRUE(ParkDoll(doll, -400, 300));
        ASSERT_TRUE(StaysPut(*run.in));
        // Beyond the left monitor's near distance, within the main one's:
        // it walks until the cursor is just inside its near box.
        POINT c = Middle(WindowRect(doll));
        ::SetCursorPos(c.x + nearLeft + 8, c.y);
        EXPECT_TRUE(WaitFor([&] { return Middle(WindowRect(doll)).x == c.x + 9; }))
            << "centre at " << Middle(WindowRect(doll)).x << ", from " << c.x;
        EXPECT_TRUE(StaysPut(*run.in));
        EXPECT_EQ(Middle(WindowRect(doll)).x, c.x + 9);
    }
    {
        SCOPED_TRACE("wandering");
        OnTwoMonitors run("[SETTEI]\r\nCHASE=2\r\n");
        ASSERT_TRUE(run.Start());
        const RECT& left = run.desk.left;
        HWND doll = run.doll;
        POINT cursor = { run.desk.main.right - 100, run.desk.main.bottom - 100 };
        ::SetCursorPos(cursor.x, cursor.y);
        // Near the right edge of the left monitor, the main one beside it, a
        // new target is chosen, the real target ticks held back: a point of
        // the left monitor, none of which lies far enough right of the
        // doll's centre for a step right. The main monitor's points nearly
        // all would. The doll walks on after it; a target within the near
        // distances, which a few in a hundred are, makes it rest instead,
        // and another is chosen then.
        ui::Inside& in = *run.in;
        in.Hold(TIMER_TARGET);
        size_t from = in.Size();
        ::SetWindowPos(doll, nullptr, -60, 300, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        LONG x = 0;
        int steps = 0;
        for (int target = 0; target < 5 && steps == 0; ++target) {
            in.Tick(TIMER_TARGET);
            ASSERT_TRUE(in.WaitTicks(from, 1, TIMER_TARGET));
            ASSERT_TRUE(in.WaitTicks(in.Size(), 30));
            std::vector<DollEvent> events = in.Events(from, in.Sync());
            bool chosen = false;
            for (const DollEvent& e : events) {
                if (e.kind == EV_TICK && e.a == TIMER_TARGET)
                    chosen = true;
                if (e.kind != EV_MOVED)
                    continue;
                if (chosen) {
                    EXPECT_LE(e.a, x) << "stepped towards the main monitor:\n" << ui::Describe(events);
                    EXPECT_GE(e.a, left.left);
                    ++steps;
                }
                x = e.a;
            }
            EXPECT_TRUE(chosen);
            from = in.Size();
        }
        EXPECT_GT(steps, 0) << "no step after five new targets";
        EXPECT_LT(WindowRect(doll).right, 0) << "left the left monitor";
        in.Hold(TIMER_TARGET, false);
    }
}

TEST(Desktops, AMonitorSwitchedOffTakesNeitherTheDollNorItsBox)
{
    OnTwoMonitors run;
    ASSERT_TRUE(run.Start());
    HWND doll = run.doll, box = run.box;
    const RECT& main = run.desk.main;
    ASSERT_TRUE(ParkDoll(doll, -610, 380));
    ASSERT_TRUE(OpenBox(doll, box));
    ASSERT_TRUE(Within(WindowRect(box), RECT{ run.desk.left.left - 10, 0, 10, run.desk.left.bottom }));
    SecondMonitorOff off;
    ASSERT_TRUE(off.Off());
    // The platform keeps the pointer on the monitors left.
    ::SetCursorPos(Middle(main).x, Middle(main).y);
    // Wine sends no WM_DISPLAYCHANGE when a monitor goes: the test does, to
    // the program's top-level windows, as Windows would.
    for (HWND w : { doll, box }) {
        DWORD_PTR result = 0;
        ::SendMessageTimeoutA(w, WM_DISPLAYCHANGE, 24, MAKELPARAM(main.right, main.bottom), SMTO_NORMAL, kHung,
                              &result);
    }
    RECT dr = WindowRect(doll), br = WindowRect(box);
    EXPECT_TRUE(Within(dr, main)) << "the doll at " << Text(dr);
    EXPECT_EQ(dr.left, 0) << "not moved to the nearest edge";
    EXPECT_EQ(dr.top, 380);
    EXPECT_TRUE(::IsWindowVisible(box));
    EXPECT_TRUE(Within(br, main)) << "the box at " << Text(br);
    EXPECT_EQ(br.bottom, dr.top) << "no longer above the doll";
    // The open box keeps the doll where it now is.
    EXPECT_TRUE(StandsStill(*run.in));
}

TEST(Desktops, ATopMostDollStepsBehindAFullScreenWindowAndComesBackAfterIt)
{
    OnTwoMonitors run;
    ASSERT_TRUE(run.Start());
    HWND doll = run.doll;
    const RECT& main = run.desk.main;
    ASSERT_TRUE(Walks(doll, main));

    // A game in full screen on the doll's monitor, not top-most.
    HWND game = OpenWindow(WS_POPUP | WS_VISIBLE, 0, main);
    ASSERT_NE(game, nullptr);
    ToFront(game);
    EXPECT_TRUE(WaitFor([&] { return Above(game, doll); })) << "the doll stays over the game:" << ZList(doll, game);
    EXPECT_TRUE(StandsStill(*run.in)) << "walking or ticking behind the game";
    // Lifted over the game by another program, it goes back behind it.
    size_t lifted = run.in->Size();
    ASSERT_TRUE(::SetWindowPos(doll, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE));
    EXPECT_TRUE(WaitFor([&] {
        std::vector<DollEvent> events = run.in->Events(lifted);
        return Above(game, doll) &&
               std::count_if(events.begin(), events.end(), [](const DollEvent& e) { return e.kind == EV_RESTACKED; }) >= 2;
    })) << "left over the game:" << ZList(doll, game);
    EXPECT_TRUE(::IsWindowVisible(doll)) << "its menus would change";

    // Another window in front: back as before.
    HWND other = OpenWindow(WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, RECT{ 100, 100, 400, 300 });
    ToFront(other);
    EXPECT_TRUE(WaitFor([&] { return TopMost(doll) && Above(doll, game) && Above(doll, other); }))
        << ZList(doll, game, other);
    EXPECT_TRUE(Walks(doll, main));

    // The game in front again, then closed.
    ToFront(game);
    EXPECT_TRUE(WaitFor([&] { return Above(game, doll); })) << ZList(doll, game, other);
    EXPECT_TRUE(StandsStill(*run.in));
    ::DestroyWindow(game);
    Announce(EVENT_OBJECT_DESTROY, game);
    ToFront(other);
    EXPECT_TRUE(WaitFor([&] { return TopMost(doll) && Above(doll, other); })) << ZList(doll, nullptr, other);
    EXPECT_TRUE(Walks(doll, main));
    ::DestroyWindow(other);

    // What the user chose stays chosen.
    ASSERT_TRUE(run.program.Close());
    EXPECT_TRUE(HasKey(run.dir / "zel.ini", "ZJIKU=1"));
}

// Nothing tells the doll of a window that comes in front or of one that
// leaves its full screen; it looks at the window in front at each motion
// tick, and once a second while it stands behind one.
TEST(Desktops, AFullScreenIsSeenWithinASecondWithoutAnyWindowEvent)
{
    OnTwoMonitors run;
    ASSERT_TRUE(run.Start());
    HWND doll = run.doll;
    ui::Inside& in = *run.in;
    const RECT& main = run.desk.main;
    const RECT windowed = { 200, 150, 840, 630 };
    ASSERT_TRUE(Walks(doll, main));
    size_t start = in.Size();

    // A game appears in front: the watch's next look, a second after its
    // last at most, finds it; ticks may be late, never early.
    size_t from = in.Size();
    HWND game = OpenWindow(WS_POPUP | WS_VISIBLE, 0, main);
    ASSERT_NE(game, nullptr);
    ToFront(game, false);
    LONG marker = in.PostMarker();
    EXPECT_TRUE(WaitFor([&] { return Above(game, doll); })) << "the doll stays over the game:" << ZList(doll, game);
    EXPECT_TRUE(StandsStill(in));
    std::vector<DollEvent> events = in.Events(from, in.Sync());
    int ticks = TicksUntil(events, marker, TIMER_MOTION, EV_KILLTIMER, TIMER_TARGET);
    int most = 1000 / ShortestPeriod(in.Events(), TIMER_MOTION) + 2;
    EXPECT_TRUE(ticks >= 0 && ticks <= most) << ticks << " motion ticks:\n" << ui::Describe(events);
    EXPECT_TRUE(std::any_of(events.begin(), events.end(), [](const DollEvent& e) {
        return e.kind == EV_SETTIMER && e.a == TIMER_WATCH && e.b == WATCH_PERIOD_MS;
    })) << "no look once a second:\n" << ui::Describe(events);

    // It leaves its full screen, and stays in the foreground: the next look
    // of the watch, a second after the last, finds it gone.
    from = in.Size();
    Restyle(game, WS_OVERLAPPEDWINDOW | WS_VISIBLE, windowed, false);
    marker = in.PostMarker();
    EXPECT_TRUE(WaitFor([&] { return TopMost(doll) && Above(doll, game); })) << ZList(doll, game);
    EXPECT_TRUE(Walks(doll, main));
    events = in.Events(from, in.Sync());
    ticks = TicksUntil(events, marker, TIMER_WATCH, EV_SETTIMER, TIMER_TARGET);
    EXPECT_TRUE(ticks == 0 || ticks == 1) << ticks << " ticks of the watch:\n" << ui::Describe(events);
    EXPECT_TRUE(TimerStopped(events, TIMER_WATCH)) << ui::Describe(events);

    // In full screen again, in its place, and closed: gone too.
    Restyle(game, WS_POPUP | WS_VISIBLE, main, false);
    EXPECT_TRUE(WaitFor([&] { return Above(game, doll); })) << ZList(doll, game);
    EXPECT_TRUE(StandsStill(in));
    from = in.Size();
    ::DestroyWindow(game);
    marker = in.PostMarker();
    EXPECT_TRUE(WaitFor([&] { return TopMost(doll) && !::IsWindow(game); }));
    EXPECT_TRUE(Walks(doll, main));
    events = in.Events(from, in.Sync());
    ticks = TicksUntil(events, marker, TIMER_WATCH, EV_SETTIMER, TIMER_TARGET);
    EXPECT_TRUE(ticks == 0 || ticks == 1) << ticks << " ticks of the watch:\n" << ui::Describe(events);

    EXPECT_EQ(Count(in.Events(start), EV_WINEVENT, EVENT_SYSTEM_FOREGROUND), 0) << "told after all";
}

// What the program in front does all day, its caret moving and its list's
// selection, never reaches the doll: only a new window in the foreground
// does, which comes after them here.
TEST(Desktops, TheWorkInTheProgramInFrontWakesTheDollNotAtAll)
{
    OnTwoMonitors run;
    ASSERT_TRUE(run.Start());
    ui::Inside& in = *run.in;
    HWND editor = OpenWindow(WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, RECT{ 100, 100, 500, 400 });
    ASSERT_NE(editor, nullptr);
    ToFront(editor);
    ASSERT_TRUE(in.WaitEvent(0, EV_WINEVENT)) << "the foreground's change never reached the doll";
    size_t from = in.Size();
    for (int i = 0; i < 1000; ++i) {
        ::NotifyWinEvent(EVENT_OBJECT_LOCATIONCHANGE, editor, OBJID_CARET, CHILDID_SELF);
        ::NotifyWinEvent(EVENT_OBJECT_SELECTION, editor, OBJID_CLIENT, i % 20 + 1);
        ::NotifyWinEvent(EVENT_OBJECT_FOCUS, editor, OBJID_CLIENT, i % 20 + 1);
    }
    Announce(EVENT_SYSTEM_FOREGROUND, editor);
    ASSERT_TRUE(in.WaitEvent(from, EV_WINEVENT));
    std::vector<DollEvent> events = in.Events(from, in.Sync());
    EXPECT_EQ(Count(events, EV_WINEVENT, EVENT_SYSTEM_FOREGROUND), 1);
    int others = 0;
    for (const DollEvent& e : events)
        others += e.kind == EV_WINEVENT && e.a != EVENT_SYSTEM_FOREGROUND;
    EXPECT_EQ(others, 0) << ui::Describe(events);
    ::DestroyWindow(editor);
}

TEST(Desktops, AnOpenBoxStepsBehindAGameWithTheDollAndBothComeBackWhenItIsMinimised)
{
    OnTwoMonitors run;
    ASSERT_TRUE(run.Start());
    HWND doll = run.doll, box = run.box;
    ui::Inside& in = *run.in;
    ASSERT_TRUE(OpenBox(doll, box));

    // A game that keeps itself top-most. The box's countdown stops with the
    // doll: what the user does not see does not run out.
    HWND game = OpenWindow(WS_POPUP | WS_VISIBLE, WS_EX_TOPMOST, run.desk.main);
    ASSERT_NE(game, nullptr);
    size_t from = in.Size();
    ToFront(game);
    EXPECT_TRUE(WaitFor([&] { return Above(game, doll) && Above(game, box); })) << ZList(doll, game, box);
    EXPECT_TRUE(::IsWindowVisible(box));
    EXPECT_TRUE(StandsStill(in));
    std::vector<DollEvent> events = in.Events(from, in.Sync());
    EXPECT_TRUE(TimerStopped(events, TIMER_AUTOHIDE)) << "the countdown runs on:\n" << ui::Describe(events);

    from = in.Size();
    ::ShowWindow(game, SW_MINIMIZE);
    Announce(EVENT_SYSTEM_MINIMIZESTART, game);
    EXPECT_TRUE(WaitFor([&] { return TopMost(doll) && TopMost(box) && Above(box, game) && Above(doll, game); }))
        << ZList(doll, game, box);
    EXPECT_TRUE(::IsWindowVisible(box));
    // The open box keeps the doll still, as before the game, and counts down again.
    EXPECT_TRUE(StandsStill(in));
    EXPECT_TRUE(in.WaitTicks(from, 1, TIMER_AUTOHIDE)) << "the countdown does not run again";
    ::DestroyWindow(game);
}

TEST(Desktops, AVideoPlayerSwitchingToFullScreenAndBack)
{
    OnTwoMonitors run;
    ASSERT_TRUE(run.Start());
    HWND doll = run.doll;
    const RECT& main = run.desk.main;
    const DWORD windowed = WS_OVERLAPPEDWINDOW | WS_VISIBLE;
    const RECT windowedAt = { 200, 150, 840, 630 };
    HWND player = OpenWindow(windowed, 0, windowedAt);
    ASSERT_NE(player, nullptr);
    ToFront(player);
    ASSERT_TRUE(run.in->Sync());
    EXPECT_TRUE(TopMost(doll) && Above(doll, player)) << ZList(doll, player);

    Restyle(player, WS_POPUP | WS_VISIBLE, main);
    EXPECT_TRUE(WaitFor([&] { return Above(player, doll); })) << "over the film:" << ZList(doll, player);
    EXPECT_TRUE(StandsStill(*run.in));

    Restyle(player, windowed, windowedAt);
    EXPECT_TRUE(WaitFor([&] { return TopMost(doll) && Above(doll, player); })) << ZList(doll, player);
    EXPECT_TRUE(Walks(doll, main));
    ::DestroyWindow(player);
}

// Each window comes to the foreground, as the record shows the doll was
// told, and it walks on over it; the bottom-most doll, which watches
// nothing, steps behind the same game once it is made top-most.
TEST(Desktops, AMaximisedWindowAFullScreenOnTheOtherMonitorAndABottomDollChangeNothing)
{
    {
        OnTwoMonitors run;
        ASSERT_TRUE(run.Start());
        HWND doll = run.doll;
        ui::Inside& in = *run.in;
        const RECT& main = run.desk.main;
        ASSERT_TRUE(Walks(doll, main));

        SCOPED_TRACE("a window maximised over the doll's monitor");
        HWND maximised = OpenWindow(WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, RECT{ 100, 100, 500, 400 });
        ::ShowWindow(maximised, SW_MAXIMIZE);
        ASSERT_TRUE(Within(main, WindowRect(maximised))) << Text(WindowRect(maximised));
        size_t from = in.Size();
        ToFront(maximised);
        ASSERT_TRUE(in.WaitEvent(from, EV_WINEVENT)) << "never told";
        EXPECT_TRUE(Walks(doll, main));
        EXPECT_TRUE(TopMost(doll) && Above(doll, maximised)) << ZList(doll, maximised);

        SCOPED_TRACE("a full screen on the other monitor");
        HWND film = OpenWindow(WS_POPUP | WS_VISIBLE, 0, run.desk.left);
        from = in.Size();
        ToFront(film);
        ASSERT_TRUE(in.WaitEvent(from, EV_WINEVENT)) << "never told";
        EXPECT_TRUE(Walks(doll, main));
        EXPECT_TRUE(TopMost(doll) && Above(doll, film)) << ZList(doll, film);
        ::DestroyWindow(film);
        ::DestroyWindow(maximised);
    }
    {
        SCOPED_TRACE("a bottom-most doll");
        OnTwoMonitors run("[SETTEI]\r\nZJIKU=0\r\n");
        ASSERT_TRUE(run.Start());
        HWND doll = run.doll;
        ASSERT_TRUE(Walks(doll, run.desk.main));
        ASSERT_TRUE(WaitFor([&] { return AtBottom(doll); }));
        HWND game = OpenWindow(WS_POPUP | WS_VISIBLE, 0, run.desk.main);
        ToFront(game);
        ASSERT_TRUE(run.in->Sync());
        // It mends its place at a tick, as ever; stepping behind the game
        // would have stopped it.
        EXPECT_TRUE(WaitFor([&] { return AtBottom(doll); })) << ZList(doll, game);
        EXPECT_TRUE(Walks(doll, run.desk.main));
        Command(doll, ID_DOLL_TOPMOST);
        EXPECT_TRUE(WaitFor([&] { return Above(game, doll); })) << "top-most over the game:" << ZList(doll, game);
        EXPECT_TRUE(StandsStill(*run.in));
        Command(doll, ID_DOLL_BOTTOM);
        EXPECT_TRUE(WaitFor([&] { return AtBottom(doll); })) << ZList(doll, game);
        EXPECT_TRUE(Walks(doll, run.desk.main));
        ::DestroyWindow(game);
        ASSERT_TRUE(run.program.Close());
        EXPECT_TRUE(HasKey(run.dir / "zel.ini", "ZJIKU=0"));
    }
}
