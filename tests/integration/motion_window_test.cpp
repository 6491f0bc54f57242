// The running doll seen from outside: its window shape against the frame
// bitmaps, the frames it shows (read back from the screen) and the way it
// walks, rests and leaves rest, without ever taking the user's activation.
#include <gtest/gtest.h>
#include <stdio.h>
#include <stdlib.h>

#include <algorithm>
#include <string>
#include <vector>

#include "kelmora_ui.h"

using namespace harness;

namespace {

const int kFrames = ui::kBuiltInFrames;  // 2 down, 2 up, 2 left, 2 right, 3 resting
const int kSize = 32;
const int kRestFirst = 8;

bool SameRegion(HRGN a, HRGN b)
{
    return a && b ? ::EqualRgn(a, b) != FALSE : a == b;
}

// Differences between a shape and a frame's opaque pixels, point by point
// ("" when equal); also checks EqualRgn agrees.
std::string ShapeDifference(HRGN rgn, const Image& f)
{
    if (!rgn)
        return "the window has no region";
    std::string diff;
    for (int y = 0; y < f.height; ++y)
        for (int x = 0; x < f.width; ++x)
            if ((::PtInRegion(rgn, x, y) != FALSE) != f.Opaque(x, y) && diff.size() < 400)
                diff += "(" + std::to_string(x) + "," + std::to_string(y) + ")";
    RECT box;
    ::GetRgnBox(rgn, &box);
    if (box.left < 0 || box.top < 0 || box.right > f.width || box.bottom > f.height)
        diff += " region reaches outside the frame";
    HRGN mine = OpaqueRegion(f);
    if (diff.empty() && !::EqualRgn(rgn, mine))
        diff = "EqualRgn disagrees";
    ::DeleteObject(mine);
    return diff;
}

// The doll's window as it is on the screen: what a user sees.
struct Sample {
    DWORD t;
    POINT pos;   // window's top-left
    int frame;   // index of the frame whose opaque pixels the screen shows; -1 none
};

class Observer {
public:
    explicit Observer(const std::vector<Image>& frames) : m_frames(frames) {}

    Sample Take(HWND doll) const
    {
        Sample s;
        s.t = ::GetTickCount();
        RECT rc = ui::WindowRect(doll);
        s.pos = POINT{ rc.left, rc.top };
        Image shot = ScreenImage(RECT{ rc.left, rc.top, rc.left + kSize, rc.top + kSize });
        RECT after = ui::WindowRect(doll);
        s.frame = -1;
        // A picture taken while the window moved is of nothing.
        if (after.left != rc.left || after.top != rc.top)
            return s;
        // A frame may be drawn inside another (the last rest frame adds to
        // the one before): the match with the most opaque pixels is shown.
        int best = -1;
        for (size_t i = 0; i < m_frames.size(); ++i) {
            int n = OpaqueCount(m_frames[i]);
            if (n > best && Shows(m_frames[i], shot)) {
                best = n;
                s.frame = static_cast<int>(i);
            }
        }
        return s;
    }

    // Samples every few milliseconds until done(samples) or the timeout.
    template <class Done>
    std::vector<Sample> Watch(HWND doll, Done done, DWORD timeoutMs) const
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
    static int OpaqueCount(const Image& f)
    {
        int n = 0;
        for (int y = 0; y < f.height; ++y)
            for (int x = 0; x < f.width; ++x)
                n += f.Opaque(x, y);
        return n;
    }

    static bool Shows(const Image& f, const Image& shot)
    {
        for (int y = 0; y < kSize; ++y)
            for (int x = 0; x < kSize; ++x)
                if (f.Opaque(x, y) && shot.At(x, y) != f.At(x, y))
                    return false;
        return true;
    }

