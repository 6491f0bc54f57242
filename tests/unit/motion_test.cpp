// The doll's motion decisions: step and near box, the category choice, the
// rest counter, the frame index, the wander target and its period.
#include <gtest/gtest.h>

#include <vector>

#include "doll/motion.h"

namespace {
const RECT kWindow = { 100, 100, 132, 132 };  // centre (116, 116)
const int kW = 1500, kH = 1500;               // near distances 100, 100
}  // namespace

TEST(Motion, StepTowardsTheTargetStopsInsideTheNearDistances)
{
    struct Case {
        POINT target;
        int step, dx, dy;
        bool reached;
    } cases[] = {
        { { 1000, 1000 }, 0, 1, 1, false },  // step 0 is read as 1
        { { 16, 116 }, 2, -2, 0, false },     // exactly cx - sx walks
        { { 17, 116 }, 2, 0, 0, true },       // one inside is reached
        { { 216, 215 }, 3, 3, 0, false },
        { { 215, 16 }, 3, 0, -3, false },
        { { 116, 116 }, 1, 0, 0, true },
    };
    for (const Case& c : cases) {
        MotionStep s = ComputeStep(kWindow, c.target, kW, kH, c.step);
        EXPECT_EQ(s.cx, 116);
        EXPECT_EQ(s.sx, 100);
        EXPECT_EQ(s.dx, c.dx) << c.target.x << "," << c.target.y;
        EXPECT_EQ(s.dy, c.dy) << c.target.x << "," << c.target.y;
        EXPECT_EQ(s.reached, c.reached) << c.target.x << "," << c.target.y;
    }
    // Odd sizes: integer halves and fifteenths truncate.
    RECT odd = { 0, 0, 33, 33 };
    MotionStep s = ComputeStep(odd, POINT{ 0, 0 }, 1024, 768, 1);
    EXPECT_EQ(s.cx, 16);
    EXPECT_EQ(s.sx, 68);
    EXPECT_EQ(s.sy, 51);
}

TEST(Motion, CursorNearIsStrictlyInsideTheBox)
{
    MotionStep s = ComputeStep(kWindow, POINT{ 0, 0 }, kW, kH, 1);
    EXPECT_TRUE(CursorNear(POINT{ 116, 116 }, s));
    EXPECT_TRUE(CursorNear(POINT{ 17, 215 }, s));
    EXPECT_FALSE(CursorNear(POINT{ 16, 116 }, s));
    EXPECT_FALSE(CursorNear(POINT{ 116, 216 }, s));
}

TEST(Motion, CategoryByDirectionWithDiagonalsResting)
{
    struct Case {
        int ddx, ddy, code;
    } cases[] = {
        { 0, 10, ANIM_DOWN },  { 9, 10, ANIM_DOWN },   { -9, 10, ANIM_DOWN },
        { 0, -10, ANIM_UP },   { 9, -10, ANIM_UP },    { -10, 0, ANIM_LEFT },
        { -10, 9, ANIM_LEFT }, { 10, 0, ANIM_RIGHT },  { 10, -9, ANIM_RIGHT },
        { 10, 10, ANIM_REST }, { -10, 10, ANIM_REST }, { 10, -10, ANIM_REST },
        { -10, -10, ANIM_REST }, { 0, 0, ANIM_REST },
    };
    for (const Case& c : cases)
        EXPECT_EQ(ChooseCategory(0, c.ddx, c.ddy), c.code) << c.ddx << "," << c.ddy;
    EXPECT_EQ(ChooseCategory(1, 0, 10), ANIM_REST);
}

TEST(Motion, RestCounterNeverBelowZero)
{
    EXPECT_EQ(NextRestCount(0, false), 0);
    EXPECT_EQ(NextRestCount(0, true), 1);
    EXPECT_EQ(NextRestCount(3, false), 2);
}

namespace {
struct Anim {
    int pos[6] = {};
    int count[6] = { 2, 2, 2, 2, 3, 0 };
    int interval[6] = { 100, 110, 120, 130, 300, 0 };
    int rest = 0;
    FrameChoice Select(int code) { return SelectFrameIndex(code, pos, count, interval, &rest, 30); }
};
}  // namespace

