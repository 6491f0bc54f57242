#pragma once
#include <windows.h>

#include <stdint.h>

#include <functional>
#include <string>
#include <vector>

// Pixels read back through the platform: expected frames and shapes come
// from the bitmaps themselves, never from the program's own loading code.
namespace harness {

// The colour of "no pixel here" in character bitmaps, 0x00RRGGBB.
const uint32_t kClear = 0x00FF00FF;

// An image's pixels, top row first, each 0x00RRGGBB.
struct Image {
    int width = 0, height = 0;
    std::vector<uint32_t> pixels;

    bool Empty() const { return pixels.empty(); }
    uint32_t At(int x, int y) const { return pixels[static_cast<size_t>(y) * width + x]; }
    bool Opaque(int x, int y) const { return At(x, y) != kClear; }
    bool operator==(const Image& o) const { return width == o.width && height == o.height && pixels == o.pixels; }
    bool operator!=(const Image& o) const { return !(*this == o); }
};

// A bitmap handle's pixels; empty when the handle is no bitmap.
Image BitmapImage(HBITMAP bitmap);
// A module's bitmap resource; empty when it has none of that id.
Image ResourceImage(HMODULE module, int id);
// Bitmap resources first, first + 1, ... of a program file or plug-in,
// opened as a data file (never run): up to count of them, ending at the
// first one missing.
std::vector<Image> ModuleImages(const std::string& file, int first, int count);
// A bitmap of the screen's kind holding the image, as LoadBitmap gives one;
// the caller's to delete.
HBITMAP BitmapOf(const Image& image);
// What draw paints on a width x height canvas that starts black.
Image Drawn(int width, int height, const std::function<void(HDC)>& draw);
// The screen's pixels in a rectangle: what a user sees (Xvfb composes nothing).
Image ScreenImage(const RECT& area);

// A length of pixels at 96 DPI shown at another DPI: rounded to the nearest
// pixel, halves up.
int ScaledSize(int length, UINT dpi);
// The image enlarged to ScaledSize of its sides by nearest neighbour: each
// pixel takes the colour of the source pixel under its centre.
Image Enlarged(const Image& image, UINT dpi);

// The opaque pixels as a region, built here rectangle by rectangle, one for
// each run of opaque pixels in a row.
HRGN OpaqueRegion(const Image& image);
// A window's region in window coordinates, the caller's to delete; null
// when the window has none.
HRGN WindowRegion(HWND hWnd);
// The width of an icon's or cursor's pictures; 0 for no icon.
int IconWidth(HICON icon);

// The opaque regions of a set of images, to tell which one a window shows.
class Shapes {
public:
    explicit Shapes(const std::vector<Image>& images);
    Shapes(Shapes&& other) noexcept;
    Shapes(const Shapes&) = delete;
    Shapes& operator=(const Shapes&) = delete;
    ~Shapes();
    size_t Size() const { return m_regions.size(); }
    // Index of the image whose region equals the window's; -1 when none does.
    int ShownBy(HWND hWnd) const;

private:
    std::vector<HRGN> m_regions;
};

}  // namespace harness
