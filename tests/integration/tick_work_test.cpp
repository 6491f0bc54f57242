// What a motion tick asks of the window, seen from inside the program's GUI
// thread by a hook that only counts: one paint per frame change, a new
// region only for a new shape, a z-order call only when the doll is out of
// its place, and the place regained after other windows or a drag moved it.
#include <gtest/gtest.h>
#include <string.h>

#include <memory>
#include <set>
#include <string>

#include "kelmora_ui.h"
#include "message_counts.h"

using namespace harness;

namespace {

// Hooks the doll window's thread with kelmora-msgcount.dll and reads what it
// counted.
class Counted {
public:
    explicit Counted(HWND doll)
    {
        m_mapping = ::CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, sizeof(MessageCounts),
                                         KELMORA_MESSAGE_COUNTS);
        m_counts = m_mapping ? static_cast<MessageCounts*>(
                                   ::MapViewOfFile(m_mapping, FILE_MAP_WRITE, 0, 0, sizeof(MessageCounts)))
                             : nullptr;
        if (m_counts) {
            memset(m_counts, 0, sizeof *m_counts);
            m_counts->window = doll;
        }
        m_dll = ::LoadLibraryA(KELMORA_MSGCOUNT_DLL);
        DWORD thread = ::GetWindowThreadProcessId(doll, nullptr);
        if (m_dll) {
            m_sent = ::SetWindowsHookExA(
                WH_CALLWNDPROC, reinterpret_cast<HOOKPROC>(reinterpret_cast<void*>(::GetProcAddress(m_dll, "CountSent"))),
                m_dll, thread);
            m_retrieved = ::SetWindowsHookExA(
                WH_GETMESSAGE,
                reinterpret_cast<HOOKPROC>(reinterpret_cast<void*>(::GetProcAddress(m_dll, "CountRetrieved"))), m_dll,
                thread);
        }
    }
    Counted(const Counted&) = delete;
    Counted& operator=(const Counted&) = delete;
    ~Counted()
    {
        if (m_sent)
            ::UnhookWindowsHookEx(m_sent);
        if (m_retrieved)
            ::UnhookWindowsHookEx(m_retrieved);
        if (m_counts)
            ::UnmapViewOfFile(m_counts);
        if (m_mapping)
            ::CloseHandle(m_mapping);
        if (m_dll)
            ::FreeLibrary(m_dll);
    }

    bool Hooked() const { return m_counts && m_sent && m_retrieved; }
    MessageCounts Now() const { return *m_counts; }

    // What was counted over the next n motion ticks.
    MessageCounts Over(LONG n, DWORD timeoutMs = 20000) const
    {
        MessageCounts a = Now();
        WaitFor([&] { return m_counts->ticks >= a.ticks + n; }, timeoutMs);
        MessageCounts b = Now();
        MessageCounts d = {};
        d.window = b.window;
        d.ticks = b.ticks - a.ticks;
        d.erases = b.erases - a.erases;
        d.paints = b.paints - a.paints;
        d.reshapes = b.reshapes - a.reshapes;
        d.restacks = b.restacks - a.restacks;
        d.moves = b.moves - a.moves;
        d.targets = b.targets - a.targets;
        d.paired = b.paired - a.paired;
        return d;
    }

private:
    HANDLE m_mapping = nullptr;
    MessageCounts* m_counts = nullptr;
    HMODULE m_dll = nullptr;
    HHOOK m_sent = nullptr;
    HHOOK m_retrieved = nullptr;
};

POINT Centre(HWND hWnd)
{
    RECT rc = ui::WindowRect(hWnd);
    return POINT{ rc.left + (rc.right - rc.left) / 2, rc.top + (rc.bottom - rc.top) / 2 };
}

// Far below the doll: it walks down, changing its frame at every tick.
void PointBelow(HWND doll)
{
    POINT c = Centre(doll);
    ::SetCursorPos(c.x, c.y + 400);
}

