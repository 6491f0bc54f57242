#pragma once
#include <windows.h>

#include <functional>

#include "framework/Geometry.h"

// Decisions of the doll's motion and animation, free of windows and timers.

// The categories' codes, 200 to 204 in category order.
enum { ANIM_DOWN = 200, ANIM_UP, ANIM_LEFT, ANIM_RIGHT, ANIM_REST };

// One motion tick's geometry: the window centre, the near distances and the
// step towards the target on each axis (0 when that axis is reached).
struct MotionStep {
    int cx, cy;
    int sx, sy;
    int dx, dy;
    bool reached;  // both axes
};

// At another scale than 96 DPI the near distances and the step grow with
// it; stepIndex counts the steps taken, over which a step of a fraction of
// a pixel is spread.
MotionStep ComputeStep(const RECT& window, POINT target, int screenW, int screenH, int moveStep,
                       UINT dpi = DESIGN_DPI, unsigned stepIndex = 0);

// Pixels of step stepIndex for the character's step (0 walks 1) at the DPI:
// whole pixels whose sum over the steps keeps up with the scaled step.
int StepLength(int moveStep, UINT dpi, unsigned stepIndex);

// Rest counter after a tick: +1 at the target, -1 elsewhere, never below 0.
int NextRestCount(int restCount, bool reached);

// The category code for the offset (ddx, ddy) from the centre to the target;
// exact diagonals and a resting doll give ANIM_REST.
int ChooseCategory(int restCount, int ddx, int ddy);

// Strictly inside the near box around the centre.
bool CursorNear(POINT cursor, const MotionStep& step);

struct FrameChoice {
    int frame;     // slot to show
    int interval;  // period of the motion timer while it plays
};

// Advances the position of the code's category (and caps the rest counter)
// and returns the slot to show, clamped to the table whatever the counts say.
FrameChoice SelectFrameIndex(int code, int framePos[6], const int frameCount[6], const int frameInterval[6],
                             int* restCount, int slotCount);

// The straight line through the centre and the candidate misses the left and
// right sides of the cursor box.
bool WanderCandidateAccepted(int cx, int cy, int x, int y, const RECT& cursorBox);

// Draws up to 100 candidates on the monitor from rnd (x then y); the first
// accepted one, or the last one tried. The cursor box grows with the DPI.
POINT ChooseWanderTarget(int cx, int cy, POINT cursor, const RECT& monitor, const std::function<int()>& rnd,
                         UINT dpi = DESIGN_DPI);
// The same on a single screen of that size at (0, 0).
POINT ChooseWanderTarget(int cx, int cy, POINT cursor, int screenW, int screenH,
                         const std::function<int()>& rnd);

// Period of the wander target update: 8 to 17 seconds.
int WanderPeriod(int r);
