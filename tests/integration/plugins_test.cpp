// Character plug-ins loaded into the doll's character object, from the DLLs the
// build made: the values, the frames in their slots, the prompt, the cursor
// and icons that outlive the DLL, refusals, and the export calling contract.
#include <gtest/gtest.h>
#include <windows.h>
#include <psapi.h>

#include <stdint.h>
#include <stdlib.h>
#include <string.h>

#include <string>
#include <vector>

#include "character/Character.h"
#include "character/plugin.h"
#include "harness/Harness.h"
#include "harness/Pixels.h"

using namespace harness;

namespace {

// The "error message" boxes LoadFrame shows on this thread.
struct ErrorBoxes : MessageBoxAnswerer {
    ErrorBoxes() : MessageBoxAnswerer("error message", ::GetCurrentProcessId()) {}
};

struct Doll {
    CCharacter state;
    bool Load(const std::string& path)
    {
        bool shown = false;
        state.LoadCharacter(path.c_str(), &shown);
        EXPECT_EQ(::GetModuleHandleA(path.c_str()), nullptr) << path << " stays loaded";
        return shown;
    }
};

// Whether a slot's stored region is the opaque part of the image.
bool SlotShapedLike(const FrameSlot& slot, const Image& image)
{
    if (!slot.rgnData || image.Empty())
        return false;
    HRGN stored = ::ExtCreateRegion(nullptr, slot.rgnSize, reinterpret_cast<const RGNDATA*>(slot.rgnData));
    HRGN expected = OpaqueRegion(image);
    bool same = stored && ::EqualRgn(stored, expected);
    if (stored)
        ::DeleteObject(stored);
    ::DeleteObject(expected);
    return same;
}

// Bounding box of a slot's stored region; empty when it has none.
RECT SlotBox(const FrameSlot& slot)
{
    RECT box = { 0, 0, 0, 0 };
    if (!slot.rgnData)
        return box;
    HRGN rgn = ::ExtCreateRegion(nullptr, slot.rgnSize, reinterpret_cast<const RGNDATA*>(slot.rgnData));
    if (rgn) {
        ::GetRgnBox(rgn, &box);
        ::DeleteObject(rgn);
    }
    return box;
}

// The numbered test frame i is one run in row i / 8 from 0 to i % 8 + 1.
void ExpectNumberedFrame(const FrameSlot& slot, int frame)
{
    ASSERT_NE(slot.dib, nullptr);
    ASSERT_NE(slot.rgnData, nullptr);
    RECT box = SlotBox(slot);
    EXPECT_EQ(box.left, 0);
    EXPECT_EQ(box.top, frame / 8);
    EXPECT_EQ(box.right, frame % 8 + 1);
    EXPECT_EQ(box.bottom, frame / 8 + 1);
}

void ExpectEmpty(const FrameSlot& slot)
{
    EXPECT_EQ(slot.dib, nullptr);
    EXPECT_EQ(slot.rgnData, nullptr);
    EXPECT_EQ(slot.rgnSize, 0u);
}

int ImageWidth(const FrameSlot& slot)
{
    BITMAPINFOHEADER header;
    memcpy(&header, slot.dib + 14, sizeof header);
    return header.biWidth;
}

void ExpectCounts(const CCharacter& d, const int (&counts)[6], const int (&periods)[6])
{
    for (int k = 0; k < 6; ++k) {
        EXPECT_EQ(d.m_frameCount[k], counts[k]) << "count " << k;
        EXPECT_EQ(d.m_frameInterval[k], periods[k]) << "period " << k;
    }
}

// Colour at the centre of an icon drawn on black, 0x00RRGGBB.
DWORD IconCentre(HICON icon, int size)
{
    return Drawn(size, size, [&](HDC dc) { ::DrawIconEx(dc, 0, 0, icon, size, size, 0, nullptr, DI_NORMAL); })
        .At(size / 2, size / 2);
}

}  // namespace

