// Frame sizes and the region scan: any width and height a bitmap may claim,
// the pixel rows of small frames, and their enlargement for a display scale.
#include <fuzzer/FuzzedDataProvider.h>
#include <string.h>

#include <vector>

#include "character/pixels.h"
#include "check.h"
#include "framework/Geometry.h"

namespace {

// Colours next to the key: only the exact 32-bit key is transparent.
const DWORD kColours[8] = { 0x00FE00FF, 0xFFFF00FF, 0x00FF00FE, 0x00000000,
                            0xFFFFFFFF, 0x01FF00FF, 0x00FF01FF, 0x00123456 };

unsigned Get32(const unsigned char* p)
{
    return p[0] | p[1] << 8 | p[2] << 16 | static_cast<unsigned>(p[3]) << 24;
}

void CheckSizes(int32_t w, int32_t h)
{
    bool positive = w > 0 && h > 0;
    size_t bytes = 0;
    bool ok = RegionBufferSize(w, h, &bytes);
    unsigned __int128 need = positive ? 32 + 16 * static_cast<unsigned __int128>(w) * static_cast<unsigned __int128>(h) : 0;
    CHECK(ok == (positive && need <= 0xFFFFFFFFu));
    if (ok)
        CHECK(bytes == need);

    long long stride = (3LL * w + 3) & ~3LL;
    unsigned __int128 image = positive ? 54 + static_cast<unsigned __int128>(stride) * static_cast<unsigned __int128>(h) : 0;
    size_t imageBytes = 0;
    ok = FrameImageSize(w, h, &imageBytes);
    CHECK(ok == (positive && image <= 0x7FFFFFFF));
    if (ok) {
        CHECK(imageBytes == image);
        CHECK(FrameStride(w) == stride);
    }
}

void CheckHeader(int w, int h)
{
    unsigned char image[54];
    memset(image, 0xCC, sizeof image);
    WriteFrameHeader(image, w, h);
    unsigned stride = (3u * static_cast<unsigned>(w) + 3) & ~3u;
    CHECK(image[0] == 'B' && image[1] == 'M');
    CHECK(Get32(image + 2) == 54 + stride * static_cast<unsigned>(h));
    CHECK(Get32(image + 6) == 0);
    CHECK(Get32(image + 10) == 54);
    CHECK(Get32(image + 14) == 40);
    CHECK(static_cast<int>(Get32(image + 18)) == w);
    CHECK(static_cast<int>(Get32(image + 22)) == h);
    CHECK((image[26] | image[27] << 8) == 1);
    CHECK((image[28] | image[29] << 8) == 24);
    for (int i = 30; i < 54; ++i)
        CHECK(image[i] == 0);
}

void CheckScan(FuzzedDataProvider& in, int w, int h, size_t bytes)
{
    std::vector<unsigned char> buffer(bytes);
    RECT* rects = reinterpret_cast<RECT*>(buffer.data() + sizeof(RGNDATAHEADER));
    std::vector<DWORD> row(static_cast<size_t>(w));
    DWORD n = 0;
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            unsigned b = in.remaining_bytes() ? in.ConsumeIntegral<unsigned char>() : (x * 7 + y * 3) & 0xFF;
            row[static_cast<size_t>(x)] = b & 0x80 ? FRAME_KEY : kColours[b & 7];
        }
        int got = ScanRow(row.data(), w, y, rects + n);
        CHECK(got >= 0 && got <= (w + 1) / 2);
        // Runs in order, one pixel high, separated by key pixels, covering
        // exactly the pixels that are not the key.
        std::vector<bool> covered(static_cast<size_t>(w), false);
        int lastRight = -1;
        for (int i = 0; i < got; ++i) {
            const RECT& r = rects[n + static_cast<DWORD>(i)];
            CHECK(r.top == y && r.bottom == y + 1);
            CHECK(r.left >= 0 && r.left < r.right && r.right <= w);
            CHECK(r.left > lastRight);
            lastRight = r.right;
            for (int x = r.left; x < r.right; ++x)
                covered[static_cast<size_t>(x)] = true;
        }
        for (int x = 0; x < w; ++x)
            CHECK(covered[static_cast<size_t>(x)] == (row[static_cast<size_t>(x)] != FRAME_KEY));
        n += static_cast<DWORD>(got);
    }
    RGNDATAHEADER* header = reinterpret_cast<RGNDATAHEADER*>(buffer.data());
    WriteRegionHeader(header, n, w, h);
    CHECK(header->dwSize == 32 && header->iType == RDH_RECTANGLES && header->nCount == n);
    CHECK(header->nRgnSize == 32 + 16 * n && header->nRgnSize <= bytes);
    CHECK(header->rcBound.left == 0 && header->rcBound.top == 0);
    CHECK(header->rcBound.right == w && header->rcBound.bottom == h);
}

