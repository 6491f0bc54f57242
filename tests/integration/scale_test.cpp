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

namespace {

// The rows from the first to the last that hold anything but white: the
// height of the ink of a text drawn on white.
int InkHeight(const Image& image)
{
    int top = -1, bottom = -1;
    for (int y = 0; y < image.height; ++y)
        for (int x = 0; x < image.width; ++x)
            if (image.At(x, y) != 0xFFFFFF) {
                if (top < 0)
                    top = y;
                bottom = y;
                break;
            }
    return top < 0 ? 0 : bottom - top + 1;
}

// The dialog font of the program's templates, 9-point "宋体", at a DPI.
HFONT DialogFont(UINT dpi)
{
    return ::CreateFontW(-::MulDiv(9, static_cast<int>(dpi), 72), 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE,
                         DEFAULT_CHARSET, 0, 0, PROOF_QUALITY, FF_DONTCARE, Wide("宋体").c_str());
}

// A dialog unit of that font in pixels, as the platform converts them: a
// quarter of the average width of the letters, an eighth of the height.
SIZE DialogBaseUnits(UINT dpi)
{
    HDC dc = ::CreateCompatibleDC(nullptr);
    HFONT font = DialogFont(dpi);
    HGDIOBJ old = ::SelectObject(dc, font);
    TEXTMETRICW tm = {};
    ::GetTextMetricsW(dc, &tm);
    SIZE letters = {};
    ::GetTextExtentPoint32W(dc, L"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz", 52, &letters);
    ::SelectObject(dc, old);
    ::DeleteObject(font);
    ::DeleteDC(dc);
    SIZE units = { (letters.cx / 26 + 1) / 2, tm.tmHeight };
    return units;
}

// An image's pixel hidden by a window in front: it may be anything, but
// most of a picture must be seen.
const uint32_t kHidden = 0xFF000000;

// Where a picture's drawing (its pixels that are not of the colour
// skipped: its white margins, which a button's edge may cover or cut, or a
// frame's see-through key) appears whole and unchanged, pixel for pixel, in
// an image: its top left corner, or none.
bool FindPicture(const Image& image, const Image& picture, uint32_t skipped, POINT* at)
{
    for (int y = -picture.height; y < image.height; ++y)
        for (int x = -picture.width; x < image.width; ++x) {
            bool same = true;
            int drawn = 0, seen = 0;
            for (int py = 0; py < picture.height && same; ++py)
                for (int px = 0; px < picture.width && same; ++px) {
                    if (picture.At(px, py) == skipped)
                        continue;
                    int ix = x + px, iy = y + py;
                    same = ix >= 0 && iy >= 0 && ix < image.width && iy < image.height &&
                           (image.At(ix, iy) == kHidden || image.At(ix, iy) == picture.At(px, py));
                    ++drawn;
                    seen += same && image.At(ix, iy) != kHidden;
                }
            if (same && seen * 2 > drawn) {
                *at = POINT{ x, y };
                return true;
            }
        }
    return false;
}

// The screen, into the folder KELMORA_SCREENSHOTS names, to look at, once
// the window has been painted whole.
void SaveScreenIfAsked(HWND hWnd, const std::string& name)
{
    char dir[MAX_PATH];
    if (!::GetEnvironmentVariableA("KELMORA_SCREENSHOTS", dir, sizeof dir))
        return;
    ::RedrawWindow(hWnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
    SaveScreen(std::string(dir) + "\\" + name);
}

// The doll stands where it is put: its motion timers are held, and all it
// was asked before has been handled.
bool HoldDollAt(Inside& in, HWND doll, int x, int y)
{
    in.Hold(TIMER_MOTION);
    in.Hold(TIMER_TARGET);
    if (!in.Sync())
        return false;
    ::SetWindowPos(doll, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    RECT now = WindowRect(doll);
    return now.left == x && now.top == y;
}

// The box moved, as a user drags it, to have the doll's centre at its own,
// where a tail can be at any scale, and painted; that centre in the box.
int CentreBoxOn(HWND box, HWND doll)
{
    RECT d = WindowRect(doll), b = WindowRect(box);
    int centre = (d.left + d.right) / 2;
    ::SetWindowPos(box, nullptr, centre - (b.right - b.left) / 2, b.top, 0, 0,
                   SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    ::RedrawWindow(box, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
    return centre - WindowRect(box).left;
}

// The black outline's width at the middle of the balloon's left side: its
// pixels from the shape's edge inwards (outside the shape is the desktop).
int OutlineWidth(HWND box)
{
    RECT rc = WindowRect(box);
    int y = (rc.bottom - rc.top) / 2;
    HRGN shape = WindowRegion(box);
    if (!shape)
        return 0;
    Image row = ScreenImage(RECT{ rc.left, rc.top + y, rc.left + (rc.right - rc.left) / 2, rc.top + y + 1 });
    int x = 0;
    while (x < row.width && !::PtInRegion(shape, x, y))
        ++x;
    int width = 0;
    while (x + width < row.width && row.At(x + width, 0) == 0x000000)
        ++width;
    ::DeleteObject(shape);
    return width;
}

}  // namespace

// The box at the run's DPI: the template's size in the dialog font made for
// it, its prompt written in that font, the balloon's outline and tail and
// the magnifier's face enlarged pixel for pixel.
TEST(Scale, TheBoxIsLaidOutAndDrawnForTheDpi)
{
    const UINT dpi = AskedDpi();
    Installed d;
    ASSERT_TRUE(d.program.Start());
    HWND doll = d.program.Doll(), box = d.program.SearchBox();
    ASSERT_NE(box, nullptr);
    Inside in(doll);
    ASSERT_TRUE(in.Hooked());
    ASSERT_TRUE(HoldDollAt(in, doll, 600, 150));
    ASSERT_TRUE(OpenBox(doll, box));

    SIZE unit = DialogBaseUnits(dpi);
    RECT b = WindowRect(box);
    EXPECT_EQ(b.right - b.left, ::MulDiv(172, unit.cx, 4));
    EXPECT_EQ(b.bottom - b.top, ::MulDiv(66, unit.cy, 8));

    HWND prompt = ::GetDlgItem(box, IDC_PROMPT);
    RECT p = WindowRect(prompt);
    Image expected = Drawn(p.right - p.left, p.bottom - p.top, [&](HDC dc) {
        RECT all = { 0, 0, p.right - p.left, p.bottom - p.top };
        ::FillRect(dc, &all, static_cast<HBRUSH>(::GetStockObject(WHITE_BRUSH)));
        HFONT font = DialogFont(dpi);
        HGDIOBJ old = ::SelectObject(dc, font);
        std::wstring text = Wide(KELMORA_DEFAULT_PROMPT);
        ::DrawTextW(dc, text.c_str(), -1, &all, DT_LEFT | DT_WORDBREAK | DT_NOPREFIX);
        ::SelectObject(dc, old);
        ::DeleteObject(font);
    });
    ASSERT_GT(InkHeight(expected), 0);
    EXPECT_TRUE(WaitFor([&] { return InkHeight(ScreenImage(p)) == InkHeight(expected); }))
        << InkHeight(ScreenImage(p)) << " rows of text, not " << InkHeight(expected);

    RECT dollRect = WindowRect(doll);
    ASSERT_EQ(WindowRect(box).top, dollRect.bottom) << "the box is not below the doll";
    int x = CentreBoxOn(box, doll);
    EXPECT_TRUE(WaitFor([&] { return TailAt(box, x, ScaledLength(3, dpi)); })) << "no tail at the doll";
    EXPECT_FALSE(TailAt(box, x + ScaledLength(20, dpi), ScaledLength(3, dpi)));
    EXPECT_EQ(OutlineWidth(box), ScaledLength(2, dpi));

    HMODULE exe = ::LoadLibraryExA((d.dir / "Kelmora.exe").c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(exe, nullptr);
    Image face = Enlarged(ResourceImage(exe, IDB_SEARCH), dpi);
    ::FreeLibrary(exe);
    ASSERT_FALSE(face.Empty());
    HWND search = ::GetDlgItem(box, IDC_SEARCH);
    POINT at;
    EXPECT_TRUE(WaitFor([&] { return FindPicture(ScreenImage(WindowRect(search)), face, 0xFFFFFF, &at); }))
        << "the magnifier's face is not shown at " << face.width << " x " << face.height;
    SaveScreenIfAsked(box, "box-" + std::to_string(dpi) + ".bmp");
    ASSERT_TRUE(d.program.Close());
}

// Moved onto a monitor of another DPI, Windows tells the box so and suggests
// its rectangle there: the box takes that rectangle and draws its balloon
// for the new DPI (the platform lays out the controls, which Wine does not);
// told it is back, the box is exactly as it was.
TEST(Scale, TheBoxFollowsAChangeOfDpiAndComesBack)
{
    const UINT dpi = AskedDpi(), other = dpi == 192 ? 96 : 192;
    Installed d;
    ASSERT_TRUE(d.program.Start());
    HWND doll = d.program.Doll(), box = d.program.SearchBox();
    ASSERT_NE(box, nullptr);
    Inside in(doll);
    ASSERT_TRUE(in.Hooked());
    ASSERT_TRUE(HoldDollAt(in, doll, 600, 150));
    ASSERT_TRUE(OpenBox(doll, box));
    int x = CentreBoxOn(box, doll);
    RECT dollRect = WindowRect(doll), before = WindowRect(box);
    ASSERT_TRUE(WaitFor([&] { return TailAt(box, x, ScaledLength(3, dpi)); }));
    HRGN shape = WindowRegion(box);
    ASSERT_NE(shape, nullptr);
    int w = before.right - before.left, h = before.bottom - before.top;

    RECT suggested = { before.left, before.top, before.left + ::MulDiv(w, static_cast<int>(other), static_cast<int>(dpi)),
                       before.top + ::MulDiv(h, static_cast<int>(other), static_cast<int>(dpi)) };
    in.DpiChanged(box, other, suggested);
    ASSERT_NE(in.Sync(), 0u);
    RECT now = WindowRect(box);
    EXPECT_TRUE(::EqualRect(&now, &suggested));
    EXPECT_EQ(OutlineWidth(box), ScaledLength(2, other));
    int inside = (ScaledLength(10, dpi) + ScaledLength(10, other)) / 2;  // between the two insets
    EXPECT_EQ(TailAt(box, inside, (suggested.bottom - suggested.top) / 2), other < dpi) << "the balloon's inset";
    // The tail where the doll's centre now lies in the box, unless that is
    // near a side (the box got smaller) or beyond.
    int xNow = (dollRect.left + dollRect.right) / 2 - now.left, margin = ScaledLength(25, other);
    bool tail = margin < xNow && xNow < now.right - now.left - margin;
    EXPECT_EQ(TailAt(box, xNow, ScaledLength(3, other)), tail) << xNow;

    in.DpiChanged(box, dpi, before);
    ASSERT_NE(in.Sync(), 0u);
    now = WindowRect(box);
    EXPECT_TRUE(::EqualRect(&now, &before));
    HRGN back = WindowRegion(box);
    ASSERT_NE(back, nullptr);
    EXPECT_TRUE(::EqualRgn(back, shape)) << "the balloon did not come back as it was";
    EXPECT_EQ(OutlineWidth(box), ScaledLength(2, dpi));
    ::DeleteObject(back);
    ::DeleteObject(shape);
    ASSERT_TRUE(d.program.Close());
}

// The settings dialog at the run's DPI shows the selected character's first
// frame enlarged pixel for pixel, see-through where the frame is, centred in
// its column as at 96 DPI, scaled.
TEST(Scale, TheSettingsPreviewIsTheFrameAtTheDpi)
{
    const UINT dpi = AskedDpi();
    Installed d(Installed::WithCharacters, "[SETTEI]\r\nSELECTEDDOLLNAME=cat\r\n");
    ASSERT_TRUE(d.program.Start());
    Command(d.program.Doll(), ID_DOLL_SETTINGS);
    HWND dlg = nullptr;
    ASSERT_TRUE(WaitFor([&] { return (dlg = FindProcessWindow(d.program.Pid(), "#32770", "设置")) != nullptr; }));
    Image frame = Enlarged(PluginImages(d.Plugin("cat"))[0], dpi);
    ASSERT_FALSE(frame.Empty());
    POINT want = { ScaledLength(50, dpi) - frame.width / 2, ScaledLength(96, dpi) - frame.height / 2 };
    if (want.y < ScaledLength(60, dpi))
        want.y = ScaledLength(60, dpi);
    // The column's pixels, wherever the dialog is by now; those of its
    // controls are hidden (the labels' rectangles reach over the preview's
    // top, and they paint after it).
    auto column = [&] {
        POINT client = { 0, 0 };
        ::ClientToScreen(dlg, &client);
        RECT area = { client.x, client.y, client.x + ScaledLength(100, dpi), client.y + ScaledLength(140, dpi) };
        Image image = ScreenImage(area);
        for (HWND c = ::GetWindow(dlg, GW_CHILD); c; c = ::GetWindow(c, GW_HWNDNEXT)) {
            RECT r = WindowRect(c), hidden;
            bool frame = (::GetWindowLongA(c, GWL_STYLE) & BS_TYPEMASK) == BS_GROUPBOX && Text(c).empty();
            if (::IsWindowVisible(c) && !frame && ::IntersectRect(&hidden, &r, &area))
                for (LONG y = hidden.top; y < hidden.bottom; ++y)
                    for (LONG x = hidden.left; x < hidden.right; ++x)
                        image.pixels[static_cast<size_t>(y - area.top) * image.width + (x - area.left)] = kHidden;
        }
        return image;
    };
    POINT at = { -1, -1 };
    EXPECT_TRUE(WaitFor([&] { return FindPicture(column(), frame, kClear, &at) && at.x == want.x && at.y == want.y; }))
        << "the frame is not shown at " << frame.width << " x " << frame.height << " at (" << want.x << ", "
        << want.y << "), last seen at (" << at.x << ", " << at.y << ")";
    SaveScreenIfAsked(dlg, "settings-" + std::to_string(dpi) + ".bmp");
    ::PostMessageA(dlg, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    ASSERT_TRUE(WaitFor([&] { return !FindProcessWindow(d.program.Pid(), "#32770", "设置"); }));
    ASSERT_TRUE(d.program.Close());
}
