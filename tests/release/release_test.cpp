// The release archive as a Windows user meets it: unpacked (by
// release_test.py) into a folder whose name has Chinese characters and
// blanks, the program started and ended there, a character packed with the
// archive's packer, installed and chosen, and the guide read beside them.
#include <gtest/gtest.h>
#include <stdio.h>
#include <stdlib.h>

#include <string>
#include <vector>

#include "doll/menus.h"
#include "integration/kelmora_ui.h"
#include "pack_data/pack_tools.h"

using namespace harness;

namespace {

// The unpacked folder, ending with a backslash.
std::string Unpacked()
{
    const char* dir = getenv("KELMORA_RELEASE_DIR");
    std::string path = dir ? dir : "";
    if (!path.empty() && path.back() != '\\')
        path += '\\';
    return path;
}

class Release : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_dir = Unpacked();
        ASSERT_FALSE(m_dir.empty()) << "KELMORA_RELEASE_DIR names the unpacked archive";
        ASSERT_TRUE(FileExists(m_dir + "Kelmora.exe")) << m_dir;
    }

    std::string m_dir;
};

void MenuTexts(HMENU menu, std::vector<std::string>& texts)
{
    for (int i = 0; i < ::GetMenuItemCount(menu); ++i) {
        char text[256] = "";
        if (::GetMenuStringA(menu, static_cast<UINT>(i), text, sizeof text, MF_BYPOSITION) > 0)
            texts.push_back(text);
        if (HMENU sub = ::GetSubMenu(menu, i))
            MenuTexts(sub, texts);
    }
}

}  // namespace

TEST_F(Release, StartsFromItsFolderShowsTheDollEndsFromItsMenuAndWritesItsFiles)
{
    for (const char* name : { "zel.ini", "搜索URL.ini", "search.txt" })
        ASSERT_FALSE(FileExists(m_dir + name)) << name << " does not come in the archive";

    Program program(m_dir);
    ASSERT_TRUE(program.Start());
    HWND doll = program.Doll();
    EXPECT_TRUE(::IsWindowVisible(doll));
    // The built-in character: the size of its first frame in the program
    // file, and a window cut to the shape of one of its frames.
    std::vector<Image> frames = ui::BuiltInImages(m_dir + "Kelmora.exe");
    ASSERT_FALSE(frames.empty());
    RECT rc = ui::WindowRect(doll);
    EXPECT_EQ(rc.right - rc.left, frames[0].width);
    EXPECT_EQ(rc.bottom - rc.top, frames[0].height);
    EXPECT_GE(Shapes(frames).ShownBy(doll), 0) << "the window has none of the frames' shapes";

    // The right button's menu, its last item chosen with the keyboard: the
    // keys posted right behind it, taken by the menu before any mouse
    // message its showing brings.
    ::PostMessageA(doll, WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(5, 5));
    ui::Key(doll, VK_UP);
    ui::Key(doll, VK_RETURN);
    ASSERT_TRUE(program.WaitExit(kHung));

    std::vector<std::string> settings = IniSection(m_dir + "zel.ini", "SETTEI");
    ASSERT_EQ(settings.size(), 5u);
    EXPECT_EQ(settings[0], "RIREKION=1");
    EXPECT_EQ(settings[2], "SELECTEDDOLLNAME=");
    EXPECT_EQ(IniSections(m_dir + "搜索URL.ini"),
              (std::vector<std::string>{ "SERCHCFG0", "SERCHCFG1", "SERCHCFG2", "SERCHCFG3" }));
    EXPECT_EQ(IniSection(m_dir + "搜索URL.ini", "SERCHCFG0")[0], "SERCH_ENGINE=google");
    EXPECT_TRUE(FileExists(m_dir + "search.txt"));
}

TEST_F(Release, PackerFromTheArchiveMakesACharacterTheProgramShows)
{
    const std::string dll = m_dir + "imagedlls\\我的 企鹅.dll";
    std::string output;
    ASSERT_EQ(packtools::RunPacker(packtools::ExampleDir(), dll, output, m_dir + "kelmora-pack.exe"), 0u) << output;
    HMODULE module = ::LoadLibraryA(dll.c_str());
    ASSERT_TRUE(module != nullptr);
    CString config;
    EXPECT_TRUE(packtools::CallExport(module, KELMORA_CONFIG_EXPORT, config));
    EXPECT_STREQ(config, packtools::kExampleConfig);
    ::FreeLibrary(module);

    WriteFile(m_dir + "zel.ini", "[SETTEI]\r\nSELECTEDDOLLNAME=我的 企鹅\r\n");
    Program program(m_dir);
    ASSERT_TRUE(program.Start());
    int shown = -1;
    EXPECT_TRUE(WaitFor([&] { return ui::ShowsFrameOf(program.Doll(), dll, &shown); }, kHung));
    ASSERT_TRUE(program.Close());
    EXPECT_EQ(IniSection(m_dir + "zel.ini", "SETTEI")[2], "SELECTEDDOLLNAME=我的 企鹅");
}

TEST_F(Release, NameCarriesTheVersionResourceOfTheProgram)
{
    const char* expected = getenv("KELMORA_RELEASE_VERSION");
    ASSERT_TRUE(expected != nullptr);
    std::vector<char> block = FileVersionBlock(m_dir + "Kelmora.exe");
    ASSERT_FALSE(block.empty());
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    ASSERT_TRUE(::VerQueryValueA(block.data(), "\\", reinterpret_cast<void**>(&fixed), &length));
    char version[64];
    snprintf(version, sizeof version, "%u.%u.%u.%u", HIWORD(fixed->dwFileVersionMS),
             LOWORD(fixed->dwFileVersionMS), HIWORD(fixed->dwFileVersionLS), LOWORD(fixed->dwFileVersionLS));
    EXPECT_STREQ(version, expected);
}

// Every text of the program's own menus is in the guide, as a row of its
// menu table (after two blanks, or after "/ ") or quoted.
TEST_F(Release, GuideNamesEveryMenuTextOfTheProgram)
{
    std::string guide = ReadFile(m_dir + "说明.txt");
    ASSERT_FALSE(guide.empty());
    std::vector<std::string> texts;
    for (bool dollVisible : { true, false })
        for (bool boxVisible : { true, false }) {
            CMenu bar;
            BuildDollMenuBar(bar, dollVisible, boxVisible, 1, nullptr);
            MenuTexts(::GetSubMenu(bar, 0), texts);
        }
    CMenu combo;
    BuildComboHistoryMenu(combo, nullptr);
    MenuTexts(combo, texts);
    ASSERT_GE(texts.size(), 10u);
    for (const std::string& text : texts) {
        bool named = guide.find("\r\n  " + text + " ") != std::string::npos ||
                     guide.find("/ " + text + " ") != std::string::npos ||
                     guide.find("“" + text + "”") != std::string::npos;
        EXPECT_TRUE(named) << text;
    }
}
