// The example folder packed by kelmora-pack and loaded the way the program
// loads a character: exports by name, bitmaps, cursor and icons.
#include <gtest/gtest.h>

#include "pack_data/pack_tools.h"

using namespace packtools;

namespace {

class PackedExample : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::string output;
        ASSERT_EQ(RunPacker(ExampleDir(), m_dir / "penguin.dll", output), 0u) << output;
        EXPECT_NE(output.find("12 frames"), std::string::npos) << output;
        m_module = ::LoadLibraryA((m_dir / "penguin.dll").c_str());
        ASSERT_TRUE(m_module != nullptr);
    }
    void TearDown() override
    {
        if (m_module)
            ::FreeLibrary(m_module);
    }

    harness::TempDir m_dir;
    HMODULE m_module = nullptr;
};

}  // namespace

TEST_F(PackedExample, ExportsGiveTheConfigurationAndThePrompt)
{
    CString config, prompt;
    ASSERT_TRUE(CallExport(m_module, KELMORA_CONFIG_EXPORT, config));
    ASSERT_TRUE(CallExport(m_module, KELMORA_PROMPT_EXPORT, prompt));
    EXPECT_STREQ(config, kExampleConfig);
    EXPECT_STREQ(prompt, kExamplePrompt);
    // Only the output folder's own file: the temporary one was renamed.
    EXPECT_EQ(FolderFiles(m_dir.Path()), std::vector<std::string>{"penguin.dll"});
}

TEST_F(PackedExample, FramesAreTheFolderImagesWithMagentaWhereClear)
{
    std::vector<std::string> files = ExampleFrames();
    for (size_t i = 0; i < files.size(); ++i) {
        harness::Image packed = harness::ResourceImage(m_module, KELMORA_FRAME_FIRST + static_cast<int>(i));
        harness::Image source = FileImage(ExampleDir() + files[i]);
        ASSERT_EQ(packed.width, 32) << files[i];
        ASSERT_EQ(packed.height, 32) << files[i];
        ASSERT_EQ(source.width, packed.width);
        ASSERT_EQ(source.height, packed.height);
        EXPECT_EQ(packed.pixels, source.pixels) << "frame " << i << " " << files[i];
        // Each frame has both clear and drawn pixels.
        size_t clear = 0;
        for (uint32_t p : packed.pixels)
            clear += p == harness::kClear;
        EXPECT_GT(clear, 100u) << files[i];
        EXPECT_LT(clear, packed.pixels.size() - 100) << files[i];
    }
    EXPECT_EQ(::LoadBitmapA(m_module, MAKEINTRESOURCEA(KELMORA_FRAME_FIRST + files.size())), nullptr);
}

TEST_F(PackedExample, CursorAndIconsLoadAtTheSizesTheProgramAsks)
{
    HCURSOR cursor = static_cast<HCURSOR>(::LoadImageA(m_module, MAKEINTRESOURCEA(KELMORA_CURSOR), IMAGE_CURSOR, 32, 32, 0));
    ASSERT_TRUE(cursor != nullptr);
    ICONINFO info = {};
    ASSERT_TRUE(::GetIconInfo(cursor, &info));
    EXPECT_FALSE(info.fIcon);
    EXPECT_EQ(info.xHotspot, 1u);  // the default pointer's tip
    EXPECT_EQ(info.yHotspot, 1u);
    ::DeleteObject(info.hbmColor);
    ::DeleteObject(info.hbmMask);
    ::DestroyCursor(cursor);

    int small = ::GetSystemMetrics(SM_CXSMICON);
    for (int id : {KELMORA_SMALL_ICON, KELMORA_ICON}) {
        HICON icon = static_cast<HICON>(::LoadImageA(m_module, MAKEINTRESOURCEA(id), IMAGE_ICON, small, small, 0));
        ASSERT_TRUE(icon != nullptr) << id;
        ICONINFO ii = {};
        ASSERT_TRUE(::GetIconInfo(icon, &ii));
        EXPECT_TRUE(ii.fIcon);
        BITMAP bm = {};
        ::GetObjectA(ii.hbmColor ? ii.hbmColor : ii.hbmMask, sizeof bm, &bm);
        EXPECT_EQ(bm.bmWidth, small) << id;
        ::DeleteObject(ii.hbmColor);
        ::DeleteObject(ii.hbmMask);
        ::DestroyIcon(icon);
    }
}

