// Frame images and regions: the stored header and stride, the region scan,
// and a real bitmap through the doll window's conversion.
#include <gtest/gtest.h>

#include <string.h>

#include <vector>

#include "character/Character.h"
#include "character/pixels.h"
#include "harness/Pixels.h"

namespace {
const DWORD K = FRAME_KEY;
const DWORD X = 0x00112233;

std::vector<RECT> Scan(const std::vector<DWORD>& pixels, int w, int h)
{
    std::vector<RECT> rects(static_cast<size_t>(w * h));
    int n = 0;
    for (int y = 0; y < h; ++y)
        n += ScanRow(&pixels[static_cast<size_t>(y * w)], w, y, rects.data() + n);
    rects.resize(static_cast<size_t>(n));
    return rects;
}

bool Same(const RECT& r, int l, int t, int rr, int b)
{
    return r.left == l && r.top == t && r.right == rr && r.bottom == b;
}
}  // namespace

TEST(Frames, StrideRoundsRowsUpToFourBytes)
{
    EXPECT_EQ(FrameStride(1), 4);
    EXPECT_EQ(FrameStride(32), 96);
    EXPECT_EQ(FrameStride(33), 100);
    EXPECT_EQ(FrameStride(4), 12);
}

TEST(Frames, ScanAllKeyNoKeySinglePixelAndRunsToTheEdge)
{
    EXPECT_TRUE(Scan(std::vector<DWORD>(12, K), 4, 3).empty());

    std::vector<RECT> full = Scan(std::vector<DWORD>(12, X), 4, 3);
    ASSERT_EQ(full.size(), 3u);
    for (int y = 0; y < 3; ++y)
        EXPECT_TRUE(Same(full[static_cast<size_t>(y)], 0, y, 4, y + 1));

    std::vector<RECT> one = Scan({ K, K, K, K, X, K, K, K, K }, 3, 3);
    ASSERT_EQ(one.size(), 1u);
    EXPECT_TRUE(Same(one[0], 1, 1, 2, 2));

    std::vector<RECT> runs = Scan({ X, K, X, X, K, K, X, X }, 8, 1);
    ASSERT_EQ(runs.size(), 3u);
    EXPECT_TRUE(Same(runs[0], 0, 0, 1, 1));
    EXPECT_TRUE(Same(runs[1], 2, 0, 4, 1));
    EXPECT_TRUE(Same(runs[2], 6, 0, 8, 1));  // reaches the right edge
}

TEST(Frames, OnlyTheExactKeyIsTransparent)
{
    const DWORD red254 = 0x00FE00FF;         // blue 255, green 0, red 254
    const DWORD keyWithFourthByte = 0xFFFF00FF;
    std::vector<RECT> r = Scan({ K, red254, K, keyWithFourthByte }, 4, 1);
    ASSERT_EQ(r.size(), 2u);
    EXPECT_TRUE(Same(r[0], 1, 0, 2, 1));
    EXPECT_TRUE(Same(r[1], 3, 0, 4, 1));
}

// Region data counts its bytes in 32 bits (ExtCreateRegion, the header's
// nRgnSize): 16384 x 16384 pixels would need 2^32 + 32.
TEST(Frames, RegionBufferSizeStaysWithinThirtyTwoBits)
{
    size_t bytes = 0;
    ASSERT_TRUE(RegionBufferSize(32, 32, &bytes));
    EXPECT_EQ(bytes, 32u + 16u * 1024u);
    EXPECT_FALSE(RegionBufferSize(0, 5, &bytes));
    EXPECT_FALSE(RegionBufferSize(5, -1, &bytes));
    EXPECT_FALSE(RegionBufferSize(0x7FFFFFFF, 0x7FFFFFFF, &bytes));
    EXPECT_FALSE(RegionBufferSize(16384, 16384, &bytes));
    ASSERT_TRUE(RegionBufferSize(16383, 16384, &bytes));
    EXPECT_EQ(bytes, 4294705184u);
}

