// The real program choosing its character at start-up: a selected plug-in
// from its imagedlls folder, or the built-in character when the plug-in is
// absent, does not load or has nothing to show; the selection survives.
#include <gtest/gtest.h>

#include <string>
#include <vector>

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
        Installed run(Installed::WithCharacters, Selected(c.name));
        Program& program = run.program;
        ASSERT_TRUE(program.Start());
        SIZE size = WindowSize(program.Doll());
        EXPECT_EQ(size.cx, c.size);
        EXPECT_EQ(size.cy, c.size);
        // The doll animates from the first tick on: any of its frames will do,
        // but only its own.
        int frame = -1;
        EXPECT_TRUE(ui::ShowsFrameOf(program.Doll(), run.Plugin(c.name), &frame));
        EXPECT_LT(ui::BuiltInShapes(run.dir / "Kelmora.exe").ShownBy(program.Doll()), 0);
        ASSERT_TRUE(program.Close());
        std::vector<std::string> keys = IniSection(run.dir / "zel.ini", "SETTEI");
        ASSERT_GE(keys.size(), 3u);
        EXPECT_EQ(keys[2], "SELECTEDDOLLNAME=" + std::string(c.name));
    }
}

TEST(CharacterStartup, AnAbsentBrokenOrEmptyPluginGivesTheBuiltInCharacter)
{
    Installed run(Installed::WithCharacters);
    // A file that is no DLL, and a plug-in whose shown categories are empty.
    WriteFile(run.Plugin("broken"), "not a library");
    run.AddPlugin(TestPlugin("t_zero"), "t_zero");
    const harness::Shapes builtIn = ui::BuiltInShapes(run.dir / "Kelmora.exe");
    ASSERT_GT(builtIn.Size(), 0u);
    for (const char* name : { "absent", "broken", "t_zero" }) {
        SCOPED_TRACE(name);
        WriteFile(run.dir / "zel.ini", Selected(name));
        Program program(run.dir.Path());
        ASSERT_TRUE(program.Start());
        // The built-in character: 32 x 32, one of its own frames and none of
        // the sample cat's.
        SIZE size = WindowSize(program.Doll());
        EXPECT_EQ(size.cx, 32);
        EXPECT_EQ(size.cy, 32);
        EXPECT_GE(builtIn.ShownBy(program.Doll()), 0);
        int frame = -1;
        EXPECT_FALSE(ui::ShowsFrameOf(program.Doll(), run.Plugin("cat"), &frame)) << frame;
        ASSERT_TRUE(program.Close());
        std::vector<std::string> keys = IniSection(run.dir / "zel.ini", "SETTEI");
        ASSERT_GE(keys.size(), 3u);
        EXPECT_EQ(keys[2], "SELECTEDDOLLNAME=" + std::string(name));
    }
}

// Frames named but none loadable: each is reported, then the doll is the
// built-in character, never an empty 0 x 0 window.
TEST(CharacterStartup, APluginNoneOfWhoseFramesLoadsGivesTheBuiltInCharacter)
{
    Installed run(Installed::WithCharacters, Selected("t_noframes"));
    run.AddPlugin(TestPlugin("t_noframes"), "t_noframes");
    Program& program = run.program;
    MessageBoxAnswerer answerer("error message");
    ASSERT_TRUE(program.Start()) << answerer.Count();
    EXPECT_TRUE(WaitFor([&] { return answerer.Count() == 11; }, kHung)) << answerer.Count();
    SIZE size = WindowSize(program.Doll());
    EXPECT_EQ(size.cx, 32);
    EXPECT_EQ(size.cy, 32);
    EXPECT_GE(ui::BuiltInShapes(run.dir / "Kelmora.exe").ShownBy(program.Doll()), 0) << "no frame's shape";
    ASSERT_TRUE(program.Close());
    EXPECT_EQ(IniSection(run.dir / "zel.ini", "SETTEI")[2], "SELECTEDDOLLNAME=t_noframes");
}
