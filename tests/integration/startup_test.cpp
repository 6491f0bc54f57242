// The real program under Wine: start-up, the doll window's kind, its z-order,
// the keys it ignores, and the settings file it reads and rewrites.
#include <gtest/gtest.h>
#include <stdio.h>

#include "harness/Harness.h"
#include "inside.h"

using namespace harness;

namespace {

// No visible top-level window lies below hWnd in the z-order.
bool AtBottom(HWND hWnd)
{
    for (HWND h = ::GetWindow(hWnd, GW_HWNDNEXT); h; h = ::GetWindow(h, GW_HWNDNEXT)) {
        if (::IsWindowVisible(h)) {
            char cls[64] = "", text[64] = "";
            ::GetClassNameA(h, cls, sizeof cls);
            ::GetWindowTextA(h, text, sizeof text);
            printf("visible below the doll: %s \"%s\"\n", cls, text);
            return false;
        }
    }
    return true;
}

}  // namespace

TEST(Startup, FirstRunShowsTopMostToolWindowAndWritesSettingsInOrder)
{
    Installed run;
    ASSERT_TRUE(run.program.Start());
    HWND doll = run.program.Doll();
    LONG style = ::GetWindowLongA(doll, GWL_STYLE);
    LONG exStyle = ::GetWindowLongA(doll, GWL_EXSTYLE);
    EXPECT_TRUE(style & WS_POPUP);
    EXPECT_FALSE(style & WS_CAPTION);
    EXPECT_TRUE(exStyle & WS_EX_TOOLWINDOW);
    EXPECT_TRUE(exStyle & WS_EX_TOPMOST);

    ASSERT_TRUE(run.program.Close());
    EXPECT_EQ(run.program.ExitCode(), 0u);
    std::vector<std::string> keys = IniSection(run.dir / "zel.ini", "SETTEI");
    ASSERT_EQ(keys.size(), 5u);
    EXPECT_EQ(keys[0], "RIREKION=1");
    EXPECT_EQ(keys[1], "CHASE=1");
    EXPECT_EQ(keys[2], "SELECTEDDOLLNAME=");
    EXPECT_EQ(keys[3], "ZJIKU=1");
    EXPECT_EQ(keys[4].substr(0, 10), "WINJOUTAI=");
}

// The doll comes up active, as a dialog shown by its program does, and the
// hidden search box made at start holds neither the activation nor a caret.
TEST(Startup, TheDollIsActiveAndTheHiddenBoxHasNoCaret)
{
    Installed run;
    ASSERT_TRUE(run.program.Start());
    HWND doll = run.program.Doll();
    ASSERT_NE(run.program.SearchBox(), nullptr);
    DWORD_PTR result = 0;
    ASSERT_TRUE(::SendMessageTimeoutA(doll, WM_NULL, 0, 0, SMTO_NORMAL, kHung, &result));
    GUITHREADINFO info = {};
    info.cbSize = sizeof info;
    ASSERT_TRUE(::GetGUIThreadInfo(::GetWindowThreadProcessId(doll, nullptr), &info));
    EXPECT_EQ(info.hwndActive, doll);
    EXPECT_EQ(info.hwndCaret, nullptr);
    EXPECT_TRUE(run.program.Close());
}

TEST(Startup, ZeroZjikuPutsTheDollAtTheBottom)
{
    Installed run("[SETTEI]\r\nZJIKU=0\r\n");
    // A window of ours, so there is something the doll must stay below.
    HWND mine = ::CreateWindowExA(0, "STATIC", "above", WS_POPUP | WS_VISIBLE, 0, 0, 50, 50, nullptr,
                                  nullptr, nullptr, nullptr);
    ASSERT_TRUE(run.program.Start());
    HWND doll = run.program.Doll();
    EXPECT_FALSE(::GetWindowLongA(doll, GWL_EXSTYLE) & WS_EX_TOPMOST);
    EXPECT_TRUE(WaitFor([&] { return AtBottom(doll); }, kHung));
    ::DestroyWindow(mine);
    ASSERT_TRUE(run.program.Close());
    EXPECT_EQ(IniSection(run.dir / "zel.ini", "SETTEI")[3], "ZJIKU=0");
}

