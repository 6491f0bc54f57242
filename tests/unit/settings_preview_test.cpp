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
        POINT pt = PreviewPosition(r.w, r.h);
        EXPECT_EQ(pt.x, r.x) << r.w << " x " << r.h;
        EXPECT_EQ(pt.y, r.y) << r.w << " x " << r.h;
    }
}

TEST(SettingsPreview, RepaintAreaCoversEveryPreviewUpTo72Square)
{
    RECT area = PreviewArea();
    EXPECT_EQ(area.left, 10);
    EXPECT_EQ(area.top, 60);
    EXPECT_EQ(area.right, 90);
    EXPECT_EQ(area.bottom, 132);
    for (int size = 1; size <= 72; ++size) {
        POINT pt = PreviewPosition(size, size);
        EXPECT_GE(pt.x, area.left) << size;
        EXPECT_GE(pt.y, area.top) << size;
        EXPECT_LE(pt.x + size, area.right) << size;
        EXPECT_LE(pt.y + size, area.bottom) << size;
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