TEST(Plugins, SampleCharactersLoadWithTheirValuesFramesAndPrompts)
{
    struct Sample {
        const char* file;
        const char* name;
        const char* prompt;
        int base, step, size;
        int counts[6];
        int periods[6];
    };
    const Sample samples[] = {
        { "cat", "Cat", "喵，要搜索什么？", 100, 2, 32, { 2, 2, 2, 2, 3, 0 }, { 150, 150, 150, 150, 300, 100 } },
        { "nimbus", "云朵", "飘过来了，想找点什么？", 120, 3, 64, { 4, 4, 4, 4, 5, 0 },
          { 160, 160, 140, 140, 400, 120 } },
    };
    for (const Sample& s : samples) {
        SCOPED_TRACE(s.file);
        Doll doll;
        ASSERT_TRUE(doll.Load(SamplePlugin(s.file)));
        CCharacter& d = doll.state;
        EXPECT_STREQ(d.m_charName, s.name);
        EXPECT_STREQ(d.m_searchPrompt, s.prompt);
        EXPECT_EQ(d.m_baseInterval, s.base);
        EXPECT_EQ(d.m_moveStep, s.step);
        ExpectCounts(d, s.counts, s.periods);
        int total = 0;
        for (int k = 0; k < 6; ++k)
            total += s.counts[k];
        // Each slot holds its bitmap's shape, as the DLL's pixels give it.
        std::vector<Image> bitmaps = ModuleImages(SamplePlugin(s.file), KELMORA_FRAME_FIRST, FRAME_SLOTS);
        ASSERT_GE(bitmaps.size(), static_cast<size_t>(total));
        for (int i = 0; i < FRAME_SLOTS; ++i) {
            if (i < total) {
                ASSERT_NE(d.m_frames[i].dib, nullptr) << i;
                EXPECT_EQ(ImageWidth(d.m_frames[i]), s.size) << i;
                EXPECT_TRUE(SlotShapedLike(d.m_frames[i], bitmaps[static_cast<size_t>(i)])) << i;
            } else {
                ExpectEmpty(d.m_frames[i]);
            }
        }
        EXPECT_EQ(d.m_frameWidth, s.size);
        EXPECT_EQ(d.m_frameHeight, s.size);
        // Copies that work after the DLL is gone.
        EXPECT_EQ(IconWidth(d.m_hCharCursor), 32);
        EXPECT_EQ(IconWidth(d.m_hCharIcon), ::GetSystemMetrics(SM_CXSMICON));
        EXPECT_EQ(IconWidth(d.m_hCharSmallIcon), ::GetSystemMetrics(SM_CXSMICON));
        EXPECT_NE(IconCentre(d.m_hCharIcon, ::GetSystemMetrics(SM_CXSMICON)), 0u);
    }
}

TEST(Plugins, IconsAndCursorAreCopiesThatOutliveTheDll)
{
    Doll doll;
    ASSERT_TRUE(doll.Load(TestPlugin("t_malformed")));
    // The test icons are a black square frame around #CC2222.
    int size = ::GetSystemMetrics(SM_CXSMICON);
    EXPECT_EQ(IconCentre(doll.state.m_hCharIcon, size), 0x00CC2222u);
    EXPECT_EQ(IconCentre(doll.state.m_hCharSmallIcon, size), 0x00CC2222u);
    EXPECT_EQ(IconCentre(doll.state.m_hCharCursor, 32), 0x00CC2222u);
    // The copies are free-standing: copying one again works without the DLL.
    HICON again = ::CopyIcon(doll.state.m_hCharIcon);
    EXPECT_NE(again, nullptr);
    ::DestroyIcon(again);
}

