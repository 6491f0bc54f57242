// The program at the system DPI of this run (KELMORA_DPI: 96, and 120, 144
// and 192 in their own ctest entries) and told of a new DPI as Windows
// tells a window moved onto a monitor of another scale.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "inside.h"
#include "kelmora_ui.h"

using namespace harness;
using namespace ui;

namespace {

typedef UINT(WINAPI* DpiForWindowFn)(HWND);

// The DPI the platform gives a window of this process; 0 where it has none
// per window.
UINT OwnWindowDpi()
{
    DpiForWindowFn dpiFor = reinterpret_cast<DpiForWindowFn>(
        reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleA("user32.dll"), "GetDpiForWindow")));
    HWND hWnd = ::CreateWindowExA(WS_EX_TOOLWINDOW, "STATIC", "dpi", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                  nullptr, nullptr);
    UINT dpi = dpiFor ? dpiFor(hWnd) : 0;
    ::DestroyWindow(hWnd);
    return dpi;
}

}  // namespace

// The run is at the DPI it asked for, or every check below would pass at 96.
TEST(Scale, ProgramsOfThisRunHaveTheDpiItAskedFor)
{
    EXPECT_EQ(SystemDpi(), AskedDpi());
    EXPECT_EQ(OwnWindowDpi(), AskedDpi());
}

// The test's WM_DPICHANGED reaches the doll from inside its thread, the
// suggested rectangle in the program's own memory.
TEST(Scale, TheDollIsToldOfANewDpiAsWindowsTellsIt)
{
    Installed d;
    std::unique_ptr<Inside> in;
    ASSERT_TRUE(d.program.Start(kStartHung, [&](DWORD thread) { in.reset(new Inside(thread)); }));
    ASSERT_TRUE(in->Hooked());
    RECT suggested = WindowRect(d.program.Doll());
    size_t from = in->Size();
    in->DpiChanged(d.program.Doll(), 192, suggested);
    ASSERT_NE(in->Sync(), 0u);
    int told = 0;
    for (const DollEvent& e : in->Events(from))
        told += e.kind == EV_DPICHANGED && e.a == 192;
    EXPECT_EQ(told, 1) << Describe(in->Events(from));
}
