// What a motion tick asks of the window, read in order from inside the
// program's GUI thread: one drawing per frame change, a new region only for
// a new shape, a new period only for a new category, a z-order call only
// when the doll is out of its place, and timers 1 and 2 armed together
// wherever the motion starts.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "inside.h"
#include "kelmora_ui.h"

using namespace harness;
using namespace ui;

namespace {

POINT Centre(HWND hWnd)
{
    RECT rc = WindowRect(hWnd);
    return POINT{ rc.left + (rc.right - rc.left) / 2, rc.top + (rc.bottom - rc.top) / 2 };
}

bool Above(HWND upper, HWND lower)
{
    for (HWND h = ::GetWindow(lower, GW_HWNDPREV); h; h = ::GetWindow(h, GW_HWNDPREV))
        if (h == upper)
            return true;
    return false;
}

// No visible top-level window lies below it.
bool AtBottom(HWND hWnd)
{
    for (HWND h = ::GetWindow(hWnd, GW_HWNDNEXT); h; h = ::GetWindow(h, GW_HWNDNEXT))
        if (::IsWindowVisible(h))
            return false;
    return true;
}

// A window of the test's own, shown or not, destroyed with the object.
struct Other {
    HWND hWnd;
    Other(DWORD exStyle, const RECT& at, bool shown = true)
        : hWnd(::CreateWindowExA(exStyle | WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE, "STATIC", "other", WS_POPUP, at.left,
                                 at.top, at.right - at.left, at.bottom - at.top, nullptr, nullptr, nullptr, nullptr))
    {
        if (shown)
            ::ShowWindow(hWnd, SW_SHOWNA);
    }
    Other(const Other&) = delete;
    Other& operator=(const Other&) = delete;
    ~Other() { ::DestroyWindow(hWnd); }
    operator HWND() const { return hWnd; }
};

// The doll made a z-order call after the record's position from that found
// it out of its place: the call was needed.
bool RestackedOutOfPlace(const Inside& in, size_t from)
{
    return WaitFor([&] {
        for (const DollEvent& e : in.Events(from))
            if (e.kind == EV_RESTACKED && e.a == 1)
                return true;
        return false;
    }, kHung);
}

// The program started with the cursor dy below the screen's centre, its GUI
// thread hooked before it ran; the frames are those the record tells apart.
struct HookedDoll {
    Installed d;
    HWND doll = nullptr;
    std::unique_ptr<Inside> in;

    explicit HookedDoll(const std::string& settings = std::string()) : d(settings) {}

    bool Start(int dy, const std::vector<Image>& frames)
    {
        ::SetCursorPos(::GetSystemMetrics(SM_CXSCREEN) / 2, ::GetSystemMetrics(SM_CYSCREEN) / 2 + dy);
        if (!d.program.Start(kStartHung, [&](DWORD thread) { in.reset(new Inside(thread, frames)); }))
            return false;
        doll = d.program.Doll();
        return in->Hooked() && in->Doll() == doll;
    }

    // Far below the doll: from the next target update on, it walks down,
    // changing its frame at every tick. The record's position from there.
    size_t WalkDown()
    {
        POINT c = Centre(doll);
        size_t from = in->Size();
        ::SetCursorPos(c.x, c.y + 400);
        in->WaitTicks(from, 1, TIMER_TARGET);
        from = in->Size();
        if (!WaitFor([&] {
                std::vector<TickWork> ticks = Ticks(in->Events(from));
                return !ticks.empty() && !ticks.back().moves.empty();
            }, kHung))
            ADD_FAILURE() << "the doll does not walk: " << Describe(in->Events(from));
        return in->Size();
    }

    // Resting on the cursor: the last rest frame, held. The record's
    // position from there.
    size_t Rest(int lastRestFrame)
    {
        POINT c = Centre(doll);
        ::SetCursorPos(c.x, c.y);
        if (!WaitFor([&] { return in->Shown() == lastRestFrame; }, kHung))
            ADD_FAILURE() << "the doll does not rest: " << Describe(in->Events());
        return in->Size();
    }