TEST(Startup, EnterAndEscapeDoNotEndTheProgram)
{
    Installed run;
    ASSERT_TRUE(run.program.Start());
    HWND doll = run.program.Doll();
    ui::Inside in(doll);
    ASSERT_TRUE(in.Hooked());
    ::SetForegroundWindow(doll);
    for (WPARAM key : { VK_RETURN, VK_ESCAPE }) {
        ::PostMessageA(doll, WM_KEYDOWN, key, 1);
        ::PostMessageA(doll, WM_KEYUP, key, 0xC0000001);
    }
    // Handled, they left the program running with its doll.
    EXPECT_NE(in.Sync(), 0u);
    EXPECT_TRUE(run.program.Running());
    EXPECT_TRUE(::IsWindow(doll));
    ASSERT_TRUE(run.program.Close());
}

TEST(Settings, UnknownKeysGoUnknownSectionsStayValuesComeBackUnchanged)
{
    Installed run("[MINE]\r\nA=1\r\n[SETTEI]\r\nZJIKU=5\r\nCHASE=2\r\nRIREKION=0\r\nHANDMADE=x\r\n");
    ASSERT_TRUE(run.program.Start());
    ASSERT_TRUE(run.program.Close());
    std::vector<std::string> keys = IniSection(run.dir / "zel.ini", "SETTEI");
    ASSERT_EQ(keys.size(), 5u);
    EXPECT_EQ(keys[0], "RIREKION=0");
    EXPECT_EQ(keys[1], "CHASE=2");
    EXPECT_EQ(keys[3], "ZJIKU=5");
    EXPECT_EQ(IniSection(run.dir / "zel.ini", "MINE"), std::vector<std::string>{ "A=1" });
}

TEST(Settings, SelectedNameIsCutTo511BytesAndGbkSurvivesByteForByte)
{
    {
        Installed run("[SETTEI]\r\nSELECTEDDOLLNAME=" + std::string(600, 'n') + "\r\n");
        ASSERT_TRUE(run.program.Start());
        ASSERT_TRUE(run.program.Close());
        EXPECT_EQ(IniSection(run.dir / "zel.ini", "SETTEI")[2], "SELECTEDDOLLNAME=" + std::string(511, 'n'));
    }
    {
        const std::string gbk = "\xB2\xE2\xCA\xD4\xBD\xC7\xC9\xAB";  // 测试角色
        Installed run("[SETTEI]\r\nSELECTEDDOLLNAME=" + gbk + "\r\n");
        ASSERT_TRUE(run.program.Start());
        ASSERT_TRUE(run.program.Close());
        EXPECT_EQ(IniSection(run.dir / "zel.ini", "SETTEI")[2], "SELECTEDDOLLNAME=" + gbk);
    }
}

TEST(Settings, GarbageValuesAreReadAsThePlatformReadsThem)
{
    std::string garbage = "[SETTEI]\r\nZJIKU=abc\r\nCHASE=\r\nRIREKION=7x\r\nSELECTEDDOLLNAME=\x01\x02\xff\xfe\r\n";
    garbage += std::string("\x00\x01\x02", 3) + "\r\n";
    Installed run(garbage);
    ASSERT_TRUE(run.program.Start());
    EXPECT_FALSE(::GetWindowLongA(run.program.Doll(), GWL_EXSTYLE) & WS_EX_TOPMOST);
    ASSERT_TRUE(run.program.Close());
    std::vector<std::string> keys = IniSection(run.dir / "zel.ini", "SETTEI");
    ASSERT_GE(keys.size(), 4u);
    EXPECT_EQ(keys[0], "RIREKION=7");
    EXPECT_EQ(keys[1], "CHASE=1");
    EXPECT_EQ(keys[3], "ZJIKU=0");
}