// The stored image's sizes are ints: 2 GB and more is refused, before any
// width makes 3 * width overflow.
TEST(Frames, FrameImageSizeRefusesTwoGigabytes)
{
    size_t bytes = 0;
    ASSERT_TRUE(FrameImageSize(1, 1, &bytes));
    EXPECT_EQ(bytes, 58u);
    ASSERT_TRUE(FrameImageSize(33, 2, &bytes));
    EXPECT_EQ(bytes, 254u);
    ASSERT_TRUE(FrameImageSize(4096, 4096, &bytes));
    EXPECT_EQ(bytes, 54u + 12288u * 4096u);
    EXPECT_FALSE(FrameImageSize(0, 0, &bytes));
    EXPECT_FALSE(FrameImageSize(1, -3, &bytes));
    EXPECT_FALSE(FrameImageSize(715827882, 1, &bytes));  // a row of 2^31 bytes
    ASSERT_TRUE(FrameImageSize(715827864, 1, &bytes));
    EXPECT_EQ(bytes, 54u + 2147483592u);
    EXPECT_FALSE(FrameImageSize(0x7FFFFFFF, 1, &bytes));
    EXPECT_FALSE(FrameImageSize(30000, 30000, &bytes));
}

// The platform loads a bitmap of no pixels as a 1 x 1 stand-in; its header
// tells. Headers it would refuse anyway are left to it.
TEST(Frames, EmptyBitmapResourcesAreToldByTheirHeader)
{
    auto info = [](int32_t w, int32_t h) {
        std::vector<unsigned char> b(40, 0);
        b[0] = 40;
        memcpy(&b[4], &w, 4);
        memcpy(&b[8], &h, 4);
        return b;
    };
    auto core = [](uint16_t w, uint16_t h) {
        std::vector<unsigned char> b(12, 0);
        b[0] = 12;
        memcpy(&b[4], &w, 2);
        memcpy(&b[6], &h, 2);
        return b;
    };
    struct Case {
        std::vector<unsigned char> bytes;
        bool empty;
    } cases[] = {
        { info(0, 0), true }, { info(8, 0), true }, { info(0, 8), true }, { info(8, 8), false },
        { info(8, -8), false }, { core(0, 3), true }, { core(3, 3), false },
        { { 40, 0, 0, 0, 0 }, false },                  // cut short: the platform's to refuse
        { { 0x13, 0x37, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0 }, false },  // no header it knows
    };
    for (const Case& c : cases)
        EXPECT_EQ(BitmapResourceIsEmpty(c.bytes.data(), c.bytes.size()), c.empty) << c.bytes.size();
    EXPECT_FALSE(BitmapResourceIsEmpty(nullptr, 0));
}

TEST(Frames, HeaderLayoutIsABitmapFile)
{
    unsigned char h[54];
    memset(h, 0xCC, sizeof h);
    WriteFrameHeader(h, 33, 2);
    const unsigned char want[54] = {
        'B', 'M', 54 + 200, 0, 0, 0, 0, 0, 0, 0, 54, 0, 0, 0,
        40, 0, 0, 0, 33, 0, 0, 0, 2, 0, 0, 0, 1, 0, 24, 0,
    };
    EXPECT_EQ(memcmp(h, want, sizeof want), 0);
}