// A small frame enlarged for a DPI from 100 % to 500 %: every pixel is the
// source pixel under its centre, every source row and column shows, the
// padding is zero, and its rows read back as they were written.
void CheckEnlarge(FuzzedDataProvider& in, int w, int h)
{
    UINT dpi = in.ConsumeIntegralInRange<UINT>(DESIGN_DPI, 5 * DESIGN_DPI);
    size_t bytes = 0;
    CHECK(FrameImageSize(w, h, &bytes));
    std::vector<unsigned char> image(bytes);
    WriteFrameHeader(image.data(), w, h);
    int stride = FrameStride(w);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < 3 * w; ++x)
            image[static_cast<size_t>(54 + y * stride + x)] =
                in.remaining_bytes() ? in.ConsumeIntegral<unsigned char>() : static_cast<unsigned char>(x * 31 + y);
    int W = ScaledLength(w, dpi), H = ScaledLength(h, dpi);
    CHECK(W >= w && H >= h);
    size_t bigBytes = 0;
    CHECK(FrameImageSize(W, H, &bigBytes));
    std::vector<unsigned char> big(bigBytes, 0xCC);
    EnlargeFrameImage(image.data(), W, H, big.data());
    int bw = 0, bh = 0;
    FrameImageDimensions(big.data(), &bw, &bh);
    CHECK(bw == W && bh == H);
    std::vector<DWORD> from(static_cast<size_t>(w)), to(static_cast<size_t>(W));
    std::vector<bool> rowsSeen(static_cast<size_t>(h)), columnsSeen(static_cast<size_t>(w));
    for (int y = 0; y < H; ++y) {
        int sy = NearestSource(y, h, H);
        CHECK(sy >= 0 && sy < h && (y == 0 || sy >= NearestSource(y - 1, h, H)));
        rowsSeen[static_cast<size_t>(sy)] = true;
        FrameImageRow(image.data(), sy, from.data());
        FrameImageRow(big.data(), y, to.data());
        for (int x = 0; x < W; ++x) {
            int sx = NearestSource(x, w, W);
            CHECK(sx >= 0 && sx < w);
            columnsSeen[static_cast<size_t>(sx)] = true;
            CHECK(to[static_cast<size_t>(x)] == from[static_cast<size_t>(sx)]);
        }
        const unsigned char* row = big.data() + 54 + static_cast<size_t>(H - 1 - y) * FrameStride(W);
        for (int pad = 3 * W; pad < FrameStride(W); ++pad)
            CHECK(row[pad] == 0);
    }
    for (bool seen : rowsSeen)
        CHECK(seen);
    for (bool seen : columnsSeen)
        CHECK(seen);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const unsigned char* data, size_t size)
{
    // The same bytes as a bitmap resource: only its own header is read.
    if (size < 12)
        CHECK(!BitmapResourceIsEmpty(data, size));
    else
        BitmapResourceIsEmpty(data, size);
    FuzzedDataProvider in(data, size);
    int32_t w, h;
    if (in.ConsumeBool()) {
        w = in.ConsumeIntegral<int32_t>();
        h = in.ConsumeIntegral<int32_t>();
    } else {
        w = in.ConsumeIntegralInRange<int32_t>(-1, 300);
        h = in.ConsumeIntegralInRange<int32_t>(-1, 40);
    }
    CheckSizes(w, h);
    size_t bytes = 0;
    if (FrameImageSize(w, h, &bytes))
        CheckHeader(w, h);
    if (RegionBufferSize(w, h, &bytes) && static_cast<long long>(w) * h <= 4096) {
        CheckScan(in, w, h, bytes);
        CheckEnlarge(in, w, h);
    }
    return 0;
}
