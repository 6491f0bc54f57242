// kelmora-pack's decisions: reading character.ini, its checks, the
// configuration string, frame pixels and splitting icon and cursor files.
#include <gtest/gtest.h>

#include <string.h>

#include "plugins/pack/pack.h"

namespace {

struct Parsed {
    PackCharacter character;
    std::vector<PackProblem> problems;
};

Parsed Parse(const std::string& text)
{
    Parsed p;
    p.character = ParseCharacterIni(text, "character.ini", p.problems);
    ValidateCharacter(p.character, "character.ini", p.problems);
    return p;
}

const char kGood[] =
    "\xEF\xBB\xBF; comment\r\n"
    "[Character]\r\n"
    "name = Pen\r\n"
    "period=120\r\n"
    "step=3\r\n"
    "prompt=  find what?  \r\n"
    "\r\n"
    "[down]\r\n"
    "frames=a.png  b.png\r\n"
    "period=150\r\n"
    "[rest]\r\n"
    "frames=c.bmp\r\n"
    "[extra]\r\n"
    "frames=d.png\r\n"
    "period=7\r\n";

uint32_t Get32(const std::vector<uint8_t>& v, size_t at)
{
    return v[at] | (v[at + 1] << 8) | (v[at + 2] << 16) | (static_cast<uint32_t>(v[at + 3]) << 24);
}

uint32_t Get16(const std::vector<uint8_t>& v, size_t at)
{
    return v[at] | (v[at + 1] << 8);
}

}  // namespace

TEST(PackIni, ReadsEverySectionWithLinesAndDefaults)
{
    Parsed p = Parse(kGood);
    ASSERT_TRUE(p.problems.empty()) << FormatProblem(p.problems[0]);
    const PackCharacter& c = p.character;
    EXPECT_EQ(c.name, "Pen");
    EXPECT_EQ(c.nameLine, 3);
    EXPECT_EQ(c.period, 120);
    EXPECT_EQ(c.step, 3);
    EXPECT_EQ(c.prompt, "find what?");
    ASSERT_EQ(c.categories[0].frames.size(), 2u);
    EXPECT_EQ(c.categories[0].frames[1].file, "b.png");
    EXPECT_EQ(c.categories[0].frames[1].line, 9);
    EXPECT_EQ(c.categories[0].period, 150);
    EXPECT_EQ(c.categories[4].period, -1);
    EXPECT_EQ(c.FrameTotal(), 4);

    std::vector<PackFrame> all = c.AllFrames();
    ASSERT_EQ(all.size(), 4u);
    EXPECT_EQ(all[2].file, "c.bmp");  // rest follows down; up, left, right are empty
    EXPECT_EQ(all[3].file, "d.png");

    // Categories without a period take the base period.
    EXPECT_EQ(BuildConfigString("Pen", c), "Pen_120_3_2_0_0_0_1_1_150_120_120_120_120_7_");
}

TEST(PackIni, ConfigStringHasFifteenFieldsTheHostReads)
{
    Parsed p = Parse("[character]\nname=\xC6\xF3\xB6\xEC\n[rest]\nframes=r.png\n");
    ASSERT_TRUE(p.problems.empty());
    std::string config = BuildConfigString(p.character.name, p.character);
    // What the character leaves out is what the program assumes of a plug-in.
    const std::string base = std::to_string(KELMORA_DEFAULT_BASE_PERIOD);
    EXPECT_EQ(config, "\xC6\xF3\xB6\xEC_" + base + "_" + std::to_string(KELMORA_DEFAULT_STEP) + "_0_0_0_0_1_0_" +
                          base + "_" + base + "_" + base + "_" + base + "_" + base + "_" + base + "_");
    int fields = 0;
    for (char ch : config)
        fields += ch == '_';
    EXPECT_EQ(fields, 15);
}