TEST_F(PackedExample, DefaultIconIsTheFirstFrameClearWhereItIsMagenta)
{
    // The first frame is 32 x 32, so the icon's 32 x 32 image is the frame itself.
    std::vector<uint32_t> frame = FileImage(ExampleDir() + "down0.png").pixels;
    ASSERT_EQ(frame.size(), 32u * 32u);
    HICON icon = static_cast<HICON>(::LoadImageA(m_module, MAKEINTRESOURCEA(KELMORA_ICON), IMAGE_ICON, 32, 32, 0));
    ASSERT_TRUE(icon != nullptr);
    ICONINFO ii = {};
    ASSERT_TRUE(::GetIconInfo(icon, &ii));
    ASSERT_TRUE(ii.hbmColor != nullptr);
    std::vector<uint32_t> colour = harness::BitmapImage(ii.hbmColor).pixels;
    std::vector<uint32_t> mask = harness::BitmapImage(ii.hbmMask).pixels;
    ASSERT_EQ(colour.size(), frame.size());
    ASSERT_EQ(mask.size(), frame.size());
    for (int i = 0; i < 32 * 32; ++i) {
        bool clear = frame[i] == harness::kClear;
        EXPECT_EQ(mask[i] != 0, clear) << "pixel " << i % 32 << "," << i / 32;
        if (!clear) {
            EXPECT_EQ(colour[i], frame[i]) << "pixel " << i % 32 << "," << i / 32;
        }
    }
    ::DeleteObject(ii.hbmColor);
    ::DeleteObject(ii.hbmMask);
    ::DestroyIcon(icon);
}

TEST(PackedExampleInDist, BuildPackedTheSameCharacterIntoImagedlls)
{
    HMODULE module = ::LoadLibraryA((harness::DistDir() + "imagedlls\\penguin.dll").c_str());
    ASSERT_TRUE(module != nullptr);
    CString config;
    EXPECT_TRUE(CallExport(module, KELMORA_CONFIG_EXPORT, config));
    EXPECT_STREQ(config, kExampleConfig);
    ::FreeLibrary(module);
}

TEST(PackedIcons, FolderIconAndCursorFilesReplaceTheDefaults)
{
    harness::TempDir dir;
    harness::CopyFileOrFail(ExampleDir() + "rest0.png", dir / "rest0.png");
    harness::WriteFile(dir / "character.ini", "[character]\nname=A\n[rest]\nframes=rest0.png\n");
    // The program's own art: a 32 and a 16 icon, and a cursor with its hot spot at 1,1.
    std::string art = harness::DistDir() + "..\\art\\";
    harness::CopyFileOrFail(art + "char.ico", dir / "icon.ico");
    harness::CopyFileOrFail(art + "charsmall.ico", dir / "small.ico");
    harness::CopyFileOrFail(art + "hand.cur", dir / "cursor.cur");
    harness::TempDir out;
    std::string output;
    ASSERT_EQ(RunPacker(dir.Path(), out / "a.dll", output), 0u) << output;

    HMODULE module = ::LoadLibraryA((out / "a.dll").c_str());
    ASSERT_TRUE(module != nullptr);
    HCURSOR cursor = static_cast<HCURSOR>(::LoadImageA(module, MAKEINTRESOURCEA(KELMORA_CURSOR), IMAGE_CURSOR, 32, 32, 0));
    ASSERT_TRUE(cursor != nullptr);
    ICONINFO info = {};
    ASSERT_TRUE(::GetIconInfo(cursor, &info));
    EXPECT_EQ(info.xHotspot, 12u);  // hand.cur's fingertip
    EXPECT_EQ(info.yHotspot, 1u);
    ::DeleteObject(info.hbmColor);
    ::DeleteObject(info.hbmMask);
    ::DestroyCursor(cursor);

    // Each group finds both of its sizes, and the two groups are different icons.
    for (int id : {KELMORA_SMALL_ICON, KELMORA_ICON}) {
        for (int size : {16, 32}) {
            HICON icon = static_cast<HICON>(::LoadImageA(module, MAKEINTRESOURCEA(id), IMAGE_ICON, size, size, 0));
            ASSERT_TRUE(icon != nullptr) << id << " " << size;
            ::DestroyIcon(icon);
        }
    }
    HRSRC tray = ::FindResourceA(module, MAKEINTRESOURCEA(KELMORA_ICON), RT_GROUP_ICON);
    HRSRC smallGroup = ::FindResourceA(module, MAKEINTRESOURCEA(KELMORA_SMALL_ICON), RT_GROUP_ICON);
    ASSERT_TRUE(tray && smallGroup);
    int trayId = ::LookupIconIdFromDirectoryEx(static_cast<PBYTE>(::LockResource(::LoadResource(module, tray))), TRUE,
                                               32, 32, 0);
    int smallId = ::LookupIconIdFromDirectoryEx(
        static_cast<PBYTE>(::LockResource(::LoadResource(module, smallGroup))), TRUE, 32, 32, 0);
    EXPECT_NE(trayId, smallId);
    HRSRC trayImage = ::FindResourceA(module, MAKEINTRESOURCEA(trayId), RT_ICON);
    ASSERT_TRUE(trayImage != nullptr);
    // The image is the .ico file's own bytes, untouched.
    std::string ico = harness::ReadFile(art + "char.ico");
    std::string image(static_cast<const char*>(::LockResource(::LoadResource(module, trayImage))),
                      ::SizeofResource(module, trayImage));
    EXPECT_NE(ico.find(image), std::string::npos);
    ::FreeLibrary(module);
}