    // The ticks of timer 1 over the next n of them, each complete.
    std::vector<TickWork> Next(int n, std::vector<DollEvent>* seen = nullptr)
    {
        size_t from = in->Size();
        EXPECT_TRUE(in->WaitTicks(from, n));
        std::vector<DollEvent> events = in->Events(from, in->Sync());
        if (seen)
            *seen = events;
        return Ticks(events);
    }
};

}  // namespace

TEST(TickWork, WalkingDrawsEachFrameOnceInItsShapeAndLeavesTheZOrder)
{
    HookedDoll walking;
    const std::vector<Image> frames = BuiltInImages(walking.d.dir / "Kelmora.exe");
    ASSERT_GT(frames.size(), static_cast<size_t>(kBuiltInRestFirst));
    ASSERT_TRUE(walking.Start(400, frames));
    walking.WalkDown();
    // Walking down alternates frames 0 and 1, of different shapes: every
    // tick draws once, in the new shape, and steps one pixel down; the
    // top-most doll in its place makes no z-order call.
    std::vector<DollEvent> events;
    std::vector<TickWork> ticks = walking.Next(30, &events);
    ASSERT_GE(ticks.size(), 30u);
    int previous = -1;
    POINT at = { 0, 0 };
    for (size_t i = 0; i < ticks.size(); ++i) {
        const TickWork& t = ticks[i];
        SCOPED_TRACE("tick " + std::to_string(i) + ": " + Describe(events));
        ASSERT_EQ(t.frames.size(), 1u);
        EXPECT_TRUE(t.frames[0] == 0 || t.frames[0] == 1) << t.frames[0];
        EXPECT_NE(t.frames[0], previous);
        EXPECT_EQ(t.shapes[0], FrameShape(frames[static_cast<size_t>(t.frames[0] < 0 ? 0 : t.frames[0])]));
        previous = t.frames[0];
        EXPECT_EQ(t.reshapes, 1);
        EXPECT_EQ(t.restacks, 0);
        ASSERT_EQ(t.moves.size(), 1u);
        if (i > 0) {
            EXPECT_EQ(t.moves[0].x, at.x);
            EXPECT_EQ(t.moves[0].y, at.y + 1);
        }
        at = t.moves[0];
        EXPECT_TRUE(t.armed.empty()) << "timer " << t.armed[0].first << " armed again";
    }
}

