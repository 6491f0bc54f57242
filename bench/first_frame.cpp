// Starts a program and prints how long it took until its first frame was on
// the screen: a visible top-level window of the process, shaped by a region,
// whose opaque pixels the screen shows exactly as frame 0 or 1 of the
// built-in character. Polled from outside, the same way for every program.
//   first_frame.exe <exe with the frame bitmaps> <program> [arguments]
#include <windows.h>
#include <stdio.h>
#include <string.h>

#include <string>
#include <vector>

#include "framework/Wnd.h"
#include "imports.h"

namespace {

struct Picture {
    int w = 0, h = 0;
    std::vector<DWORD> px;  // top row first
};

bool LoadPicture(HMODULE module, int id, Picture* p)
{
    HBITMAP bmp = ::LoadBitmapA(module, MAKEINTRESOURCEA(id));
    if (!bmp)
        return false;
    BITMAP bm = {};
    ::GetObjectA(bmp, sizeof bm, &bm);
    p->w = bm.bmWidth;
    p->h = bm.bmHeight;
    p->px.resize(static_cast<size_t>(p->w) * p->h);
    BITMAPINFO bi = {};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = p->w;
    bi.bmiHeader.biHeight = -p->h;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    HDC screen = ::GetDC(nullptr);
    int rows = ::GetDIBits(screen, bmp, 0, p->h, p->px.data(), &bi, DIB_RGB_COLORS);
    ::ReleaseDC(nullptr, screen);
    ::DeleteObject(bmp);
    return rows == p->h;
}

// The screen under the window shows every opaque pixel of the picture.
bool Shows(HDC screen, HDC mem, const DWORD* bits, const RECT& rc, const Picture& p)
{
    if (rc.right - rc.left != p.w || rc.bottom - rc.top != p.h)
        return false;
    ::BitBlt(mem, 0, 0, p.w, p.h, screen, rc.left, rc.top, SRCCOPY);
    ::GdiFlush();
    for (size_t i = 0; i < p.px.size(); ++i)
        if ((p.px[i] & 0xFFFFFF) != 0xFF00FF && (bits[i] & 0xFFFFFF) != (p.px[i] & 0xFFFFFF))
            return false;
    return true;
}

}  // namespace

int main(int argc, char** argv)
{
    setvbuf(stdout, nullptr, _IONBF, 0);
    if (argc < 3) {
        printf("usage: first_frame <exe with the frames> <program> [arguments]\n");
        return 2;
    }
    HMODULE pictures = ::LoadLibraryExA(argv[1], nullptr, LOAD_LIBRARY_AS_DATAFILE);
    Picture frames[2];
    if (!pictures || !LoadPicture(pictures, 4000, &frames[0]) || !LoadPicture(pictures, 4001, &frames[1])) {
        printf("first_frame: no frames in %s\n", argv[1]);
        return 2;
    }
    std::string cmd = std::string("\"") + argv[2] + "\"";
    for (int i = 3; i < argc; ++i)
        cmd += std::string(" ") + argv[i];
    std::string dir = argv[2];
    dir = dir.substr(0, dir.find_last_of("\\/") + 1);

    HDC screen = ::GetDC(nullptr);
    HDC mem = ::CreateCompatibleDC(screen);
    BITMAPINFO bi = {};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = frames[0].w;
    bi.bmiHeader.biHeight = -frames[0].h;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    HBITMAP dib = ::CreateDIBSection(screen, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = ::SelectObject(mem, dib);

    STARTUPINFOA si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi = {};
    double t0 = Now();
    if (!::CreateProcessA(argv[2], &cmd[0], nullptr, nullptr, FALSE, 0, nullptr, dir.empty() ? nullptr : dir.c_str(),
                          &si, &pi)) {
        printf("first_frame: cannot start %s\n", argv[2]);
        return 2;
    }
    double seen = -1;
    HWND shown = nullptr;
    while (Now() - t0 < 20 && ::WaitForSingleObject(pi.hProcess, 0) == WAIT_TIMEOUT) {
        // The doll: the process's visible window with a shape.
        HWND found = FindProcessWindow(pi.dwProcessId, [](HWND hWnd) {
            HRGN rgn = ::CreateRectRgn(0, 0, 0, 0);
            bool shaped = ::IsWindowVisible(hWnd) && ::GetWindowRgn(hWnd, rgn) != ERROR;
            ::DeleteObject(rgn);
            return shaped;
        });
        if (found) {
            RECT rc;
            ::GetWindowRect(found, &rc);
            if (Shows(screen, mem, static_cast<const DWORD*>(bits), rc, frames[0]) ||
                Shows(screen, mem, static_cast<const DWORD*>(bits), rc, frames[1])) {
                seen = Now() - t0;
                shown = found;
                break;
            }
        }
        ::Sleep(1);
    }
    ::SelectObject(mem, old);
    ::DeleteObject(dib);
    ::DeleteDC(mem);
    ::ReleaseDC(nullptr, screen);

    if (shown)
        ::PostMessageA(shown, WM_CLOSE, 0, 0);
    if (::WaitForSingleObject(pi.hProcess, 10000) != WAIT_OBJECT_0)
        ::TerminateProcess(pi.hProcess, 1);
    ::CloseHandle(pi.hThread);
    ::CloseHandle(pi.hProcess);
    if (seen < 0) {
        printf("first_frame: no frame seen\n");
        return 1;
    }
    printf("%.1f\n", 1000 * seen);
    return 0;
}
