#include "framework/Dpi.h"

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

HBITMAP StretchNearest(HBITMAP hBitmap, int width, int height)
{
    BITMAP bm;
    if (!hBitmap || width <= 0 || height <= 0 || !::GetObjectW(hBitmap, sizeof bm, &bm))
        return nullptr;
    CClientDC screen(nullptr);
    CMemDC from(screen), to(screen);
    HBITMAP hCopy = ::CreateCompatibleBitmap(screen, width, height);
    if (!hCopy)
        return nullptr;
    CSelectGuard fromBitmap(from, hBitmap);
    CSelectGuard toBitmap(to, hCopy);
    ::SetStretchBltMode(to, COLORONCOLOR);
    ::StretchBlt(to, 0, 0, width, height, from, 0, 0, bm.bmWidth, bm.bmHeight, SRCCOPY);
    return hCopy;
}
