// The program at the system DPI of this run (KELMORA_DPI: 96, and 120, 144
// and 192 in their own ctest entries) and told of a new DPI as Windows
// tells a window moved onto a monitor of another scale. The doll's expected
// pictures and shapes are the car's bitmaps enlarged here.
#include <gtest/gtest.h>

#include <memory>
#include <set>
#include <string>
#include <vector>

#include "character/Character.h"
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

std::vector<Image> EnlargedAll(const std::vector<Image>& frames, UINT dpi)
{
    std::vector<Image> out;
    for (const Image& f : frames)
        out.push_back(Enlarged(f, dpi));
    return out;
}

const int kLastRest = kBuiltInRestFirst + 2;

// The program with the built-in car, its thread hooked before it runs, the
// record telling apart the car's frames enlarged for `dpi`, resting with
// the cursor on it.
struct RestingDoll {
    Installed d;
    std::vector<Image> frames = BuiltInImages(DistDir() + "Kelmora.exe");
    std::unique_ptr<Inside> in;
    HWND doll = nullptr;

    bool Start(UINT dpi)
    {
        ::SetCursorPos(::GetSystemMetrics(SM_CXSCREEN) / 2, ::GetSystemMetrics(SM_CYSCREEN) / 2);
        if (frames.size() <= static_cast<size_t>(kLastRest) ||
            !d.program.Start(kStartHung, [&](DWORD thread) { in.reset(new Inside(thread, EnlargedAll(frames, dpi))); }))
            return false;
        doll = d.program.Doll();
        return in->Hooked() && Rest();
    }

    bool Rest()
    {
        RECT rc = WindowRect(doll);
        ::SetCursorPos(rc.left + (rc.right - rc.left) / 2, rc.top + (rc.bottom - rc.top) / 2);
        return WaitFor([&] { return in->Shown() == kLastRest; }, kHung);
    }

    // The shape the recorder saw with the last frame drawn.
    LONG LastShape() const
    {
        LONG shape = 0;
        for (const DollEvent& e : in->Events())
            if (e.kind == EV_FRAME)
                shape = e.b;
        return shape;
    }
};

// The window's region is exactly the opaque pixels of the picture.
bool ShapedLike(HWND hWnd, const Image& picture)
{
    HRGN window = WindowRegion(hWnd);
    HRGN opaque = OpaqueRegion(picture);
    bool same = window && ::EqualRgn(window, opaque);
    if (window)
        ::DeleteObject(window);
    ::DeleteObject(opaque);
    return same;
}

}  // namespace

// The run is at the DPI it asked for, or every check below would pass at 96.
TEST(Scale, ProgramsOfThisRunHaveTheDpiItAskedFor)
{
    EXPECT_EQ(SystemDpi(), AskedDpi());
    EXPECT_EQ(OwnWindowDpi(), AskedDpi());
}

// The doll at the system's scale: the car enlarged, drawn in its own
// colours only with the key nowhere, cut to the enlarged picture's shape,
// and a double click at its enlarged centre opening the box.
TEST(Scale, TheDollIsTheCarEnlargedPixelForPixel)
{
    const UINT dpi = AskedDpi();
    RestingDoll r;
    ASSERT_TRUE(r.Start(dpi)) << (r.in ? Describe(r.in->Events()) : std::string());
    const Image car = r.frames[kLastRest];
    const Image shown = Enlarged(car, dpi);
    RECT rc = WindowRect(r.doll);
    EXPECT_EQ(rc.right - rc.left, ScaledSize(car.width, dpi));
    EXPECT_EQ(rc.bottom - rc.top, ScaledSize(car.height, dpi));
    // What the window holds matched the enlarged frame on its opaque pixels
    // (Shown), and its region is their shape.
    EXPECT_EQ(r.LastShape(), FrameShape(shown));
    EXPECT_TRUE(ShapedLike(r.doll, shown));

    // What the user sees there: only colours of the frame, never the key.
    std::set<uint32_t> colours;
    for (uint32_t p : car.pixels)
        if (p != kClear)
            colours.insert(p);
    // The window server shows a new shape before the picture in it: the
    // screen is read until it has the picture.
    HRGN region = WindowRegion(r.doll);
    ASSERT_NE(region, nullptr);
    int inside = 0, foreign = 0;
    WaitFor([&] {
        Image screen = ScreenImage(rc);
        inside = foreign = 0;
        for (int y = 0; y < screen.height; ++y)
            for (int x = 0; x < screen.width; ++x)
                if (::PtInRegion(region, x, y)) {
                    ++inside;
                    foreign += colours.count(screen.At(x, y)) == 0;
                }
        return foreign == 0;
    });
    ::DeleteObject(region);
    EXPECT_EQ(foreign, 0) << "of " << inside << " pixels";
    EXPECT_GT(inside, car.width * car.height / 4);

    // Two clicks, stamped as one double click, at the centre.
    HWND box = r.d.program.SearchBox();
    ASSERT_NE(box, nullptr);
    ASSERT_FALSE(::IsWindowVisible(box));
    ::SetCursorPos(rc.left + (rc.right - rc.left) / 2, rc.top + (rc.bottom - rc.top) / 2);
    INPUT clicks[4] = {};
    const DWORD flags[4] = { MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_LEFTUP, MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_LEFTUP };
    DWORD now = ::GetTickCount();
    for (int i = 0; i < 4; ++i) {
        clicks[i].type = INPUT_MOUSE;
        clicks[i].mi.dwFlags = flags[i];
        clicks[i].mi.time = now + static_cast<DWORD>(i);
    }
    ASSERT_EQ(::SendInput(4, clicks, sizeof(INPUT)), 4u);
    EXPECT_TRUE(WaitFor([&] { return ::IsWindowVisible(box) != FALSE; })) << Describe(r.in->Events());
}