TEST(Plugins, TestPluginsGiveTheirOddValues)
{
    {
        SCOPED_TRACE("neither export: defaults, frames 3000..3010, no cursor or icons");
        Doll doll;
        CCharacter& d = doll.state;
        d.m_searchPrompt = "old";
        ASSERT_TRUE(doll.Load(TestPlugin("t_noexports")));
        EXPECT_STREQ(d.m_charName, "");
        EXPECT_STREQ(d.m_searchPrompt, KELMORA_DEFAULT_PROMPT);
        EXPECT_EQ(d.m_baseInterval, KELMORA_DEFAULT_BASE_PERIOD);
        EXPECT_EQ(d.m_moveStep, KELMORA_DEFAULT_STEP);
        ExpectCounts(d, { 2, 2, 2, 2, 3, 0 }, { 100, 100, 100, 100, 100, 100 });
        for (int i = 0; i < 11; ++i)
            ExpectNumberedFrame(d.m_frames[i], i);
        ExpectEmpty(d.m_frames[11]);
        EXPECT_EQ(d.m_hCharCursor, nullptr);
        EXPECT_EQ(d.m_hCharIcon, nullptr);
        EXPECT_EQ(d.m_hCharSmallIcon, nullptr);
    }
    {
        SCOPED_TRACE("36 frames: slots 0..29 only, counts cut from category 5 backwards");
        Doll doll;
        CCharacter& d = doll.state;
        ASSERT_TRUE(doll.Load(TestPlugin("t_toomany")));
        EXPECT_STREQ(d.m_charName, "Many");
        ExpectCounts(d, { 8, 8, 8, 4, 2, 0 }, { 90, 90, 90, 90, 90, 90 });
        for (int i = 0; i < FRAME_SLOTS; ++i)
            ExpectNumberedFrame(d.m_frames[i], i);
    }
    {
        SCOPED_TRACE("a negative count is 0 and bad periods take the base");
        Doll doll;
        CCharacter& d = doll.state;
        ASSERT_TRUE(doll.Load(TestPlugin("t_negative")));
        EXPECT_STREQ(d.m_charName, "Neg");
        EXPECT_EQ(d.m_baseInterval, 100);
        ExpectCounts(d, { 2, 0, 2, 2, 3, 0 }, { 150, 100, 100, 150, 300, 100 });
        for (int i = 0; i < 9; ++i)
            ExpectNumberedFrame(d.m_frames[i], i);
        ExpectEmpty(d.m_frames[9]);
    }
    {
        SCOPED_TRACE("malformed configuration read field by field");
        Doll doll;
        CCharacter& d = doll.state;
        ASSERT_TRUE(doll.Load(TestPlugin("t_malformed")));
        EXPECT_STREQ(d.m_charName, "Odd");
        EXPECT_STREQ(d.m_searchPrompt, "怪");
        EXPECT_EQ(d.m_baseInterval, 80);
        EXPECT_EQ(d.m_moveStep, 2);
        ExpectCounts(d, { 2, 2, 2, 2, 3, 0 }, { 150, 150, 150, 150, 300, 80 });
        for (int i = 0; i < 11; ++i)
            ExpectNumberedFrame(d.m_frames[i], i);
    }
}

TEST(Plugins, AMissingFrameIsReportedOnceAndTheOthersLoad)
{
    Doll doll;
    CCharacter& d = doll.state;
    int boxes = 0;
    {
        ErrorBoxes answerer;
        ASSERT_TRUE(doll.Load(TestPlugin("t_missingframe")));
        boxes = answerer.Count();
    }
    EXPECT_EQ(boxes, 1);
    EXPECT_STREQ(d.m_charName, "Gap");
    EXPECT_STREQ(d.m_searchPrompt, "缺一帧");
    for (int i = 0; i < 11; ++i) {
        if (i == 3)
            ExpectEmpty(d.m_frames[i]);
        else
            ExpectNumberedFrame(d.m_frames[i], i);
    }
}

TEST(Plugins, SwitchingToFewerFramesEmptiesTheSlotsLeftOver)
{
    Doll doll;
    CCharacter& d = doll.state;
    ASSERT_TRUE(doll.Load(SamplePlugin("cat")));
    ASSERT_NE(d.m_frames[10].dib, nullptr);
    ASSERT_TRUE(doll.Load(TestPlugin("t_probe")));
    ExpectCounts(d, { 1, 1, 1, 1, 1, 0 }, { 100, 100, 100, 100, 100, 100 });
    for (int i = 0; i < 5; ++i)
        ExpectNumberedFrame(d.m_frames[i], i);
    for (int i = 5; i < FRAME_SLOTS; ++i)
        ExpectEmpty(d.m_frames[i]);
    EXPECT_EQ(d.m_frameWidth, 8);
}

