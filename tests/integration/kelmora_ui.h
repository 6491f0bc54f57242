// Helpers shared by the tests that drive the doll and its search box from
// outside: commands, menus, motion seen as window positions, the screen.
#pragma once
#include <windows.h>
#include <tlhelp32.h>
#include <winternl.h>

#include <string>

#include "doll/DollDlg.h"
#include "harness/Harness.h"
#include "harness/Pixels.h"
#include "plugins/kit/KelmoraCharacter.h"
#include "res/resource.h"

namespace ui {

// The built-in car as drawn in res/art: two frames each of walking down,
// up, left and right, then its resting frames; its motion period.
const int kBuiltInRestFirst = 8;
const LONG kBuiltInPeriodMs = 100;

// The frames of a character plug-in, or of the built-in character in
// Kelmora.exe, read from their bitmap resources, and their shapes.
inline std::vector<harness::Image> PluginImages(const std::string& plugin)
{
    return harness::ModuleImages(plugin, KELMORA_FRAME_FIRST, FRAME_SLOTS);
}
// The built-in frames are the bitmaps from IDB_FRAME_FIRST on that have
// the first one's size; the search box's buttons follow them.
inline std::vector<harness::Image> BuiltInImages(const std::string& exe)
{
    std::vector<harness::Image> frames = harness::ModuleImages(exe, IDB_FRAME_FIRST, FRAME_SLOTS);
    for (size_t i = 1; i < frames.size(); ++i)
        if (frames[i].width != frames[0].width || frames[i].height != frames[0].height)
            frames.resize(i);
    return frames;
}
inline harness::Shapes PluginShapes(const std::string& plugin)
{
    return harness::Shapes(PluginImages(plugin));
}
inline harness::Shapes BuiltInShapes(const std::string& exe)
{
    return harness::Shapes(BuiltInImages(exe));
}

// Whether the doll window is cut to the shape of one of the plug-in's frames.
inline bool ShowsFrameOf(HWND doll, const std::string& plugin, int* frameShown)
{
    *frameShown = PluginShapes(plugin).ShownBy(doll);
    return *frameShown >= 0;
}

// The window that has the mouse captured in the thread of hWnd, or null.
inline HWND Capture(HWND hWnd)
{
    GUITHREADINFO info = {};
    info.cbSize = sizeof info;
    if (!::GetGUIThreadInfo(::GetWindowThreadProcessId(hWnd, nullptr), &info))
        return nullptr;
    return info.hwndCapture;
}

inline RECT WindowRect(HWND hWnd)
{
    RECT rc = {};
    ::GetWindowRect(hWnd, &rc);
    return rc;
}

// The cursor moved to a point with the left button held, as a hand moves it
// on until the dragged window's top left corner is at the corner: under
// load Wine has been seen to let one move go for a look at the pointer a
// moment older.
inline bool DragTo(HWND hWnd, POINT cursor, POINT corner)
{
    return harness::WaitFor([&] {
        RECT rc = WindowRect(hWnd);
        if (rc.left == corner.x && rc.top == corner.y)
            return true;
        ::SetCursorPos(cursor.x, cursor.y);
        ::mouse_event(MOUSEEVENTF_MOVE, 0, 0, 0, 0);
        return false;
    });
}

// Puts the doll at a place and keeps it there: the cursor on its centre
// first, so that no step away is taken after the move; put back when a tick
// that took a reading of the cursor from before stepped it away.
inline bool ParkDoll(HWND doll, int x, int y)
{
    RECT rc = WindowRect(doll);
    ::SetCursorPos(x + (rc.right - rc.left) / 2, y + (rc.bottom - rc.top) / 2);
    return harness::WaitFor([&] {
        RECT now = WindowRect(doll);
        if (now.left == x && now.top == y)
            return true;
        ::SetWindowPos(doll, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        return false;
    });
}

// The box's shape, once it has one (it is cut when first painted), with its
// tail at the given point.
inline bool TailAt(HWND box, int x, int y)
{
    HRGN rgn = harness::WindowRegion(box);
    bool at = rgn && ::PtInRegion(rgn, x, y);
    if (rgn)
        ::DeleteObject(rgn);
    return at;
}

inline void Command(HWND hWnd, UINT id)
{
    ::PostMessageA(hWnd, WM_COMMAND, id, 0);
}

// The doll walks towards the cursor when it is far away: its window moves.
inline bool DollMoves(HWND doll, DWORD withinMs = 20000)
{
    ::SetCursorPos(5, 5);
    RECT start = WindowRect(doll);
    return harness::WaitFor([&] {
        RECT now = WindowRect(doll);
        return now.left != start.left || now.top != start.top;
    }, withinMs);
}

inline HWND Menu(DWORD pid)
{
    HWND found = nullptr;
    harness::WaitFor([&] { return (found = harness::FindProcessWindow(pid, "#32768", nullptr)) != nullptr; }, harness::kHung);
    return found;
}

// Keys reach a tracked menu through its thread's queue, in the order they
// are posted; the caller waits for what the last one does.
inline void Key(HWND hWnd, UINT vk)
{
    ::PostMessageA(hWnd, WM_KEYDOWN, vk, 1);
    ::PostMessageA(hWnd, WM_KEYUP, vk, 0xC0000001);
}

// Texts are read in UTF-16, as the windows hold them, and given as GBK.
inline std::string Text(HWND hWnd)
{
    wchar_t buf[1024] = L"";
    ::SendMessageW(hWnd, WM_GETTEXT, 1024, reinterpret_cast<LPARAM>(buf));
    return harness::Gbk(buf);
}

inline int ComboCount(HWND combo)
{
    return static_cast<int>(::SendMessageA(combo, CB_GETCOUNT, 0, 0));
}

inline std::string ComboAt(HWND combo, int i)
{
    wchar_t wide[1024] = L"";
    ::SendMessageW(combo, CB_GETLBTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(wide));
    return harness::Gbk(wide);
}

inline bool OpenBox(HWND doll, HWND box)
{
    Command(doll, ID_DOLL_OPENBOX);
    return harness::WaitFor([&] { return ::IsWindowVisible(box) != FALSE; }, harness::kHung);
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
// command line, read from the system; then the child is ended. A child too
// young to have its command line yet is left to the next look.
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
            if (::ReadProcessMemory(h, params.CommandLine.Buffer, &wide[0], params.CommandLine.Length, nullptr))
                found = harness::Gbk(wide);
        }
        if (!found.empty())
            ::TerminateProcess(h, 0);
        ::CloseHandle(h);
    }
    ::CloseHandle(snap);
    return found;
}

}  // namespace ui