// Moved onto a monitor of another scale and back, the doll takes that scale
// at once, standing where it stood, and comes back exactly as it was.
TEST(Scale, ANewDpiResizesTheDollAboutItsFootAndBack)
{
    const UINT dpi = AskedDpi(), other = dpi == 192 ? 96 : 192;
    RestingDoll r;
    ASSERT_TRUE(r.Start(dpi)) << (r.in ? Describe(r.in->Events()) : std::string());
    const Image& car = r.frames[kLastRest];
    RECT before = WindowRect(r.doll);
    HRGN beforeShape = WindowRegion(r.doll);
    ASSERT_NE(beforeShape, nullptr);

    // Windows suggests the window scaled about its top left corner.
    RECT suggested = { before.left, before.top, before.left + ScaledSize(car.width, other),
                       before.top + ScaledSize(car.height, other) };
    r.in->SetFrames(EnlargedAll(r.frames, other));
    r.in->DpiChanged(r.doll, other, suggested);
    ASSERT_NE(r.in->Sync(), 0u);
    RECT now = WindowRect(r.doll);
    EXPECT_EQ(now.right - now.left, ScaledSize(car.width, other));
    EXPECT_EQ(now.bottom - now.top, ScaledSize(car.height, other));
    EXPECT_EQ(now.bottom, before.bottom) << "the foot stays";
    EXPECT_EQ(now.left + (now.right - now.left) / 2, before.left + (before.right - before.left) / 2);
    EXPECT_EQ(r.in->Shown(), kLastRest);
    EXPECT_EQ(r.LastShape(), FrameShape(Enlarged(car, other)));
    EXPECT_TRUE(ShapedLike(r.doll, Enlarged(car, other)));

    r.in->SetFrames(EnlargedAll(r.frames, dpi));
    r.in->DpiChanged(r.doll, dpi, before);
    ASSERT_NE(r.in->Sync(), 0u);
    now = WindowRect(r.doll);
    EXPECT_TRUE(::EqualRect(&now, &before)) << now.left << "," << now.top << " " << now.right << "," << now.bottom;
    EXPECT_EQ(r.in->Shown(), kLastRest);
    HRGN afterShape = WindowRegion(r.doll);
    ASSERT_NE(afterShape, nullptr);
    EXPECT_TRUE(::EqualRgn(afterShape, beforeShape));
    ::DeleteObject(afterShape);
    ::DeleteObject(beforeShape);
}