// t_sameshape walks on two frames of one shape in two colours and rests on
// a third of its own shape, with the periods it was built with.
TEST(TickWork, FramesOfOneShapeRedrawWithoutANewRegionAndACategoryKeepsItsPeriod)
{
    const LONG kWalkPeriod = 100, kRestPeriod = 300;
    HookedDoll walking("[SETTEI]\r\nSELECTEDDOLLNAME=t_sameshape\r\n");
    Installed& d = walking.d;
    d.AddPlugin(TestPlugin("t_sameshape"), "t_sameshape");
    const std::vector<Image> frames = PluginImages(d.Plugin("t_sameshape"));
    ASSERT_EQ(frames.size(), 3u);
    ASSERT_EQ(FrameShape(frames[0]), FrameShape(frames[1]));
    ASSERT_NE(frames[0].pixels, frames[1].pixels);
    ASSERT_TRUE(walking.Start(400, frames));
    HWND doll = walking.doll;
    ASSERT_EQ(WindowRect(doll).right - WindowRect(doll).left, 16);

    walking.WalkDown();
    std::vector<DollEvent> events;
    std::vector<TickWork> ticks = walking.Next(20, &events);
    ASSERT_GE(ticks.size(), 20u);
    int previous = -1;
    for (size_t i = 0; i < ticks.size(); ++i) {
        const TickWork& t = ticks[i];
        SCOPED_TRACE("walking, tick " + std::to_string(i) + ": " + Describe(events));
        ASSERT_EQ(t.frames.size(), 1u);
        EXPECT_TRUE(t.frames[0] == 0 || t.frames[0] == 1) << t.frames[0];
        EXPECT_NE(t.frames[0], previous);
        previous = t.frames[0];
        EXPECT_EQ(t.reshapes, 0);
        EXPECT_EQ(t.moves.size(), 1u);
        EXPECT_TRUE(t.armed.empty()) << "walking, timer 1 armed again with " << t.armed[0].second;
    }

    // Resting: the rest frame in its own shape, timer 1 armed with the rest
    // period as it comes, then kept.
    size_t from = walking.in->Size();
    walking.Rest(2);
    events = walking.in->Events(from);
    ticks = Ticks(events);
    size_t first = 0;
    while (first < ticks.size() && (ticks[first].frames.empty() || ticks[first].frames[0] != 2))
        ++first;
    ASSERT_LT(first, ticks.size()) << Describe(events);
    EXPECT_EQ(ticks[first].shapes[0], FrameShape(frames[2]));
    EXPECT_EQ(ticks[first].armed, (std::vector<std::pair<LONG, LONG>>{ { TIMER_MOTION, kRestPeriod } }))
        << Describe(events);
    ticks = walking.Next(5, &events);
    for (const TickWork& t : ticks) {
        EXPECT_TRUE(t.frames.empty() && t.moves.empty() && t.armed.empty()) << Describe(events);
    }

    // Walking again: the walking period at the first step, with the first
    // walking frame.
    from = walking.in->Size();
    walking.WalkDown();
    events = walking.in->Events(from, walking.in->Sync());
    ticks = Ticks(events);
    first = 0;
    while (first < ticks.size() && ticks[first].moves.empty())
        ++first;
    ASSERT_LT(first, ticks.size()) << Describe(events);
    EXPECT_EQ(ticks[first].frames.size(), 1u) << Describe(events);
    EXPECT_EQ(ticks[first].armed, (std::vector<std::pair<LONG, LONG>>{ { TIMER_MOTION, kWalkPeriod } }))
        << Describe(events);
}

