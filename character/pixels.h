#pragma once
#include <windows.h>

#include <stddef.h>

#include "plugins/kit/KelmoraCharacter.h"

// Pixel work on frames, free of windows: the stored image layout, the scan
// that cuts a window shape from the non-magenta pixels, and frames enlarged
// for a display scale.

// The transparency key in the 32-bit form GetDIBits gives (blue, green, red,
// fourth byte), compared whole.
const DWORD FRAME_KEY = KELMORA_KEY_COLOR;

// Bytes of a stored frame image, header and rows; false for sizes of 0 or
// less and for images of 2 GB or more, whose sizes no longer fit the int
// arithmetic of the image functions below.
bool FrameImageSize(int width, int height, size_t* bytes);

// Whether the bytes of a bitmap resource (a BITMAPINFOHEADER or a
// BITMAPCOREHEADER first) declare no pixel at all. The platform loads such a
// bitmap as its 1 x 1 monochrome stand-in rather than failing.
bool BitmapResourceIsEmpty(const unsigned char* data, size_t size);

// Bytes per stored 24-bit row: 3 * width rounded up to a multiple of 4. For
// sizes FrameImageSize accepts, as is WriteFrameHeader.
int FrameStride(int width);

// Writes the 54-byte bitmap-file header of a stored frame image.
void WriteFrameHeader(unsigned char* image, int width, int height);

// Worst-case region buffer, a 32-byte header and one rectangle per pixel;
// false when the size does not fit the 32-bit byte counts of region data.
bool RegionBufferSize(int width, int height, size_t* bytes);

// Appends one rectangle one pixel high per run of non-key pixels of row y;
// returns the number appended.
int ScanRow(const DWORD* row, int width, int y, RECT* out);

// Fills the 32-byte RGNDATA header for n rectangles within width x height.
void WriteRegionHeader(RGNDATAHEADER* header, DWORD n, int width, int height);

// The width and height of a stored frame image, from its header.
void FrameImageDimensions(const unsigned char* image, int* width, int* height);

// The source pixel under the centre of pixel i of a row (or column) of `to`
// pixels enlarged from `from` pixels, counted from the left (or top): the
// nearest neighbour.
int NearestSource(int i, int from, int to);

// Writes into `out` (of FrameImageSize(width, height) bytes) the stored frame
// image enlarged to width x height by nearest neighbour: every pixel a pixel
// of the frame, none blended.
void EnlargeFrameImage(const unsigned char* image, int width, int height, unsigned char* out);

// Row y, counted from the top, of a stored frame image as the 32-bit pixels
// GetDIBits gives (blue, green, red, 0): what ScanRow reads.
void FrameImageRow(const unsigned char* image, int y, DWORD* out);