// Resting on the cursor: the last rest frame, held, and no step.
bool Rests(HWND doll, const Counted& counts)
{
    POINT c = Centre(doll);
    ::SetCursorPos(c.x, c.y);
    return WaitFor([&] {
        MessageCounts d = counts.Over(6);
        return d.ticks >= 6 && d.moves == 0 && d.erases == 0;
    }, 15000);
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

HWND OpenWindow(DWORD exStyle, const RECT& at)
{
    return ::CreateWindowExA(exStyle | WS_EX_TOOLWINDOW, "STATIC", "other", WS_POPUP | WS_VISIBLE, at.left, at.top,
                             at.right - at.left, at.bottom - at.top, nullptr, nullptr, nullptr, nullptr);
}

}  // namespace

// The program started with the cursor dy below the screen's centre, the doll
// window's thread hooked.
struct HookedDoll {
    Installed d;
    HWND doll = nullptr;
    std::unique_ptr<Counted> counted;

    explicit HookedDoll(const std::string& settings = std::string()) : d(settings) {}

    bool Start(int dy)
    {
        ::SetCursorPos(::GetSystemMetrics(SM_CXSCREEN) / 2, ::GetSystemMetrics(SM_CYSCREEN) / 2 + dy);
        if (!d.program.Start())
            return false;
        doll = d.program.Doll();
        counted.reset(new Counted(doll));
        return counted->Hooked();
    }
};

TEST(TickWork, WalkingPaintsEachFrameOnceAndReshapesWithoutTouchingTheZOrder)
{
    HookedDoll walking;
    ASSERT_TRUE(walking.Start(400));
    const Counted& counts = *walking.counted;
    PointBelow(walking.doll);
    counts.Over(5);
    // Walking down alternates frames 0 and 1, of different shapes: every
    // tick moves, reshapes and paints, once each.
    MessageCounts w = counts.Over(30);
    ASSERT_GE(w.ticks, 30);
    EXPECT_NEAR(w.erases, w.ticks, 2);
    EXPECT_NEAR(w.reshapes, w.ticks, 2);
    EXPECT_NEAR(w.moves, w.ticks, 2);
    // In its place, the top-most doll makes no z-order call.
    EXPECT_EQ(w.restacks, 0);
}

TEST(TickWork, FramesOfOneShapeRepaintWithoutANewRegionAndEachPeriodHolds)
{
    HookedDoll walking("[SETTEI]\r\nSELECTEDDOLLNAME=t_sameshape\r\n");
    Installed& d = walking.d;
    d.AddPlugin(TestPlugin("t_sameshape"), "t_sameshape");
    ASSERT_TRUE(walking.Start(400));
    HWND doll = walking.doll;
    const Counted& counts = *walking.counted;
    RECT rc = ui::WindowRect(doll);
    ASSERT_EQ(rc.right - rc.left, 16);
    PointBelow(doll);
    counts.Over(5);

    // Red and green alternate on the screen under one shape.
    std::set<COLORREF> seen;
    HDC screen = ::GetDC(nullptr);
    MessageCounts w = counts.Now();
    WaitFor([&] {
        POINT c = Centre(doll);
        COLORREF px = ::GetPixel(screen, c.x, c.y);
        if (px == RGB(0xD0, 0x20, 0x20) || px == RGB(0x20, 0xA0, 0x40))
            seen.insert(px);
        return seen.size() == 2;
    }, 3000);
    ::ReleaseDC(nullptr, screen);
    EXPECT_EQ(seen.size(), 2u) << "the walking frames did not both show";
    w = counts.Over(20);
    EXPECT_NEAR(w.erases, w.ticks, 2);
    EXPECT_NEAR(w.moves, w.ticks, 2);
    EXPECT_EQ(w.reshapes, 0);
    int frame = -1;
    EXPECT_TRUE(ui::ShowsFrameOf(doll, d.Plugin("t_sameshape"), &frame));
    EXPECT_TRUE(frame == 0 || frame == 1) << frame;

    // Resting: the rest frame's own shape, and its period of 300 ms against
    // walking's 100 ms.
    DWORD walkStart = ::GetTickCount();
    counts.Over(12);
    DWORD walkMs = ::GetTickCount() - walkStart;
    ASSERT_TRUE(Rests(doll, counts));
    EXPECT_TRUE(ui::ShowsFrameOf(doll, d.Plugin("t_sameshape"), &frame));
    EXPECT_EQ(frame, 2);
    DWORD restStart = ::GetTickCount();
    counts.Over(12);
    DWORD restMs = ::GetTickCount() - restStart;
    EXPECT_GT(restMs, walkMs * 3 / 2) << "12 ticks walking took " << walkMs << " ms, resting " << restMs << " ms";
}

