// The settings dialog's pure decisions: where the preview goes and how the
// version reads.
#include <gtest/gtest.h>

#include "settings/preview.h"

TEST(SettingsPreview, PositionCentresOnTheColumnButNotAboveTheLabels)
{
    struct Row {
        int w, h, x, y;
    } rows[] = {
        { 32, 32, 34, 80 },
        { 100, 100, 0, 60 },
        { 72, 72, 14, 60 },   // exactly at the limit: 96 - 36 = 60
        { 74, 74, 13, 60 },   // one above it is raised
        { 33, 33, 34, 80 },   // halves truncate
        { 1, 1, 50, 96 },
        { 0, 0, 50, 96 },
        { 140, 20, -20, 86 }, // wider than the column: left of the client edge
        { 20, 200, 40, 60 },
    };
    for (const Row& r : rows) {
        POINT pt = PreviewPosition(r.w, r.h, 96);
        EXPECT_EQ(pt.x, r.x) << r.w << " x " << r.h;
        EXPECT_EQ(pt.y, r.y) << r.w << " x " << r.h;
    }
}

TEST(SettingsPreview, RepaintAreaCoversEveryPreviewUpTo72Square)
{
    RECT area = PreviewArea(96);
    EXPECT_EQ(area.left, 10);
    EXPECT_EQ(area.top, 60);
    EXPECT_EQ(area.right, 90);
    EXPECT_EQ(area.bottom, 132);
    for (int size = 1; size <= 72; ++size) {
        POINT pt = PreviewPosition(size, size, 96);
        EXPECT_GE(pt.x, area.left) << size;
        EXPECT_GE(pt.y, area.top) << size;
        EXPECT_LE(pt.x + size, area.right) << size;
        EXPECT_LE(pt.y + size, area.bottom) << size;
    }
}

// At another scale the column's places scale with the dialog, and the
// preview is the frame enlarged: a 32 x 32 frame at 150 % is 48 x 48.
TEST(SettingsPreview, PlacesScaleWithTheDpi)
{
    struct Row {
        UINT dpi;
        int size, x, y;
        RECT area;
    } rows[] = {
        { 120, 40, 43, 100, { 13, 75, 113, 165 } },
        { 144, 48, 51, 120, { 15, 90, 135, 198 } },
        { 144, 150, 0, 90, { 15, 90, 135, 198 } },  // raised to the labels' end, 60 x 1.5
        { 192, 64, 68, 160, { 20, 120, 180, 264 } },
    };
    for (const Row& r : rows) {
        POINT pt = PreviewPosition(r.size, r.size, r.dpi);
        EXPECT_EQ(pt.x, r.x) << r.dpi << " " << r.size;
        EXPECT_EQ(pt.y, r.y) << r.dpi << " " << r.size;
        RECT area = PreviewArea(r.dpi);
        EXPECT_TRUE(::EqualRect(&area, &r.area)) << r.dpi;
        if (r.size <= 72 * static_cast<int>(r.dpi) / 96) {
            EXPECT_GE(pt.x, area.left);
            EXPECT_LE(pt.x + r.size, area.right);
            EXPECT_LE(pt.y + r.size, area.bottom);
        }
    }
}

TEST(SettingsPreview, VersionTextShowsMajorMinorAndBuildOnly)
{
    struct Row {
        int v[4];
        const char* text;
    } rows[] = {
        { { 5, 2, 0, 0 }, "ver 5.20" },
        { { 5, 2, 10, 0 }, "ver 5.210" },
        { { 5, 2, 0, 7 }, "ver 5.20" },
        { { 0, 0, 0, 0 }, "ver 0.00" },
        { { 12, 34, 5, 6 }, "ver 12.345" },
    };
    for (const Row& r : rows) {
        char text[64];
        FormatVersionText(text, sizeof text, r.v);
        EXPECT_STREQ(text, r.text);
    }
}
