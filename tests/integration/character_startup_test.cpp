// The real program choosing its character at start-up: a selected plug-in
// from its imagedlls folder, or the built-in character when the plug-in is
// absent, does not load or has nothing to show; the selection survives.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "doll/DollDlg.h"
#include "harness/Harness.h"
#include "kelmora_ui.h"

using namespace harness;

namespace {

SIZE WindowSize(HWND hWnd)
{
    RECT rc;
    ::GetWindowRect(hWnd, &rc);
    SIZE size = { rc.right - rc.left, rc.bottom - rc.top };
    return size;
}

std::string Selected(const std::string& name)
{
    return "[SETTEI]\r\nSELECTEDDOLLNAME=" + name + "\r\n";
}

}  // namespace

TEST(CharacterStartup, ASelectedSamplePluginIsShown)
{
    struct Case {
        const char* name;
        int size;
    };
    for (const Case& c : { Case{ "cat", 32 }, Case{ "nimbus", 64 } }) {
        SCOPED_TRACE(c.name);
        TempDir dir;
        Program::Install(dir.Path(), true);
        WriteFile(dir / "zel.ini", Selected(c.name));
        Program program(dir.Path());
        ASSERT_TRUE(program.Start());
        SIZE size = WindowSize(program.Doll());
        EXPECT_EQ(size.cx, c.size);
        EXPECT_EQ(size.cy, c.size);
        // The doll animates from the first tick on: any of its frames will do,
        // but only its own.
        int frame = -1;
        EXPECT_TRUE(ui::ShowsFrameOf(program.Doll(), dir / ("imagedlls\\" + std::string(c.name) + ".dll"), &frame));
        ASSERT_TRUE(program.Close());
        std::vector<std::string> keys = IniSection(dir / "zel.ini", "SETTEI");
        ASSERT_GE(keys.size(), 3u);
        EXPECT_EQ(keys[2], "SELECTEDDOLLNAME=" + std::string(c.name));
    }
}

TEST(CharacterStartup, AnAbsentBrokenOrEmptyPluginGivesTheBuiltInCharacter)
{
    TempDir dir;
    Program::Install(dir.Path(), true);
    // A file that is no DLL, and a plug-in whose shown categories are empty.
    WriteFile(dir / "imagedlls\\broken.dll", "not a library");
    CopyFileOrFail(TestDataDir() + "imagedlls\\t_zero.dll", dir / "imagedlls\\t_zero.dll");
    for (const char* name : { "absent", "broken", "t_zero" }) {
        SCOPED_TRACE(name);
        WriteFile(dir / "zel.ini", Selected(name));
        Program program(dir.Path());
        ASSERT_TRUE(program.Start());
        // The built-in character is 32 x 32 and none of the sample cat's frames.
        SIZE size = WindowSize(program.Doll());
        EXPECT_EQ(size.cx, 32);
        EXPECT_EQ(size.cy, 32);
        int frame = -1;
        EXPECT_FALSE(ui::ShowsFrameOf(program.Doll(), dir / "imagedlls\\cat.dll", &frame)) << frame;
        HRGN rgn = ::CreateRectRgn(0, 0, 0, 0);
        EXPECT_NE(::GetWindowRgn(program.Doll(), rgn), ERROR);
        ::DeleteObject(rgn);
        ASSERT_TRUE(program.Close());
        std::vector<std::string> keys = IniSection(dir / "zel.ini", "SETTEI");
        ASSERT_GE(keys.size(), 3u);
        EXPECT_EQ(keys[2], "SELECTEDDOLLNAME=" + std::string(name));
    }
}
