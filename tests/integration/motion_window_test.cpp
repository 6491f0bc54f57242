// The running doll seen from outside: its window shape against the frame
// bitmaps, the frames it shows (read back from the screen) and the way it
// walks, rests and leaves rest, without ever taking the user's activation.
#include <gtest/gtest.h>
#include <stdio.h>
#include <stdlib.h>

#include <algorithm>
#include <string>
#include <vector>

#include "harness/Harness.h"
#include "resource.h"

using namespace harness;

namespace {

const int kFrames = 11;  // the built-in character: 2 down, 2 up, 2 left, 2 right, 3 resting
const int kSize = 32;
const int kRestFirst = 8;

// A frame's pixels, top row first, 0x00RRGGBB.
struct Frame {
    int w = 0, h = 0;
    std::vector<DWORD> px;
    bool Opaque(int x, int y) const { return (px[static_cast<size_t>(y * w + x)] & 0xFFFFFF) != 0xFF00FF; }
};

std::vector<DWORD> ReadBitmap(HBITMAP bmp, int w, int h)
{
    std::vector<DWORD> px(static_cast<size_t>(w * h));
    BITMAPINFO bi = {};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = w;
    bi.bmiHeader.biHeight = -h;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    HDC screen = ::GetDC(nullptr);
    int rows = ::GetDIBits(screen, bmp, 0, static_cast<UINT>(h), px.data(), &bi, DIB_RGB_COLORS);
    ::ReleaseDC(nullptr, screen);
    EXPECT_EQ(rows, h);
    return px;
}

// The built-in frames, read from the program file the way a resource viewer
// would: as a data file, never run.
std::vector<Frame> LoadFrames(const std::string& exe)
{
    std::vector<Frame> frames;
    HMODULE module = ::LoadLibraryExA(exe.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    EXPECT_NE(module, nullptr) << exe;
    if (!module)
        return frames;
    for (int i = 0; i < kFrames; ++i) {
        HBITMAP bmp = ::LoadBitmapA(module, MAKEINTRESOURCEA(IDB_FRAME_FIRST + i));
        EXPECT_NE(bmp, nullptr) << "bitmap " << IDB_FRAME_FIRST + i;
        Frame f;
        if (bmp) {
            BITMAP bm = {};
            ::GetObjectA(bmp, sizeof bm, &bm);
            f.w = bm.bmWidth;
            f.h = bm.bmHeight;
            f.px = ReadBitmap(bmp, f.w, f.h);
            ::DeleteObject(bmp);
        }
        frames.push_back(f);
    }
    ::FreeLibrary(module);
    return frames;
}

// The opaque pixels as a region, built here rectangle by rectangle.
HRGN OpaqueRegion(const Frame& f)
{
    HRGN all = ::CreateRectRgn(0, 0, 0, 0);
    for (int y = 0; y < f.h; ++y)
        for (int x = 0; x < f.w; ++x)
            if (f.Opaque(x, y)) {
                HRGN dot = ::CreateRectRgn(x, y, x + 1, y + 1);
                ::CombineRgn(all, all, dot, RGN_OR);
                ::DeleteObject(dot);
            }
    return all;
}

// The window's shape in window coordinates; null when it has none.
HRGN WindowRegion(HWND doll)
{
    HRGN rgn = ::CreateRectRgn(0, 0, 0, 0);
    if (::GetWindowRgn(doll, rgn) == ERROR) {
        ::DeleteObject(rgn);
        return nullptr;
    }
    return rgn;
}

bool SameRegion(HRGN a, HRGN b)
{
    return a && b ? ::EqualRgn(a, b) != FALSE : a == b;
}

// Differences between a shape and a frame's opaque pixels, point by point
// ("" when equal); also checks EqualRgn agrees.
std::string ShapeDifference(HRGN rgn, const Frame& f)
{
    if (!rgn)
        return "the window has no region";
    std::string diff;
    for (int y = 0; y < f.h; ++y)
        for (int x = 0; x < f.w; ++x)
            if ((::PtInRegion(rgn, x, y) != FALSE) != f.Opaque(x, y) && diff.size() < 400)
                diff += "(" + std::to_string(x) + "," + std::to_string(y) + ")";
    RECT box;
    ::GetRgnBox(rgn, &box);
    if (box.left < 0 || box.top < 0 || box.right > f.w || box.bottom > f.h)
        diff += " region reaches outside the frame";
    HRGN mine = OpaqueRegion(f);
    if (diff.empty() && !::EqualRgn(rgn, mine))
        diff = "EqualRgn disagrees";
    ::DeleteObject(mine);
    return diff;
}

// The doll's window as it is on the screen. Xvfb has no compositor: what the
// screen DC gives back is what a user sees.
struct Sample {
    DWORD t;
    POINT pos;   // window's top-left
    int frame;   // index of the frame whose opaque pixels the screen shows; -1 none
};

class Observer {
public:
    explicit Observer(const std::vector<Frame>& frames) : m_frames(frames)
    {
        m_screen = ::GetDC(nullptr);
        m_mem = ::CreateCompatibleDC(m_screen);
        BITMAPINFO bi = {};
        bi.bmiHeader.biSize = sizeof bi.bmiHeader;
        bi.bmiHeader.biWidth = kSize;
        bi.bmiHeader.biHeight = -kSize;
        bi.bmiHeader.biPlanes = 1;
        bi.bmiHeader.biBitCount = 32;
        void* bits = nullptr;
        m_dib = ::CreateDIBSection(m_screen, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
        m_bits = static_cast<const DWORD*>(bits);
        m_old = ::SelectObject(m_mem, m_dib);
    }
    Observer(const Observer&) = delete;
    Observer& operator=(const Observer&) = delete;
    ~Observer()
    {
        ::SelectObject(m_mem, m_old);
        ::DeleteObject(m_dib);
        ::DeleteDC(m_mem);
        ::ReleaseDC(nullptr, m_screen);
    }

    Sample Take(HWND doll)
    {
        Sample s;
        s.t = ::GetTickCount();
        RECT rc;
        ::GetWindowRect(doll, &rc);
        s.pos = POINT{ rc.left, rc.top };
        ::BitBlt(m_mem, 0, 0, kSize, kSize, m_screen, rc.left, rc.top, SRCCOPY);
        ::GdiFlush();
        RECT after;
        ::GetWindowRect(doll, &after);
        s.frame = -1;
        // A picture taken while the window moved is of nothing.
        if (after.left != rc.left || after.top != rc.top)
            return s;
        // A frame may be drawn inside another (the last rest frame adds to
        // the one before): the match with the most opaque pixels is shown.
        int best = -1;
        for (size_t i = 0; i < m_frames.size(); ++i) {
            int n = Opaque(m_frames[i]);
            if (n > best && Shows(m_frames[i])) {
                best = n;
                s.frame = static_cast<int>(i);
            }
        }
        return s;
    }

    // Samples every few milliseconds until done(samples) or the timeout.
    template <class Done>
    std::vector<Sample> Watch(HWND doll, Done done, DWORD timeoutMs)
    {
        std::vector<Sample> samples;
        DWORD start = ::GetTickCount();
        while (::GetTickCount() - start < timeoutMs) {
            samples.push_back(Take(doll));
            if (done(samples))
                break;
            Pump(5);
        }
        return samples;
    }

private:
    static int Opaque(const Frame& f)
    {
        int n = 0;
        for (int y = 0; y < f.h; ++y)
            for (int x = 0; x < f.w; ++x)
                n += f.Opaque(x, y);
        return n;
    }

    bool Shows(const Frame& f) const
    {
        for (int y = 0; y < kSize; ++y)
            for (int x = 0; x < kSize; ++x)
                if (f.Opaque(x, y) && (m_bits[y * kSize + x] & 0xFFFFFF) != (f.px[static_cast<size_t>(y * kSize + x)] & 0xFFFFFF))
                    return false;
        return true;
    }

    const std::vector<Frame>& m_frames;
    HDC m_screen, m_mem;
    HBITMAP m_dib;
    HGDIOBJ m_old;
    const DWORD* m_bits;
};

// The frames shown, consecutive repeats and unreadable samples left out.
std::vector<int> FrameSequence(const std::vector<Sample>& samples, size_t from = 0)
{
    std::vector<int> seq;
    for (size_t i = from; i < samples.size(); ++i)
        if (samples[i].frame >= 0 && (seq.empty() || seq.back() != samples[i].frame))
            seq.push_back(samples[i].frame);
    return seq;
}

std::string Describe(const std::vector<int>& seq)
{
    std::string s;
    for (int f : seq)
        s += std::to_string(f) + " ";
    return s;
}

POINT Centre(HWND doll)
{
    RECT rc;
    ::GetWindowRect(doll, &rc);
    return POINT{ rc.left + (rc.right - rc.left) / 2, rc.top + (rc.bottom - rc.top) / 2 };
}

bool IsWalking(int frame) { return frame >= 0 && frame < kRestFirst; }

struct Doll {
    TempDir dir;
    Program program{dir.Path()};
    std::vector<Frame> frames;

    explicit Doll(const std::string& settings = std::string())
    {
        Program::Install(dir.Path());
        if (!settings.empty())
            WriteFile(dir / "zel.ini", settings);
        frames = LoadFrames(dir / "Kelmora.exe");
    }
    ~Doll()
    {
        if (program.Running())
            program.Close();
    }
};

// The near distances of the screen the doll walks on.
int NearX() { return ::GetSystemMetrics(SM_CXSCREEN) / 15; }
int NearY() { return ::GetSystemMetrics(SM_CYSCREEN) / 15; }

}  // namespace

TEST(DollFrames, TheBuiltInFramesAreDistinguishableOnScreen)
{
    Doll d;
    ASSERT_EQ(d.frames.size(), static_cast<size_t>(kFrames));
    // Every later test tells frames apart by the pixels the screen shows.
    for (int i = 0; i < kFrames; ++i) {
        ASSERT_EQ(d.frames[i].w, kSize);
        ASSERT_EQ(d.frames[i].h, kSize);
        // Frames may contain one another, but no two may look the same.
        for (int j = 0; j < kFrames; ++j) {
            if (i == j)
                continue;
            bool differs = false;
            for (int y = 0; y < kSize && !differs; ++y)
                for (int x = 0; x < kSize && !differs; ++x)
                    differs = d.frames[i].Opaque(x, y) != d.frames[j].Opaque(x, y) ||
                              (d.frames[i].Opaque(x, y) && d.frames[i].px[static_cast<size_t>(y * kSize + x)] !=
                                                               d.frames[j].px[static_cast<size_t>(y * kSize + x)]);
            EXPECT_TRUE(differs) << "frames " << i << " and " << j << " look the same";
        }
    }
}

TEST(DollFrames, WindowIsThirtyTwoSquareAndShapedLikeTheFrameItShows)
{
    Doll d;
    ASSERT_EQ(d.frames.size(), static_cast<size_t>(kFrames));
    int cx = ::GetSystemMetrics(SM_CXSCREEN) / 2, cy = ::GetSystemMetrics(SM_CYSCREEN) / 2;
    // Far below: the doll walks down, alternating frames 0 and 1.
    ::SetCursorPos(cx, cy + 400);
    ASSERT_TRUE(d.program.Start());
    HWND doll = d.program.Doll();
    RECT rc;
    ::GetWindowRect(doll, &rc);
    EXPECT_EQ(rc.right - rc.left, kSize);
    EXPECT_EQ(rc.bottom - rc.top, kSize);

    Observer eye(d.frames);
    std::vector<int> checked;
    std::string failures;
    // The screen shows a new frame a little after the shape changes: a shape
    // counts only when it held from before the picture until after it, and
    // a mismatch only when it is still there once the screen caught up.
    DWORD start = ::GetTickCount();
    while (::GetTickCount() - start < 15000) {
        HRGN first = WindowRegion(doll);
        Pump(40);
        Sample seen = eye.Take(doll);
        HRGN then = WindowRegion(doll);
        if (seen.frame >= 0 && SameRegion(first, then)) {
            std::string diff = ShapeDifference(then, d.frames[static_cast<size_t>(seen.frame)]);
            if (diff.empty()) {
                checked.push_back(seen.frame);
            } else {
                Pump(60);
                Sample again = eye.Take(doll);
                HRGN still = WindowRegion(doll);
                if (again.frame == seen.frame && SameRegion(still, then))
                    failures += "frame " + std::to_string(seen.frame) + ": " + diff + "\n";
                if (still)
                    ::DeleteObject(still);
            }
        }
        if (first)
            ::DeleteObject(first);
        if (then)
            ::DeleteObject(then);
        auto seenFrame = [&](int f) { return std::find(checked.begin(), checked.end(), f) != checked.end(); };
        if (seenFrame(0) && seenFrame(1))
            break;
    }
    EXPECT_EQ(failures, "");
    ASSERT_FALSE(checked.empty()) << "the screen never showed a frame of the character";
    // Each walking-down frame seen whole, so each had its own shape.
    EXPECT_NE(std::find(checked.begin(), checked.end(), 0), checked.end()) << "frame 0 never seen";
    EXPECT_NE(std::find(checked.begin(), checked.end(), 1), checked.end()) << "frame 1 never seen";
    for (int f : checked)
        EXPECT_TRUE(f == 0 || f == 1 || f >= kRestFirst) << "frame " << f << " while the cursor is below";
    ::GetWindowRect(doll, &rc);
    EXPECT_EQ(rc.right - rc.left, kSize);
    EXPECT_EQ(rc.bottom - rc.top, kSize);
}

TEST(DollMotion, ChaseWalksOnePixelPerTickRestsInTheNearBoxAndLeavesRestBackward)
{
    Doll d;
    ASSERT_EQ(d.frames.size(), static_cast<size_t>(kFrames));
    int sx = NearX(), sy = NearY();
    ::SetCursorPos(::GetSystemMetrics(SM_CXSCREEN) / 2, ::GetSystemMetrics(SM_CYSCREEN) / 2);
    ASSERT_TRUE(d.program.Start());
    HWND doll = d.program.Doll();
    Observer eye(d.frames);

    // Settle on the cursor: the last rest frame, held.
    POINT c = Centre(doll);
    ::SetCursorPos(c.x, c.y);
    auto heldLastRest = [](const std::vector<Sample>& s) {
        size_t n = s.size();
        return n > 60 && s[n - 1].frame == kFrames - 1 && s[n - 60].frame == kFrames - 1;
    };
    std::vector<Sample> settle = eye.Watch(doll, heldLastRest, 10000);
    ASSERT_TRUE(heldLastRest(settle)) << "never rested: " << Describe(FrameSequence(settle));
    POINT restPos = settle.back().pos;

    // Up and to the left, beyond the near distances: two rest frames
    // backward in place, then it walks left (the larger offset), one pixel
    // per axis per tick, until the cursor is inside its near box.
    c = Centre(doll);
    const int offX = sx + 40, offY = sy + 25;
    POINT goal = { c.x - offX, c.y - offY };
    ::SetCursorPos(goal.x, goal.y);
    auto arrived = [&](const std::vector<Sample>& s) {
        size_t n = s.size();
        if (n < 80)
            return false;
        for (size_t i = n - 80; i < n; ++i)
            if (s[i].frame != kFrames - 1 || s[i].pos.x != s[n - 1].pos.x || s[i].pos.y != s[n - 1].pos.y)
                return false;
        return true;
    };
    std::vector<Sample> walk = eye.Watch(doll, arrived, 30000);
    std::vector<int> seq = FrameSequence(walk);
    ASSERT_TRUE(arrived(walk)) << "frames: " << Describe(seq);

    // Leaving rest: 9 then 8 before any walking frame, at the rest position.
    ASSERT_GE(seq.size(), 4u) << Describe(seq);
    EXPECT_EQ(seq[0], kFrames - 1) << Describe(seq);
    EXPECT_EQ(seq[1], kFrames - 2) << Describe(seq);
    EXPECT_EQ(seq[2], kRestFirst) << Describe(seq);
    EXPECT_TRUE(IsWalking(seq[3])) << Describe(seq);
    size_t firstWalk = 0, first8 = 0;
    while (firstWalk < walk.size() && !IsWalking(walk[firstWalk].frame))
        ++firstWalk;
    while (first8 < walk.size() && walk[first8].frame != kRestFirst)
        ++first8;
    ASSERT_LT(firstWalk, walk.size());
    // The screen follows a move a little late: the first step may be seen
    // with frame 8 still on it, never with 10 or 9.
    for (size_t i = 0; i < firstWalk; ++i) {
        int away = abs(walk[i].pos.x - restPos.x) + abs(walk[i].pos.y - restPos.y);
        EXPECT_TRUE(i < first8 ? away == 0 : away <= 2) << "moved while still resting, sample " << i;
    }

    // Walking: left frames 4 and 5 only, alternating, then 8, 9, 10.
    size_t lastWalk = firstWalk;
    for (size_t i = firstWalk; i < walk.size(); ++i)
        if (IsWalking(walk[i].frame))
            lastWalk = i;
    std::vector<int> walking;
    for (size_t i = firstWalk; i <= lastWalk; ++i)
        if (walk[i].frame >= 0 && (walking.empty() || walking.back() != walk[i].frame))
            walking.push_back(walk[i].frame);
    for (int f : walking)
        EXPECT_TRUE(f == 4 || f == 5) << "walking left showed " << Describe(walking);
    EXPECT_GE(walking.size(), 20u) << "left frames do not alternate: " << Describe(walking);
    std::vector<int> tail = FrameSequence(walk, lastWalk + 1);
    EXPECT_EQ(tail, (std::vector<int>{ 8, 9, 10 }));

    // Steps: never more than one pixel per axis between samples closer than
    // a tick, always towards the cursor, diagonal while both axes are far.
    int diagonal = 0, straight = 0;
    for (size_t i = 1; i < walk.size(); ++i) {
        int dx = walk[i].pos.x - walk[i - 1].pos.x, dy = walk[i].pos.y - walk[i - 1].pos.y;
        if (dx == 0 && dy == 0)
            continue;
        EXPECT_LE(dx, 0);
        EXPECT_LE(dy, 0);
        if (walk[i].t - walk[i - 1].t < 60) {
            EXPECT_GE(dx, -1) << "sample " << i;
            EXPECT_GE(dy, -1) << "sample " << i;
            if (dx == -1 && dy == -1)
                ++diagonal;
            else if (dx == -1 && dy == 0)
                ++straight;
        }
    }
    EXPECT_GT(diagonal, 10);
    EXPECT_GT(straight, 3);  // y was reached first; x walks on alone
    // It stops with the cursor strictly inside the near box.
    POINT end = Centre(doll);
    EXPECT_LT(abs(goal.x - end.x), sx);
    EXPECT_LT(abs(goal.y - end.y), sy);
    EXPECT_GE(abs(goal.x - end.x), sx - 2) << "walked further than the near box";
    EXPECT_EQ(end.x - c.x, -(offX - sx + 1));
    EXPECT_EQ(end.y - c.y, -(offY - sy + 1));
}

TEST(DollMotion, WalkingNeverTakesTheUsersActivationOrFocus)
{
    Doll d;
    int cx = ::GetSystemMetrics(SM_CXSCREEN) / 2, cy = ::GetSystemMetrics(SM_CYSCREEN) / 2;
    ::SetCursorPos(cx + 300, cy + 200);
    ASSERT_TRUE(d.program.Start());
    HWND doll = d.program.Doll();

    // The user's window, away from the doll's path, with the keyboard.
    HWND mine = ::CreateWindowExA(0, "#32770", "user", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 240, 120,
                                  nullptr, nullptr, nullptr, nullptr);
    HWND edit = ::CreateWindowExA(0, "EDIT", "", WS_CHILD | WS_VISIBLE | WS_BORDER, 10, 10, 200, 24, mine,
                                  nullptr, nullptr, nullptr);
    ASSERT_NE(edit, nullptr);
    ::SetForegroundWindow(mine);
    ::SetActiveWindow(mine);
    ::SetFocus(edit);
    ASSERT_TRUE(WaitFor([&] { return ::GetForegroundWindow() == mine && ::GetFocus() == edit; }, 3000));

    POINT start = Centre(doll);
    int lost = 0;
    DWORD t0 = ::GetTickCount();
    while (::GetTickCount() - t0 < 3000) {
        Pump(10);
        if (::GetForegroundWindow() != mine || ::GetActiveWindow() != mine || ::GetFocus() != edit)
            ++lost;
    }
    POINT end = Centre(doll);
    EXPECT_GT(end.x - start.x, 5) << "the doll did not walk";
    EXPECT_EQ(lost, 0);
    EXPECT_EQ(::GetForegroundWindow(), mine);
    ::DestroyWindow(mine);
}

TEST(DollMotion, WanderWalksWhileTheCursorStaysStillAndNeverStraightAtIt)
{
    Doll d("[SETTEI]\r\nCHASE=2\r\n");
    ASSERT_EQ(d.frames.size(), static_cast<size_t>(kFrames));
    int cx = ::GetSystemMetrics(SM_CXSCREEN) / 2, cy = ::GetSystemMetrics(SM_CYSCREEN) / 2;
    // Level with the doll, to the right: a chasing doll would step (+1, 0).
    ::SetCursorPos(cx + 300, cy);
    ASSERT_TRUE(d.program.Start());
    HWND doll = d.program.Doll();
    POINT start = Centre(doll);
    Observer eye(d.frames);
    // A target within the near distances keeps it still until the next
    // target, 8 to 17 seconds later.
    auto moved = [&](const std::vector<Sample>& s) {
        return s.back().pos.x != s.front().pos.x || s.back().pos.y != s.front().pos.y;
    };
    std::vector<Sample> first = eye.Watch(doll, moved, 20000);
    ASSERT_TRUE(moved(first)) << "the doll never moved";
    std::vector<Sample> more = eye.Watch(doll, [](const std::vector<Sample>& s) { return s.size() > 150; }, 4000);

    POINT p0 = first.back().pos;
    POINT prev = first[first.size() - 2].pos;
    int dx = p0.x - prev.x, dy = p0.y - prev.y;
    EXPECT_FALSE(dx > 0 && dy == 0) << "walked straight at the cursor";
    if (first.back().t - first[first.size() - 2].t < 60) {
        EXPECT_LE(abs(dx), 1);
        EXPECT_LE(abs(dy), 1);
    }
    // Walking frames while it walks; the cursor never inside its near box.
    int walkingFrames = 0;
    for (const Sample& s : more) {
        walkingFrames += IsWalking(s.frame);
        EXPECT_FALSE(abs(cx + 300 - (s.pos.x + kSize / 2)) < NearX() && abs(cy - (s.pos.y + kSize / 2)) < NearY());
    }
    POINT now = Centre(doll);
    EXPECT_TRUE(now.x != start.x || now.y != start.y);
    EXPECT_GT(walkingFrames, 0);
    POINT cursor;
    ::GetCursorPos(&cursor);
    EXPECT_EQ(cursor.x, cx + 300);
}

TEST(DollMotion, ExactDiagonalWalksShowingTheFirstRestFrame)
{
    Doll d;
    ASSERT_EQ(d.frames.size(), static_cast<size_t>(kFrames));
    ::SetCursorPos(::GetSystemMetrics(SM_CXSCREEN) / 2, ::GetSystemMetrics(SM_CYSCREEN) / 2);
    ASSERT_TRUE(d.program.Start());
    HWND doll = d.program.Doll();
    Observer eye(d.frames);
    POINT c = Centre(doll);
    // Down and right by the same amount: no direction wins while both axes
    // walk, so the first rest frame shows as the window moves.
    const int off = NearX() + 80;
    ::SetCursorPos(c.x + off, c.y + off);
    auto diagonalMoves = [](const std::vector<Sample>& s) {
        int n = 0;
        for (size_t i = 1; i < s.size(); ++i)
            n += s[i].pos.x - s[i - 1].pos.x == 1 && s[i].pos.y - s[i - 1].pos.y == 1;
        return n;
    };
    std::vector<Sample> walk = eye.Watch(doll, [&](const std::vector<Sample>& s) { return diagonalMoves(s) >= 25; },
                                         15000);
    ASSERT_GE(diagonalMoves(walk), 25) << Describe(FrameSequence(walk));
    int onFrame8 = 0;
    for (size_t i = 1; i < walk.size(); ++i) {
        int dx = walk[i].pos.x - walk[i - 1].pos.x, dy = walk[i].pos.y - walk[i - 1].pos.y;
        if (dx == 0 && dy == 0)
            continue;
        EXPECT_EQ(dx, dy) << "left the diagonal at sample " << i;
        EXPECT_FALSE(IsWalking(walk[i].frame)) << "sample " << i << " shows walking frame " << walk[i].frame;
        onFrame8 += walk[i].frame == kRestFirst;
    }
    EXPECT_GT(onFrame8, 10) << Describe(FrameSequence(walk));
}

TEST(DollMotion, WanderingWithTheCursorOnItAnimatesInPlace)
{
    Doll d("[SETTEI]\r\nCHASE=2\r\n");
    ASSERT_EQ(d.frames.size(), static_cast<size_t>(kFrames));
    ::SetCursorPos(::GetSystemMetrics(SM_CXSCREEN) / 2, ::GetSystemMetrics(SM_CYSCREEN) / 2);
    ASSERT_TRUE(d.program.Start());
    HWND doll = d.program.Doll();
    POINT c = Centre(doll);
    ::SetCursorPos(c.x, c.y);
    RECT rc;
    ::GetWindowRect(doll, &rc);
    Observer eye(d.frames);
    // The target lies elsewhere, so it walks on the spot: both frames of one
    // walking category, again and again. A target that happens to fall
    // within the near distances is replaced 8 to 17 seconds later.
    auto cycling = [](const std::vector<Sample>& s) {
        std::vector<int> seq = FrameSequence(s);
        int alternations = 0;
        for (size_t i = 1; i < seq.size(); ++i)
            alternations += IsWalking(seq[i]) && IsWalking(seq[i - 1]) && seq[i] / 2 == seq[i - 1] / 2;
        return alternations >= 6;
    };
    std::vector<Sample> seen = eye.Watch(doll, cycling, 20000);
    EXPECT_TRUE(cycling(seen)) << Describe(FrameSequence(seen));
    for (const Sample& s : seen)
        EXPECT_TRUE(s.pos.x == rc.left && s.pos.y == rc.top) << "moved with the cursor on it";
}
