// The configuration string of a character plug-in, read field by field with
// its odd cases, and the values made safe to play.
#include <gtest/gtest.h>

#include <string>

#include "character/config.h"

namespace {

struct ParseCase {
    const char* text;
    const char* name;
    int base, step;
    int counts[6];
    int periods[6];
};

const ParseCase kParseCases[] = {
    // The Cat example.
    { "Cat_100_2_2_2_2_2_3_0_150_150_150_150_300_0_", "Cat", 100, 2, { 2, 2, 2, 2, 3, 0 },
      { 150, 150, 150, 150, 300, 0 } },
    // Without its last "_": the last field reads as empty, which is 0 too.
    { "Cat_100_2_2_2_2_2_3_0_150_150_150_150_300_0", "Cat", 100, 2, { 2, 2, 2, 2, 3, 0 },
      { 150, 150, 150, 150, 300, 0 } },
    // "7" lacks its "_": field 1 is empty, and the later fields alternate
    // between a re-read of "A" (0) and an empty field.
    { "A_7", "A", 0, 0, { 0, 0, 0, 0, 0, 0 }, { 0, 0, 0, 0, 0, 0 } },
    { "", "", 0, 0, { 0, 0, 0, 0, 0, 0 }, { 0, 0, 0, 0, 0, 0 } },
    // Text after the fifteenth "_" is ignored; numbers are read as atoi does.
    { "N_ 80x_-3_1_2_3_4_5_6_7_8_9_10_11_12_99_junk", "N", 80, -3, { 1, 2, 3, 4, 5, 6 },
      { 7, 8, 9, 10, 11, 12 } },
    // "乢" is 0x81 0x5F: its trail byte is no field's end.
    { "乢猫_120_3_1_1_1_1_2_0_90_90_90_90_200_0_", "乢猫", 120, 3, { 1, 1, 1, 1, 2, 0 },
      { 90, 90, 90, 90, 200, 0 } },
    // Empty fields, and a name with GBK bytes.
    { "\xD4\xC6_____________", "\xD4\xC6", 0, 0, { 0, 0, 0, 0, 0, 0 }, { 0, 0, 0, 0, 0, 0 } },
};

}  // namespace

TEST(CharacterConfig, ParsesFieldsAsPluginsHaveAlwaysBeenRead)
{
    for (const ParseCase& c : kParseCases) {
        SCOPED_TRACE(std::string("config \"") + c.text + "\"");
        CharacterConfig config = ParseCharacterConfig(c.text);
        EXPECT_STREQ(config.name, c.name);
        EXPECT_EQ(config.baseInterval, c.base);
        EXPECT_EQ(config.moveStep, c.step);
        for (int k = 0; k < 6; ++k) {
            EXPECT_EQ(config.frameCount[k], c.counts[k]) << "count " << k;
            EXPECT_EQ(config.frameInterval[k], c.periods[k]) << "period " << k;
        }
    }
}

TEST(CharacterConfig, AMissingUnderscoreRestartsTheNextFieldAtTheFront)
{
    // "7_" lacks nothing, "9" lacks its "_": field 3 is empty, field 4 reads
    // "12" again from the front, field 5 "7", field 6 empty, field 7 "12"...
    CharacterConfig config = ParseCharacterConfig("12_7_9");
    EXPECT_STREQ(config.name, "12");
    EXPECT_EQ(config.baseInterval, 7);
    EXPECT_EQ(config.moveStep, 0);
    const int counts[6] = { 12, 7, 0, 12, 7, 0 };
    const int periods[6] = { 12, 7, 0, 12, 7, 0 };
    for (int k = 0; k < 6; ++k) {
        EXPECT_EQ(config.frameCount[k], counts[k]) << k;
        EXPECT_EQ(config.frameInterval[k], periods[k]) << k;
    }
}

