// Decisions about monitors: which one holds a point, where a doll goes when
// its monitor is gone, which windows are a full screen, and the box, the
// tail and the wander targets measured from the doll's monitor, where a
// monitor left of or above the main one has negative coordinates.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "doll/monitor.h"
#include "doll/motion.h"
#include "doll/placement.h"
#include "framework/Geometry.h"
#include "search/balloon.h"

namespace {
// The main monitor at (0, 0), a shorter one left of it, a wider one above.
const RECT kMain = { 0, 0, 1280, 800 };
const RECT kLeft = { -1024, 0, 0, 768 };
const RECT kAbove = { 0, -900, 1440, 0 };
const RECT kAll[] = { kMain, kLeft, kAbove };

std::string Text(const RECT& r)
{
    return std::to_string(r.left) + "," + std::to_string(r.top) + "," + std::to_string(r.right) + "," +
           std::to_string(r.bottom);
}
}  // namespace

TEST(Monitors, TheCentreOfARectangleTruncatesItsHalves)
{
    struct Case {
        RECT rc;
        POINT centre;
    } cases[] = {
        { { 0, 0, 32, 32 }, { 16, 16 } },
        { { 0, 0, 33, 33 }, { 16, 16 } },
        { { -610, 380, -578, 412 }, { -594, 396 } },
        { { -33, -33, 0, 0 }, { -17, -17 } },
        { { -1024, 0, 0, 768 }, { -512, 384 } },
    };
    for (const Case& c : cases) {
        POINT p = RectCentre(c.rc);
        EXPECT_EQ(p.x, c.centre.x) << Text(c.rc);
        EXPECT_EQ(p.y, c.centre.y) << Text(c.rc);
    }
}

TEST(Monitors, APointIsOnTheMonitorThatHoldsItElseOnTheNearest)
{
    struct Case {
        POINT pt;
        int index;
        bool holds;
    } cases[] = {
        { { -610, 380 }, 1, true },
        { { 0, 0 }, 0, true },
        { { -1, 0 }, 1, true },          // the right edge belongs to the next monitor
        { { 1279, 799 }, 0, true },
        { { 0, -1 }, 2, true },
        { { 1280, 400 }, 0, false },     // right of everything
        { { -500, 790 }, 1, false },     // below the shorter monitor: 23 from it, 500 from the main one
        { { -10, 1000 }, 0, false },     // 201 below the main one and 10 aside, 233 below the left one
        { { 2000, -2000 }, 2, false },
        { { -2000, -2000 }, 1, false },  // 976 and 2000 from the left one, 2000 and 1100 from the one above
    };
    for (const Case& c : cases) {
        bool holds = !c.holds;
        EXPECT_EQ(MonitorIndexAt(c.pt, kAll, 3, &holds), c.index) << c.pt.x << "," << c.pt.y;
        EXPECT_EQ(holds, c.holds) << c.pt.x << "," << c.pt.y;
    }
    bool holds = true;
    EXPECT_EQ(MonitorIndexAt(POINT{ 5, 5 }, kAll, 0, &holds), -1);
    EXPECT_FALSE(holds);
    // A single screen holds every window that is on it, and is nearest to all others.
    EXPECT_EQ(MonitorIndexAt(POINT{ -5000, 9000 }, kAll, 1), 0);
}

TEST(Monitors, ADollWhoseMonitorIsGoneGoesFullyOntoTheNearestOne)
{
    struct Case {
        RECT doll;
        int monitors;  // the first of kAll
        POINT at;
    } cases[] = {
        { { -610, 380, -578, 412 }, 1, { 0, 380 } },      // the left monitor switched off
        { { -610, 380, -578, 412 }, 2, { -610, 380 } },   // still shown
        { { -20, 100, 12, 132 }, 1, { 0, 100 } },         // centre just off the main monitor
        { { -10, 100, 22, 132 }, 1, { -10, 100 } },       // centre on it: the user put it there
        { { 500, 790, 532, 822 }, 1, { 500, 768 } },      // below the bottom edge
        { { -1500, 900, -1468, 932 }, 1, { 0, 768 } },    // off both edges
        { { 300, -400, 332, -368 }, 2, { 300, 0 } },      // the monitor above gone
        { { 1500, -500, 1532, -468 }, 3, { 1408, -500 } },
    };
    for (const Case& c : cases) {
        POINT at = KeepOnMonitors(c.doll, kAll, c.monitors);
        EXPECT_EQ(at.x, c.at.x) << Text(c.doll) << " on " << c.monitors;
        EXPECT_EQ(at.y, c.at.y) << Text(c.doll) << " on " << c.monitors;
    }
}

