// Folders kelmora-pack must refuse: each fault named with its file and line,
// a non-zero exit, and nothing left in the output folder, not even a
// temporary file; an older character of the same name stays as it was.
#include <gtest/gtest.h>

#include "pack_data/pack_tools.h"

using namespace packtools;

namespace {

struct BadFolder {
    const char* what;
    std::string ini;
    std::string expected;  // a whole line of the packer's output
};

// A 24-bit BMP file of one black row.
std::string RowBitmap(int width)
{
    return packtools::Bitmap24(width, 1, [](int, int) { return 0u; });
}

std::string Repeat(const std::string& word, int n)
{
    std::string s;
    for (int i = 0; i < n; ++i)
        s += word + " ";
    return s;
}

const std::string kHead = "[character]\nname=Pen\nperiod=100\n";

std::vector<BadFolder> Cases()
{
    return {
        {"missing image", kHead + "[down]\nframes=a.png gone.png\n",
         "character.ini:5: gone.png: no such file in the folder"},
        {"corrupt PNG", kHead + "[down]\nframes=a.png\n[rest]\nframes=corrupt.png\n",
         "character.ini:7: corrupt.png: not a readable image ("},
        {"31 frames", kHead + "[down]\nframes=" + Repeat("a.png", 16) + "\n[rest]\nframes=" + Repeat("a.png", 15) + "\n",
         "character.ini:7: frame 31 (a.png): 31 frames in all; a character has at most 30"},
        {"no walking or rest frame", kHead + "[extra]\nframes=a.png\n",
         "character.ini: no frame in [down], [up], [left], [right] or [rest]; the doll needs at least one"},
        {"period not a number", "[character]\nname=Pen\nperiod=fast\n[down]\nframes=a.png\n",
         "character.ini:3: period: \"fast\" is not a whole number of milliseconds from 1 to 600000"},
        {"name with _", "[character]\n\nname=Pen_guin\n[down]\nframes=a.png\n",
         "character.ini:3: name: \"Pen_guin\" contains \"_\", which ends fields of the configuration"},
        {"not UTF-8", "[character]\nname=Pen\nprompt=\xC6\xF3\xB6\xEC\n[down]\nframes=a.png\n",
         "character.ini:3: not UTF-8 text; save character.ini as UTF-8"},
        {"broken icon", kHead + "[down]\nframes=a.png\n", "icon.ico: not an icon (.ico) file"},
        {"no GBK form", "[character]\nname=Pen\nprompt=\xF0\x9F\x90\xA7\n[down]\nframes=a.png\n",
         "character.ini:3: a character here has no GBK form, which the program needs"},
        {"frame too wide", kHead + "[down]\nframes=a.png wide.bmp\n",
         "character.ini:5: wide.bmp: 513x1 pixels; a frame is 1 to 512 pixels on each side"},
    };
}

}  // namespace

TEST(PackErrors, EachBadFolderIsRefusedWithItsOwnMessageAndLeavesNothing)
{
    for (const BadFolder& c : Cases()) {
        harness::TempDir dir, out;
        harness::CopyFileOrFail(ExampleDir() + "down0.png", dir / "a.png");
        harness::WriteFile(dir / "corrupt.png", std::string("\x89PNG\r\n\x1A\n") + "this is no picture");
        harness::WriteFile(dir / "wide.bmp", RowBitmap(513));
        if (std::string(c.what) == "broken icon")
            harness::WriteFile(dir / "icon.ico", "MZ not an icon at all");
        harness::WriteFile(dir / "character.ini", c.ini);
        std::string output;
        DWORD code = RunPacker(dir.Path(), out / "pen.dll", output);
        EXPECT_NE(code, 0u) << c.what;
        EXPECT_NE(output.find(c.expected), std::string::npos) << c.what << "\n" << output;
        // One problem each: no knock-on faults reported besides it.
        EXPECT_NE(output.find("kelmora-pack: 1 problem, nothing written"), std::string::npos) << c.what << "\n"
                                                                                                << output;
        EXPECT_TRUE(FolderFiles(out.Path()).empty()) << c.what;
    }
}