// Timers 1 and 2 run with the same period in chase mode: armed one right
// after the other, after all the work of the motion's first step, they come
// due together. So it is at start-up, after the search box, the right
// button's menu, the tray and the tray icon's double click.
TEST(TickWork, TimersOneAndTwoAreArmedTogetherWhereverTheMotionStarts)
{
    HookedDoll walking;
    ASSERT_TRUE(walking.Start(400, std::vector<Image>()));
    HWND doll = walking.doll;
    Inside& in = *walking.in;
    int starts = 0;
    std::vector<DollEvent> events = in.Events(0, in.Sync());
    EXPECT_EQ(ArmedApart(events, kBuiltInPeriodMs, &starts), "") << "at start-up";
    EXPECT_EQ(starts, 1) << Describe(events);
    HWND box = walking.d.program.SearchBox();
    ASSERT_NE(box, nullptr);

    struct Path {
        const char* name;
        std::function<void()> run;
    };
    const DWORD pid = walking.d.program.Pid();
    const Path paths[] = {
        { "search box", [&] {
             ::PostMessageA(doll, WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(5, 5));
             ASSERT_TRUE(WaitFor([&] { return ::IsWindowVisible(box) != FALSE; }, kHung));
             ::PostMessageA(doll, WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(5, 5));
             ASSERT_TRUE(WaitFor([&] { return !::IsWindowVisible(box); }, kHung));
         } },
        { "right button menu", [&] {
             ::PostMessageA(doll, WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(5, 5));
             ASSERT_NE(Menu(pid), nullptr);
             Key(doll, VK_ESCAPE);
             ASSERT_TRUE(WaitFor([&] { return !FindProcessWindow(pid, "#32768", nullptr); }, kHung));
         } },
        { "tray menu", [&] {
             ::PostMessageA(doll, WM_DOLL_TRAY, 1, WM_RBUTTONDOWN);
             ASSERT_NE(Menu(pid), nullptr);
             Key(doll, VK_ESCAPE);
             ASSERT_TRUE(WaitFor([&] { return !FindProcessWindow(pid, "#32768", nullptr); }, kHung));
         } },
        { "tray and show", [&] {
             Command(doll, ID_DOLL_TRAY);
             ASSERT_TRUE(WaitFor([&] { return !::IsWindowVisible(doll); }, kHung));
             Command(doll, ID_DOLL_SHOW);
         } },
        { "tray and the icon's double click", [&] {
             Command(doll, ID_DOLL_TRAY);
             ASSERT_TRUE(WaitFor([&] { return !::IsWindowVisible(doll); }, kHung));
             ::PostMessageA(doll, WM_DOLL_TRAY, 1, WM_LBUTTONDBLCLK);
         } },
    };
    for (const Path& path : paths) {
        SCOPED_TRACE(path.name);
        walking.WalkDown();
        size_t from = in.Size();
        path.run();
        // Restarted: a tick of timer 1 came after the path's last call.
        ASSERT_TRUE(WaitFor([&] {
            std::vector<DollEvent> now = in.Events(from);
            size_t last = 0;
            for (size_t i = 0; i < now.size(); ++i)
                if (now[i].kind == EV_SETTIMER || now[i].kind == EV_KILLTIMER)
                    last = i + 1;
            for (size_t i = last; i < now.size(); ++i)
                if (now[i].kind == EV_TICK && now[i].a == TIMER_MOTION)
                    return true;
            return false;
        }, kHung)) << Describe(in.Events(from));
        events = in.Events(from, in.Sync());
        EXPECT_EQ(ArmedApart(events, kBuiltInPeriodMs, &starts), "");
        EXPECT_GE(starts, 1) << Describe(events);
    }
    EXPECT_EQ(in.Lost(), 0);
}

TEST(TickWork, ATopMostDollComesBackAboveANewTopMostWindowWalkingAndResting)
{
    HookedDoll started;
    const std::vector<Image> frames = BuiltInImages(started.d.dir / "Kelmora.exe");
    ASSERT_TRUE(started.Start(0, frames));
    HWND doll = started.doll;
    Inside& in = *started.in;

    for (bool walking : { false, true }) {
        SCOPED_TRACE(walking ? "walking" : "resting");
        std::vector<DollEvent> events;
        if (walking) {
            started.WalkDown();
        } else {
            started.Rest(static_cast<int>(frames.size()) - 1);
            // In its place, a resting doll calls nothing at all.
            for (const TickWork& t : started.Next(20, &events))
                EXPECT_TRUE(t.frames.empty() && t.moves.empty() && !t.reshapes && !t.restacks) << Describe(events);
        }
        // A top-most window opens on top, in front of the doll: the doll
        // finds itself out of its place and goes back above it.
        RECT rc = WindowRect(doll);
        RECT cover = { rc.left - 20, rc.top - 20, rc.right + 60, rc.bottom + 420 };
        size_t before = in.Size();
        Other other(WS_EX_TOPMOST, cover);
        ASSERT_NE(other.hWnd, nullptr);
        EXPECT_TRUE(WaitFor([&] { return Above(doll, other); }, kHung));
        EXPECT_TRUE(RestackedOutOfPlace(in, before)) << Describe(in.Events(before));
        // Back in its place, it calls for no z-order while it is there. The
        // other window comes up again now and then while the doll walks
        // (Wine restacks it); the doll goes back above it each time.
        in.Sync();
        for (const TickWork& t : started.Next(10, &events))
            EXPECT_EQ(t.needless, 0) << Describe(events);
        EXPECT_TRUE(WaitFor([&] { return Above(doll, other); }, kHung));
    }
}

