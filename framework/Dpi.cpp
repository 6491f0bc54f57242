#include "framework/Dpi.h"

#include <vector>

#include "framework/Gdi.h"

namespace {
typedef UINT(WINAPI* DpiForWindowFn)(HWND);
typedef UINT(WINAPI* DpiForSystemFn)();
typedef int(WINAPI* MetricForDpiFn)(int, UINT);

// Looked up, not imported: imported, they would keep the program from
// starting on a Windows without them.
template <typename Fn>
Fn User32Function(const char* name)
{
    return reinterpret_cast<Fn>(reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleW(L"user32.dll"), name)));
}
}  // namespace

UINT WindowDpi(HWND hWnd)
{
    static const DpiForWindowFn dpiForWindow = User32Function<DpiForWindowFn>("GetDpiForWindow");
    UINT dpi = dpiForWindow && hWnd ? dpiForWindow(hWnd) : 0;
    return dpi ? dpi : SystemDpi();
}

UINT SystemDpi()
{
    static const DpiForSystemFn dpiForSystem = User32Function<DpiForSystemFn>("GetDpiForSystem");
    if (dpiForSystem)
        return dpiForSystem();
    HDC screen = ::GetDC(nullptr);
    int dpi = screen ? ::GetDeviceCaps(screen, LOGPIXELSY) : 0;
    if (screen)
        ::ReleaseDC(nullptr, screen);
    return dpi > 0 ? static_cast<UINT>(dpi) : DESIGN_DPI;
}

int MetricForDpi(int index, UINT dpi)
{
    static const MetricForDpiFn metricForDpi = User32Function<MetricForDpiFn>("GetSystemMetricsForDpi");
    return metricForDpi ? metricForDpi(index, dpi) : ::GetSystemMetrics(index);
}

// Each new pixel takes the colour of the original pixel under its centre,
// worked out here rather than left to the platform's stretching, whose
// choice of pixels is its own.
HBITMAP StretchNearest(HBITMAP hBitmap, int width, int height)
{
    BITMAP bm;
    if (!hBitmap || width <= 0 || height <= 0 || !::GetObjectW(hBitmap, sizeof bm, &bm) || bm.bmWidth <= 0 ||
        bm.bmHeight <= 0)
        return nullptr;
    BITMAPINFO from = {};
    from.bmiHeader.biSize = sizeof from.bmiHeader;
    from.bmiHeader.biWidth = bm.bmWidth;
    from.bmiHeader.biHeight = -bm.bmHeight;
    from.bmiHeader.biPlanes = 1;
    from.bmiHeader.biBitCount = 32;
    from.bmiHeader.biCompression = BI_RGB;
    BITMAPINFO to = from;
    to.bmiHeader.biWidth = width;
    to.bmiHeader.biHeight = -height;
    std::vector<DWORD> source(static_cast<size_t>(bm.bmWidth) * bm.bmHeight);
    std::vector<DWORD> target(static_cast<size_t>(width) * height);
    CClientDC screen(nullptr);
    if (!::GetDIBits(screen, hBitmap, 0, bm.bmHeight, source.data(), &from, DIB_RGB_COLORS))
        return nullptr;
    for (int y = 0; y < height; ++y) {
        int sy = static_cast<int>((2LL * y + 1) * bm.bmHeight / (2LL * height));
        for (int x = 0; x < width; ++x) {
            int sx = static_cast<int>((2LL * x + 1) * bm.bmWidth / (2LL * width));
            target[static_cast<size_t>(y) * width + x] = source[static_cast<size_t>(sy) * bm.bmWidth + sx];
        }
    }
    HBITMAP hCopy = ::CreateCompatibleBitmap(screen, width, height);
    if (hCopy && !::SetDIBits(screen, hCopy, 0, height, target.data(), &to, DIB_RGB_COLORS)) {
        ::DeleteObject(hCopy);
        hCopy = nullptr;
    }
    return hCopy;
}
