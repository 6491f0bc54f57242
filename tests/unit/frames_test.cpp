// Frame images and regions: the stored header and stride, the region scan,
// and a real bitmap through the doll window's conversion.
#include <gtest/gtest.h>

#include <string.h>

#include <vector>

#include "character/Character.h"
#include "character/pixels.h"
#include "framework/Geometry.h"
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

// Lengths at a display scale round to the nearest pixel, halves away from
// zero; at 96 DPI every length is itself.
TEST(Frames, LengthsAtADisplayScaleRoundToTheNearestPixel)
{
    struct Case {
        int length;
        UINT dpi;
        int scaled;
    } cases[] = {
        { 32, 96, 32 }, { 33, 96, 33 }, { 32, 120, 40 }, { 33, 120, 41 }, { 32, 144, 48 }, { 33, 144, 50 },
        { 31, 144, 47 }, { 32, 192, 64 }, { 1, 120, 1 }, { 1, 144, 2 }, { 10, 120, 13 }, { 0, 144, 0 },
        { -10, 144, -15 }, { 5, 0, 0 }, { 0x7FFFFFFF, 192, 0x7FFFFFFF },
    };
    for (const Case& c : cases)
        EXPECT_EQ(ScaledLength(c.length, c.dpi), c.scaled) << c.length << " at " << c.dpi;
}

namespace {
// A stored frame image of the pixels given top row first.
std::vector<unsigned char> StoredImage(const std::vector<DWORD>& topDown, int w, int h)
{
    size_t bytes = 0;
    EXPECT_TRUE(FrameImageSize(w, h, &bytes));
    std::vector<unsigned char> image(bytes, 0xEE);
    WriteFrameHeader(image.data(), w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            DWORD p = topDown[static_cast<size_t>(y * w + x)];
            unsigned char* at = image.data() + 54 + (h - 1 - y) * FrameStride(w) + 3 * x;
            at[0] = p & 0xFF;
            at[1] = (p >> 8) & 0xFF;
            at[2] = (p >> 16) & 0xFF;
        }
    return image;
}

std::vector<DWORD> Rows(const unsigned char* image, int w, int h)
{
    std::vector<DWORD> pixels(static_cast<size_t>(w * h));
    for (int y = 0; y < h; ++y)
        FrameImageRow(image, y, &pixels[static_cast<size_t>(y * w)]);
    return pixels;
}
}  // namespace

// Each enlarged pixel takes the source pixel under its centre: 2 -> 3 gives
// 0 1 1, 3 -> 4 gives 0 1 1 2, 2 -> 4 doubles; rows are chosen from the top,
// as the picture is seen, and the padding stays zero.
TEST(Frames, EnlargingTakesTheNearestPixelAndBlendsNone)
{
    EXPECT_EQ(NearestSource(0, 2, 3), 0);
    EXPECT_EQ(NearestSource(1, 2, 3), 1);
    EXPECT_EQ(NearestSource(2, 2, 3), 1);
    const int want3to4[] = { 0, 1, 1, 2 };
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(NearestSource(i, 3, 4), want3to4[i]);
    for (int i = 0; i < 64; ++i)
        EXPECT_EQ(NearestSource(i, 32, 64), i / 2);

    const DWORD A = 0x00102030, B = FRAME_KEY, C = 0x00405060, D = 0x00FE00FF;
    std::vector<unsigned char> small = StoredImage({ A, B, C, D }, 2, 2);
    EXPECT_EQ(Rows(small.data(), 2, 2), (std::vector<DWORD>{ A, B, C, D }));
    int w = 0, h = 0;
    FrameImageDimensions(small.data(), &w, &h);
    EXPECT_EQ(w, 2);
    EXPECT_EQ(h, 2);

    size_t bytes = 0;
    ASSERT_TRUE(FrameImageSize(3, 3, &bytes));
    std::vector<unsigned char> big(bytes, 0xEE);
    EnlargeFrameImage(small.data(), 3, 3, big.data());
    unsigned char header[54];
    WriteFrameHeader(header, 3, 3);
    EXPECT_EQ(memcmp(big.data(), header, 54), 0);
    EXPECT_EQ(Rows(big.data(), 3, 3), (std::vector<DWORD>{ A, B, B, C, D, D, C, D, D }));
    for (int y = 0; y < 3; ++y)
        for (int pad = 9; pad < 12; ++pad)
            EXPECT_EQ(big[static_cast<size_t>(54 + 12 * y + pad)], 0) << y;

    // The shape cut from the enlarged picture: only the exact key is out.
    std::vector<DWORD> row(3);
    FrameImageRow(big.data(), 0, row.data());
    RECT r[3];
    ASSERT_EQ(ScanRow(row.data(), 3, 0, r), 1);
    EXPECT_TRUE(Same(r[0], 0, 0, 1, 1));
    FrameImageRow(big.data(), 2, row.data());
    ASSERT_EQ(ScanRow(row.data(), 3, 2, r), 1);
    EXPECT_TRUE(Same(r[0], 0, 2, 3, 3));
}

// The frames at a scale are made once and kept; at 96 DPI the frames shown
// are those loaded, the same bytes.
TEST(Frames, ScaledFramesAreMadeOnceAndNinetySixIsTheLoadedOnes)
{
    harness::Image image;
    image.width = 3;
    image.height = 2;
    image.pixels = { K, 0x00112233, K, 0x00445566, 0x00778899, K };
    HBITMAP bmp = harness::BitmapOf(image);
    CCharacter c;
    c.CaptureFrameImage(0, nullptr, bmp);
    ::DeleteObject(bmp);
    ASSERT_NE(c.m_frames[0].dib, nullptr);
    EXPECT_EQ(c.Frame(0).dib, c.m_frames[0].dib);

    c.SetDpi(192);
    const unsigned char* at192 = c.Frame(0).dib;
    ASSERT_NE(at192, nullptr);
    EXPECT_NE(at192, c.m_frames[0].dib);
    EXPECT_EQ(c.m_frameWidth, 6);
    EXPECT_EQ(c.m_frameHeight, 4);
    harness::Image drawn = harness::Drawn(6, 4, [&](HDC dc) { c.DrawFrame(at192, dc); });
    HRGN shape = ::ExtCreateRegion(nullptr, c.Frame(0).rgnSize, reinterpret_cast<const RGNDATA*>(c.Frame(0).rgnData));
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 6; ++x) {
            EXPECT_EQ(drawn.At(x, y), image.At(x / 2, y / 2)) << x << "," << y;
            EXPECT_EQ(::PtInRegion(shape, x, y) != FALSE, image.Opaque(x / 2, y / 2)) << x << "," << y;
        }
    ::DeleteObject(shape);

    c.SetDpi(96);
    EXPECT_EQ(c.Frame(0).dib, c.m_frames[0].dib);
    EXPECT_EQ(c.m_frameWidth, 3);
    c.SetDpi(192);
    EXPECT_EQ(c.Frame(0).dib, at192) << "made again";
    c.ReleaseFrames(1);
    EXPECT_EQ(c.Frame(0).dib, nullptr);
}
