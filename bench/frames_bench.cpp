// Prints what frames cost: converting a bitmap into the stored image and
// region data (once per frame, when a character loads), and changing the
// shown frame on a real shaped window (every motion tick that changes it).
// It also counts GetDIBits calls, the only way pixels are read, to show
// that a frame change reads none.
#include <windows.h>
#include <stdio.h>
#include <string.h>

#include <algorithm>
#include <vector>

#include "doll/DollDlg.h"
#include "tests/harness/DollAccess.h"
#include "doll/motion.h"
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
void Convert(CDollDlg& dlg, int slot, HBITMAP bmp)
{
    dlg.CaptureFrameImage(slot, nullptr, bmp);
    HRGN rgn = dlg.BitmapToRegion(bmp);
    FrameSlot& f = CDollDlgAccess(dlg).m_frames[slot];
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
    CDollDlg dlg;
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
    const FrameSlot& f = CDollDlgAccess(dlg).m_frames[0];
    const RGNDATAHEADER* h = reinterpret_cast<const RGNDATAHEADER*>(f.rgnData);
    printf("convert %4dx%-4d  mean %9.3f ms  best %9.3f ms  (%d runs; region data %lu bytes, %lu rects; "
           "GetDIBits calls per frame %ld)\n",
           size, size, 1000 * total / reps, 1000 * best, reps, static_cast<unsigned long>(f.rgnSize),
           static_cast<unsigned long>(h ? h->nCount : 0), (g_getDIBitsCalls - calls0) / reps);
    dlg.ReleaseFrames(1);
    ::DeleteObject(bmp);
}

CDollDlgAccess* g_painter = nullptr;
CDollDlg* g_painterDoll = nullptr;

// Paints as the doll window does: the frame is drawn when the background is
// erased.
LRESULT CALLBACK FrameWndProc(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == WM_ERASEBKGND && g_painter && g_painter->m_curFrame >= 0) {
        g_painterDoll->DrawFrame(g_painter->m_frames[g_painter->m_curFrame].dib, reinterpret_cast<HDC>(wParam));
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

void BenchFrameChange(int size)
{
    CDollDlg doll;
    CDollDlgAccess dlg(doll);
    HBITMAP a = MakeFrame(size, false), b = MakeFrame(size, true);
    Convert(doll, 0, a);
    Convert(doll, 1, b);
    ::DeleteObject(a);
    ::DeleteObject(b);
    dlg.m_frameCount[0] = 2;
    dlg.m_frameInterval[0] = 100;
    dlg.m_curFrame = 0;

    HWND hWnd = ::CreateWindowExA(WS_EX_TOOLWINDOW | WS_EX_TOPMOST, "KelmoraBenchFrame", "", WS_POPUP | WS_VISIBLE,
                                  200, 200, size, size, nullptr, nullptr, ::GetModuleHandleA(nullptr), nullptr);
    g_painter = &dlg;
    g_painterDoll = &doll;
    PumpPending();

    // The bare consumer sequence, alternating two frames.
    const int reps = 500;
    LONG calls0 = g_getDIBitsCalls;
    double cpu0 = CpuSeconds();
    std::vector<double> create, shape, redraw, whole;
    for (int i = 0; i < reps; ++i) {
        int next = (i + 1) & 1;
        dlg.m_curFrame = next;
        const FrameSlot& f = dlg.m_frames[next];
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
        const FrameSlot& f = dlg.m_frames[(i + 1) & 1];
        HRGN rgn = ::ExtCreateRegion(nullptr, f.rgnSize, reinterpret_cast<const RGNDATA*>(f.rgnData));
        double t0 = Now();
        ::SetWindowRgn(hWnd, rgn, FALSE);
        quiet.push_back(Now() - t0);
    }
    PumpPending();

    // The doll window's own SelectFrame on the same window: walking down
    // cycles the two frames, so every call changes the frame.
    doll.m_hWnd = hWnd;
    dlg.m_framePos[0] = dlg.m_curFrame == 0 ? 1 : 0;
    calls0 = g_getDIBitsCalls;
    std::vector<double> select;
    for (int i = 0; i < reps; ++i) {
        double t0 = Now();
        dlg.SelectFrame(ANIM_DOWN);
        select.push_back(Now() - t0);
    }
    LONG selectCalls = g_getDIBitsCalls - calls0;
    ::KillTimer(hWnd, TIMER_MOTION);
    doll.m_hWnd = nullptr;
    PumpPending();

    printf("frame change %3dx%-3d  median (mean) in us: ExtCreateRegion %.1f (%.1f), SetWindowRgn %.1f (%.1f), "
           "RedrawWindow 0x105 %.1f (%.1f); the three %.1f (%.1f); CDollDlg::SelectFrame %.1f (%.1f)\n",
           size, size, 1e6 * Median(create), 1e6 * Mean(create), 1e6 * Median(shape), 1e6 * Mean(shape),
           1e6 * Median(redraw), 1e6 * Mean(redraw), 1e6 * Median(whole), 1e6 * Mean(whole), 1e6 * Median(select),
           1e6 * Mean(select));
    printf("                      CPU of this process per change (the three calls): %.1f us; GetDIBits calls in "
           "%d changes: %ld (the three calls), %ld (SelectFrame)\n",
           1e6 * bareCpu, reps, bareCalls, selectCalls);
    printf("                      for comparison, SetWindowRgn without redraw: %.1f (%.1f) us\n", 1e6 * Median(quiet),
           1e6 * Mean(quiet));
    g_painter = nullptr;
    g_painterDoll = nullptr;
    ::DestroyWindow(hWnd);
    doll.ReleaseFrames(2);
}

// A whole plug-in character: load the DLL, convert every frame, copy cursor
// and icons, unload.
void BenchLoadCharacter(const char* name)
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
        CDollDlg dlg;
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
            frames += CDollDlgAccess(dlg).m_frameCount[k];
        width = CDollDlgAccess(dlg).m_frameWidth;
        height = CDollDlgAccess(dlg).m_frameHeight;
        dlg.ReleaseFrames(frames);
    }
    printf("load %-8s %d frames of %dx%d  median %.2f ms  mean %.2f ms  (%zu loads)\n", name, frames, width, height,
           1000 * Median(times), 1000 * Mean(times), times.size());
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
    for (int size : { 32, 128 })
        BenchFrameChange(size);
    printf("-- loading the larger sample character (all frames converted)\n");
    BenchLoadCharacter("nimbus");
    return 0;
}
