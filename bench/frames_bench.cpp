// Prints what frames cost: converting a bitmap into the stored image and
// region data (once per frame, when a character loads), enlarging the frames
// for a display scale (once per scale), and changing the shown frame on a
// real shaped window (every motion tick that changes it), at 96 and 144 DPI.
// It also counts GetDIBits calls, the only way pixels are read, to show
// that a frame change reads none.
#include <windows.h>
#include <stdio.h>
#include <string.h>

#include <algorithm>
#include <vector>

#include "character/Character.h"
#include "imports.h"

namespace {

LONG g_getDIBitsCalls = 0;
int (WINAPI* g_realGetDIBits)(HDC, HBITMAP, UINT, UINT, LPVOID, LPBITMAPINFO, UINT) = nullptr;

int WINAPI CountingGetDIBits(HDC hdc, HBITMAP bmp, UINT start, UINT lines, LPVOID bits, LPBITMAPINFO bi, UINT usage)
{
    ++g_getDIBitsCalls;
    return g_realGetDIBits(hdc, bmp, start, lines, bits, bi, usage);
}

// A character-like frame: a shaded disc on the magenta key, and with
// `hole` a key-coloured eye in it, so two frames differ in outline.
HBITMAP MakeFrame(int size, bool hole)
{
    HDC screen = ::GetDC(nullptr);
    HBITMAP bmp = ::CreateCompatibleBitmap(screen, size, size);
    HDC dc = ::CreateCompatibleDC(screen);
    HGDIOBJ oldBmp = ::SelectObject(dc, bmp);
    RECT all = { 0, 0, size, size };
    HBRUSH key = ::CreateSolidBrush(RGB(255, 0, 255));
    ::FillRect(dc, &all, key);
    HGDIOBJ oldPen = ::SelectObject(dc, ::GetStockObject(NULL_PEN));
    for (int ring = 0; ring < 4; ++ring) {
        HBRUSH b = ::CreateSolidBrush(RGB(200 - 40 * ring, 60 + 30 * ring, 40));
        HGDIOBJ oldBrush = ::SelectObject(dc, b);
        int inset = ring * size / 10;
        ::Ellipse(dc, inset, inset, size - inset, size - inset);
        ::SelectObject(dc, oldBrush);
        ::DeleteObject(b);
    }
    if (hole) {
        HGDIOBJ oldBrush = ::SelectObject(dc, key);
        ::Ellipse(dc, size / 4, size / 4, size / 2, size / 2);
        ::SelectObject(dc, oldBrush);
    }
    ::SelectObject(dc, oldPen);
    ::SelectObject(dc, oldBmp);
    ::DeleteObject(key);
    ::DeleteDC(dc);
    ::ReleaseDC(nullptr, screen);
    return bmp;
}

// LoadFrame's work after the resource is loaded: image, region, region data.
void Convert(CCharacter& character, int slot, HBITMAP bmp)
{
    character.CaptureFrameImage(slot, nullptr, bmp);
    HRGN rgn = character.BitmapToRegion(bmp);
    FrameSlot& f = character.m_frames[slot];
    free(f.rgnData);
    f.rgnSize = rgn ? ::GetRegionData(rgn, 0, nullptr) : 0;
    f.rgnData = static_cast<unsigned char*>(malloc(f.rgnSize ? f.rgnSize : 1));
    if (rgn) {
        ::GetRegionData(rgn, f.rgnSize, reinterpret_cast<RGNDATA*>(f.rgnData));
        ::DeleteObject(rgn);
    }
}

void BenchConvert(int size)
{
    HBITMAP bmp = MakeFrame(size, false);
    CCharacter dlg;
    int reps = size <= 32 ? 400 : size <= 128 ? 60 : 6;
    Convert(dlg, 0, bmp);  // warm-up
    LONG calls0 = g_getDIBitsCalls;
    double best = 1e9, total = 0;
    for (int i = 0; i < reps; ++i) {
        double t0 = Now();
        Convert(dlg, 0, bmp);
        double dt = Now() - t0;
        total += dt;
        if (dt < best)
            best = dt;
    }
    const FrameSlot& f = dlg.m_frames[0];
    const RGNDATAHEADER* h = reinterpret_cast<const RGNDATAHEADER*>(f.rgnData);
    printf("convert %4dx%-4d  mean %9.3f ms  best %9.3f ms  (%d runs; region data %lu bytes, %lu rects; "
           "GetDIBits calls per frame %ld)\n",
           size, size, 1000 * total / reps, 1000 * best, reps, static_cast<unsigned long>(f.rgnSize),
           static_cast<unsigned long>(h ? h->nCount : 0), (g_getDIBitsCalls - calls0) / reps);
    dlg.ReleaseFrames(1);
    ::DeleteObject(bmp);
}

CCharacter* g_painter = nullptr;

// Paints as the doll window does: the frame at the character's scale is
// drawn when the background is erased.
LRESULT CALLBACK FrameWndProc(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == WM_ERASEBKGND && g_painter && g_painter->m_curFrame >= 0) {
        g_painter->DrawFrame(g_painter->Frame(g_painter->m_curFrame).dib, reinterpret_cast<HDC>(wParam));
        return 0;
    }
    return ::DefWindowProcA(hWnd, msg, wParam, lParam);
}

