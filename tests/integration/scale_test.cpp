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

int IconWidth(HICON icon)
{
    ICONINFO info = {};
    if (!::GetIconInfo(icon, &info))
        return 0;
    BITMAP bm = {};
    ::GetObjectA(info.hbmMask, sizeof bm, &bm);
    if (info.hbmColor)
        ::DeleteObject(info.hbmColor);
    ::DeleteObject(info.hbmMask);
    return bm.bmWidth;
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
    Image screen = ScreenImage(rc);
    HRGN region = WindowRegion(r.doll);
    ASSERT_NE(region, nullptr);
    int inside = 0, foreign = 0;
    for (int y = 0; y < screen.height; ++y)
        for (int x = 0; x < screen.width; ++x)
            if (::PtInRegion(region, x, y)) {
                ++inside;
                foreign += colours.count(screen.At(x, y)) == 0;
            }
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
