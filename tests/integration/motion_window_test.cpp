// The running doll: the frames it draws, in order and each in its own
// shape, and the places its window takes, one tick after the other, read
// from inside its GUI thread; how it walks, rests and leaves rest, wanders,
// and never takes the user's activation.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "inside.h"
#include "kelmora_ui.h"

using namespace harness;
using namespace ui;

namespace {

const int kRestFirst = kBuiltInRestFirst;

POINT Centre(HWND doll)
{
    RECT rc = WindowRect(doll);
    return POINT{ rc.left + (rc.right - rc.left) / 2, rc.top + (rc.bottom - rc.top) / 2 };
}

bool IsWalking(int frame) { return frame >= 0 && frame < kRestFirst; }

int ScreenW() { return ::GetSystemMetrics(SM_CXSCREEN); }
int ScreenH() { return ::GetSystemMetrics(SM_CYSCREEN); }
// The near distances of the screen the doll walks on.
int NearX() { return ScreenW() / 15; }
int NearY() { return ScreenH() / 15; }

// The frames drawn in the events, in order.
std::vector<int> FramesDrawn(const std::vector<DollEvent>& events)
{
    std::vector<int> frames;
    for (const DollEvent& e : events)
        if (e.kind == EV_FRAME)
            frames.push_back(e.a);
    return frames;
}

std::string Text(const std::vector<int>& frames)
{
    std::string s;
    for (int f : frames)
        s += std::to_string(f) + " ";
    return s;
}

// The program started with the cursor at a point, and the built-in frames
// read from its file as a resource viewer would: as a data file, never run.
struct Doll : Installed {
    std::vector<Image> frames;
    HWND doll = nullptr;
    std::unique_ptr<Inside> in;

    explicit Doll(const std::string& settings = std::string()) : Installed(settings)
    {
        frames = BuiltInImages(dir / "Kelmora.exe");
    }

    bool Start(POINT cursor)
    {
        ::SetCursorPos(cursor.x, cursor.y);
        if (frames.size() <= static_cast<size_t>(kRestFirst) ||
            !program.Start(kStartHung, [&](DWORD thread) { in.reset(new Inside(thread, frames)); }))
            return false;
        doll = program.Doll();
        return in->Hooked() && in->Doll() == doll;
    }

    // The cursor on the doll's centre until it holds its last rest frame.
    bool Rest()
    {
        POINT c = Centre(doll);
        ::SetCursorPos(c.x, c.y);
        return WaitFor([&] { return in->Shown() == static_cast<int>(frames.size()) - 1; }, kHung);
    }

    // A wandering doll chooses its target at a tick of timer 2 the test
    // gives, its own ticks held back, from the draws given: the record from
    // that tick until n ticks of timer 1 later.
    std::vector<DollEvent> NewTarget(const std::vector<LONG>& draws, int n)
    {
        in->Hold(TIMER_TARGET);
        in->SetDraws(draws);
        size_t from = in->Size();
        in->Tick(TIMER_TARGET);
        size_t target = 0;
        EXPECT_TRUE(WaitFor([&] {
            std::vector<DollEvent> events = in->Events(from);
            for (size_t i = 0; i < events.size() && !target; ++i)
                if (events[i].kind == EV_TICK && events[i].a == TIMER_TARGET)
                    target = from + i;
            return target != 0;
        }, kHung)) << Describe(in->Events(from));
        EXPECT_TRUE(in->WaitTicks(target, n));
        return in->Events(target, in->Sync());
    }
};

// The wander target's tick arms timer 2 again with the wander period of the
// draw: 8 s and a second for each unit of its last digit.
bool ArmsWanderPeriod(const std::vector<DollEvent>& events, LONG draw)
{
    for (const DollEvent& e : events) {
        if (e.kind == EV_TICK && e.a == TIMER_MOTION)
            return false;
        if (e.kind == EV_SETTIMER && e.a == TIMER_TARGET)
            return e.b == 8000 + 1000 * (draw % 10);
    }
    return false;
}

}  // namespace