TEST(Plugins, ACharacterWithNothingToShowOrNoDllIsRefusedAndTheOldOneStays)
{
    Doll doll;
    CCharacter& d = doll.state;
    ASSERT_TRUE(doll.Load(SamplePlugin("cat")));
    const unsigned char* frame0 = d.m_frames[0].dib;
    HCURSOR cursor = d.m_hCharCursor;
    HICON icon = d.m_hCharIcon;

    const std::string refused[] = { TestPlugin("t_zero"), TestPlugin("t_absent") };
    for (const std::string& path : refused) {
        SCOPED_TRACE(path);
        EXPECT_FALSE(doll.Load(path));
        EXPECT_STREQ(d.m_charName, "Cat");
        EXPECT_STREQ(d.m_searchPrompt, "喵，要搜索什么？");
        ExpectCounts(d, { 2, 2, 2, 2, 3, 0 }, { 150, 150, 150, 150, 300, 100 });
        EXPECT_EQ(d.m_frames[0].dib, frame0);
        for (int i = 0; i < 11; ++i)
            EXPECT_NE(d.m_frames[i].dib, nullptr) << i;
        EXPECT_EQ(d.m_hCharCursor, cursor);
        EXPECT_EQ(d.m_hCharIcon, icon);
        EXPECT_EQ(IconWidth(icon), ::GetSystemMetrics(SM_CXSMICON));

        // The prompt comes back from the character shown, not the refused one.
        d.m_searchPrompt = "changed";
        doll.state.ReloadSearchPrompt();
        EXPECT_STREQ(d.m_searchPrompt, "喵，要搜索什么？");
    }
}

// Eleven frames named and none of them there: one message per frame, then
// the character is refused like one with nothing to show, its slot sizes
// and all.
TEST(Plugins, ACharacterNoneOfWhoseFramesLoadsIsRefused)
{
    Doll doll;
    CCharacter& d = doll.state;
    ASSERT_TRUE(doll.Load(SamplePlugin("nimbus")));
    const unsigned char* images[21];
    for (int i = 0; i < 21; ++i)
        images[i] = d.m_frames[i].dib;
    d.m_curFrame = 3;
    int boxes = 0;
    {
        ErrorBoxes answerer;
        EXPECT_FALSE(doll.Load(TestPlugin("t_noframes")));
        boxes = answerer.Count();
    }
    EXPECT_EQ(boxes, 11);
    EXPECT_STREQ(d.m_charName, "云朵");
    for (int i = 0; i < 21; ++i) {
        EXPECT_EQ(d.m_frames[i].dib, images[i]) << i;
        EXPECT_NE(d.m_frames[i].rgnData, nullptr) << i;
    }
    EXPECT_EQ(d.m_frameWidth, 64);
    EXPECT_EQ(d.m_frameHeight, 64);
    EXPECT_EQ(d.m_curFrame, 3) << "the frame shown stays";

    // A character that is shown replaces the table: the next selection
    // shapes the window whatever slot it picks.
    ASSERT_TRUE(doll.Load(SamplePlugin("cat")));
    EXPECT_EQ(d.m_curFrame, -1);
}

