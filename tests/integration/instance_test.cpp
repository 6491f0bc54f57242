// One doll per folder: a second start wakes the running doll and leaves the
// folder's files alone; dolls of different folders run side by side.
#include <windows.h>
#include <shellapi.h>

#include <gtest/gtest.h>

#include "app/instance.h"
#include "harness/Harness.h"
#include "resource.h"

using namespace harness;

TEST(InstanceName, FoldsLetterCaseAndSlashesButNotDoubleByteCharacters)
{
    EXPECT_STREQ(InstanceObjectName("C:\\Apps\\Kelmora\\"), InstanceObjectName("c:/apps/KELMORA/"));
    EXPECT_STRNE(InstanceObjectName("C:\\Apps\\A\\"), InstanceObjectName("C:\\Apps\\B\\"));
    // 0x81 0x41 and 0x81 0x61 are two different GBK characters.
    EXPECT_STRNE(InstanceObjectName("C:\\\x81\x41\\"), InstanceObjectName("C:\\\x81\x61\\"));
    CString name = InstanceObjectName("C:\\x\\");
    EXPECT_EQ(name.Find('\\', 6), -1) << "no backslash after the namespace prefix";
}

TEST(Instance, SecondStartWakesTheRunningDollAndTouchesNoFile)
{
    const std::string settings = "[SETTEI]\r\nZJIKU=1\r\nMINE=kept until the first doll exits\r\n";
    Installed run(settings);
    const TempDir& dir = run.dir;
    Program& first = run.program;
    ASSERT_TRUE(first.Start());
    HWND doll = first.Doll();
    ::PostMessageA(doll, WM_COMMAND, ID_DOLL_TRAY, 0);  // "托盘": hidden to the tray
    ASSERT_TRUE(WaitFor([&] { return !::IsWindowVisible(doll); }, 3000));

    Program second(dir.Path());
    DWORD start = ::GetTickCount();
    EXPECT_FALSE(second.Start()) << "the second start made a doll of its own";
    ASSERT_TRUE(second.WaitExit(5000));
    printf("second start ended after %lu ms\n", ::GetTickCount() - start);
    EXPECT_EQ(second.ExitCode(), 0u);

    EXPECT_TRUE(WaitFor([&] { return ::IsWindowVisible(doll) != FALSE; }, 3000)) << "the hidden doll did not come back";
    EXPECT_TRUE(first.Running());
    EXPECT_EQ(ReadFile(dir / "zel.ini"), settings);
    EXPECT_FALSE(FileExists(dir / "search.txt"));

    ASSERT_TRUE(first.Close());
    std::vector<std::string> keys = IniSection(dir / "zel.ini", "SETTEI");
    ASSERT_EQ(keys.size(), 5u);
    EXPECT_EQ(keys[3], "ZJIKU=1");
}

TEST(Instance, DollsOfTwoFoldersRunSideBySide)
{
    Installed a, b;
    ASSERT_TRUE(a.program.Start());
    ASSERT_TRUE(b.program.Start());
    EXPECT_NE(a.program.Doll(), b.program.Doll());
    EXPECT_TRUE(a.program.Running());
    EXPECT_TRUE(b.program.Running());
    EXPECT_TRUE(a.program.Close());
    EXPECT_TRUE(b.program.Close());
    EXPECT_TRUE(FileExists(a.dir / "zel.ini"));
    EXPECT_TRUE(FileExists(b.dir / "zel.ini"));
}

TEST(Instance, ACrashedDollLeavesNothingStaleBehind)
{
    Installed run;
    {
        Program crashed(run.dir.Path());
        ASSERT_TRUE(crashed.Start());
        // Leaving the scope kills the process without its teardown.
    }
    EXPECT_TRUE(run.program.Start());
    EXPECT_TRUE(run.program.Close());
}

namespace {
// Whether the doll's tray icon exists: the shell modifies only icons it has.
bool TrayIconExists(HWND doll)
{
    NOTIFYICONDATAA nid = {};
    nid.cbSize = NOTIFYICONDATAA_V1_SIZE;
    nid.hWnd = doll;
    nid.uID = 1;
    return ::Shell_NotifyIconA(NIM_MODIFY, &nid) != FALSE;
}
}  // namespace

// Explorer restarting loses every tray icon; the doll adds its own again
// when the shell announces itself.
TEST(Instance, TrayIconComesBackWhenTheShellAnnouncesItself)
{
    Installed run;
    Program& program = run.program;
    ASSERT_TRUE(program.Start());
    HWND doll = program.Doll();
    ASSERT_TRUE(WaitFor([&] { return TrayIconExists(doll); }, 3000));

    NOTIFYICONDATAA nid = {};
    nid.cbSize = NOTIFYICONDATAA_V1_SIZE;
    nid.hWnd = doll;
    nid.uID = 1;
    ASSERT_TRUE(::Shell_NotifyIconA(NIM_DELETE, &nid));
    ASSERT_FALSE(TrayIconExists(doll));

    ::SendMessageA(doll, ::RegisterWindowMessageA("TaskbarCreated"), 0, 0);
    EXPECT_TRUE(TrayIconExists(doll));
    EXPECT_TRUE(program.Close());
}