    const std::vector<Image>& m_frames;
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

// The program, and the built-in frames read from its file as a resource
// viewer would: as a data file, never run.
struct Doll : Installed {
    std::vector<Image> frames;
    explicit Doll(const std::string& settings = std::string()) : Installed(settings)
    {
        frames = ModuleImages(dir / "Kelmora.exe", IDB_FRAME_FIRST, kFrames);
    }
};

int ScreenW() { return ::GetSystemMetrics(SM_CXSCREEN); }
int ScreenH() { return ::GetSystemMetrics(SM_CYSCREEN); }
// The near distances of the screen the doll walks on.
int NearX() { return ScreenW() / 15; }
int NearY() { return ScreenH() / 15; }

// The box around the cursor that a wandering doll's path keeps out of: a
// third of the screen wide and high.
RECT CursorBox(POINT cursor)
{
    int hx = ScreenW() / 6, hy = ScreenH() / 6;
    return RECT{ cursor.x - hx, cursor.y - hy, cursor.x + hx, cursor.y + hy };
}

// The first wander target a seed gives, drawn with msvcrt's rand as the
// program draws it: x, then y.
POINT FirstCandidate(unsigned seed)
{
    srand(seed);
    int x = rand() % ScreenW();
    int y = rand() % ScreenH();
    return POINT{ x, y };
}

// Where the straight line through c and p crosses the vertical at x.
double LineAt(POINT c, POINT p, int x)
{
    return c.y + static_cast<double>(p.y - c.y) * (x - c.x) / (p.x - c.x);
}

// Whether that line crosses both sides of the box above or below it, with a
// margin, so that the program accepts p as a target.
bool PassesTheSides(POINT c, POINT p, const RECT& box, int margin)
{
    if (p.x == c.x)
        return false;
    for (int x : { box.left, box.right }) {
        double y = LineAt(c, p, x);
        if (y > box.top - margin && y < box.bottom + margin)
            return false;
    }
    return true;
}

// Whether the line misses the box altogether: above it or below it.
bool MissesTheBox(POINT c, POINT p, const RECT& box, int margin)
{
    if (!PassesTheSides(c, p, box, margin))
        return false;
    bool above = LineAt(c, p, box.left) < box.top;
    return above == (LineAt(c, p, box.right) < box.top);
}

// The walking frames towards an offset clearly more along one axis: the
// first of the pair, 0 down, 2 up, 4 left, 6 right.
int WalkingPair(int dx, int dy)
{
    if (abs(dy) > abs(dx))
        return dy > 0 ? 0 : 2;
    return dx < 0 ? 4 : 6;
}

int Sign(int v) { return (v > 0) - (v < 0); }

// A seed whose first target the doll takes at once and walks towards for
// long: far from its centre, clearly more along one axis than the other,
// its line through the centre accepted (and, when asked, missing the cursor
// box altogether).
unsigned SeedFor(POINT centre, POINT cursor, bool missTheBox)
{
    const RECT box = CursorBox(cursor);
    for (unsigned seed = 1; seed < 100000; ++seed) {
        POINT p = FirstCandidate(seed);
        int dx = p.x - centre.x, dy = p.y - centre.y;
        int major = std::max(abs(dx), abs(dy)), minor = std::min(abs(dx), abs(dy));
        int nearMajor = abs(dy) > abs(dx) ? NearY() : NearX();
        if (major < nearMajor + 150 || 4 * major < 5 * minor)
            continue;
        if (missTheBox ? MissesTheBox(centre, p, box, 10) : PassesTheSides(centre, p, box, 10))
            return seed;
    }
    ADD_FAILURE() << "no seed gives a target far from the doll";
    return 1;
}

// Seeds the doll's rand and has it choose its wander target at once.
void SeedWander(HWND doll, unsigned seed)
{
    ::SendMessageA(doll, ::RegisterWindowMessageA("Kelmora.SeedRandom"), seed, 0);
}

}  // namespace

TEST(DollFrames, TheBuiltInFramesAreDistinguishableOnScreen)
{
    Doll d;
    ASSERT_EQ(d.frames.size(), static_cast<size_t>(kFrames));
    // Every later test tells frames apart by the pixels the screen shows.
    for (int i = 0; i < kFrames; ++i) {
        ASSERT_EQ(d.frames[i].width, kSize);
        ASSERT_EQ(d.frames[i].height, kSize);
        // Frames may contain one another, but no two may look the same.
        for (int j = 0; j < kFrames; ++j) {
            if (i == j)
                continue;
            bool differs = false;
            for (int y = 0; y < kSize && !differs; ++y)
                for (int x = 0; x < kSize && !differs; ++x)
                    differs = d.frames[i].Opaque(x, y) != d.frames[j].Opaque(x, y) ||
                              (d.frames[i].Opaque(x, y) && d.frames[i].At(x, y) != d.frames[j].At(x, y));
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
    // a mismatch only when it lasts, shape and picture unchanged, for longer
    // than the screen takes to catch up.
    auto seenFrame = [&](int f) { return std::find(checked.begin(), checked.end(), f) != checked.end(); };
    DWORD start = ::GetTickCount();
    while (::GetTickCount() - start < 15000 && !(seenFrame(0) && seenFrame(1))) {
        HRGN before = WindowRegion(doll);
        Sample seen = eye.Take(doll);
        HRGN shape = WindowRegion(doll);
        if (seen.frame >= 0 && SameRegion(before, shape)) {
            std::string diff = ShapeDifference(shape, d.frames[static_cast<size_t>(seen.frame)]);
            auto mismatchLasts = [&] {
                HRGN now = WindowRegion(doll);
                bool same = SameRegion(now, shape);
                if (now)
                    ::DeleteObject(now);
                return same && eye.Take(doll).frame == seen.frame;
            };
            if (diff.empty())
                checked.push_back(seen.frame);
            else if (StaysFor(mismatchLasts, 100))
                failures += "frame " + std::to_string(seen.frame) + ": " + diff + "\n";
        }
        if (before)
            ::DeleteObject(before);
        if (shape)
            ::DeleteObject(shape);
        Pump(5);
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

    // Watched while the doll walks ten steps towards the cursor.
    POINT start = Centre(doll);
    int lost = 0;
    EXPECT_TRUE(WaitFor([&] {
        if (::GetForegroundWindow() != mine || ::GetActiveWindow() != mine || ::GetFocus() != edit)
            ++lost;
        return Centre(doll).x - start.x >= 10;
    }, 5000)) << "the doll did not walk";
    EXPECT_EQ(lost, 0);
    EXPECT_EQ(::GetForegroundWindow(), mine);
    ::DestroyWindow(mine);
}

TEST(DollMotion, WanderWalksWhileTheCursorStaysStillAndNeverStraightAtIt)
{
    Doll d("[SETTEI]\r\nCHASE=2\r\n");
    ASSERT_EQ(d.frames.size(), static_cast<size_t>(kFrames));
    int cx = ScreenW() / 2, cy = ScreenH() / 2;
    // Level with the doll, to the right: a chasing doll would step (+1, 0).
    const POINT cursor = { cx + 300, cy };
    ::SetCursorPos(cursor.x, cursor.y);
    ASSERT_TRUE(d.program.Start());
    HWND doll = d.program.Doll();
    // A known target, chosen now: far away, its line clear of the cursor box.
    POINT start = Centre(doll);
    unsigned seed = SeedFor(start, cursor, true);
    const POINT target = FirstCandidate(seed);
    SeedWander(doll, seed);
    const int stepX = abs(target.x - start.x) >= NearX() ? Sign(target.x - start.x) : 0;
    const int stepY = abs(target.y - start.y) >= NearY() ? Sign(target.y - start.y) : 0;
    const int pair = WalkingPair(target.x - start.x, target.y - start.y);

    Observer eye(d.frames);
    // It sets off at once: two steps within the first few ticks.
    auto twoSteps = [&](const std::vector<Sample>& s) {
        return abs(s.back().pos.x - s.front().pos.x) + abs(s.back().pos.y - s.front().pos.y) >= 2;
    };
    std::vector<Sample> first = eye.Watch(doll, twoSteps, 2000);
    ASSERT_TRUE(twoSteps(first)) << "the doll did not set off towards " << target.x << "," << target.y;
    std::vector<Sample> more = eye.Watch(doll, [](const std::vector<Sample>& s) { return s.size() > 150; }, 4000);

    POINT p0 = first.back().pos;
    POINT prev = first[first.size() - 2].pos;
    int dx = p0.x - prev.x, dy = p0.y - prev.y;
    EXPECT_FALSE(dx > 0 && dy == 0) << "walked straight at the cursor";
    if (first.back().t - first[first.size() - 2].t < 60) {
        EXPECT_LE(abs(dx), 1);
        EXPECT_LE(abs(dy), 1);
    }
    // Every step towards the target, walking frames of its direction; the
    // cursor never inside its near box.
    int walkingFrames = 0;
    for (size_t i = 1; i < more.size(); ++i) {
        const Sample& s = more[i];
        int sx = s.pos.x - more[i - 1].pos.x, sy = s.pos.y - more[i - 1].pos.y;
        EXPECT_TRUE(Sign(sx) == 0 || Sign(sx) == stepX) << "sample " << i << " steps " << sx << "," << sy;
        EXPECT_TRUE(Sign(sy) == 0 || Sign(sy) == stepY) << "sample " << i << " steps " << sx << "," << sy;
        EXPECT_FALSE(sx > 0 && sy == 0) << "walked straight at the cursor at sample " << i;
        if (IsWalking(s.frame)) {
            ++walkingFrames;
            EXPECT_EQ(s.frame / 2, pair / 2) << "sample " << i;
        }
        EXPECT_FALSE(abs(cursor.x - (s.pos.x + kSize / 2)) < NearX() &&
                     abs(cursor.y - (s.pos.y + kSize / 2)) < NearY()) << "the cursor is near at sample " << i;
    }
    POINT now = Centre(doll);
    EXPECT_TRUE(now.x != start.x || now.y != start.y);
    EXPECT_GT(walkingFrames, 0);
    POINT at;
    ::GetCursorPos(&at);
    EXPECT_EQ(at.x, cursor.x);
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
    ::SetCursorPos(ScreenW() / 2, ScreenH() / 2);
    ASSERT_TRUE(d.program.Start());
    HWND doll = d.program.Doll();
    POINT c = Centre(doll);
    ::SetCursorPos(c.x, c.y);
    RECT rc;
    ::GetWindowRect(doll, &rc);
    // The target lies elsewhere, so it walks on the spot: both frames of the
    // walking category towards it, again and again.
    unsigned seed = SeedFor(c, c, false);
    const POINT target = FirstCandidate(seed);
    SeedWander(doll, seed);
    const int pair = WalkingPair(target.x - c.x, target.y - c.y);
    Observer eye(d.frames);
    auto cycling = [&](const std::vector<Sample>& s) {
        std::vector<int> seq = FrameSequence(s);
        int alternations = 0;
        for (size_t i = 1; i < seq.size(); ++i)
            alternations += IsWalking(seq[i]) && IsWalking(seq[i - 1]) && seq[i] / 2 == pair / 2 &&
                            seq[i - 1] / 2 == pair / 2;
        return alternations >= 6;
    };
    std::vector<Sample> seen = eye.Watch(doll, cycling, 5000);
    std::vector<int> seq = FrameSequence(seen);
    EXPECT_TRUE(cycling(seen)) << "towards " << target.x << "," << target.y << ": " << Describe(seq);
    // Once it walks towards the target, no other walking frame shows.
    size_t from = std::find(seq.begin(), seq.end(), pair) - seq.begin();
    for (size_t i = from; i < seq.size(); ++i)
        EXPECT_FALSE(IsWalking(seq[i]) && seq[i] / 2 != pair / 2) << Describe(seq);
    for (const Sample& s : seen)
        EXPECT_TRUE(s.pos.x == rc.left && s.pos.y == rc.top) << "moved with the cursor on it";
}