// What a character leaves out, the kit fills in as the program assumes of a
// plug-in without a configuration: one base period and one step for all.
TEST(Plugins, TheKitAndTheProgramAgreeOnWhatACharacterLeavesOut)
{
    HMODULE dll = ::LoadLibraryA(TestPlugin("t_noframes").c_str());
    ASSERT_NE(dll, nullptr);
    CString config;
    ASSERT_TRUE(CallStringExport(dll, KELMORA_CONFIG_EXPORT, &config));
    ::FreeLibrary(dll);
    const std::string filled =
        "None_" + std::to_string(KELMORA_DEFAULT_BASE_PERIOD) + "_" + std::to_string(KELMORA_DEFAULT_STEP) + "_";
    EXPECT_EQ(std::string(config).substr(0, filled.size()), filled);

    Doll doll;
    ASSERT_TRUE(doll.Load(TestPlugin("t_noexports")));
    const int counts[6] = { KELMORA_DEFAULT_COUNTS }, periods[6] = { KELMORA_DEFAULT_PERIODS };
    for (int k = 0; k < 6; ++k) {
        EXPECT_EQ(doll.state.m_frameCount[k], counts[k]) << k;
        // A period of 0 plays at the base period.
        EXPECT_EQ(doll.state.m_frameInterval[k], periods[k] ? periods[k] : KELMORA_DEFAULT_BASE_PERIOD) << k;
    }
}

// A plug-in built with an earlier kit returns a string object of one
// pointer; only that word is read, so its text arrives whole.
TEST(Plugins, StringsInTheFormOfEarlierKitsAreRead)
{
    Doll doll;
    ASSERT_TRUE(doll.Load(TestPlugin("t_legacy")));
    EXPECT_STREQ(doll.state.m_charName, "Old");
    EXPECT_STREQ(doll.state.m_searchPrompt, "旧式的提问");
    ExpectCounts(doll.state, { 1, 1, 1, 1, 1, 0 }, { 100, 100, 100, 100, 100, 100 });
}

TEST(Plugins, ReloadSearchPromptAsksOnlyTheCharacterShown)
{
    {
        SCOPED_TRACE("no plug-in shown: the prompt stays");
        Doll doll;
        doll.state.m_searchPrompt = "kept";
        doll.state.ReloadSearchPrompt();
        EXPECT_STREQ(doll.state.m_searchPrompt, "kept");
    }
    {
        SCOPED_TRACE("a plug-in without the prompt export: the prompt stays");
        Doll doll;
        ASSERT_TRUE(doll.Load(TestPlugin("t_noexports")));
        doll.state.m_searchPrompt = "kept";
        doll.state.ReloadSearchPrompt();
        EXPECT_STREQ(doll.state.m_searchPrompt, "kept");
    }
    {
        SCOPED_TRACE("the shown plug-in's prompt, and the DLL unloaded again");
        Doll doll;
        ASSERT_TRUE(doll.Load(SamplePlugin("nimbus")));
        doll.state.m_searchPrompt = "old";
        doll.state.ReloadSearchPrompt();
        EXPECT_STREQ(doll.state.m_searchPrompt, "飘过来了，想找点什么？");
        EXPECT_EQ(::GetModuleHandleA(SamplePlugin("nimbus").c_str()), nullptr);
    }
}

// The probe's exports format the object pointer they received. If the host
// swapped return storage and object, the probe would build its string in
// the decoy and report the storage's address instead.
TEST(Plugins, ExportsGetTheReturnStorageAndTheObjectInTheRightRegisters)
{
    HMODULE dll = ::LoadLibraryA(TestPlugin("t_probe").c_str());
    ASSERT_NE(dll, nullptr);
    FARPROC fn = ::GetProcAddress(dll, KELMORA_PROMPT_EXPORT);
    ASSERT_NE(fn, nullptr);

    void* decoy[4] = { nullptr, nullptr, nullptr, nullptr };
    alignas(CString) unsigned char storage[sizeof(CString)];
    memset(storage, 0xA5, sizeof storage);
    InvokeStringExport(fn, decoy, storage);

    for (void* p : decoy)
        EXPECT_EQ(p, nullptr) << "the object was written";
    const char* text = *reinterpret_cast<const char* const*>(storage);
    ASSERT_NE(reinterpret_cast<uintptr_t>(text), uintptr_t(0xA5A5A5A5A5A5A5A5ull)) << "storage not written";
    ASSERT_NE(text, nullptr);
    ASSERT_EQ(strncmp(text, "this=", 5), 0) << text;
    EXPECT_EQ(strtoull(text + 5, nullptr, 16), reinterpret_cast<uintptr_t>(decoy)) << text;
    reinterpret_cast<CString*>(storage)->~CString();

    // The host's own call passes no object.
    CString config;
    ASSERT_TRUE(CallStringExport(dll, KELMORA_CONFIG_EXPORT, &config));
    EXPECT_STREQ(config, "P0000000000000000_100_1_1_1_1_1_1_0_100_100_100_100_100_0_");
    CString untouched("same");
    EXPECT_FALSE(CallStringExport(dll, "_ZN4CRes7MissingEv", &untouched));
    EXPECT_STREQ(untouched, "same");
    ::FreeLibrary(dll);

    Doll doll;
    ASSERT_TRUE(doll.Load(TestPlugin("t_probe")));
    EXPECT_STREQ(doll.state.m_charName, "P0000000000000000");
    EXPECT_STREQ(doll.state.m_searchPrompt, "this=0000000000000000");
}