TEST(DollFrames, TheBuiltInFramesAreDistinguishable)
{
    Doll d;
    ASSERT_GT(d.frames.size(), static_cast<size_t>(kRestFirst + 1));
    // Every later test tells frames apart by the pixels the doll draws.
    for (size_t i = 0; i < d.frames.size(); ++i) {
        ASSERT_EQ(d.frames[i].width, 32);
        ASSERT_EQ(d.frames[i].height, 32);
        // Frames may contain one another, but no two may look the same.
        for (size_t j = 0; j < d.frames.size(); ++j) {
            if (i == j)
                continue;
            bool differs = false;
            for (int y = 0; y < 32 && !differs; ++y)
                for (int x = 0; x < 32 && !differs; ++x)
                    differs = d.frames[i].Opaque(x, y) != d.frames[j].Opaque(x, y) ||
                              (d.frames[i].Opaque(x, y) && d.frames[i].At(x, y) != d.frames[j].At(x, y));
            EXPECT_TRUE(differs) << "frames " << i << " and " << j << " look the same";
        }
    }
}

TEST(DollFrames, WindowIsThirtyTwoSquareAndDrawsEachFrameInItsOwnShape)
{
    Doll d;
    // Far below: the doll walks down, alternating frames 0 and 1.
    ASSERT_TRUE(d.Start(POINT{ ScreenW() / 2, ScreenH() / 2 + 400 }));
    RECT rc = WindowRect(d.doll);
    EXPECT_EQ(rc.right - rc.left, 32);
    EXPECT_EQ(rc.bottom - rc.top, 32);
    ASSERT_TRUE(WaitFor([&] {
        std::vector<int> drawn = FramesDrawn(d.in->Events());
        return std::count(drawn.begin(), drawn.end(), 0) > 1 && std::count(drawn.begin(), drawn.end(), 1) > 1;
    }, kHung)) << Describe(d.in->Events());
    std::vector<DollEvent> events = d.in->Events(0, d.in->Sync());
    for (const DollEvent& e : events) {
        if (e.kind != EV_FRAME)
            continue;
        ASSERT_GE(e.a, 0) << "the window holds none of the frames: " << Describe(events);
        EXPECT_TRUE(e.a == 0 || e.a == 1 || e.a >= kRestFirst) << "frame " << e.a << " while the cursor is below";
        EXPECT_EQ(e.b, FrameShape(d.frames[static_cast<size_t>(e.a)])) << "frame " << e.a << " in another shape";
    }
    rc = WindowRect(d.doll);
    EXPECT_EQ(rc.right - rc.left, 32);
    EXPECT_EQ(rc.bottom - rc.top, 32);
}

TEST(DollMotion, ChaseWalksOnePixelPerTickRestsInTheNearBoxAndLeavesRestBackward)
{
    Doll d;
    ASSERT_TRUE(d.Start(POINT{ ScreenW() / 2, ScreenH() / 2 }));
    ASSERT_TRUE(d.Rest()) << Describe(d.in->Events());
    const int last = static_cast<int>(d.frames.size()) - 1;

    // Up and to the left, beyond the near distances: two rest frames
    // backward in place, then it walks left (the larger offset), one pixel
    // per axis per tick, until the cursor is inside its near box, where it
    // rests again.
    const POINT c = Centre(d.doll);
    const int offX = NearX() + 40, offY = NearY() + 25;
    const POINT goal = { c.x - offX, c.y - offY };
    size_t from = d.in->Size();
    ::SetCursorPos(goal.x, goal.y);
    ASSERT_TRUE(WaitFor([&] {
        std::vector<int> drawn = FramesDrawn(d.in->Events(from));
        return std::any_of(drawn.begin(), drawn.end(), IsWalking) && drawn.back() == last;
    }, kHung)) << Describe(d.in->Events(from));
    std::vector<DollEvent> events = d.in->Events(from, d.in->Sync());
    SCOPED_TRACE(Describe(events, 400));

    // One frame per tick: 9, 8, the left pair alternating, 8, 9, 10.
    std::vector<TickWork> ticks;
    for (const TickWork& t : Ticks(events))
        if (!t.frames.empty() || !t.moves.empty())
            ticks.push_back(t);
    ASSERT_GE(ticks.size(), 6u);
    std::vector<int> frames;
    for (const TickWork& t : ticks) {
        ASSERT_EQ(t.frames.size(), 1u);
        frames.push_back(t.frames[0]);
    }
    SCOPED_TRACE(Text(frames));
    const size_t n = frames.size();
    EXPECT_EQ(std::vector<int>(frames.begin(), frames.begin() + 2), (std::vector<int>{ last - 1, kRestFirst }));
    EXPECT_EQ(std::vector<int>(frames.end() - 3, frames.end()), (std::vector<int>{ kRestFirst, last - 1, last }));
    for (size_t i = 2; i + 3 < n; ++i) {
        EXPECT_TRUE(frames[i] == 4 || frames[i] == 5) << "walking left showed " << frames[i];
        if (i > 2) {
            EXPECT_NE(frames[i], frames[i - 1]);
        }
    }

    // The rest frames in place; every walking tick one step, left and up
    // while both axes are far, then left alone once y is within its near
    // distance, until x is.
    const int diagonal = offY - NearY() + 1, straight = offX - NearX() + 1 - diagonal;
    ASSERT_EQ(n, static_cast<size_t>(2 + diagonal + straight + 3));
    POINT at = { c.x - 16, c.y - 16 };
    for (size_t i = 0; i < n; ++i) {
        bool walks = i >= 2 && i + 3 < n;
        ASSERT_EQ(ticks[i].moves.size(), walks ? 1u : 0u) << "tick " << i;
        if (!walks)
            continue;
        POINT to = ticks[i].moves[0];
        EXPECT_EQ(to.x - at.x, -1) << "tick " << i;
        EXPECT_EQ(to.y - at.y, i < static_cast<size_t>(2 + diagonal) ? -1 : 0) << "tick " << i;
        at = to;
    }
    // It stops with the cursor strictly inside its near box, at its edge.
    POINT end = Centre(d.doll);
    EXPECT_EQ(end.x - c.x, -(offX - NearX() + 1));
    EXPECT_EQ(end.y - c.y, -(offY - NearY() + 1));
    EXPECT_EQ(d.in->Lost(), 0);
}

