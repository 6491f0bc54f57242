// The packer's own image formats: icon and cursor files split into
// resources (any bytes in the file), and the frame bitmaps and icons it
// writes from decoded pictures (any size and pixels it accepts).
#include <fuzzer/FuzzedDataProvider.h>
#include <string.h>

#include <string>
#include <vector>

#include "check.h"
#include "plugins/pack/pack.h"

namespace {

uint32_t Get16(const std::vector<uint8_t>& v, size_t at) { return v[at] | v[at + 1] << 8; }
uint32_t Get32(const std::vector<uint8_t>& v, size_t at) { return Get16(v, at) | Get16(v, at + 2) << 16; }

void CheckSplit(const std::vector<uint8_t>& file, bool cursor, uint16_t firstId)
{
    PackIconResources out;
    std::string error = SplitIconFile(file, cursor, firstId, out);
    if (!error.empty())
        return;
    // A directory entry per image, each image a resource id of its own.
    size_t count = Get16(file, 4);
    CHECK(out.images.size() == count);
    CHECK(out.group.size() == 6 + 14 * count);
    CHECK(Get16(out.group, 0) == 0 && Get16(out.group, 2) == (cursor ? 2u : 1u) && Get16(out.group, 4) == count);
    std::vector<bool> used(0x10000, false);
    for (size_t i = 0; i < count; ++i) {
        size_t entry = 6 + 14 * i;
        uint32_t id = Get16(out.group, entry + 12);
        CHECK(id != 0 && !used[id]);
        used[id] = true;
        CHECK(Get32(out.group, entry + 8) == out.images[i].size());
        // The image bytes are the file's, the cursor's behind its hot spot.
        uint32_t size = Get32(file, 6 + 16 * i + 8), offset = Get32(file, 6 + 16 * i + 12);
        size_t skip = cursor ? 4 : 0;
        CHECK(out.images[i].size() == size + skip);
        CHECK(memcmp(out.images[i].data() + skip, file.data() + offset, size) == 0);
    }
}

PackImage Picture(FuzzedDataProvider& in)
{
    PackImage image;
    image.width = in.ConsumeIntegralInRange(1, 40);
    image.height = in.ConsumeIntegralInRange(1, 40);
    image.pixels.resize(static_cast<size_t>(image.width) * image.height);
    for (uint32_t& p : image.pixels)
        p = in.remaining_bytes() >= 4 ? in.ConsumeIntegral<uint32_t>() : 0x80FF00FF;
    return image;
}

void CheckFrame(const PackImage& image, bool useAlpha)
{
    std::vector<uint8_t> bmp = FrameBitmap(image, useAlpha);
    int w = image.width, h = image.height;
    size_t stride = (static_cast<size_t>(w) * 3 + 3) & ~size_t(3);
    CHECK(bmp.size() == 40 + stride * h);
    CHECK(Get32(bmp, 0) == 40 && static_cast<int>(Get32(bmp, 4)) == w && static_cast<int>(Get32(bmp, 8)) == h);
    CHECK(Get16(bmp, 14) == 24 && Get32(bmp, 16) == 0);
    for (int y = 0; y < h; ++y) {
        const uint8_t* row = bmp.data() + 40 + stride * static_cast<size_t>(h - 1 - y);
        for (int x = 0; x < w; ++x) {
            uint32_t p = image.pixels[static_cast<size_t>(y) * w + x];
            bool clear = (useAlpha && (p >> 24) < 128) || (p & 0xFFFFFF) == PACK_KEY;
            uint32_t want = clear ? PACK_KEY : p & 0xFFFFFF;
            uint32_t got = row[3 * x] | row[3 * x + 1] << 8 | row[3 * x + 2] << 16;
            CHECK(got == want);
        }
        for (size_t pad = static_cast<size_t>(w) * 3; pad < stride; ++pad)
            CHECK(row[pad] == 0);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const unsigned char* data, size_t size)
{
    FuzzedDataProvider in(data, size);
    switch (in.ConsumeIntegralInRange(0, 2)) {
    case 0: {
        bool cursor = in.ConsumeBool();
        uint16_t firstId = in.ConsumeBool() ? in.ConsumeIntegral<uint16_t>() : (cursor ? 1 : 100);
        std::vector<uint8_t> file = in.ConsumeRemainingBytes<uint8_t>();
        CheckSplit(file, cursor, firstId);
        break;
    }
    case 1: {
        PackImage image = Picture(in);
        CheckFrame(image, true);
        CheckFrame(image, false);
        break;
    }
    case 2: {
        bool useAlpha = in.ConsumeBool();
        PackImage image = Picture(in);
        // An icon made from the picture is a file the packer can split again.
        std::vector<int> sizes = { 16, 32 };
        if (in.ConsumeBool())
            sizes = { in.ConsumeIntegralInRange(1, 48) };
        std::vector<uint8_t> ico = IconFromImage(image, useAlpha, sizes);
        CheckSplit(ico, false, 1);
        PackIconResources out;
        CHECK(SplitIconFile(ico, false, 1, out).empty());
        break;
    }
    }
    return 0;
}