TEST(Monitors, ABoxGoesFullyOntoTheMonitorByAsLittleAsItTakes)
{
    struct Case {
        RECT box;
        POINT at;
    } cases[] = {
        { { -101, 264, 200, 380 }, { 0, 264 } },
        { { 1200, 700, 1500, 816 }, { 980, 684 } },
        { { 10, 10, 310, 126 }, { 10, 10 } },
        { { -400, -200, -100, -84 }, { 0, 0 } },
    };
    for (const Case& c : cases) {
        POINT at = MoveOnto(c.box, kMain);
        EXPECT_EQ(at.x, c.at.x) << Text(c.box);
        EXPECT_EQ(at.y, c.at.y) << Text(c.box);
    }
}

TEST(Monitors, OnlyAWindowWithoutCaptionAndSizingBorderCoveringTheMonitorIsAFullScreen)
{
    const DWORD popup = WS_POPUP | WS_VISIBLE;
    struct Case {
        RECT window;
        DWORD style;
        RECT monitor;
        bool full;
    } cases[] = {
        { { 0, 0, 1280, 800 }, popup, kMain, true },
        { { -8, -8, 1288, 808 }, popup | WS_MAXIMIZE, kMain, true },
        { { -1024, 0, 1280, 800 }, popup, kMain, true },       // across both monitors
        { { -1024, 0, 1280, 800 }, popup, kLeft, true },
        { { 0, 0, 1280, 799 }, popup, kMain, false },          // one row short
        { { 1, 0, 1280, 800 }, popup, kMain, false },
        { { -1024, 0, 0, 768 }, popup, kMain, false },         // on the other monitor
        { { -1024, 0, 0, 768 }, popup, kLeft, true },
        { { 0, 0, 1280, 800 }, popup | WS_BORDER, kMain, true },    // a thin line is no caption
        { { 0, 0, 1280, 800 }, popup | WS_DLGFRAME, kMain, true },
        { { 0, 0, 1280, 800 }, popup | WS_CAPTION, kMain, false },
        { { -8, -8, 1288, 808 }, WS_OVERLAPPEDWINDOW | WS_VISIBLE | WS_MAXIMIZE, kMain, false },
        { { 0, 0, 1280, 800 }, popup | WS_THICKFRAME, kMain, false },
        { { 0, 0, 1280, 800 }, WS_POPUP, kMain, false },       // hidden
        { { 0, 0, 1280, 800 }, popup | WS_MINIMIZE, kMain, false },
        { { 0, -900, 1440, 0 }, popup, kAbove, true },
    };
    for (const Case& c : cases)
        EXPECT_EQ(IsFullScreenOn(c.window, static_cast<LONG>(c.style), c.monitor), c.full)
            << Text(c.window) << " style " << std::hex << c.style << " on " << Text(c.monitor);
}

TEST(Monitors, ThePlatformsFullScreenIsADirect3DProgramOrAPresentation)
{
    // The values of QUERY_USER_NOTIFICATION_STATE.
    struct Case {
        int state;
        bool full;
    } cases[] = {
        { 1, false },  // not present: a locked or switched session
        { 2, false },  // busy: a full-screen window in front, which the window check places on a monitor
        { 3, true },   // a Direct3D program in exclusive full screen
        { 4, true },   // presentation mode
        { 5, false },  // accepts notifications
        { 6, false },  // quiet time after a first sign-in
        { 7, false },  // a store app in front
    };
    for (const Case& c : cases)
        EXPECT_EQ(NotificationStateIsFullScreen(c.state), c.full) << c.state;
}

// The platform's state is one for the whole desktop (and Wine always
// reports notifications accepted): it counts for the doll's monitor only
// when the window in front is shown there.
TEST(Monitors, ThePlatformsFullScreenCountsOnlyWithTheWindowInFrontOnTheDollsMonitor)
{
    const DWORD shown = WS_OVERLAPPEDWINDOW | WS_VISIBLE;
    const int d3d = 3, presentation = 4, busy = 2, accepts = 5;
    struct Case {
        int state;
        RECT front;
        DWORD style;
        bool covers;
    } cases[] = {
        { d3d, { -1024, 0, 0, 768 }, WS_POPUP | WS_VISIBLE, false },  // the game on the other monitor
        { d3d, { -900, 100, 300, 500 }, shown, false },               // its centre on the other one
        { presentation, { -800, 100, -200, 500 }, shown, false },
        { d3d, { 100, 100, 500, 400 }, shown, true },
        { presentation, { 100, 100, 500, 400 }, shown, true },
        { d3d, { 100, 100, 500, 400 }, shown | WS_MINIMIZE, false },
        { d3d, { 100, 100, 500, 400 }, WS_OVERLAPPEDWINDOW, false },   // hidden
        { busy, { 100, 100, 500, 400 }, shown, false },
        { accepts, { 100, 100, 500, 400 }, shown, false },
        { accepts, { 0, 0, 1280, 800 }, WS_POPUP | WS_VISIBLE, true },  // a full screen whatever the state
        { accepts, { -1024, 0, 0, 768 }, WS_POPUP | WS_VISIBLE, false },
    };
    for (const Case& c : cases)
        EXPECT_EQ(FrontCovers(c.state, c.front, static_cast<LONG>(c.style), kMain), c.covers)
            << "state " << c.state << " front " << Text(c.front) << " style " << std::hex << c.style;
}