TEST(DollMotion, WalkingNeverTakesTheUsersActivationOrFocus)
{
    Doll d;
    ASSERT_TRUE(d.Start(POINT{ ScreenW() / 2 + 300, ScreenH() / 2 + 200 }));

    // The user's window, away from the doll's path, with the keyboard.
    HWND mine = ::CreateWindowExA(0, "#32770", "user", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 240, 120,
                                  nullptr, nullptr, nullptr, nullptr);
    HWND edit = ::CreateWindowExA(0, "EDIT", "", WS_CHILD | WS_VISIBLE | WS_BORDER, 10, 10, 200, 24, mine,
                                  nullptr, nullptr, nullptr);
    ASSERT_NE(edit, nullptr);
    ::SetForegroundWindow(mine);
    ::SetActiveWindow(mine);
    ::SetFocus(edit);
    ASSERT_TRUE(WaitFor([&] { return ::GetForegroundWindow() == mine && ::GetFocus() == edit; }, kHung));

    // Ten steps towards the cursor, none of which activated the doll.
    size_t from = d.in->Size();
    ASSERT_TRUE(WaitFor([&] {
        int moves = 0;
        for (const DollEvent& e : d.in->Events(from))
            moves += e.kind == EV_MOVED;
        return moves >= 10;
    }, kHung)) << "the doll did not walk";
    std::vector<DollEvent> events = d.in->Events(from, d.in->Sync());
    for (const DollEvent& e : events)
        EXPECT_NE(e.kind, EV_ACTIVATED) << Describe(events);
    EXPECT_EQ(::GetForegroundWindow(), mine);
    EXPECT_EQ(::GetActiveWindow(), mine);
    EXPECT_EQ(::GetFocus(), edit);
    ::DestroyWindow(mine);
}