// A plug-in's frames are enlarged as the car's, and its cursor and icons
// come at the DPI's sizes; the frames it was loaded from stay as they are.
TEST(Scale, APluginCharacterAtTheSystemDpi)
{
    const UINT dpi = AskedDpi();
    std::vector<Image> cat = ModuleImages(SamplePlugin("cat"), KELMORA_FRAME_FIRST, 1);
    ASSERT_EQ(cat.size(), 1u);
    CCharacter c;
    c.SetDpi(dpi);
    bool shown = false;
    c.LoadCharacter(SamplePlugin("cat").c_str(), &shown);
    ASSERT_TRUE(shown);
    EXPECT_EQ(c.m_frameWidth, ScaledSize(cat[0].width, dpi));
    // The sizes the platform gives this process, at the system's DPI.
    EXPECT_EQ(IconWidth(c.m_hCharCursor), ::GetSystemMetrics(SM_CXCURSOR));
    EXPECT_EQ(IconWidth(c.m_hCharIcon), ::GetSystemMetrics(SM_CXSMICON));
    EXPECT_EQ(IconWidth(c.m_hCharSmallIcon), ::GetSystemMetrics(SM_CXSMICON));
    EXPECT_EQ(::GetSystemMetrics(SM_CXSMICON), ScaledSize(16, dpi));

    const FrameSlot& frame = c.Frame(0);
    HRGN stored = ::ExtCreateRegion(nullptr, frame.rgnSize, reinterpret_cast<const RGNDATA*>(frame.rgnData));
    HRGN opaque = OpaqueRegion(Enlarged(cat[0], dpi));
    EXPECT_TRUE(stored && ::EqualRgn(stored, opaque));
    ::DeleteObject(opaque);
    if (stored)
        ::DeleteObject(stored);
    BITMAPINFOHEADER loaded;
    memcpy(&loaded, c.m_frames[0].dib + 14, sizeof loaded);
    EXPECT_EQ(loaded.biWidth, cat[0].width);
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

// The screen is read until the window server shows the balloon as drawn.
bool ShowsOutline(HWND box, int width)
{
    return WaitFor([&] { return OutlineWidth(box) == width; });
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
    EXPECT_TRUE(WaitFor([&] { return TailAt(box, x, ScaledSize(3, dpi)); })) << "no tail at the doll";
    EXPECT_FALSE(TailAt(box, x + ScaledSize(20, dpi), ScaledSize(3, dpi)));
    EXPECT_TRUE(ShowsOutline(box, ScaledSize(2, dpi))) << OutlineWidth(box);

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
    ASSERT_TRUE(WaitFor([&] { return TailAt(box, x, ScaledSize(3, dpi)); }));
    HRGN shape = WindowRegion(box);
    ASSERT_NE(shape, nullptr);
    int w = before.right - before.left, h = before.bottom - before.top;

    RECT suggested = { before.left, before.top, before.left + ::MulDiv(w, static_cast<int>(other), static_cast<int>(dpi)),
                       before.top + ::MulDiv(h, static_cast<int>(other), static_cast<int>(dpi)) };
    in.DpiChanged(box, other, suggested);
    ASSERT_NE(in.Sync(), 0u);
    RECT now = WindowRect(box);
    EXPECT_TRUE(::EqualRect(&now, &suggested));
    EXPECT_TRUE(ShowsOutline(box, ScaledSize(2, other))) << OutlineWidth(box);
    int inside = (ScaledSize(10, dpi) + ScaledSize(10, other)) / 2;  // between the two insets
    EXPECT_EQ(TailAt(box, inside, (suggested.bottom - suggested.top) / 2), other < dpi) << "the balloon's inset";
    // The tail where the doll's centre now lies in the box, unless that is
    // near a side (the box got smaller) or beyond.
    int xNow = (dollRect.left + dollRect.right) / 2 - now.left, margin = ScaledSize(25, other);
    bool tail = margin < xNow && xNow < now.right - now.left - margin;
    EXPECT_EQ(TailAt(box, xNow, ScaledSize(3, other)), tail) << xNow;

    in.DpiChanged(box, dpi, before);
    ASSERT_NE(in.Sync(), 0u);
    now = WindowRect(box);
    EXPECT_TRUE(::EqualRect(&now, &before));
    HRGN back = WindowRegion(box);
    ASSERT_NE(back, nullptr);
    EXPECT_TRUE(::EqualRgn(back, shape)) << "the balloon did not come back as it was";
    EXPECT_TRUE(ShowsOutline(box, ScaledSize(2, dpi))) << OutlineWidth(box);
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
    POINT want = { ScaledSize(50, dpi) - frame.width / 2, ScaledSize(96, dpi) - frame.height / 2 };
    if (want.y < ScaledSize(60, dpi))
        want.y = ScaledSize(60, dpi);
    // The column's pixels, wherever the dialog is by now; those of its
    // controls are hidden (the labels' rectangles reach over the preview's
    // top, and they paint after it).
    auto column = [&] {
        POINT client = { 0, 0 };
        ::ClientToScreen(dlg, &client);
        RECT area = { client.x, client.y, client.x + ScaledSize(100, dpi), client.y + ScaledSize(140, dpi) };
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
