// The real program choosing its character at start-up: a selected plug-in
// from its imagedlls folder, or the built-in character when the plug-in is
// absent, does not load or has nothing to show; the selection survives.
#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
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

namespace {

// Answers the "error message" boxes of any process from a second thread,
// as a user pressing OK would, and counts them.
class ErrorBoxAnswerer {
public:
    ErrorBoxAnswerer() : m_thread([this] { Run(); }) {}
    ~ErrorBoxAnswerer()
    {
        m_stop = true;
        m_thread.join();
    }
    int Count() const { return m_count; }

private:
    void Run()
    {
        while (!m_stop) {
            HWND box = ::FindWindowA("#32770", "error message");
            if (box) {
                ::PostMessageA(box, WM_COMMAND, IDOK, 0);
                while (::IsWindow(box) && !m_stop)
                    ::Sleep(10);
                ++m_count;
            }
            ::Sleep(20);
        }
    }
    std::atomic<bool> m_stop{ false };
    std::atomic<int> m_count{ 0 };
    std::thread m_thread;
};

}  // namespace

// Frames named but none loadable: each is reported, then the doll is the
// built-in character, never an empty 0 x 0 window.
TEST(CharacterStartup, APluginNoneOfWhoseFramesLoadsGivesTheBuiltInCharacter)
{
    TempDir dir;
    Program::Install(dir.Path(), true);
    CopyFileOrFail(TestDataDir() + "imagedlls\\t_noframes.dll", dir / "imagedlls\\t_noframes.dll");
    WriteFile(dir / "zel.ini", Selected("t_noframes"));
    Program program(dir.Path());
    ErrorBoxAnswerer answerer;
    ASSERT_TRUE(program.Start()) << answerer.Count();
    EXPECT_TRUE(WaitFor([&] { return answerer.Count() == 11; }, 5000)) << answerer.Count();
    SIZE size = WindowSize(program.Doll());
    EXPECT_EQ(size.cx, 32);
    EXPECT_EQ(size.cy, 32);
    HRGN rgn = ::CreateRectRgn(0, 0, 0, 0);
    ASSERT_EQ(::GetWindowRgn(program.Doll(), rgn), COMPLEXREGION) << "no frame's shape";
    RECT box = {};
    ::GetRgnBox(rgn, &box);
    ::DeleteObject(rgn);
    EXPECT_GT(box.right - box.left, 0);
    ASSERT_TRUE(program.Close());
    EXPECT_EQ(IniSection(dir / "zel.ini", "SETTEI")[2], "SELECTEDDOLLNAME=t_noframes");
}