// With the cursor level with the doll, to its right, a chasing doll would
// step (+1, 0). A wandering one takes only a target whose straight line
// through its centre passes above or below the box a third of the screen
// around the cursor: drawn first straight at the cursor, then far below
// the doll, it walks down, one pixel a step, towards the second.
TEST(DollMotion, WanderWalksWhileTheCursorStaysStillAndNeverStraightAtIt)
{
    Doll d("[SETTEI]\r\nCHASE=2\r\n");
    const POINT cursor = { ScreenW() / 2 + 300, ScreenH() / 2 };
    ASSERT_TRUE(d.Start(cursor));
    ::SetWindowPos(d.doll, nullptr, ScreenW() / 2 - 16, ScreenH() / 2 - 16, 0, 0,
                   SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    std::vector<DollEvent> events = d.NewTarget({ cursor.x, cursor.y, ScreenW() / 2 - 40, ScreenH() / 2 + 344, 3 }, 33);
    SCOPED_TRACE(Describe(events, 200));
    EXPECT_TRUE(ArmsWanderPeriod(events, 3));
    // From the first step (it may first leave rest), thirty ticks of timer 1.
    std::vector<POINT> steps;
    for (const TickWork& t : Ticks(events)) {
        ASSERT_LE(t.moves.size(), 1u);
        for (int f : t.frames)
            EXPECT_TRUE(steps.empty() || f == 0 || f == 1) << "step " << steps.size() << " draws " << f;
        steps.insert(steps.end(), t.moves.begin(), t.moves.end());
    }
    ASSERT_GE(steps.size(), 25u);
    for (size_t i = 1; i < steps.size(); ++i) {
        ASSERT_EQ(steps[i].x, steps[i - 1].x) << "step " << i;
        ASSERT_EQ(steps[i].y, steps[i - 1].y + 1) << "step " << i;
    }
}

TEST(DollMotion, ExactDiagonalWalksShowingTheFirstRestFrame)
{
    Doll d;
    ASSERT_TRUE(d.Start(POINT{ ScreenW() / 2, ScreenH() / 2 }));
    ASSERT_TRUE(d.Rest()) << Describe(d.in->Events());
    const int last = static_cast<int>(d.frames.size()) - 1;
    // Down and right by the same amount: no direction wins while both axes
    // walk, so the first rest frame shows as the window moves.
    POINT c = Centre(d.doll);
    const int off = NearX() + 80;
    size_t from = d.in->Size();
    ::SetCursorPos(c.x + off, c.y + off);
    ASSERT_TRUE(WaitFor([&] {
        int moves = 0;
        for (const DollEvent& e : d.in->Events(from))
            moves += e.kind == EV_MOVED;
        return moves >= 25;
    }, kHung)) << Describe(d.in->Events(from));
    std::vector<DollEvent> events = d.in->Events(from, d.in->Sync());
    SCOPED_TRACE(Describe(events, 300));
    // Leaving rest, 9 and 8 in place; then 25 steps on frame 8.
    std::vector<int> frames;
    POINT at = { c.x - 16, c.y - 16 };
    int steps = 0;
    for (const TickWork& t : Ticks(events)) {
        frames.insert(frames.end(), t.frames.begin(), t.frames.end());
        ASSERT_LE(t.moves.size(), 1u);
        if (t.moves.empty())
            continue;
        EXPECT_TRUE(t.frames.empty()) << "a step changed the frame";
        EXPECT_EQ(t.moves[0].x - at.x, 1);
        EXPECT_EQ(t.moves[0].y - at.y, 1);
        at = t.moves[0];
        if (++steps == 25)
            break;
    }
    EXPECT_EQ(steps, 25);
    EXPECT_EQ(frames, (std::vector<int>{ last - 1, kRestFirst }));
}

TEST(DollMotion, WanderingWithTheCursorOnItAnimatesInPlace)
{
    Doll d("[SETTEI]\r\nCHASE=2\r\n");
    ASSERT_TRUE(d.Start(POINT{ ScreenW() / 2, ScreenH() / 2 }));
    POINT c = Centre(d.doll);
    ::SetCursorPos(c.x, c.y);
    // A tick may take the other timer's reading of a moment before, never
    // twice in a row: the second tick after the move has read the cursor.
    ASSERT_TRUE(d.in->WaitTicks(d.in->Size(), 2));
    RECT rc = WindowRect(d.doll);
    // The target drawn far below, it walks on the spot: both frames of the
    // walking category down, one at each tick, once it has left rest.
    std::vector<DollEvent> events = d.NewTarget({ ScreenW() / 2 - 40, ScreenH() / 2 + 344, 7 }, 10);
    SCOPED_TRACE(Describe(events, 200));
    EXPECT_TRUE(ArmsWanderPeriod(events, 7));
    std::vector<int> walking;
    std::vector<TickWork> ticks = Ticks(events);
    for (size_t i = 0; i < ticks.size() && i < 10; ++i) {
        ASSERT_EQ(ticks[i].frames.size(), 1u) << "tick " << i;
        int f = ticks[i].frames[0];
        if (IsWalking(f))
            walking.push_back(f);
        else
            EXPECT_TRUE(walking.empty()) << "rest frame " << f << " after walking ones";
    }
    ASSERT_GE(walking.size(), 6u) << Text(walking);
    for (size_t i = 0; i < walking.size(); ++i)
        EXPECT_EQ(walking[i], static_cast<int>((walking[0] + i) % 2)) << Text(walking);
    for (const DollEvent& e : events)
        EXPECT_NE(e.kind, EV_MOVED) << "moved with the cursor on it";
    RECT now = WindowRect(d.doll);
    EXPECT_EQ(now.left, rc.left);
    EXPECT_EQ(now.top, rc.top);
}