TEST(PackIni, EachFaultIsReportedAtItsLine)
{
    struct Case {
        const char* text;
        int line;
        const char* message;
    };
    const Case cases[] = {
        {"[character]\nname=A\nperiod=fast\n[down]\nframes=a.png\n", 3,
         "period: \"fast\" is not a whole number of milliseconds from 1 to 600000"},
        {"[character]\nname=A\n[down]\nframes=a.png\nperiod=-5\n", 5,
         "period: \"-5\" is not a whole number of milliseconds from 1 to 600000"},
        {"[character]\nname=A\n[down]\nframes=a.png\nperiod=0\n", 5,
         "period: \"0\" is not a whole number of milliseconds from 1 to 600000"},
        {"[character]\nname=A\nstep=2px\n[down]\nframes=a.png\n", 3,
         "step: \"2px\" is not a whole number of pixels from 0 to 1000"},
        {"[character]\nname=Pen_guin\n[down]\nframes=a.png\n", 2,
         "name: \"Pen_guin\" contains \"_\", which ends fields of the configuration"},
        {"[character]\nname=\n[down]\nframes=a.png\n", 2, "name: the name is empty"},
        {"[character]\nname=A\n[sideways]\nframes=a.png\n[down]\nframes=a.png\n", 3,
         "unknown section [sideways]; the sections are [character], [down], [up], [left], [right], [rest] and [extra]"},
        {"[character]\nname=A\ncolour=red\n[down]\nframes=a.png\n", 3,
         "unknown key \"colour\" in [character]; the keys are name, period, step and prompt"},
        {"[character]\nname=A\n[down]\nframes=a.png\nframe=b.png\n", 5,
         "unknown key \"frame\" in [down]; the keys are frames and period"},
        {"[character]\nname=A\n[down]\nframes=a.png\n[down]\n", 5, "section [down] appears twice"},
        {"[character]\nname=A\nname=B\n[down]\nframes=a.png\n", 3, "name: given twice in this section"},
        {"name=A\n[character]\nname=A\n[down]\nframes=a.png\n", 1,
         "\"name\" comes before any section; start with [character]"},
        {"[character]\nname=A\njust words\n[down]\nframes=a.png\n", 3, "\"just words\" is not a key=value line"},
        {"[character]\nname=A\n[down\nframes=a.png\n[up]\nframes=b.png\n", 3,
         "\"[down\" is not a section header such as [down]"},
        {"[character]\nname=A\n[extra]\nframes=a.png\n", 0,
         "no frame in [down], [up], [left], [right] or [rest]; the doll needs at least one"},
        {"[down]\nframes=a.png\n", 0, "no [character] section; it gives the name"},
        {"[character]\nperiod=5\n[down]\nframes=a.png\n", 0, "[character] has no name="},
    };
    for (const Case& c : cases) {
        Parsed p = Parse(c.text);
        ASSERT_EQ(p.problems.size(), 1u) << c.text;
        EXPECT_EQ(p.problems[0].file, "character.ini");
        EXPECT_EQ(p.problems[0].line, c.line) << c.text;
        EXPECT_EQ(p.problems[0].message, c.message) << c.text;
    }
}

// The program reads the texts up to a NUL: a name with one would leave the
// character a configuration string of a name and nothing else.
TEST(PackIni, ANulInTheNameOrThePromptIsRefused)
{
    Parsed name = Parse(std::string("[character]\nname=A") + '\0' + "B\n[down]\nframes=a.png\n");
    ASSERT_EQ(name.problems.size(), 1u);
    EXPECT_EQ(name.problems[0].line, 2);
    EXPECT_EQ(name.problems[0].message, "name: holds a NUL character, which would end the text there");
    Parsed prompt = Parse(std::string("[character]\nname=A\nprompt=Why") + '\0' + "\n[down]\nframes=a.png\n");
    ASSERT_EQ(prompt.problems.size(), 1u);
    EXPECT_EQ(prompt.problems[0].line, 3);
    EXPECT_EQ(prompt.problems[0].message, "prompt: holds a NUL character, which would end the text there");
}

TEST(PackIni, ThirtyFramesPassAndTheThirtyFirstIsPointedAt)
{
    std::string thirty = "[character]\nname=A\n[down]\nframes=";
    for (int i = 0; i < 15; ++i)
        thirty += "a.png ";
    thirty += "\n[up]\nframes=";
    for (int i = 0; i < 15; ++i)
        thirty += "b.png ";
    thirty += "\n";
    EXPECT_TRUE(Parse(thirty).problems.empty());

    Parsed p = Parse(thirty + "[extra]\nframes=last.png\n");
    ASSERT_EQ(p.problems.size(), 1u);
    EXPECT_EQ(p.problems[0].line, 8);
    EXPECT_EQ(p.problems[0].message, "frame 31 (last.png): 31 frames in all; a character has at most 30");
}