// Copies are released when the next character replaces them, except the
// small icon of the first character, which the search box keeps using.
TEST(Plugins, ReplacedCopiesAreReleasedButTheFirstSmallIconStays)
{
    Doll doll;
    CCharacter& d = doll.state;
    ASSERT_TRUE(doll.Load(SamplePlugin("cat")));
    HICON firstSmall = d.m_hCharSmallIcon;
    HICON catIcon = d.m_hCharIcon;
    HCURSOR catCursor = d.m_hCharCursor;
    ASSERT_TRUE(doll.Load(SamplePlugin("nimbus")));
    HICON nimbusSmall = d.m_hCharSmallIcon;
    ICONINFO info = {};
    EXPECT_FALSE(::GetIconInfo(catIcon, &info));
    EXPECT_FALSE(::GetIconInfo(catCursor, &info));
    EXPECT_EQ(IconWidth(firstSmall), ::GetSystemMetrics(SM_CXSMICON));
    EXPECT_EQ(IconWidth(d.m_hCharIcon), ::GetSystemMetrics(SM_CXSMICON));

    // A refused character releases nothing.
    EXPECT_FALSE(doll.Load(TestPlugin("t_zero")));
    EXPECT_EQ(IconWidth(nimbusSmall), ::GetSystemMetrics(SM_CXSMICON));

    ASSERT_TRUE(doll.Load(TestPlugin("t_malformed")));
    EXPECT_FALSE(::GetIconInfo(nimbusSmall, &info));
    EXPECT_EQ(IconWidth(firstSmall), ::GetSystemMetrics(SM_CXSMICON));
}

// The program loads the character's plug-in at every opening of the search
// box: a load and its unload must cost nothing. (The C++ exception runtime
// the string once pulled into plug-ins kept about 4 KB of memory, and 73 KB
// of address space, from every load.) Private memory is what Wine reads as
// the process's RssAnon.
TEST(Plugins, LoadingAndUnloadingAPluginCostsNoMemory)
{
    auto privateKb = [] {
        PROCESS_MEMORY_COUNTERS counters = {};
        counters.cb = sizeof counters;
        ::GetProcessMemoryInfo(::GetCurrentProcess(), &counters, sizeof counters);
        return static_cast<long long>(counters.PagefileUsage / 1024);
    };
    for (const char* name : { "cat", "penguin" }) {
        SCOPED_TRACE(name);
        std::string path = SamplePlugin(name);
        for (int i = 0; i < 20; ++i)
            ::FreeLibrary(::LoadLibraryA(path.c_str()));
        long long before = privateKb();
        for (int i = 0; i < 300; ++i) {
            HMODULE dll = ::LoadLibraryA(path.c_str());
            ASSERT_NE(dll, nullptr);
            CString prompt;
            EXPECT_TRUE(CallStringExport(dll, KELMORA_PROMPT_EXPORT, &prompt));
            ::FreeLibrary(dll);
        }
        EXPECT_LT(privateKb() - before, 256) << before << " kB before 300 loads";
    }
}