// Timers 1 and 2 run with the same period in chase mode: armed together,
// they come due together, walking, resting and after the motion was stopped
// and restarted, and each still ticks once per period.
TEST(TickWork, TheTargetUpdateComesDueWithTheMotionTick)
{
    HookedDoll walking;
    ASSERT_TRUE(walking.Start(400));
    HWND doll = walking.doll;
    const Counted& counts = *walking.counted;
    PointBelow(doll);
    counts.Over(5);
    HWND box = walking.d.program.SearchBox();
    ASSERT_NE(box, nullptr);

    auto expectPaired = [&](const char* what) {
        SCOPED_TRACE(what);
        MessageCounts w = counts.Over(30);
        ASSERT_GE(w.ticks, 30);
        EXPECT_NEAR(w.targets, w.ticks, 2);
        EXPECT_GE(w.paired, w.ticks * 2 / 3) << w.paired << " of " << w.ticks;
    };
    expectPaired("walking");
    ASSERT_TRUE(Rests(doll, counts));
    expectPaired("resting");
    for (int i = 0; i < 2; ++i) {
        ::PostMessageA(doll, WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(5, 5));
        ASSERT_TRUE(WaitFor([&] { return ::IsWindowVisible(box) != FALSE; }, 5000));
        ::PostMessageA(doll, WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(5, 5));
        ASSERT_TRUE(WaitFor([&] { return !::IsWindowVisible(box); }, 5000));
    }
    PointBelow(doll);
    counts.Over(3);
    expectPaired("after the search box");
}