TEST(PackIni, ProblemsFormatAsFileLineMessage)
{
    EXPECT_EQ(FormatProblem({"character.ini", 7, "bad"}), "character.ini:7: bad");
    EXPECT_EQ(FormatProblem({"icon.ico", 0, "bad"}), "icon.ico: bad");
}

TEST(PackFrames, BitmapIsBottomUpTwentyFourBitWithPaddedRows)
{
    // 3 x 2; top row: clear, half-clear, opaque red; bottom row: magenta,
    // near-magenta, opaque blue.
    PackImage image{3, 2, {0x00000000, 0x7F123456, 0xFFFF0000, 0xFFFF00FF, 0xFFFE00FF, 0x800000FF}};
    std::vector<uint8_t> bmp = FrameBitmap(image, true);
    ASSERT_EQ(bmp.size(), 40u + 12u * 2);
    EXPECT_EQ(Get32(bmp, 0), 40u);
    EXPECT_EQ(Get32(bmp, 4), 3u);
    EXPECT_EQ(Get32(bmp, 8), 2u);  // positive: bottom row first
    EXPECT_EQ(Get16(bmp, 12), 1u);
    EXPECT_EQ(Get16(bmp, 14), 24u);
    EXPECT_EQ(Get32(bmp, 16), 0u);
    const uint8_t bottom[12] = {0xFF, 0x00, 0xFF, 0xFF, 0x00, 0xFE, 0xFF, 0x00, 0x00, 0, 0, 0};
    const uint8_t top[12] = {0xFF, 0x00, 0xFF, 0xFF, 0x00, 0xFF, 0x00, 0x00, 0xFF, 0, 0, 0};
    EXPECT_EQ(memcmp(&bmp[40], bottom, 12), 0);
    EXPECT_EQ(memcmp(&bmp[52], top, 12), 0);

    // A BMP's pixels keep their colours whatever the fourth byte says.
    std::vector<uint8_t> opaque = FrameBitmap(image, false);
    const uint8_t topNoAlpha[12] = {0x00, 0x00, 0x00, 0x56, 0x34, 0x12, 0x00, 0x00, 0xFF, 0, 0, 0};
    EXPECT_EQ(memcmp(&opaque[52], topNoAlpha, 12), 0);
}

TEST(PackIcons, IconFileSplitsIntoImagesAndAGroupWithIds)
{
    PackImage image{2, 4, {0xFFFF0000, 0xFFFF00FF, 0xFF00FF00, 0x00000000, 0xFF0000FF, 0xFF0000FF, 0xFF0000FF,
                           0xFF0000FF}};
    std::vector<uint8_t> ico = IconFromImage(image, true, {16, 32});
    ASSERT_EQ(Get16(ico, 2), 1u);
    ASSERT_EQ(Get16(ico, 4), 2u);

    PackIconResources res;
    ASSERT_EQ(SplitIconFile(ico, false, 7, res), "");
    ASSERT_EQ(res.images.size(), 2u);
    ASSERT_EQ(res.group.size(), 6u + 14u * 2);
    EXPECT_EQ(Get16(res.group, 2), 1u);
    EXPECT_EQ(Get16(res.group, 4), 2u);
    // entry: width, height, colours, reserved, planes, bpp, bytes, nID
    EXPECT_EQ(res.group[6], 16);
    EXPECT_EQ(res.group[7], 16);
    EXPECT_EQ(Get16(res.group, 6 + 4), 1u);
    EXPECT_EQ(Get16(res.group, 6 + 6), 32u);
    EXPECT_EQ(Get32(res.group, 6 + 8), res.images[0].size());
    EXPECT_EQ(Get16(res.group, 6 + 12), 7u);
    EXPECT_EQ(res.group[20], 32);
    EXPECT_EQ(Get16(res.group, 20 + 12), 8u);

    // The 16 x 16 image: the 2 x 4 picture scaled to 8 x 16, centred.
    const std::vector<uint8_t>& img = res.images[0];
    EXPECT_EQ(Get32(img, 0), 40u);
    EXPECT_EQ(Get32(img, 8), 32u);  // colour and mask
    auto colour = [&](int x, int y) { return Get32(img, 40 + 4 * (16 * (15 - y) + x)); };
    auto masked = [&](int x, int y) { return (img[40 + 16 * 16 * 4 + 4 * (15 - y) + x / 8] >> (7 - x % 8)) & 1; };
    EXPECT_EQ(colour(4, 0), 0xFFFF0000u);
    EXPECT_EQ(masked(4, 0), 0);
    EXPECT_EQ(colour(8, 0), 0u);  // magenta is clear
    EXPECT_EQ(masked(8, 0), 1);
    EXPECT_EQ(masked(8, 4), 1);  // under half opacity
    EXPECT_EQ(colour(11, 15), 0xFF0000FFu);
    EXPECT_EQ(masked(0, 8), 1);  // beside the picture
    EXPECT_EQ(masked(3, 8), 1);
    EXPECT_EQ(masked(12, 8), 1);
}

