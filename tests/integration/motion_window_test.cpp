// The running doll: the frames it draws, in order and each in its own
// shape, and the places its window takes, one tick after the other, read
// from inside its GUI thread; how it walks, rests and leaves rest, wanders,
// and never takes the user's activation.
#include <gtest/gtest.h>
#include <stdlib.h>

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

    // A wandering doll chooses its target again at once: resuming the
    // motion arms timer 2 with the base period. The record from the tick
    // that chose it, until n ticks of timer 1 later.
    std::vector<DollEvent> NewTarget(int n)
    {
        size_t from = in->Size();
        Command(doll, ID_DOLL_RESUME);
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

const int kWanderPeriods[] = { 8000, 9000, 10000, 11000, 12000, 13000, 14000, 15000, 16000, 17000 };

// The wander target's tick arms timer 2 again with one of the wander periods.
bool ArmsAWanderPeriod(const std::vector<DollEvent>& events)
{
    for (const DollEvent& e : events) {
        if (e.kind == EV_TICK && e.a == TIMER_MOTION)
            return false;
        if (e.kind == EV_SETTIMER && e.a == TIMER_TARGET)
            return std::find(std::begin(kWanderPeriods), std::end(kWanderPeriods), e.b) != std::end(kWanderPeriods);
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
// around the cursor: with that box this near, a line steeper than the box is
// wide, so the doll walks up or down, never straight at the cursor.
TEST(DollMotion, WanderWalksWhileTheCursorStaysStillAndNeverStraightAtIt)
{
    Doll d("[SETTEI]\r\nCHASE=2\r\n");
    const POINT cursor = { ScreenW() / 2 + 300, ScreenH() / 2 };
    ASSERT_TRUE(d.Start(cursor));

    // The walk towards a target chosen with the doll put back in the middle,
    // from the first step (it may first leave rest) for thirty ticks of
    // timer 1, or until it arrives. Until the target is chosen the doll
    // takes a step or two at most: the step of the restart and one tick of
    // timer 1, armed together with timer 2. A target near the doll gives too
    // short a walk to tell: then another is chosen.
    std::vector<DollEvent> events;
    std::vector<TickWork> walk;
    for (int attempt = 0; attempt < 20 && walk.size() < 10; ++attempt) {
        ::SetWindowPos(d.doll, nullptr, ScreenW() / 2 - 16, ScreenH() / 2 - 16, 0, 0,
                       SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        events = d.NewTarget(33);
        EXPECT_TRUE(ArmsAWanderPeriod(events)) << Describe(events);
        std::vector<TickWork> ticks = Ticks(events);
        walk.clear();
        for (size_t i = 0; i < ticks.size() && i < 33; ++i) {
            if (ticks[i].moves.empty() && !walk.empty())
                break;
            if (!ticks[i].moves.empty())
                walk.push_back(ticks[i]);
        }
    }
    SCOPED_TRACE(Describe(events, 200));
    ASSERT_GE(walk.size(), 10u) << "no target away from the doll in 20 draws";

    POINT at = walk[0].moves[0];
    int dirX = 0, dirY = 0;
    for (size_t i = 0; i < walk.size(); ++i) {
        const TickWork& t = walk[i];
        ASSERT_EQ(t.moves.size(), 1u);
        // The walking frames of the way it goes: 0 and 1 down, 2 and 3 up.
        for (int f : t.frames)
            EXPECT_TRUE(f == 0 || f == 1 || f == 2 || f == 3) << "step " << i << " draws " << f;
        // The cursor never near the doll's centre.
        POINT now = t.moves[0];
        EXPECT_FALSE(abs(cursor.x - (now.x + 16)) < NearX() && abs(cursor.y - (now.y + 16)) < NearY())
            << "step " << i;
        if (i == 0)
            continue;
        // Up or down one pixel at every step, sideways one pixel or none,
        // always the same way: towards one target.
        int dx = now.x - at.x, dy = now.y - at.y;
        at = now;
        EXPECT_EQ(abs(dy), 1) << "step " << i << " goes " << dx << "," << dy;
        EXPECT_LE(abs(dx), 1) << "step " << i;
        if (dirY == 0)
            dirY = dy;
        EXPECT_EQ(dy, dirY) << "step " << i;
        if (dx != 0 && dirX == 0)
            dirX = dx;
        EXPECT_TRUE(dx == 0 || dx == dirX) << "step " << i;
        for (int f : t.frames)
            EXPECT_EQ(f / 2, dy > 0 ? 0 : 1) << "step " << i << " draws " << f;
    }
    POINT now;
    ::GetCursorPos(&now);
    EXPECT_EQ(now.x, cursor.x);
    EXPECT_EQ(now.y, cursor.y);
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
    ASSERT_NE(d.in->Sync(), 0u);
    RECT rc = WindowRect(d.doll);
    // The target lies elsewhere, so it walks on the spot: both frames of
    // the walking category towards it, one at each tick, once it has left
    // rest; a target in the near box rests instead, and another is chosen.
    std::vector<DollEvent> events;
    std::vector<int> walking;
    for (int attempt = 0; attempt < 20 && walking.size() < 6; ++attempt) {
        events = d.NewTarget(10);
        EXPECT_TRUE(ArmsAWanderPeriod(events)) << Describe(events);
        std::vector<TickWork> ticks = Ticks(events);
        walking.clear();
        for (size_t i = 0; i < ticks.size() && i < 10; ++i) {
            if (ticks[i].frames.empty())
                break;  // resting on its last frame
            ASSERT_EQ(ticks[i].frames.size(), 1u) << "tick " << i << ": " << Describe(events);
            int f = ticks[i].frames[0];
            if (IsWalking(f))
                walking.push_back(f);
            else
                EXPECT_TRUE(walking.empty()) << "rest frame " << f << " after walking ones";
        }
    }
    SCOPED_TRACE(Describe(events, 200));
    ASSERT_GE(walking.size(), 6u) << "no target away from the doll in 20 draws";
    for (size_t i = 1; i < walking.size(); ++i) {
        EXPECT_EQ(walking[i] / 2, walking[0] / 2) << Text(walking);
        EXPECT_NE(walking[i], walking[i - 1]) << Text(walking);
    }
    for (const DollEvent& e : events)
        EXPECT_NE(e.kind, EV_MOVED) << "moved with the cursor on it";
    RECT now = WindowRect(d.doll);
    EXPECT_EQ(now.left, rc.left);
    EXPECT_EQ(now.top, rc.top);
}
