// A packed character and the same character compiled from C++ and a resource
// script are the same to the program: configuration, prompt, frame pixels.
#include <gtest/gtest.h>

#include "pack_data/pack_tools.h"

using namespace packtools;

TEST(PackedAndCompiled, GiveTheSameConfigurationPromptAndFrames)
{
    harness::TempDir out;
    std::string output;
    ASSERT_EQ(RunPacker(ExampleDir(), out / "penguin.dll", output), 0u) << output;
    HMODULE packed = ::LoadLibraryA((out / "penguin.dll").c_str());
    HMODULE compiled = ::LoadLibraryA((harness::TestDataDir() + "pack\\penguin-compiled.dll").c_str());
    ASSERT_TRUE(packed != nullptr);
    ASSERT_TRUE(compiled != nullptr);

    for (const char* name : {KELMORA_CONFIG_EXPORT, KELMORA_PROMPT_EXPORT}) {
        CString a, b;
        ASSERT_TRUE(CallExport(packed, name, a)) << name;
        ASSERT_TRUE(CallExport(compiled, name, b)) << name;
        EXPECT_STREQ(a, b) << name;
    }

    // The compiled one carries 8-bit bitmaps, the packed one 24-bit ones
    // decoded from PNG files: the program sees the same pixels.
    size_t frames = ExampleFrames().size();
    for (size_t i = 0; i <= frames; ++i) {
        int id = KELMORA_FRAME_FIRST + static_cast<int>(i);
        harness::Image p = harness::ResourceImage(packed, id);
        harness::Image c = harness::ResourceImage(compiled, id);
        EXPECT_EQ(p.width, c.width) << id;
        EXPECT_EQ(p.height, c.height) << id;
        EXPECT_EQ(p.pixels, c.pixels) << id;
        EXPECT_EQ(p.Empty(), i == frames) << id;
    }
    ::FreeLibrary(compiled);
    ::FreeLibrary(packed);
}

TEST(PackedAndCompiled, BitmapFramesKeepMagentaAsTheirOnlyClearColour)
{
    // The same character from the BMP files the PNG ones were made from.
    harness::TempDir dir, out;
    std::string art = harness::DistDir() + "..\\art-penguin\\";
    std::string ini = harness::ReadFile(ExampleDir() + "character.ini");
    for (const std::string& png : ExampleFrames()) {
        std::string bmp = png.substr(0, png.size() - 4) + ".bmp";
        if (!harness::FileExists(dir / bmp))
            harness::CopyFileOrFail(art + bmp, dir / bmp);
    }
    for (size_t at; (at = ini.find(".png")) != std::string::npos;)
        ini.replace(at, 4, ".bmp");
    harness::WriteFile(dir / "character.ini", ini);
    std::string output;
    ASSERT_EQ(RunPacker(dir.Path(), out / "penguin.dll", output), 0u) << output;

    HMODULE packed = ::LoadLibraryA((out / "penguin.dll").c_str());
    HMODULE compiled = ::LoadLibraryA((harness::TestDataDir() + "pack\\penguin-compiled.dll").c_str());
    ASSERT_TRUE(packed && compiled);
    for (size_t i = 0; i < ExampleFrames().size(); ++i) {
        int id = KELMORA_FRAME_FIRST + static_cast<int>(i);
        harness::Image p = harness::ResourceImage(packed, id);
        EXPECT_FALSE(p.Empty()) << id;
        EXPECT_TRUE(p == harness::ResourceImage(compiled, id)) << id;
    }
    ::FreeLibrary(compiled);
    ::FreeLibrary(packed);
}
