// What a walking doll's tick cannot do without, and nothing else: a shaped
// tool window of the doll's size that every 100 ms builds its shape from
// stored region data, sets it, repaints, reads the cursor and steps one pixel
// per axis towards it, two frames of the built-in character alternating.
// "floor.exe rest" only reads the window rectangle and the cursor each tick:
// nothing to move or reshape. None of the program's code is in it. It is a
// current Windows program: it has the program's manifest, and the system's
// controls (Common Controls 6) loaded, as every such program with a dialog
// has them; under Wine their start takes about 1.6 MB of private memory.
#include <windows.h>
#include <commctrl.h>
#include <stdlib.h>
#include <string.h>

#include "character/pixels.h"

namespace {

enum { FRAME_COUNT = 2, TIMER_TICK = 1, TICK_MS = 100 };

struct StoredFrame {
    BITMAPINFOHEADER header;
    unsigned char* pixels;
    DWORD rgnSize;
    RGNDATA* rgnData;
};

StoredFrame g_frames[FRAME_COUNT];
int g_shown = 0;
bool g_resting = false;
int g_width = 0, g_height = 0;

// The frame's 24-bit pixels and the region data of its non-magenta pixels,
// made once, as the program makes them when a character loads.
bool StoreFrame(HBITMAP bmp, StoredFrame* f)
{
    BITMAP bm = {};
    if (!::GetObjectA(bmp, sizeof bm, &bm))
        return false;
    int w = bm.bmWidth, h = bm.bmHeight;
    HDC screen = ::GetDC(nullptr);
    f->header = {};
    f->header.biSize = sizeof f->header;
    f->header.biWidth = w;
    f->header.biHeight = h;
    f->header.biPlanes = 1;
    f->header.biBitCount = 24;
    f->pixels = static_cast<unsigned char*>(calloc(static_cast<size_t>(FrameStride(w)) * h, 1));
    BITMAPINFOHEADER copy = f->header;
    ::GetDIBits(screen, bmp, 0, h, f->pixels, reinterpret_cast<BITMAPINFO*>(&copy), DIB_RGB_COLORS);

    BITMAPINFOHEADER bgra = f->header;
    bgra.biBitCount = 32;
    DWORD* px = static_cast<DWORD*>(malloc(4u * w * h));
    ::GetDIBits(screen, bmp, 0, h, px, reinterpret_cast<BITMAPINFO*>(&bgra), DIB_RGB_COLORS);
    ::ReleaseDC(nullptr, screen);
    size_t bytes = 0;
    RegionBufferSize(w, h, &bytes);
    unsigned char* buffer = static_cast<unsigned char*>(malloc(bytes));
    RECT* rects = reinterpret_cast<RECT*>(buffer + sizeof(RGNDATAHEADER));
    DWORD n = 0;
    for (int y = 0; y < h; ++y)
        n += static_cast<DWORD>(ScanRow(px + static_cast<size_t>(h - 1 - y) * w, w, y, rects + n));
    WriteRegionHeader(reinterpret_cast<RGNDATAHEADER*>(buffer), n, w, h);
    HRGN rgn = ::ExtCreateRegion(nullptr, static_cast<DWORD>(sizeof(RGNDATAHEADER) + sizeof(RECT) * n),
                                 reinterpret_cast<RGNDATA*>(buffer));
    free(buffer);
    free(px);
    if (!rgn)
        return false;
    f->rgnSize = ::GetRegionData(rgn, 0, nullptr);
    f->rgnData = static_cast<RGNDATA*>(malloc(f->rgnSize));
    ::GetRegionData(rgn, f->rgnSize, f->rgnData);
    ::DeleteObject(rgn);
    g_width = w;
    g_height = h;
    return true;
}

void Reshape(HWND hWnd)
{
    const StoredFrame& f = g_frames[g_shown];
    ::SetWindowRgn(hWnd, ::ExtCreateRegion(nullptr, f.rgnSize, f.rgnData), TRUE);
    ::RedrawWindow(hWnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
}

int Towards(int from, int to)
{
    return to > from ? 1 : to < from ? -1 : 0;
}

void Tick(HWND hWnd)
{
    RECT rc;
    ::GetWindowRect(hWnd, &rc);
    POINT cursor;
    ::GetCursorPos(&cursor);
    if (g_resting)
        return;
    g_shown = (g_shown + 1) % FRAME_COUNT;
    Reshape(hWnd);
    int dx = Towards(rc.left + g_width / 2, cursor.x), dy = Towards(rc.top + g_height / 2, cursor.y);
    if (dx || dy)
        ::SetWindowPos(hWnd, nullptr, rc.left + dx, rc.top + dy, 0, 0, SWP_NOZORDER | SWP_NOSIZE | SWP_NOACTIVATE);
}

LRESULT CALLBACK FloorProc(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg) {
    case WM_TIMER:
        Tick(hWnd);
        return 0;
    case WM_ERASEBKGND: {
        const StoredFrame& f = g_frames[g_shown];
        HDC hdc = reinterpret_cast<HDC>(wParam);
        ::SetStretchBltMode(hdc, COLORONCOLOR);
        ::StretchDIBits(hdc, 0, 0, g_width, g_height, 0, 0, g_width, g_height, f.pixels,
                        reinterpret_cast<const BITMAPINFO*>(&f.header), DIB_RGB_COLORS, SRCCOPY);
        return 1;
    }
    case WM_DESTROY:
        ::PostQuitMessage(0);
        return 0;
    }
    return ::DefWindowProcA(hWnd, msg, wParam, lParam);
}

}  // namespace

int WINAPI WinMain(HINSTANCE hInstance, HINSTANCE, LPSTR cmdLine, int)
{
    g_resting = strstr(cmdLine, "rest") != nullptr;
    INITCOMMONCONTROLSEX icc = { sizeof icc, ICC_STANDARD_CLASSES };
    ::InitCommonControlsEx(&icc);
    for (int i = 0; i < FRAME_COUNT; ++i) {
        HBITMAP bmp = ::LoadBitmapA(hInstance, MAKEINTRESOURCEA(1 + i));
        if (!bmp || !StoreFrame(bmp, &g_frames[i]))
            return 1;
        ::DeleteObject(bmp);
    }
    WNDCLASSA wc = {};
    wc.lpfnWndProc = &FloorProc;
    wc.hInstance = hInstance;
    wc.hCursor = ::LoadCursorA(nullptr, MAKEINTRESOURCEA(32512));
    wc.lpszClassName = "KelmoraFloor";
    ::RegisterClassA(&wc);
    // Where the doll starts: its dialog is centred, then cut to the frame size.
    int x = (::GetSystemMetrics(SM_CXSCREEN) - g_width) / 2, y = (::GetSystemMetrics(SM_CYSCREEN) - g_height) / 2;
    HWND hWnd = ::CreateWindowExA(WS_EX_TOOLWINDOW | WS_EX_TOPMOST, wc.lpszClassName, "", WS_POPUP, x, y, g_width,
                                  g_height, nullptr, nullptr, hInstance, nullptr);
    if (!hWnd)
        return 1;
    Reshape(hWnd);
    ::ShowWindow(hWnd, SW_SHOWNOACTIVATE);
    ::SetTimer(hWnd, TIMER_TICK, TICK_MS, nullptr);
    MSG msg;
    while (::GetMessageA(&msg, nullptr, 0, 0) > 0)
        ::DispatchMessageA(&msg);
    return 0;
}