TEST(Motion, WalkingCategoriesCycleAndResumeWhereTheyStopped)
{
    Anim a;
    std::vector<int> frames;
    for (int i = 0; i < 3; ++i)
        frames.push_back(a.Select(ANIM_LEFT).frame);
    EXPECT_EQ(frames, (std::vector<int>{ 4, 5, 4 }));
    EXPECT_EQ(a.Select(ANIM_UP).frame, 2);
    EXPECT_EQ(a.Select(ANIM_LEFT).frame, 5);
    EXPECT_EQ(a.Select(ANIM_RIGHT).interval, 130);
}

TEST(Motion, RestFramesFollowTheCounterAndCapIt)
{
    Anim a;
    std::vector<int> frames;
    for (int rest : { 1, 2, 3, 4, 5 }) {
        a.rest = rest;
        frames.push_back(a.Select(ANIM_REST).frame);
    }
    EXPECT_EQ(frames, (std::vector<int>{ 8, 9, 10, 10, 10 }));
    EXPECT_EQ(a.rest, 3);  // capped at the number of rest frames
    EXPECT_EQ(a.Select(ANIM_REST).interval, 300);
    a.rest = 0;  // a diagonal while walking shows the first rest frame
    EXPECT_EQ(a.Select(ANIM_REST).frame, 8);
    a.pos[4] = 2;
    a.Select(ANIM_DOWN);
    EXPECT_EQ(a.pos[4], 0);  // walking resets the rest position
}

TEST(Motion, EmptyCategoriesAndCountsBeyondTheTableStayInside)
{
    Anim a;
    a.count[1] = 0;  // no up frames: the first left frame shows
    EXPECT_EQ(a.Select(ANIM_UP).frame, 2);
    Anim noRest;
    noRest.count[4] = 0;
    noRest.rest = 1;
    EXPECT_EQ(noRest.Select(ANIM_REST).frame, 7);  // last frame of category 3
    EXPECT_EQ(noRest.rest, 0);
    Anim none;
    for (int& c : none.count)
        c = 0;
    none.rest = 1;
    EXPECT_EQ(none.Select(ANIM_REST).frame, 0);
    EXPECT_EQ(none.Select(ANIM_DOWN).frame, 0);
    Anim huge;
    huge.count[0] = 40;
    huge.pos[0] = 35;
    EXPECT_EQ(huge.Select(ANIM_DOWN).frame, 29);
}

TEST(Motion, WanderCandidateRejectedWhenTheLineCrossesTheCursorBox)
{
    RECT box = { 400, 400, 600, 600 };
    EXPECT_FALSE(WanderCandidateAccepted(100, 100, 100, 900, box));  // vertical line: x equals cx
    EXPECT_FALSE(WanderCandidateAccepted(100, 500, 900, 500, box));  // straight through
    EXPECT_TRUE(WanderCandidateAccepted(100, 100, 900, 100, box));   // passes above
    // Behind the doll still counts: the whole line, not the segment.
    EXPECT_FALSE(WanderCandidateAccepted(300, 500, 200, 500, box));
    // The intercept is an integer division: (cx*y - x*cy)/(cx - x) = (10*0 - 13*10)/(-3) = 43.
    RECT thin = { 0, 43, 1, 43 };
    EXPECT_FALSE(WanderCandidateAccepted(10, 10, 13, 0, thin));
}

TEST(Motion, WanderTargetTakesTheFirstAcceptedOrTheLastTried)
{
    std::vector<int> script = { 500, 500, 150, 0 };  // first crosses the box, second climbs past it
    size_t next = 0;
    auto rnd = [&] { return script[next++ % script.size()]; };
    POINT p = ChooseWanderTarget(100, 500, POINT{ 500, 500 }, 1000, 1000, rnd);
    EXPECT_EQ(p.x, 150);
    EXPECT_EQ(p.y, 0);
    EXPECT_EQ(next, 4u);

    int calls = 0;
    auto always = [&] { ++calls; return 100; };  // x == cx every time
    p = ChooseWanderTarget(100, 500, POINT{ 500, 500 }, 1000, 1000, always);
    EXPECT_EQ(calls, 200);
    EXPECT_EQ(p.x, 100);
}