TEST(PackIcons, CursorDataStartsWithTheHotSpot)
{
    PackImage image{1, 1, {0xFF000000}};
    std::vector<uint8_t> cur = IconFromImage(image, true, {32});
    cur[2] = 2;        // a cursor file
    cur[6 + 4] = 5;    // hot spot x in the planes field
    cur[6 + 6] = 9;    // hot spot y in the bit count field
    PackIconResources res;
    ASSERT_EQ(SplitIconFile(cur, true, 1, res), "");
    ASSERT_EQ(res.images.size(), 1u);
    EXPECT_EQ(Get16(res.images[0], 0), 5u);
    EXPECT_EQ(Get16(res.images[0], 2), 9u);
    EXPECT_EQ(Get32(res.images[0], 4), 40u);
    // entry: width, height (colour and mask), planes, bpp, bytes, nID
    EXPECT_EQ(Get16(res.group, 2), 2u);
    EXPECT_EQ(Get16(res.group, 6), 32u);
    EXPECT_EQ(Get16(res.group, 8), 64u);
    EXPECT_EQ(Get16(res.group, 10), 1u);
    EXPECT_EQ(Get16(res.group, 12), 32u);
    EXPECT_EQ(Get32(res.group, 14), res.images[0].size());
    EXPECT_EQ(Get16(res.group, 18), 1u);
}

TEST(PackIcons, BrokenFilesAreRefused)
{
    PackImage image{1, 1, {0xFF000000}};
    std::vector<uint8_t> ico = IconFromImage(image, true, {16});
    PackIconResources res;
    EXPECT_EQ(SplitIconFile(ico, true, 1, res), "not a cursor (.cur) file");
    EXPECT_EQ(SplitIconFile(std::vector<uint8_t>(ico.begin(), ico.begin() + 4), false, 1, res),
              "not an icon (.ico) file");
    std::vector<uint8_t> cut(ico.begin(), ico.begin() + 20);
    EXPECT_EQ(SplitIconFile(cut, false, 1, res), "the icon file is cut short");
    std::vector<uint8_t> empty = {0, 0, 1, 0, 0, 0};
    EXPECT_EQ(SplitIconFile(empty, false, 1, res), "the icon file holds no image");
    std::vector<uint8_t> outside = ico;
    outside[6 + 12] = 0xF0;  // image offset past the end
    EXPECT_EQ(SplitIconFile(outside, false, 1, res), "image 1 of the icon file lies outside the file");
    std::vector<uint8_t> notBitmap = ico;
    notBitmap[22] = 12;  // an old core header
    EXPECT_EQ(SplitIconFile(notBitmap, false, 1, res), "image 1 of the icon file is not a bitmap");
    // Resource ids are 16 bits: two images from 65535 would need id 0.
    std::vector<uint8_t> two = IconFromImage(image, true, {16, 32});
    EXPECT_EQ(SplitIconFile(two, false, 65535, res), "the icon file holds 2 images, more than resource ids remain");
    EXPECT_EQ(SplitIconFile(two, false, 0, res), "the icon file holds 2 images, more than resource ids remain");
    EXPECT_EQ(SplitIconFile(two, false, 65534, res), "");
}
