#include "doll/motion.h"

#include "framework/Geometry.h"

// The step along one axis: towards the target unless it is within the near
// distance of the centre, where the axis counts as reached (step 0).
static int AxisStep(int target, int centre, int nearDistance, int step)
{
    if (target <= centre - nearDistance)
        return -step;
    if (target >= centre + nearDistance)
        return step;
    return 0;
}

MotionStep ComputeStep(const RECT& window, POINT target, int screenW, int screenH, int moveStep, UINT dpi,
                       unsigned stepIndex)
{
    MotionStep s;
    s.sx = ScaledLength(screenW / 15, dpi);
    s.sy = ScaledLength(screenH / 15, dpi);
    int step = StepLength(moveStep, dpi, stepIndex);
    POINT centre = RectCentre(window);
    s.cx = centre.x;
    s.cy = centre.y;
    s.dx = AxisStep(target.x, s.cx, s.sx, step);
    s.dy = AxisStep(target.y, s.cy, s.sy, step);
    s.reached = s.dx == 0 && s.dy == 0;
    return s;
}

// Step n ends where n + 1 scaled steps end, rounded down; the pattern
// repeats every 96 steps, when the scaled steps add up to whole pixels.
int StepLength(int moveStep, UINT dpi, unsigned stepIndex)
{
    long long step = static_cast<long long>(moveStep ? moveStep : 1) * dpi;
    long long n = stepIndex % DESIGN_DPI;
    return static_cast<int>((n + 1) * step / DESIGN_DPI - n * step / DESIGN_DPI);
}

int NextRestCount(int restCount, bool reached)
{
    restCount += reached ? 1 : -1;
    return restCount < 0 ? 0 : restCount;
}

int ChooseCategory(int restCount, int ddx, int ddy)
{
    if (restCount > 0)
        return ANIM_REST;
    if (ddy > 0 && ddy > ddx && ddy > -ddx)
        return ANIM_DOWN;
    if (ddx < 0 && ddy > ddx && ddy < -ddx)
        return ANIM_LEFT;
    if (ddy < 0 && ddy < ddx && ddy < -ddx)
        return ANIM_UP;
    if (ddx > 0 && ddy < ddx && ddy > -ddx)
        return ANIM_RIGHT;
    return ANIM_REST;
}

bool CursorNear(POINT cursor, const MotionStep& s)
{
    return s.cx - s.sx < cursor.x && cursor.x < s.cx + s.sx && s.cy - s.sy < cursor.y && cursor.y < s.cy + s.sy;
}

// Categories with 0 frames show the first slot of the next category, as the
// slot arithmetic gives; only the table's end is guarded.
FrameChoice SelectFrameIndex(int code, int framePos[6], const int frameCount[6], const int frameInterval[6],
                             int* restCount, int slotCount)
{
    FrameChoice choice;
    int first = 0;
    if (code >= ANIM_DOWN && code <= ANIM_RIGHT) {
        int k = code - ANIM_DOWN;
        for (int i = 0; i < k; ++i)
            first += frameCount[i];
        if (framePos[k] >= frameCount[k] || framePos[k] < 0)
            framePos[k] = 0;
        choice.frame = first + framePos[k];
        ++framePos[k];
        choice.interval = frameInterval[k];
        framePos[4] = 0;
    } else {
        for (int i = 0; i < 4; ++i)
            first += frameCount[i];
        int p = *restCount - 1;
        // With no rest frames p stays -1: the last frame of category 3.
        if (p >= frameCount[4]) {
            p = frameCount[4] - 1;
            *restCount = frameCount[4];
        } else if (p < 0) {
            p = 0;
        }
        framePos[4] = p;
        choice.frame = first + p;
        choice.interval = frameInterval[4];
    }
    if (choice.frame < 0)
        choice.frame = 0;
    if (choice.frame >= slotCount)
        choice.frame = slotCount - 1;
    return choice;
}

bool WanderCandidateAccepted(int cx, int cy, int x, int y, const RECT& box)
{
    if (x == cx)
        return false;
    double slope = static_cast<double>(cy - y) / static_cast<double>(cx - x);
    double intercept = static_cast<double>((cx * y - x * cy) / (cx - x));
    int yl = static_cast<int>(box.left * slope + intercept);
    int yr = static_cast<int>(box.right * slope + intercept);
    if (box.top <= yl && yl <= box.bottom)
        return false;
    if (box.top <= yr && yr <= box.bottom)
        return false;
    return true;
}

// The cursor box is a third of the monitor wide and high, and the
// candidates are its points: a doll wanders on the monitor it is on.
POINT ChooseWanderTarget(int cx, int cy, POINT cursor, const RECT& monitor, const std::function<int()>& rnd,
                         UINT dpi)
{
    int screenW = monitor.right - monitor.left;
    int screenH = monitor.bottom - monitor.top;
    int hx = ScaledLength((screenW / 3) / 2, dpi);
    int hy = ScaledLength((screenH / 3) / 2, dpi);
    RECT box = { cursor.x - hx, cursor.y - hy, cursor.x + hx, cursor.y + hy };
    POINT target = { cx, cy };
    for (int i = 0; i < 100; ++i) {
        target.x = monitor.left + rnd() % screenW;
        target.y = monitor.top + rnd() % screenH;
        if (WanderCandidateAccepted(cx, cy, target.x, target.y, box))
            break;
    }
    return target;
}

POINT ChooseWanderTarget(int cx, int cy, POINT cursor, int screenW, int screenH, const std::function<int()>& rnd)
{
    RECT screen = { 0, 0, screenW, screenH };
    return ChooseWanderTarget(cx, cy, cursor, screen, rnd);
}

int WanderPeriod(int r)
{
    return 8000 + 1000 * (r % 10);
}