// The choice a wandering doll makes, draw by draw, on a 1280 x 1024 screen
// from its centre (640, 512): candidates are the draws modulo the screen's
// width and height, x then y; the cursor box is 426 x 340 around the cursor.
TEST(Motion, WanderTargetKeepsItsLineClearOfTheCursorBox)
{
    struct Case {
        const char* what;
        POINT cursor;
        std::vector<int> draws;
        POINT target;
        size_t used;
    } cases[] = {
        // Box 727..1153 x 342..682. Straight at the cursor, then a flat line
        // through the box's left side: both rejected; a steep one above it
        // is taken. The draws beyond the screen wrap.
        { "cursor to the right", { 940, 512 }, { 2280, 1536, 100, 600, 700, 1124, 5, 5 }, { 700, 100 }, 6 },
        // Box 427..853 x 342..682 around the doll itself: a flat line crosses
        // it, a steep one passes above and below it.
        { "cursor on the doll", { 640, 512 }, { 1200, 600, 600, 1000, 5, 5 }, { 600, 1000 }, 4 },
    };
    for (const Case& c : cases) {
        size_t next = 0;
        auto rnd = [&] { return c.draws[next++ % c.draws.size()]; };
        POINT p = ChooseWanderTarget(640, 512, c.cursor, 1280, 1024, rnd);
        EXPECT_EQ(p.x, c.target.x) << c.what;
        EXPECT_EQ(p.y, c.target.y) << c.what;
        EXPECT_EQ(next, c.used) << c.what;
    }
}

TEST(Motion, WanderPeriodIsEightToSeventeenSeconds)
{
    for (int r = 0; r < 1000; ++r) {
        int p = WanderPeriod(r);
        EXPECT_GE(p, 8000);
        EXPECT_LE(p, 17000);
        EXPECT_EQ(p % 1000, 0);
    }
    EXPECT_EQ(WanderPeriod(32767), 15000);
}

// At another scale the near distances grow with it and the step too, spread
// over the ticks in whole pixels so that the doll keeps its speed: step 1 at
// 120 DPI walks 1, 1, 1, 2, and any step adds up to step x DPI / 96 pixels
// over 96 ticks, never more than a pixel ahead or behind on the way.
TEST(Motion, AtADisplayScaleTheNearDistancesAndTheStepGrow)
{
    MotionStep s = ComputeStep(kWindow, POINT{ 1000, 1000 }, kW, kH, 2, 144, 0);
    EXPECT_EQ(s.sx, 150);
    EXPECT_EQ(s.sy, 150);
    EXPECT_EQ(s.dx, 3);
    EXPECT_EQ(s.dy, 3);
    // 120 to the right: walks at 96 DPI, near enough at 144.
    EXPECT_FALSE(ComputeStep(kWindow, POINT{ 236, 116 }, kW, kH, 2, 96, 0).reached);
    EXPECT_TRUE(ComputeStep(kWindow, POINT{ 236, 116 }, kW, kH, 2, 144, 0).reached);

    const int at120[] = { 1, 1, 1, 2, 1, 1, 1, 2 };
    for (unsigned i = 0; i < 8; ++i)
        EXPECT_EQ(StepLength(0, 120, i), at120[i]) << i;
    for (int step : { 0, 1, 2, 3, 7 })
        for (UINT dpi : { 96u, 120u, 144u, 168u, 192u }) {
            long long exact = static_cast<long long>(step ? step : 1) * dpi;
            long long walked = 0;
            for (unsigned i = 0; i < 96; ++i) {
                walked += StepLength(step, dpi, i);
                long long due = exact * (i + 1);
                EXPECT_LE(walked * 96, due + 95) << step << " at " << dpi << ", tick " << i;
                EXPECT_GE(walked * 96, due - 95) << step << " at " << dpi << ", tick " << i;
            }
            EXPECT_EQ(walked * 96, exact * 96) << step << " at " << dpi;
            EXPECT_EQ(StepLength(step, dpi, 96 + 5), StepLength(step, dpi, 5));
        }
    for (unsigned i = 0; i < 20; ++i)
        EXPECT_EQ(StepLength(3, 96, i), 3);
}

// The wander mode's cursor box grows with the scale: a line that passes
// under the box at 96 DPI crosses the box twice as large at 192.
TEST(Motion, AtADisplayScaleTheWanderCursorBoxGrows)
{
    const RECT monitor = { 0, 0, 1000, 1000 };
    std::vector<int> script = { 900, 200, 150, 0 };
    for (UINT dpi : { 96u, 192u }) {
        size_t next = 0;
        auto rnd = [&] { return script[next++ % script.size()]; };
        POINT p = ChooseWanderTarget(100, 100, POINT{ 500, 500 }, monitor, rnd, dpi);
        EXPECT_EQ(p.x, dpi == 96 ? 900 : 150) << dpi;
        EXPECT_EQ(next, dpi == 96 ? 2u : 4u) << dpi;
    }
}
