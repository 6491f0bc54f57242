#include "framework/Dpi.h"

#include "framework/Gdi.h"

namespace {

// A function of user32 that only newer Windows have; null before.
template <class F>
F User32Function(const char* name)
{
    return reinterpret_cast<F>(reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleA("user32.dll"), name)));
}

}  // namespace

UINT WindowDpi(HWND hWnd)
{
    static const auto getDpiForWindow = User32Function<UINT(WINAPI*)(HWND)>("GetDpiForWindow");
    UINT dpi = getDpiForWindow && hWnd ? getDpiForWindow(hWnd) : 0;
    return dpi ? dpi : SystemDpi();
}

UINT SystemDpi()
{
    CClientDC screen(nullptr);
    int dpi = screen ? ::GetDeviceCaps(screen, LOGPIXELSY) : 0;
    return dpi > 0 ? static_cast<UINT>(dpi) : USER_DEFAULT_SCREEN_DPI;
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
    {
        CSelectGuard fromBitmap(from, hBitmap);
        CSelectGuard toBitmap(to, hCopy);
        ::SetStretchBltMode(to, COLORONCOLOR);
        ::StretchBlt(to, 0, 0, width, height, from, 0, 0, bm.bmWidth, bm.bmHeight, SRCCOPY);
    }
    return hCopy;
}