TEST(CharacterConfig, DefaultsOfAPluginWithoutConfiguration)
{
    CharacterConfig config = DefaultCharacterConfig();
    EXPECT_STREQ(config.name, "");
    EXPECT_EQ(config.baseInterval, 100);
    EXPECT_EQ(config.moveStep, 0);
    const int counts[6] = { 2, 2, 2, 2, 3, 0 };
    const int periods[6] = { 100, 100, 100, 100, 100, 0 };
    for (int k = 0; k < 6; ++k) {
        EXPECT_EQ(config.frameCount[k], counts[k]);
        EXPECT_EQ(config.frameInterval[k], periods[k]);
    }
    EXPECT_EQ(TotalFrames(config.frameCount), 11);
}

namespace {

struct NormalizeCase {
    const char* what;
    int base;
    int counts[6];
    int periods[6];
    int wantBase;
    int wantCounts[6];
    int wantPeriods[6];
    bool shown;
};

const NormalizeCase kNormalizeCases[] = {
    { "the Cat example keeps its values; category 5's 0 ms becomes the base", 100, { 2, 2, 2, 2, 3, 0 },
      { 150, 150, 150, 150, 300, 0 }, 100, { 2, 2, 2, 2, 3, 0 }, { 150, 150, 150, 150, 300, 100 }, true },
    { "a negative count is 0, periods of 0 or less take the base, a base of 0 is 100", 0, { 2, -1, 2, 2, 3, 0 },
      { 150, -5, 0, 150, 300, 0 }, 100, { 2, 0, 2, 2, 3, 0 }, { 150, 100, 100, 150, 300, 100 }, true },
    { "a negative base is 100 too", -40, { 1, 0, 0, 0, 0, 0 }, { 0, 0, 0, 0, 0, 0 }, 100, { 1, 0, 0, 0, 0, 0 },
      { 100, 100, 100, 100, 100, 100 }, true },
    { "36 frames: cut from category 5 backwards to end at slot 29", 90, { 8, 8, 8, 4, 4, 4 },
      { 90, 90, 90, 90, 90, 90 }, 90, { 8, 8, 8, 4, 2, 0 }, { 90, 90, 90, 90, 90, 90 }, true },
    { "exactly 30 frames stay", 50, { 5, 5, 5, 5, 5, 5 }, { 50, 50, 50, 50, 50, 50 }, 50, { 5, 5, 5, 5, 5, 5 },
      { 50, 50, 50, 50, 50, 50 }, true },
    { "one huge category takes every slot and leaves the rest empty", 100, { 2000000000, 2000000000, 3, 0, 0, 1 },
      { 100, 100, 100, 100, 100, 100 }, 100, { 30, 0, 0, 0, 0, 0 }, { 100, 100, 100, 100, 100, 100 }, true },
    { "frames only in category 5 show nothing", 100, { 0, 0, 0, 0, 0, 3 }, { 100, 100, 100, 100, 100, 100 }, 100,
      { 0, 0, 0, 0, 0, 3 }, { 100, 100, 100, 100, 100, 100 }, false },
    { "all counts negative show nothing", 100, { -1, -2, -3, -4, -5, -6 }, { 100, 100, 100, 100, 100, 100 }, 100,
      { 0, 0, 0, 0, 0, 0 }, { 100, 100, 100, 100, 100, 100 }, false },
};

}  // namespace

TEST(CharacterConfig, NormalizesCountsAndPeriods)
{
    for (const NormalizeCase& c : kNormalizeCases) {
        SCOPED_TRACE(c.what);
        CharacterConfig config = {};
        config.baseInterval = c.base;
        for (int k = 0; k < 6; ++k) {
            config.frameCount[k] = c.counts[k];
            config.frameInterval[k] = c.periods[k];
        }
        NormalizeCharacterConfig(&config, 30);
        EXPECT_EQ(config.baseInterval, c.wantBase);
        for (int k = 0; k < 6; ++k) {
            EXPECT_EQ(config.frameCount[k], c.wantCounts[k]) << "count " << k;
            EXPECT_EQ(config.frameInterval[k], c.wantPeriods[k]) << "period " << k;
        }
        EXPECT_LE(TotalFrames(config.frameCount), 30);
        EXPECT_EQ(HasShownFrames(config.frameCount), c.shown);
    }
}
