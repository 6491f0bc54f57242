// Helpers shared by the tests that drive the doll and its search box from
// outside: commands, menus, motion seen as window positions, the screen.
#pragma once
#include <windows.h>
#include <tlhelp32.h>
#include <winternl.h>

#include <string>

#include "doll/DollDlg.h"
#include "harness/Harness.h"
#include "res/resource.h"

namespace ui {

struct Frames {
    CDollDlg dlg;
    ~Frames() { dlg.ReleaseFrames(FRAME_SLOTS); }
};

// Whether the doll window's region is the region of one of the frames of
// the plug-in at path.
inline bool ShowsFrameOf(HWND doll, const std::string& path, int* frameShown)
{
    Frames frames;
    bool shown = false;
    frames.dlg.LoadCharacter(path.c_str(), &shown);
    if (!shown)
        return false;
    HRGN windowRgn = ::CreateRectRgn(0, 0, 0, 0);
    bool match = false;
    if (::GetWindowRgn(doll, windowRgn) != ERROR) {
        for (int i = 0; i < FRAME_SLOTS && !match; ++i) {
            const FrameSlot& slot = frames.dlg.m_frames[i];
            if (!slot.rgnData)
                continue;
            HRGN rgn = ::ExtCreateRegion(nullptr, slot.rgnSize, reinterpret_cast<const RGNDATA*>(slot.rgnData));
            if (rgn && ::EqualRgn(rgn, windowRgn)) {
                match = true;
                *frameShown = i;
            }
            if (rgn)
                ::DeleteObject(rgn);
        }
    }
    ::DeleteObject(windowRgn);
    return match;
}

inline RECT WindowRect(HWND hWnd)
{
    RECT rc = {};
    ::GetWindowRect(hWnd, &rc);
    return rc;
}

inline void Command(HWND hWnd, UINT id)
{
    ::PostMessageA(hWnd, WM_COMMAND, id, 0);
}

// The doll walks towards the cursor when it is far away: its window moves.
inline bool DollMoves(HWND doll, DWORD withinMs = 3000)
{
    ::SetCursorPos(5, 5);
    RECT start = WindowRect(doll);
    return harness::WaitFor([&] {
        RECT now = WindowRect(doll);
        return now.left != start.left || now.top != start.top;
    }, withinMs);
}

inline bool DollStaysStill(HWND doll, DWORD forMs = 1000)
{
    ::SetCursorPos(5, 5);
    RECT start = WindowRect(doll);
    harness::Pump(forMs);
    RECT now = WindowRect(doll);
    return now.left == start.left && now.top == start.top;
}

inline HWND Menu(DWORD pid)
{
    HWND found = nullptr;
    harness::WaitFor([&] { return (found = harness::FindProcessWindow(pid, "#32768", nullptr)) != nullptr; }, 5000);
    return found;
}

// Keys reach a tracked menu through its thread's queue.
inline void Key(HWND hWnd, UINT vk)
{
    ::PostMessageA(hWnd, WM_KEYDOWN, vk, 1);
    ::PostMessageA(hWnd, WM_KEYUP, vk, 0xC0000001);
    harness::Pump(150);
}

inline std::string Text(HWND hWnd)
{
    char buf[1024] = "";
    ::SendMessageA(hWnd, WM_GETTEXT, sizeof buf, reinterpret_cast<LPARAM>(buf));
    return buf;
}

inline int ComboCount(HWND combo)
{
    return static_cast<int>(::SendMessageA(combo, CB_GETCOUNT, 0, 0));
}

// Asked in UTF-16: Wine hands an ANSI CB_GETLBTEXT of another process
// back as wide text.
inline std::string ComboAt(HWND combo, int i)
{
    wchar_t wide[1024] = L"";
    ::SendMessageW(combo, CB_GETLBTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(wide));
    char buf[2048] = "";
    ::WideCharToMultiByte(CP_ACP, 0, wide, -1, buf, sizeof buf, nullptr, nullptr);
    return buf;
}

inline void SetBoxTimeout(HWND doll, int ms)
{
    ::SendMessageA(doll, ::RegisterWindowMessageA("Kelmora.SetBoxTimeout"), static_cast<WPARAM>(ms), 0);
}

inline bool OpenBox(HWND doll, HWND box)
{
    Command(doll, ID_DOLL_OPENBOX);
    return harness::WaitFor([&] { return ::IsWindowVisible(box) != FALSE; }, 5000);
}

// The screen as a 24-bit BMP file, to look at.
inline void SaveScreen(const std::string& path)
{
    int w = ::GetSystemMetrics(SM_CXSCREEN), h = ::GetSystemMetrics(SM_CYSCREEN);
    HDC screen = ::GetDC(nullptr);
    HDC mem = ::CreateCompatibleDC(screen);
    HBITMAP bmp = ::CreateCompatibleBitmap(screen, w, h);
    HGDIOBJ old = ::SelectObject(mem, bmp);
    ::BitBlt(mem, 0, 0, w, h, screen, 0, 0, SRCCOPY);
    ::SelectObject(mem, old);
    BITMAPINFOHEADER bih = {};
    bih.biSize = sizeof bih;
    bih.biWidth = w;
    bih.biHeight = h;
    bih.biPlanes = 1;
    bih.biBitCount = 24;
    int stride = (w * 3 + 3) & ~3;
    std::string pixels(static_cast<size_t>(stride) * h, '\0');
    ::GetDIBits(mem, bmp, 0, h, &pixels[0], reinterpret_cast<BITMAPINFO*>(&bih), DIB_RGB_COLORS);
    BITMAPFILEHEADER bfh = {};
    bfh.bfType = 0x4D42;
    bfh.bfOffBits = sizeof bfh + sizeof bih;
    bfh.bfSize = bfh.bfOffBits + static_cast<DWORD>(pixels.size());
    std::string file(reinterpret_cast<const char*>(&bfh), sizeof bfh);
    file.append(reinterpret_cast<const char*>(&bih), sizeof bih);
    file += pixels;
    harness::WriteFile(path, file);
    ::DeleteObject(bmp);
    ::DeleteDC(mem);
    ::ReleaseDC(nullptr, screen);
}

// Wine finds its own iexplore.exe before any other on the search path, so
// the launch is observed as the child process the program started: its
// command line, read from the system; then the child is ended.
inline std::string ChildCommandLine(DWORD parent, const char* exeName)
{
    std::string found;
    HANDLE snap = ::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    PROCESSENTRY32 pe = {};
    pe.dwSize = sizeof pe;
    for (BOOL ok = ::Process32First(snap, &pe); ok && found.empty(); ok = ::Process32Next(snap, &pe)) {
        if (pe.th32ParentProcessID != parent || lstrcmpiA(pe.szExeFile, exeName) != 0)
            continue;
        HANDLE h = ::OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ | PROCESS_TERMINATE, FALSE,
                                 pe.th32ProcessID);
        if (!h)
            continue;
        typedef LONG(NTAPI * QueryFn)(HANDLE, ULONG, PVOID, ULONG, PULONG);
        QueryFn query =
            reinterpret_cast<QueryFn>(reinterpret_cast<void*>(
            ::GetProcAddress(::GetModuleHandleA("ntdll.dll"), "NtQueryInformationProcess")));
        PROCESS_BASIC_INFORMATION pbi = {};
        PEB peb = {};
        RTL_USER_PROCESS_PARAMETERS params = {};
        ULONG len = 0;
        if (query && query(h, 0 /* ProcessBasicInformation */, &pbi, sizeof pbi, &len) >= 0 &&
            ::ReadProcessMemory(h, pbi.PebBaseAddress, &peb, sizeof peb, nullptr) &&
            ::ReadProcessMemory(h, peb.ProcessParameters, &params, sizeof params, nullptr)) {
            std::wstring wide(params.CommandLine.Length / 2, L'\0');
            if (::ReadProcessMemory(h, params.CommandLine.Buffer, &wide[0], params.CommandLine.Length, nullptr)) {
                char ansi[4096] = "";
                ::WideCharToMultiByte(CP_ACP, 0, wide.c_str(), static_cast<int>(wide.size()), ansi, sizeof ansi - 1,
                                      nullptr, nullptr);
                found = ansi;
            }
        }
        ::TerminateProcess(h, 0);
        ::CloseHandle(h);
    }
    ::CloseHandle(snap);
    return found;
}

}  // namespace ui