// A window of another program put in front of a top-most doll, or behind a
// bottom one, is where the z-order call puts the doll, hidden or not: the doll
// goes there once, then stays without further calls.
TEST(TickWork, AHiddenWindowInFrontOrBehindIsPassedOnceAndThenCostsNoCall)
{
    for (bool topMost : { true, false }) {
        SCOPED_TRACE(topMost ? "top-most" : "bottom");
        HookedDoll resting(topMost ? "" : "[SETTEI]\r\nZJIKU=0\r\n");
        const std::vector<Image> frames = BuiltInImages(resting.d.dir / "Kelmora.exe");
        ASSERT_TRUE(resting.Start(0, frames));
        HWND doll = resting.doll;
        Inside& in = *resting.in;
        resting.Rest(static_cast<int>(frames.size()) - 1);

        // Made on top, or put at the bottom, where the doll then is not.
        RECT rc = WindowRect(doll);
        size_t before = in.Size();
        Other hidden(topMost ? WS_EX_TOPMOST : 0, RECT{ rc.left, rc.top, rc.left + 40, rc.top + 40 }, false);
        ASSERT_NE(hidden.hWnd, nullptr);
        if (!topMost)
            ::SetWindowPos(hidden, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        EXPECT_TRUE(WaitFor([&] { return topMost ? Above(doll, hidden) : Above(hidden, doll); }, kHung));
        EXPECT_TRUE(RestackedOutOfPlace(in, before)) << Describe(in.Events(before));
        if (!topMost) {
            EXPECT_EQ(::GetWindow(doll, GW_HWNDNEXT), nullptr);
        }
        in.Sync();
        std::vector<DollEvent> events;
        for (const TickWork& t : resting.Next(10, &events))
            EXPECT_EQ(t.restacks, 0) << Describe(events);
    }
}

TEST(TickWork, ABottomDollIsBackAtTheBottomAfterAWindowWentUnderItAndAfterADrag)
{
    Other mine(0, RECT{ 0, 0, 120, 80 });
    ASSERT_NE(mine.hWnd, nullptr);
    HookedDoll resting("[SETTEI]\r\nZJIKU=0\r\n");
    const std::vector<Image> frames = BuiltInImages(resting.d.dir / "Kelmora.exe");
    ASSERT_TRUE(resting.Start(0, frames));
    HWND doll = resting.doll;
    resting.Rest(static_cast<int>(frames.size()) - 1);
    ASSERT_TRUE(WaitFor([&] { return AtBottom(doll); }, kHung));

    // Another window put under it.
    size_t before = resting.in->Size();
    ::SetWindowPos(mine, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    EXPECT_TRUE(RestackedOutOfPlace(*resting.in, before)) << Describe(resting.in->Events(before));
    EXPECT_TRUE(WaitFor([&] { return AtBottom(doll); }, kHung));

    // Dragged about, with the cursor near it at every tick, it ends where it
    // was let go and at the bottom still.
    RECT rc = WindowRect(doll);
    POINT grab = { rc.left + (rc.right - rc.left) / 2, rc.top + (rc.bottom - rc.top) / 2 };
    ::SetCursorPos(grab.x, grab.y);
    ::mouse_event(MOUSEEVENTF_LEFTDOWN, 0, 0, 0, 0);
    ASSERT_TRUE(WaitFor([&] { return Capture(doll) == doll; }, kHung)) << "the press did not start a drag";
    for (int i = 1; i <= 10; ++i)
        EXPECT_TRUE(DragTo(doll, POINT{ grab.x + 6 * i, grab.y + 4 * i }, POINT{ rc.left + 6 * i, rc.top + 4 * i }))
            << "step " << i;
    ::mouse_event(MOUSEEVENTF_LEFTUP, 0, 0, 0, 0);
    EXPECT_TRUE(WaitFor([&] { return Capture(doll) == nullptr; }, kHung)) << "the release did not end the drag";
    EXPECT_EQ(WindowRect(doll).left, rc.left + 60) << "not dragged";
    EXPECT_TRUE(WaitFor([&] { return AtBottom(doll); }, kHung));
}