TEST(Monitors, TheBoxOpensOnTheDollsMonitorByItsEdgesAndItsMiddle)
{
    struct Case {
        RECT doll;
        int boxHeight;
        RECT monitor;
        int random;
        POINT at;
    } cases[] = {
        // Centre 396: above on the left monitor (middle 384), below on the main one (400).
        { { -610, 380, -578, 412 }, 100, kLeft, 0, { -868, 280 } },
        { { -610, 380, -578, 412 }, 100, kLeft, 247, { -621, 280 } },
        { { -610, 380, -578, 412 }, 100, kLeft, 248, { -868, 280 } },
        { { 600, 380, 632, 412 }, 100, kMain, 0, { 342, 412 } },
        // At the left monitor's left edge: 10 pixels out of it at most.
        { { -1020, 100, -988, 132 }, 100, kLeft, 0, { -1034, 132 } },
        { { -1020, 100, -988, 132 }, 100, kLeft, 3, { -1031, 132 } },
        // At its right edge, next to the main monitor.
        { { -100, 700, -68, 732 }, 100, kLeft, 67, { -291, 600 } },
        // Too tall below: up to the left monitor's bottom, not the main one's.
        { { -600, 300, -568, 332 }, 500, kLeft, 0, { -858, 268 } },
        // On the monitor above: its middle is -450, its top -900.
        { { 100, -500, 132, -468 }, 100, kAbove, 0, { -10, -468 } },
        { { 100, -440, 132, -408 }, 100, kAbove, 0, { -10, -540 } },
        { { 100, -440, 132, -408 }, 500, kAbove, 0, { -10, -900 } },
    };
    for (const Case& c : cases) {
        POINT at = PlaceSearchBox(c.doll, 300, c.boxHeight, c.monitor, c.random);
        EXPECT_EQ(at.x, c.at.x) << Text(c.doll) << " on " << Text(c.monitor) << " random " << c.random;
        EXPECT_EQ(at.y, c.at.y) << Text(c.doll) << " on " << Text(c.monitor) << " random " << c.random;
    }
}

TEST(Monitors, TheTailsSideIsChosenWithTheMiddleOfTheDollsMonitor)
{
    struct Case {
        RECT doll, box, monitor;
        bool top;
    } cases[] = {
        // Doll centre 396, box above it: the tail at the bottom.
        { { -610, 380, -578, 412 }, { -800, 280, -500, 380 }, kLeft, false },
        // Level centres: up at or below the left monitor's middle (384)...
        { { -610, 380, -578, 412 }, { -800, 346, -500, 446 }, kLeft, true },
        // ...and down above the main monitor's (400).
        { { 600, 380, 632, 412 }, { 450, 346, 750, 446 }, kMain, false },
        // On the monitor above, middle -450.
        { { 100, -440, 132, -408 }, { 0, -474, 300, -374 }, kAbove, true },
        { { 100, -500, 132, -468 }, { 0, -534, 300, -434 }, kAbove, false },
        { { 100, -500, 132, -468 }, { 0, -468, 300, -368 }, kAbove, true },
    };
    for (const Case& c : cases)
        EXPECT_EQ(ComputeBalloon(c.doll, c.box, c.monitor, 96).tailAtTop, c.top) << Text(c.doll) << " " << Text(c.box);

    // The apex at the doll's centre in the box's own coordinates.
    BalloonShape s = ComputeBalloon(RECT{ -610, 380, -578, 412 }, RECT{ -800, 280, -500, 380 }, kLeft, 96);
    EXPECT_TRUE(s.hasTail);
    EXPECT_EQ(s.tail[0].x, 206);
    EXPECT_EQ(s.tail[0].y, 100);
}

TEST(Monitors, WanderTargetsArePointsOfTheDollsMonitor)
{
    // The first candidate, accepted: its line from (-594, 396) passes the
    // cursor box (a third of the left monitor around the doll) above and
    // below it.
    std::vector<int> draws = { 100, 50 };
    size_t next = 0;
    POINT t = ChooseWanderTarget(-594, 396, POINT{ -594, 396 }, kLeft, [&] { return draws[next++ % draws.size()]; });
    EXPECT_EQ(t.x, -924);
    EXPECT_EQ(t.y, 50);

    // Whatever is drawn, the target lies on the monitor.
    unsigned seed = 12345;
    auto lcg = [&] {
        seed = seed * 1103515245u + 12345u;
        return static_cast<int>((seed >> 16) & 0x7FFF);
    };
    for (const RECT& m : kAll) {
        for (int i = 0; i < 300; ++i) {
            POINT p = ChooseWanderTarget(m.left + 40, m.top + 40, POINT{ m.left + 40, m.top + 40 }, m, lcg);
            EXPECT_TRUE(p.x >= m.left && p.x < m.right && p.y >= m.top && p.y < m.bottom)
                << p.x << "," << p.y << " off " << Text(m);
        }
    }
}