// User and kernel time of this process (the wineserver's is not in it).
double CpuSeconds()
{
    FILETIME created, exited, kernel, user;
    ::GetProcessTimes(::GetCurrentProcess(), &created, &exited, &kernel, &user);
    auto seconds = [](const FILETIME& f) {
        return static_cast<double>((static_cast<ULONGLONG>(f.dwHighDateTime) << 32) | f.dwLowDateTime) * 1e-7;
    };
    return seconds(kernel) + seconds(user);
}

double Median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

double Mean(const std::vector<double>& v)
{
    double sum = 0;
    for (double x : v)
        sum += x;
    return sum / static_cast<double>(v.size());
}

void PumpPending()
{
    MSG msg;
    while (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
        ::DispatchMessageA(&msg);
}

void BenchFrameChange(int size, UINT dpi)
{
    CCharacter dlg;
    HBITMAP a = MakeFrame(size, false), b = MakeFrame(size, true);
    Convert(dlg, 0, a);
    Convert(dlg, 1, b);
    ::DeleteObject(a);
    ::DeleteObject(b);
    dlg.m_frameCount[0] = 2;
    dlg.m_frameInterval[0] = 100;
    dlg.m_curFrame = 0;
    // The frames at the scale, made once, before any change.
    LONG calls0 = g_getDIBitsCalls;
    double t0 = Now();
    dlg.SetDpi(dpi);
    double scaling = Now() - t0;
    LONG scalingCalls = g_getDIBitsCalls - calls0;
    int shown = dlg.m_frameWidth;

    HWND hWnd = ::CreateWindowExA(WS_EX_TOOLWINDOW | WS_EX_TOPMOST, "KelmoraBenchFrame", "", WS_POPUP | WS_VISIBLE,
                                  200, 200, shown, shown, nullptr, nullptr, ::GetModuleHandleA(nullptr), nullptr);
    g_painter = &dlg;
    PumpPending();

    // The consumer sequence of a frame change, alternating two frames.
    const int reps = 500;
    calls0 = g_getDIBitsCalls;
    double cpu0 = CpuSeconds();
    std::vector<double> create, shape, redraw, whole;
    for (int i = 0; i < reps; ++i) {
        int next = (i + 1) & 1;
        dlg.m_curFrame = next;
        const FrameSlot& f = dlg.Frame(next);
        double t0 = Now();
        HRGN rgn = ::ExtCreateRegion(nullptr, f.rgnSize, reinterpret_cast<const RGNDATA*>(f.rgnData));
        double t1 = Now();
        ::SetWindowRgn(hWnd, rgn, TRUE);
        double t2 = Now();
        ::RedrawWindow(hWnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
        double t3 = Now();
        create.push_back(t1 - t0);
        shape.push_back(t2 - t1);
        redraw.push_back(t3 - t2);
        whole.push_back(t3 - t0);
    }
    double bareCpu = (CpuSeconds() - cpu0) / reps;
    LONG bareCalls = g_getDIBitsCalls - calls0;
    PumpPending();

    // For comparison only: the shape set without the platform's own
    // redraw (which the doll needs, or what its old shape uncovered stays
    // stale on screen), to show where the time goes.
    std::vector<double> quiet;
    for (int i = 0; i < reps; ++i) {
        const FrameSlot& f = dlg.Frame((i + 1) & 1);
        HRGN rgn = ::ExtCreateRegion(nullptr, f.rgnSize, reinterpret_cast<const RGNDATA*>(f.rgnData));
        double t0 = Now();
        ::SetWindowRgn(hWnd, rgn, FALSE);
        quiet.push_back(Now() - t0);
    }
    PumpPending();

    printf("frame change %3dx%-3d at %3u DPI (shown %dx%d; the scale made once in %.2f ms, %ld GetDIBits calls)\n",
           size, size, dpi, shown, shown, 1000 * scaling, scalingCalls);
    printf("                      median (mean) in us: ExtCreateRegion %.1f (%.1f), SetWindowRgn %.1f (%.1f), "
           "RedrawWindow 0x105 %.1f (%.1f); the three %.1f (%.1f)\n",
           1e6 * Median(create), 1e6 * Mean(create), 1e6 * Median(shape), 1e6 * Mean(shape), 1e6 * Median(redraw),
           1e6 * Mean(redraw), 1e6 * Median(whole), 1e6 * Mean(whole));
    printf("                      CPU of this process per change: %.1f us; GetDIBits calls in %d changes: %ld\n",
           1e6 * bareCpu, reps, bareCalls);
    printf("                      for comparison, SetWindowRgn without redraw: %.1f (%.1f) us\n", 1e6 * Median(quiet),
           1e6 * Mean(quiet));
    g_painter = nullptr;
    ::DestroyWindow(hWnd);
    dlg.ReleaseFrames(2);
}

// A whole plug-in character at a DPI: load the DLL, convert every frame,
// enlarge them, copy cursor and icons, unload.
void BenchLoadCharacter(const char* name, UINT dpi)
{
    char path[MAX_PATH];
    ::GetModuleFileNameA(nullptr, path, sizeof path);
    char* slash = strrchr(path, '\\');
    if (slash)
        *slash = '\0';
    slash = strrchr(path, '\\');
    if (slash)
        *slash = '\0';
    char dll[MAX_PATH];
    snprintf(dll, sizeof dll, "%s\\dist\\imagedlls\\%s.dll", path, name);
    std::vector<double> times;
    int frames = 0, width = 0, height = 0;
    for (int i = 0; i < 12; ++i) {
        CCharacter dlg;
        dlg.SetDpi(dpi);
        double t0 = Now();
        bool shown = false;
        dlg.LoadCharacter(dll, &shown);
        times.push_back(Now() - t0);
        if (!shown) {
            printf("load %s: not loaded from %s\n", name, dll);
            return;
        }
        frames = 0;
        for (int k = 0; k < 6; ++k)
            frames += dlg.m_frameCount[k];
        width = dlg.m_frameWidth;
        height = dlg.m_frameHeight;
        dlg.ReleaseFrames(frames);
    }
    printf("load %-8s at %3u DPI: %d frames shown at %dx%d  median %.2f ms  mean %.2f ms  (%zu loads)\n", name, dpi,
           frames, width, height, 1000 * Median(times), 1000 * Mean(times), times.size());
}

}  // namespace

int main()
{
    setvbuf(stdout, nullptr, _IONBF, 0);
    WNDCLASSA wc = {};
    wc.lpfnWndProc = &FrameWndProc;
    wc.hInstance = ::GetModuleHandleA(nullptr);
    wc.lpszClassName = "KelmoraBenchFrame";
    wc.hCursor = ::LoadCursorA(nullptr, MAKEINTRESOURCEA(32512));
    ::RegisterClassA(&wc);
    g_realGetDIBits = reinterpret_cast<decltype(g_realGetDIBits)>(
        RedirectImport("gdi32.dll", "GetDIBits", reinterpret_cast<void*>(&CountingGetDIBits)));
    if (!g_realGetDIBits)
        printf("warning: GetDIBits is not counted (import not found)\n");

    printf("-- converting one frame (CaptureFrameImage + BitmapToRegion + GetRegionData), a disc on magenta\n");
    for (int size : { 32, 128, 512 })
        BenchConvert(size);
    printf("-- changing the shown frame on a real shaped, visible window, two frames alternating\n");
    for (UINT dpi : { 96u, 144u })
        for (int size : { 32, 128 })
            BenchFrameChange(size, dpi);
    printf("-- loading the larger sample character (all frames converted, and enlarged above 96 DPI)\n");
    for (UINT dpi : { 96u, 144u })
        BenchLoadCharacter("nimbus", dpi);
    return 0;
}