TEST(PackErrors, AllProblemsAreListedTogether)
{
    harness::TempDir dir, out;
    harness::WriteFile(dir / "character.ini", "[character]\nname=A_B\nstep=x\n[down]\nframes=none.png\n");
    std::string output;
    EXPECT_EQ(RunPacker(dir.Path(), out / "a.dll", output), 1u);
    EXPECT_NE(output.find("character.ini:2: name:"), std::string::npos) << output;
    EXPECT_NE(output.find("character.ini:3: step:"), std::string::npos) << output;
    EXPECT_NE(output.find("character.ini:5: none.png:"), std::string::npos) << output;
    EXPECT_NE(output.find("kelmora-pack: 3 problems, nothing written"), std::string::npos) << output;
}

TEST(PackErrors, AFailedPackKeepsTheOlderCharacterAndAGoodOneReplacesIt)
{
    harness::TempDir dir, out;
    harness::CopyFileOrFail(ExampleDir() + "down0.png", dir / "a.png");
    harness::WriteFile(out / "pen.dll", "older character");
    harness::WriteFile(dir / "character.ini", "[character]\nname=Pen\n[down]\nframes=a.png b.png\n");
    std::string output;
    EXPECT_NE(RunPacker(dir.Path(), out / "pen.dll", output), 0u);
    EXPECT_EQ(harness::ReadFile(out / "pen.dll"), "older character");
    EXPECT_EQ(FolderFiles(out.Path()), std::vector<std::string>{"pen.dll"});

    harness::WriteFile(dir / "character.ini", "[character]\nname=Pen\n[down]\nframes=a.png\n");
    ASSERT_EQ(RunPacker(dir.Path(), out / "pen.dll", output), 0u) << output;
    EXPECT_EQ(FolderFiles(out.Path()), std::vector<std::string>{"pen.dll"});
    HMODULE module = ::LoadLibraryA((out / "pen.dll").c_str());
    ASSERT_TRUE(module != nullptr);
    CString config, prompt;
    EXPECT_TRUE(CallExport(module, KELMORA_CONFIG_EXPORT, config));
    // No period= or step=: what the program assumes of a plug-in.
    const std::string base = std::to_string(KELMORA_DEFAULT_BASE_PERIOD);
    EXPECT_EQ(std::string(config), "Pen_" + base + "_" + std::to_string(KELMORA_DEFAULT_STEP) + "_1_0_0_0_0_0_" + base +
                                       "_" + base + "_" + base + "_" + base + "_" + base + "_" + base + "_");
    // No prompt=: the program's own default, as for a plug-in without one.
    EXPECT_TRUE(CallExport(module, KELMORA_PROMPT_EXPORT, prompt));
    EXPECT_STREQ(prompt, KELMORA_DEFAULT_PROMPT);
    ::FreeLibrary(module);
}

TEST(PackErrors, AFolderWithoutCharacterIniIsRefused)
{
    harness::TempDir out;
    std::string output;
    EXPECT_EQ(RunPacker(out.Path() + "no-such-folder", out / "a.dll", output), 1u);
    EXPECT_NE(output.find("character.ini: "), std::string::npos) << output;
    EXPECT_TRUE(FolderFiles(out.Path()).empty());
}

TEST(PackErrors, AFrameOfTheLargestSizeIsTaken)
{
    harness::TempDir dir, out;
    harness::WriteFile(dir / "edge.bmp", RowBitmap(512));
    harness::WriteFile(dir / "character.ini", "[character]\nname=Edge\n[rest]\nframes=edge.bmp\n");
    std::string output;
    ASSERT_EQ(RunPacker(dir.Path(), out / "edge.dll", output), 0u) << output;
    HMODULE module = ::LoadLibraryA((out / "edge.dll").c_str());
    ASSERT_TRUE(module != nullptr);
    harness::Image frame = harness::ResourceImage(module, KELMORA_FRAME_FIRST);
    EXPECT_EQ(frame.width, 512);
    EXPECT_EQ(frame.height, 1);
    EXPECT_EQ(frame.pixels, std::vector<uint32_t>(512, 0));
    ::FreeLibrary(module);
}
