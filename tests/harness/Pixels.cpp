#include "harness/Pixels.h"

#include <math.h>

namespace harness {

// The layout every image here is read and written in: 32 bits, top row first.
static BITMAPINFO TopDown32(int width, int height)
{
    BITMAPINFO bi = {};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = width;
    bi.bmiHeader.biHeight = -height;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    return bi;
}

Image BitmapImage(HBITMAP bitmap)
{
    Image image;
    BITMAP bm = {};
    if (!bitmap || !::GetObjectA(bitmap, sizeof bm, &bm) || bm.bmWidth <= 0 || bm.bmHeight <= 0)
        return image;
    BITMAPINFO bi = TopDown32(bm.bmWidth, bm.bmHeight);
    std::vector<uint32_t> pixels(static_cast<size_t>(bm.bmWidth) * bm.bmHeight);
    HDC dc = ::CreateCompatibleDC(nullptr);
    int rows = ::GetDIBits(dc, bitmap, 0, static_cast<UINT>(bm.bmHeight), pixels.data(), &bi, DIB_RGB_COLORS);
    ::DeleteDC(dc);
    if (rows != bm.bmHeight)
        return image;
    for (uint32_t& p : pixels)
        p &= 0x00FFFFFF;
    image.width = bm.bmWidth;
    image.height = bm.bmHeight;
    image.pixels.swap(pixels);
    return image;
}

int ScaledSize(int length, UINT dpi)
{
    return static_cast<int>(floor(length * (dpi / 96.0) + 0.5));
}

Image Enlarged(const Image& image, UINT dpi)
{
    Image out;
    out.width = ScaledSize(image.width, dpi);
    out.height = ScaledSize(image.height, dpi);
    out.pixels.resize(static_cast<size_t>(out.width) * out.height);
    for (int y = 0; y < out.height; ++y) {
        int sy = static_cast<int>((y + 0.5) * image.height / out.height);
        for (int x = 0; x < out.width; ++x) {
            int sx = static_cast<int>((x + 0.5) * image.width / out.width);
            out.pixels[static_cast<size_t>(y) * out.width + x] = image.At(sx, sy);
        }
    }
    return out;
}

Image ResourceImage(HMODULE module, int id)
{
    HBITMAP bitmap = ::LoadBitmapA(module, MAKEINTRESOURCEA(id));
    if (!bitmap)
        return Image();
    Image image = BitmapImage(bitmap);
    ::DeleteObject(bitmap);
    return image;
}

std::vector<Image> ModuleImages(const std::string& file, int first, int count)
{
    std::vector<Image> images;
    HMODULE module = ::LoadLibraryExA(file.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    if (!module)
        return images;
    for (int i = 0; i < count; ++i) {
        Image image = ResourceImage(module, first + i);
        if (image.Empty())
            break;
        images.push_back(image);
    }
    ::FreeLibrary(module);
    return images;
}

HBITMAP BitmapOf(const Image& image)
{
    BITMAPINFO bi = TopDown32(image.width, image.height);
    HDC screen = ::GetDC(nullptr);
    HBITMAP bitmap = ::CreateDIBitmap(screen, &bi.bmiHeader, CBM_INIT, image.pixels.data(), &bi, DIB_RGB_COLORS);
    ::ReleaseDC(nullptr, screen);
    return bitmap;
}

Image Drawn(int width, int height, const std::function<void(HDC)>& draw)
{
    BITMAPINFO bi = TopDown32(width, height);
    void* bits = nullptr;
    HBITMAP canvas = ::CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    Image image;
    if (!canvas)
        return image;
    HDC dc = ::CreateCompatibleDC(nullptr);
    HGDIOBJ old = ::SelectObject(dc, canvas);
    draw(dc);
    ::GdiFlush();
    const uint32_t* p = static_cast<const uint32_t*>(bits);
    image.width = width;
    image.height = height;
    image.pixels.assign(p, p + static_cast<size_t>(width) * height);
    for (uint32_t& px : image.pixels)
        px &= 0x00FFFFFF;
    ::SelectObject(dc, old);
    ::DeleteDC(dc);
    ::DeleteObject(canvas);
    return image;
}

Image ScreenImage(const RECT& area)
{
    HDC screen = ::GetDC(nullptr);
    Image image = Drawn(area.right - area.left, area.bottom - area.top, [&](HDC dc) {
        ::BitBlt(dc, 0, 0, area.right - area.left, area.bottom - area.top, screen, area.left, area.top, SRCCOPY);
    });
    ::ReleaseDC(nullptr, screen);
    return image;
}

HRGN OpaqueRegion(const Image& image)
{
    HRGN all = ::CreateRectRgn(0, 0, 0, 0);
    for (int y = 0; y < image.height; ++y) {
        int x = 0;
        while (x < image.width) {
            if (!image.Opaque(x, y)) {
                ++x;
                continue;
            }
            int end = x;
            while (end < image.width && image.Opaque(end, y))
                ++end;
            HRGN run = ::CreateRectRgn(x, y, end, y + 1);
            ::CombineRgn(all, all, run, RGN_OR);
            ::DeleteObject(run);
            x = end;
        }
    }
    return all;
}

HRGN WindowRegion(HWND hWnd)
{
    HRGN rgn = ::CreateRectRgn(0, 0, 0, 0);
    if (::GetWindowRgn(hWnd, rgn) == ERROR) {
        ::DeleteObject(rgn);
        return nullptr;
    }
    return rgn;
}

int IconWidth(HICON icon)
{
    ICONINFO info = {};
    if (!::GetIconInfo(icon, &info))
        return 0;
    BITMAP bm = {};
    ::GetObjectA(info.hbmMask, sizeof bm, &bm);
    if (info.hbmColor)
        ::DeleteObject(info.hbmColor);
    ::DeleteObject(info.hbmMask);
    return bm.bmWidth;
}

Shapes::Shapes(const std::vector<Image>& images)
{
    for (const Image& image : images)
        m_regions.push_back(OpaqueRegion(image));
}

Shapes::Shapes(Shapes&& other) noexcept : m_regions(std::move(other.m_regions))
{
    other.m_regions.clear();
}

Shapes::~Shapes()
{
    for (HRGN rgn : m_regions)
        ::DeleteObject(rgn);
}

int Shapes::ShownBy(HWND hWnd) const
{
    HRGN window = WindowRegion(hWnd);
    if (!window)
        return -1;
    int shown = -1;
    for (size_t i = 0; i < m_regions.size() && shown < 0; ++i)
        if (::EqualRgn(window, m_regions[i]))
            shown = static_cast<int>(i);
    ::DeleteObject(window);
    return shown;
}

}  // namespace harness
