// The doll's commands, menus, dragging and tray through the real program:
// z-order, hiding and showing, exit, a tracked menu, real mouse input.
#include <gtest/gtest.h>

#include "inside.h"
#include "kelmora_ui.h"

using namespace harness;
using namespace ui;

TEST(DollCommands, ZOrderTrayShowAndExit)
{
    Installed run;
    ASSERT_TRUE(run.program.Start());
    HWND doll = run.program.Doll();
    Inside in(doll);
    ASSERT_TRUE(in.Hooked());
    ASSERT_TRUE(::GetWindowLongA(doll, GWL_EXSTYLE) & WS_EX_TOPMOST);

    Command(doll, ID_DOLL_BOTTOM);
    EXPECT_TRUE(WaitFor([&] { return !(::GetWindowLongA(doll, GWL_EXSTYLE) & WS_EX_TOPMOST); }));
    Command(doll, ID_DOLL_TOPMOST);
    EXPECT_TRUE(WaitFor([&] { return (::GetWindowLongA(doll, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0; }));

    size_t from = in.Size();
    Command(doll, ID_DOLL_TRAY);
    ASSERT_TRUE(WaitFor([&] { return !::IsWindowVisible(doll); }));
    EXPECT_TRUE(MotionStopped(in.Events(from, in.Sync()))) << Describe(in.Events(from));
    Command(doll, ID_DOLL_SHOW);
    ASSERT_TRUE(WaitFor([&] { return ::IsWindowVisible(doll) != FALSE; }));
    EXPECT_TRUE(DollMoves(doll));

    // The tray icon's double click shows a hidden doll and restarts it.
    Command(doll, ID_DOLL_TRAY);
    ASSERT_TRUE(WaitFor([&] { return !::IsWindowVisible(doll); }));
    ::PostMessageA(doll, WM_DOLL_TRAY, 1, WM_LBUTTONDBLCLK);
    ASSERT_TRUE(WaitFor([&] { return ::IsWindowVisible(doll) != FALSE; }));
    EXPECT_TRUE(DollMoves(doll));

    Command(doll, ID_DOLL_BOTTOM);
    Command(doll, ID_DOLL_EXIT);
    ASSERT_TRUE(run.program.WaitExit(kHung));
    std::vector<std::string> keys = IniSection(run.dir / "zel.ini", "SETTEI");
    ASSERT_EQ(keys.size(), 5u);
    EXPECT_EQ(keys[3], "ZJIKU=0");
    EXPECT_EQ(IniSections(run.dir / "zel.ini"), (std::vector<std::string>{ "RECT", "SETTEI" }));
}

TEST(DollCommands, RightButtonMenuStopsTheMotionAndRestartsItWhenClosed)
{
    Installed run;
    ASSERT_TRUE(run.program.Start());
    HWND doll = run.program.Doll();
    Inside in(doll);
    ASSERT_TRUE(in.Hooked());
    ASSERT_TRUE(DollMoves(doll));
    size_t from = in.Size();
    ::PostMessageA(doll, WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(5, 5));
    HWND menu = Menu(run.program.Pid());
    ASSERT_NE(menu, nullptr);
    EXPECT_TRUE(MotionStopped(in.Events(from, in.Sync()))) << Describe(in.Events(from));
    Key(doll, VK_ESCAPE);
    ASSERT_TRUE(WaitFor([&] { return !FindProcessWindow(run.program.Pid(), "#32768", nullptr); }));
    EXPECT_TRUE(DollMoves(doll));

    // The tray icon's right button: the same menu, chosen with the keyboard
    // (keys posted right behind it, taken by the menu before any mouse
    // message its showing brings): the first item opens the search box,
    // which keeps the doll still.
    HWND box = run.program.SearchBox();
    ASSERT_NE(box, nullptr);
    from = in.Size();
    ::PostMessageA(doll, WM_DOLL_TRAY, 1, WM_RBUTTONDOWN);
    Key(doll, VK_DOWN);
    Key(doll, VK_RETURN);
    ASSERT_TRUE(WaitFor([&] { return ::IsWindowVisible(box) != FALSE; }));
    EXPECT_TRUE(MotionStopped(in.Events(from, in.Sync()))) << Describe(in.Events(from));
    ASSERT_TRUE(run.program.Close());
}

TEST(DollCommands, DoubleClickTogglesTheBoxAndHistoryCommandsEditTheList)
{
    Installed run;
    WriteFile(run.dir / "search.txt", "one\r\ntwo\r\nthree\r\nfour\r\n");
    ASSERT_TRUE(run.program.Start());
    HWND doll = run.program.Doll();
    HWND box = run.program.SearchBox();
    ASSERT_NE(box, nullptr);
    EXPECT_FALSE(::IsWindowVisible(box));
    Inside in(doll);
    ASSERT_TRUE(in.Hooked());
    size_t from = in.Size();
    ::PostMessageA(doll, WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(5, 5));
    ASSERT_TRUE(WaitFor([&] { return ::IsWindowVisible(box) != FALSE; }));
    EXPECT_TRUE(MotionStopped(in.Events(from, in.Sync()))) << Describe(in.Events(from));
    ::PostMessageA(doll, WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(5, 5));
    ASSERT_TRUE(WaitFor([&] { return !::IsWindowVisible(box); }));
    EXPECT_TRUE(DollMoves(doll));

    HWND combo = ::GetDlgItem(box, IDC_HISTORY);
    ASSERT_EQ(ComboCount(combo), 4);
    Command(doll, ID_HISTORY_FIRST + 2);
    ASSERT_TRUE(WaitFor([&] { return ComboCount(combo) == 3; }));
    EXPECT_EQ(ComboAt(combo, 0), "one");
    EXPECT_EQ(ComboAt(combo, 1), "two");
    EXPECT_EQ(ComboAt(combo, 2), "four");
    ::PostMessageA(doll, WM_SYSCOMMAND, ID_DOLL_CLEARHIST | 0x000F, 0);
    ASSERT_TRUE(WaitFor([&] { return ComboCount(combo) == 0; }));
    ASSERT_TRUE(run.program.Close());
    EXPECT_EQ(ReadFile(run.dir / "search.txt"), "");
}

TEST(DollCommands, DraggingKeepsTheGrabbedPointUnderTheCursor)
{
    Installed run;
    ASSERT_TRUE(run.program.Start());
    HWND doll = run.program.Doll();
    Inside in(doll);
    ASSERT_TRUE(in.Hooked());
    RECT rc = WindowRect(doll);
    // Grab near the centre: the cursor is then near and, once the program
    // has read it there, the doll does not walk. A tick may take the other
    // timer's reading of a moment before, never twice in a row: the second
    // tick of timer 1 after the move has read it.
    ::SetCursorPos(rc.left + 14, rc.top + 18);
    ASSERT_TRUE(in.WaitTicks(in.Size(), 2));
    rc = WindowRect(doll);
    POINT grab = { rc.left + 14, rc.top + 18 };
    ::SetCursorPos(grab.x, grab.y);
    ::mouse_event(MOUSEEVENTF_LEFTDOWN, 0, 0, 0, 0);
    ASSERT_TRUE(WaitFor([&] { return Capture(doll) == doll; })) << "the press did not start a drag";
    for (int i = 1; i <= 20; ++i)
        EXPECT_TRUE(DragTo(doll, POINT{ grab.x + 7 * i, grab.y + 5 * i },
                           POINT{ grab.x + 7 * i - 14, grab.y + 5 * i - 18 })) << "step " << i;
    RECT moved = WindowRect(doll);
    ::mouse_event(MOUSEEVENTF_LEFTUP, 0, 0, 0, 0);
    EXPECT_TRUE(WaitFor([&] { return Capture(doll) == nullptr; })) << "the release did not end the drag";
    EXPECT_EQ(moved.left, grab.x + 140 - 14);
    EXPECT_EQ(moved.top, grab.y + 100 - 18);
    // Dropped with the cursor on it: it stays where it was put, three ticks
    // of its motion later.
    size_t from = in.Sync();
    ASSERT_TRUE(in.WaitTicks(from, 3));
    std::vector<DollEvent> events = in.Events(from, in.Sync());
    for (const DollEvent& e : events)
        EXPECT_NE(e.kind, EV_MOVED) << Describe(events);
    EXPECT_EQ(WindowRect(doll).left, moved.left);
    EXPECT_EQ(WindowRect(doll).top, moved.top);
    ASSERT_TRUE(run.program.Close());
}

TEST(DollCommands, EndingTheSessionWritesEverythingInExitOrder)
{
    Installed run;
    ASSERT_TRUE(run.program.Start());
    HWND doll = run.program.Doll();
    HWND box = run.program.SearchBox();
    ASSERT_TRUE(OpenBox(doll, box));
    ::SendMessageA(::GetDlgItem(box, IDC_HISTORY), WM_SETTEXT, 0, reinterpret_cast<LPARAM>("word"));
    ::PostMessageA(box, WM_COMMAND, MAKEWPARAM(IDC_SEARCH_NEWWINDOW, BN_CLICKED), 0);
    // The new browser window it starts is ended at once.
    EXPECT_TRUE(WaitFor([&] { return !ChildCommandLine(run.program.Pid(), "iexplore.exe").empty(); }, kHung));
    ::SendMessageA(doll, WM_QUERYENDSESSION, 0, 0);
    ::SendMessageA(doll, WM_ENDSESSION, TRUE, 0);
    EXPECT_EQ(ReadFile(run.dir / "search.txt"), "word\r\n");
    EXPECT_EQ(IniSections(run.dir / "搜索URL.ini").size(), 4u);
    EXPECT_EQ(IniSections(run.dir / "zel.ini"), (std::vector<std::string>{ "RECT", "SETTEI" }));
    EXPECT_TRUE(run.program.Running());
    ASSERT_TRUE(run.program.Close());
}