TEST(TickWork, ATopMostDollComesBackAboveANewTopMostWindowWalkingAndResting)
{
    HookedDoll started;
    ASSERT_TRUE(started.Start(0));
    HWND doll = started.doll;
    const Counted& counts = *started.counted;

    for (bool walking : { false, true }) {
        SCOPED_TRACE(walking ? "walking" : "resting");
        if (walking) {
            PointBelow(doll);
            counts.Over(3);
        } else {
            ASSERT_TRUE(Rests(doll, counts));
            // In its place, a resting doll calls nothing at all.
            MessageCounts still = counts.Over(20);
            EXPECT_EQ(still.restacks, 0);
            EXPECT_EQ(still.moves, 0);
            EXPECT_EQ(still.reshapes, 0);
            EXPECT_EQ(still.erases, 0);
        }
        RECT rc = ui::WindowRect(doll);
        RECT cover = { rc.left - 20, rc.top - 20, rc.right + 60, rc.bottom + 420 };
        MessageCounts before = counts.Now();
        HWND other = OpenWindow(WS_EX_TOPMOST, cover);
        ASSERT_NE(other, nullptr);
        ASSERT_TRUE(Above(other, doll));
        EXPECT_TRUE(WaitFor([&] { return Above(doll, other); }, 5000));
        EXPECT_GE(counts.Now().restacks, before.restacks + 1);
        // Back in its place, it stays there without further z-order calls.
        // While it walks, the other window comes up again now and then; the
        // doll goes back above it each time, not at every tick.
        MessageCounts after = counts.Over(10);
        if (walking)
            EXPECT_LT(after.restacks, after.ticks);
        else
            EXPECT_EQ(after.restacks, 0);
        EXPECT_TRUE(WaitFor([&] { return Above(doll, other); }, 5000));
        ::DestroyWindow(other);
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
        ASSERT_TRUE(resting.Start(0));
        HWND doll = resting.doll;
        const Counted& counts = *resting.counted;
        ASSERT_TRUE(Rests(doll, counts));

        RECT rc = ui::WindowRect(doll);
        HWND hidden = ::CreateWindowExA(WS_EX_TOOLWINDOW | (topMost ? WS_EX_TOPMOST : 0), "STATIC", "hidden", WS_POPUP,
                                        rc.left, rc.top, 40, 40, nullptr, nullptr, nullptr, nullptr);
        ASSERT_NE(hidden, nullptr);
        if (!topMost)
            ::SetWindowPos(hidden, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        ASSERT_TRUE(topMost ? Above(hidden, doll) : Above(doll, hidden));
        MessageCounts before = counts.Now();
        EXPECT_TRUE(WaitFor([&] { return topMost ? Above(doll, hidden) : Above(hidden, doll); }, 5000));
        EXPECT_GE(counts.Now().restacks, before.restacks + 1);
        if (!topMost) {
            EXPECT_EQ(::GetWindow(doll, GW_HWNDNEXT), nullptr);
        }
        MessageCounts after = counts.Over(10);
        EXPECT_EQ(after.restacks, 0);
        EXPECT_FALSE(::IsWindowVisible(hidden));
        ::DestroyWindow(hidden);
    }
}

TEST(TickWork, ABottomDollIsBackAtTheBottomAfterAWindowWentUnderItAndAfterADrag)
{
    RECT away = { 0, 0, 120, 80 };
    HWND mine = OpenWindow(0, away);
    ASSERT_NE(mine, nullptr);
    HookedDoll resting("[SETTEI]\r\nZJIKU=0\r\n");
    ASSERT_TRUE(resting.Start(0));
    HWND doll = resting.doll;
    const Counted& counts = *resting.counted;
    ASSERT_TRUE(Rests(doll, counts));
    ASSERT_TRUE(WaitFor([&] { return AtBottom(doll); }, 5000));
    MessageCounts still = counts.Over(10);
    EXPECT_EQ(still.restacks, 0);

    // Another window put under it.
    ::SetWindowPos(mine, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    ASSERT_FALSE(AtBottom(doll));
    EXPECT_TRUE(WaitFor([&] { return AtBottom(doll); }, 5000));

    // Dragged about, with the cursor near it at every tick, it ends where it
    // was let go and at the bottom still.
    RECT rc = ui::WindowRect(doll);
    POINT grab = { rc.left + (rc.right - rc.left) / 2, rc.top + (rc.bottom - rc.top) / 2 };
    ::SetCursorPos(grab.x, grab.y);
    ::mouse_event(MOUSEEVENTF_LEFTDOWN, 0, 0, 0, 0);
    ASSERT_TRUE(WaitFor([&] { return ui::Capture(doll) == doll; })) << "the press did not start a drag";
    for (int i = 1; i <= 10; ++i) {
        ::SetCursorPos(grab.x + 6 * i, grab.y + 4 * i);
        ::mouse_event(MOUSEEVENTF_MOVE, 0, 0, 0, 0);
        EXPECT_TRUE(WaitFor([&] { return ui::WindowRect(doll).left == rc.left + 6 * i; }, 2000)) << "step " << i;
    }
    ::mouse_event(MOUSEEVENTF_LEFTUP, 0, 0, 0, 0);
    EXPECT_TRUE(WaitFor([&] { return ui::Capture(doll) == nullptr; })) << "the release did not end the drag";
    EXPECT_EQ(ui::WindowRect(doll).left, rc.left + 60) << "not dragged";
    EXPECT_TRUE(WaitFor([&] { return AtBottom(doll); }, 5000));
    ::DestroyWindow(mine);
}
