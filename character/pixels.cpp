#include "character/pixels.h"

#include <stdint.h>
#include <string.h>

#include "framework/LittleEndian.h"

bool FrameImageSize(int width, int height, size_t* bytes)
{
    if (width <= 0 || height <= 0)
        return false;
    uint64_t stride = (3 * static_cast<uint64_t>(width) + 3) & ~static_cast<uint64_t>(3);
    uint64_t total = 54 + stride * static_cast<uint64_t>(height);
    if (total > INT32_MAX)
        return false;
    *bytes = static_cast<size_t>(total);
    return true;
}

// Headers of other sizes are left for the platform to refuse.
bool BitmapResourceIsEmpty(const unsigned char* data, size_t size)
{
    if (size < 4)
        return false;
    uint32_t headerSize = ReadLE32(data);
    if (headerSize == 12 && size >= 12)
        return ReadLE16(data + 4) == 0 || ReadLE16(data + 6) == 0;
    if (headerSize >= 40 && headerSize <= 124 && size >= 12)
        return ReadLE32(data + 4) == 0 || ReadLE32(data + 8) == 0;
    return false;
}

int FrameStride(int width)
{
    int bytes = 3 * width;
    return bytes % 4 == 0 ? bytes : bytes + (4 - bytes % 4);
}

void WriteFrameHeader(unsigned char* image, int width, int height)
{
    memset(image, 0, 54);
    image[0] = 'B';
    image[1] = 'M';
    WriteLE32(image + 2, static_cast<unsigned>(54 + FrameStride(width) * height));
    WriteLE32(image + 10, 54);
    WriteLE32(image + 14, 40);
    WriteLE32(image + 18, static_cast<unsigned>(width));
    WriteLE32(image + 22, static_cast<unsigned>(height));
    WriteLE16(image + 26, 1);
    WriteLE16(image + 28, 24);
}

bool RegionBufferSize(int width, int height, size_t* bytes)
{
    if (width <= 0 || height <= 0)
        return false;
    uint64_t pixels = static_cast<uint64_t>(width) * static_cast<uint64_t>(height);
    if (pixels > (MAXDWORD - 32) / 16)
        return false;
    *bytes = 32 + 16 * static_cast<size_t>(pixels);
    return true;
}

int ScanRow(const DWORD* row, int width, int y, RECT* out)
{
    int n = 0;
    for (int x = 0; x < width;) {
        if (row[x] == FRAME_KEY) {
            ++x;
            continue;
        }
        int x0 = x;
        while (x < width && row[x] != FRAME_KEY)
            ++x;
        out[n].left = x0;
        out[n].top = y;
        out[n].right = x;
        out[n].bottom = y + 1;
        ++n;
    }
    return n;
}

void WriteRegionHeader(RGNDATAHEADER* header, DWORD n, int width, int height)
{
    header->dwSize = sizeof(RGNDATAHEADER);
    header->iType = RDH_RECTANGLES;
    header->nCount = n;
    header->nRgnSize = sizeof(RGNDATAHEADER) + sizeof(RECT) * n;
    header->rcBound.left = 0;
    header->rcBound.top = 0;
    header->rcBound.right = width;
    header->rcBound.bottom = height;
}

void FrameImageDimensions(const unsigned char* image, int* width, int* height)
{
    *width = static_cast<int>(ReadLE32(image + 18));
    *height = static_cast<int>(ReadLE32(image + 22));
}

int NearestSource(int i, int from, int to)
{
    return static_cast<int>((2 * static_cast<int64_t>(i) + 1) * from / (2 * static_cast<int64_t>(to)));
}

// Rows are stored bottom-up; the neighbours are chosen top-down, as the
// frame is seen, so that a centre that falls on the border of two source
// rows takes the lower one, as it takes the right one of two columns.
void EnlargeFrameImage(const unsigned char* image, int width, int height, unsigned char* out)
{
    int fromWidth = 0, fromHeight = 0;
    FrameImageDimensions(image, &fromWidth, &fromHeight);
    int fromStride = FrameStride(fromWidth), stride = FrameStride(width);
    WriteFrameHeader(out, width, height);
    for (int y = 0; y < height; ++y) {
        int sy = NearestSource(y, fromHeight, height);
        const unsigned char* from = image + 54 + static_cast<size_t>(fromHeight - 1 - sy) * fromStride;
        unsigned char* to = out + 54 + static_cast<size_t>(height - 1 - y) * stride;
        for (int x = 0; x < width; ++x)
            memcpy(to + 3 * x, from + 3 * NearestSource(x, fromWidth, width), 3);
        memset(to + 3 * width, 0, static_cast<size_t>(stride - 3 * width));
    }
}

void FrameImageRow(const unsigned char* image, int y, DWORD* out)
{
    int width = 0, height = 0;
    FrameImageDimensions(image, &width, &height);
    const unsigned char* row = image + 54 + static_cast<size_t>(height - 1 - y) * FrameStride(width);
    for (int x = 0; x < width; ++x)
        out[x] = row[3 * x] | static_cast<DWORD>(row[3 * x + 1]) << 8 | static_cast<DWORD>(row[3 * x + 2]) << 16;
}