// A real bitmap through the character's CaptureFrameImage and
// BitmapToRegion, and DrawFrame giving the same pixels back.
TEST(Frames, RealBitmapConvertsAndDrawsItsOwnPixels)
{
    const int W = 5, H = 3;
    // Top row first, 0x00RRGGBB as COLORREF-free DIB order (blue low byte).
    DWORD px[H][W] = {
        { K, 0x000000FF, K, K, K },
        { 0x00FF0000, 0x0000FF00, 0x00FEFEFE, K, 0x00123456 },
        { K, K, K, K, K },
    };
    harness::Image image;
    image.width = W;
    image.height = H;
    image.pixels.assign(&px[0][0], &px[0][0] + W * H);
    HBITMAP bmp = harness::BitmapOf(image);
    ASSERT_NE(bmp, nullptr);

    CCharacter state;
    state.CaptureFrameImage(0, nullptr, bmp);
    const unsigned char* dib = state.m_frames[0].dib;
    ASSERT_NE(dib, nullptr);
    // A bitmap file of 5 x 3 pixels, 24 bits, rows of 15 bytes padded to 16.
    const unsigned char header[54] = {
        'B', 'M', 54 + 3 * 16, 0, 0, 0, 0, 0, 0, 0, 54, 0, 0, 0,
        40, 0, 0, 0, W, 0, 0, 0, H, 0, 0, 0, 1, 0, 24, 0,
    };
    EXPECT_EQ(memcmp(dib, header, 54), 0);
    // Bottom row first, blue-green-red: row 1 from the top is stored second.
    const unsigned char* row1 = dib + 54 + 16;
    EXPECT_EQ(row1[0], 0x00);
    EXPECT_EQ(row1[2], 0xFF);  // red of 0x00FF0000
    EXPECT_EQ(row1[4], 0xFF);  // green
    EXPECT_EQ(row1[15], 0x00); // pad bytes are zero

    HRGN rgn = state.BitmapToRegion(bmp);
    ASSERT_NE(rgn, nullptr);
    EXPECT_EQ(state.m_frameWidth, W);
    EXPECT_EQ(state.m_frameHeight, H);
    EXPECT_TRUE(::PtInRegion(rgn, 1, 0));
    EXPECT_FALSE(::PtInRegion(rgn, 0, 0));
    EXPECT_TRUE(::PtInRegion(rgn, 2, 1));
    EXPECT_FALSE(::PtInRegion(rgn, 3, 1));
    EXPECT_TRUE(::PtInRegion(rgn, 4, 1));
    EXPECT_FALSE(::PtInRegion(rgn, 2, 2));
    HRGN opaque = harness::OpaqueRegion(image);
    EXPECT_TRUE(::EqualRgn(rgn, opaque));
    ::DeleteObject(opaque);
    ::DeleteObject(rgn);

    // Painted and read back.
    state.m_frameWidth = state.m_frameHeight = 0;
    harness::Image drawn = harness::Drawn(W, H, [&](HDC dc) { state.DrawFrame(dib, dc); });
    EXPECT_EQ(state.m_frameWidth, W);
    for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x)
            EXPECT_EQ(drawn.At(x, y), px[y][x]) << x << "," << y;
    ::DeleteObject(bmp);
    state.ReleaseFrames(1);
    EXPECT_EQ(state.m_frames[0].dib, nullptr);
}

// An unreadable bitmap stores nothing and says why: the slot keeps its image.
TEST(Frames, UnreadableBitmapLeavesTheSlotAsItWas)
{
    HDC screen = ::GetDC(nullptr);
    HBITMAP good = ::CreateCompatibleBitmap(screen, 4, 4);
    HBITMAP gone = ::CreateCompatibleBitmap(screen, 4, 4);
    ::ReleaseDC(nullptr, screen);
    ::DeleteObject(gone);

    CCharacter state;
    state.CaptureFrameImage(3, nullptr, good);
    unsigned char* kept = state.m_frames[3].dib;
    ASSERT_NE(kept, nullptr);
    ::SetLastError(0);
    state.CaptureFrameImage(3, nullptr, gone);
    EXPECT_EQ(state.m_frames[3].dib, kept);
    EXPECT_NE(::GetLastError(), 0u);
    state.CaptureFrameImage(4, nullptr, gone);
    EXPECT_EQ(state.m_frames[4].dib, nullptr);
    EXPECT_EQ(state.BitmapToRegion(gone), nullptr);
    ::DeleteObject(good);
}
