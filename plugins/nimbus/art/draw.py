#!/usr/bin/env python3
"""Writes nimbus.art, the pixel maps of the Nimbus character.

Typing 64-wide maps by hand does not stay consistent across 21 frames, so the
cloud is described here as a few shapes and rasterised. The build never runs
this: it reads the nimbus.art this writes, which is committed beside it and
can be reviewed like any other map. Re-run after changing a shape:

    python3 plugins/nimbus/art/draw.py

Frames (bitmaps 3000 + n in the plug-in):
    0-3   drifting down       (face, wisps trailing above)
    4-7   drifting up         (back, wisps trailing below)
    8-11  drifting left       (face turned left, wisps trailing right)
    12-15 drifting right      (mirror of 8-11)
    16-20 resting             (lids droop, the cloud sags and dozes off)
"""

import math
import os

SIZE = 64

PALETTE = [
    ('.', 'clear'),
    ('K', '#2B3450'),   # outline, eyes
    ('W', '#FFFFFF'),   # lit cloud
    ('S', '#E6EEF9'),   # puff seams
    ('s', '#C5D3EA'),   # underside
    ('b', '#9FB3D6'),   # deep underside
    ('P', '#FFB0C4'),   # cheeks
    ('M', '#E25D7E'),   # mouth
    ('Y', '#FFD95A'),   # dream star
]

# Body: an ellipse for the belly and circles for the puffs, in a 64 x 64
# frame centred on (32, 38) before bobbing.
BELLY = (32, 42, 25, 12)                       # cx, cy, rx, ry
PUFFS = [(19, 33, 11), (33, 26, 14), (47, 33, 10), (9, 41, 7), (55, 41, 7)]


class Canvas:
    def __init__(self, size=SIZE):
        self.size = size
        self.px = [['.'] * size for _ in range(size)]

    def get(self, x, y):
        if 0 <= x < self.size and 0 <= y < self.size:
            return self.px[y][x]
        return '.'

    def put(self, x, y, c):
        if 0 <= x < self.size and 0 <= y < self.size:
            self.px[y][x] = c

    def rows(self):
        return [''.join(r) for r in self.px]


def cloud_mask(cx, cy, sx, sy, scale=1.0, size=SIZE):
    """Pixels covered by the cloud, and for each puff the pixels on its rim."""
    def inside_ellipse(x, y, ex, ey, rx, ry):
        return ((x - ex) / rx) ** 2 + ((y - ey) / ry) ** 2 <= 1.0

    def place(px, py):
        return (cx + (px - 32) * sx * scale, cy + (py - 38) * sy * scale)

    bx, by = place(BELLY[0], BELLY[1])
    brx, bry = BELLY[2] * sx * scale, BELLY[3] * sy * scale
    puffs = []
    for px, py, r in PUFFS:
        x, y = place(px, py)
        puffs.append((x, y, r * sx * scale, r * sy * scale))

    mask = set()
    seams = set()
    for y in range(size):
        for x in range(size):
            fx, fy = x + 0.5, y + 0.5
            hit = inside_ellipse(fx, fy, bx, by, brx, bry)
            for (ex, ey, rx, ry) in puffs:
                if inside_ellipse(fx, fy, ex, ey, rx, ry):
                    hit = True
            if hit:
                mask.add((x, y))
    # A seam is the lower rim of a puff where it sits on the cloud: it is what
    # makes the outline read as heaped puffs instead of one blob.
    for (ex, ey, rx, ry) in puffs:
        for y in range(size):
            for x in range(size):
                fx, fy = x + 0.5, y + 0.5
                d = math.hypot((fx - ex) / rx, (fy - ey) / ry)
                if 0.86 <= d <= 1.0 and fy > ey + ry * 0.35 and (x, y) in mask:
                    seams.add((x, y))
    return mask, seams


def paint_cloud(cv, mask, seams):
    ys = [y for _, y in mask]
    top, bottom = min(ys), max(ys)
    for (x, y) in mask:
        below = sum(1 for k in (1, 2, 3) if (x, y + k) not in mask)
        if below >= 2:
            c = 'b'
        elif below == 1:
            c = 's'
        elif (x, y) in seams:
            c = 'S'
        else:
            c = 'W'
        cv.put(x, y, c)
    # Outline: every empty pixel that touches the body orthogonally.
    edge = set()
    for (x, y) in mask:
        for dx, dy in ((1, 0), (-1, 0), (0, 1), (0, -1)):
            if (x + dx, y + dy) not in mask:
                edge.add((x + dx, y + dy))
    for (x, y) in edge:
        cv.put(x, y, 'K')
    return top, bottom


def blob(cv, cx, cy, r):
    """A small outlined wisp of cloud."""
    pts = set()
    for y in range(int(cy - r) - 1, int(cy + r) + 2):
        for x in range(int(cx - r) - 1, int(cx + r) + 2):
            if math.hypot(x + 0.5 - cx, y + 0.5 - cy) <= r:
                pts.add((x, y))
    for (x, y) in pts:
        below = (x, y + 1) not in pts
        cv.put(x, y, 's' if below else 'W')
    for (x, y) in pts:
        for dx, dy in ((1, 0), (-1, 0), (0, 1), (0, -1)):
            if (x + dx, y + dy) not in pts and cv.get(x + dx, y + dy) == '.':
                cv.put(x + dx, y + dy, 'K')


def stamp(cv, x, y, rows):
    for j, row in enumerate(rows):
        for i, c in enumerate(row):
            if c != '.':
                cv.put(x + i, y + j, c)


EYE_OPEN = [
    '.KKK.',
    'KWWKK',
    'KWWKK',
    'KKKKK',
    'KKKKK',
    'KKKKK',
    '.KKK.',
]
# The lid comes down over the top three rows.
EYE_HALF = ['.....'] * 3 + EYE_OPEN[3:]
EYE_SHUT = [
    '.....',
    '.....',
    '.....',
    '.....',
    'K...K',
    '.KKK.',
    '.....',
]
MOUTH_SMILE = [
    'K....K',
    '.KKKK.',
]
MOUTH_OPEN = [
    'KKKKKK',
    'KMMMMK',
    '.KMMK.',
    '..KK..',
]
MOUTH_SLEEP = [
    '.KK.',
    'K..K',
    'K..K',
    '.KK.',
]
CHEEK = ['PPPP', '.PP.']

Z_SMALL = ['KKKKKK', 'KWWWWK', 'KKKWKK', 'KKWKKK', 'KWWWWK', 'KKKKKK']
Z_BIG = [
    'KKKKKKKK',
    'KWWWWWWK',
    'KKKKKWWK',
    '..KKWWKK',
    '.KKWWKK.',
    'KKWWKKKK',
    'KWWWWWWK',
    'KKKKKKKK',
]


def draw_face(cv, fx, fy, eyes, mouth, gap=16):
    stamp(cv, fx - gap // 2 - 3, fy, eyes)
    stamp(cv, fx + gap // 2 - 2, fy, eyes)
    stamp(cv, fx - gap // 2 - 8, fy + 7, CHEEK)
    stamp(cv, fx + gap // 2 + 4, fy + 7, CHEEK)
    stamp(cv, fx - len(mouth[0]) // 2, fy + 6, mouth)


def frame(dy=0, sx=1.0, sy=1.0, face=(0, 0), eyes=EYE_OPEN, mouth=MOUTH_SMILE,
          back=False, wisps=(), extras=()):
    cv = Canvas()
    for (x, y, r) in wisps:
        blob(cv, x, y + dy, r)
    # The cloud keeps its underside at the same height while it squashes, so
    # squashing reads as settling rather than shrinking.
    base = 38 + dy + (1.0 - sy) * 14
    mask, seams = cloud_mask(32, base, sx, sy)
    paint_cloud(cv, mask, seams)
    if not back:
        fx, fy = 32 + face[0], int(round(base)) - 3 + face[1]
        draw_face(cv, fx, fy, eyes, mouth)
    else:
        # The back of the cloud gets a curl so it does not read as a blank face.
        stamp(cv, 29, int(round(base)) + 1, ['.SSS.', 'S...S', '..SS.', '...S.'])
    for (x, y, rows) in extras:
        stamp(cv, x, y, rows)
    return cv.rows()


def mirror(rows):
    return [r[::-1] for r in rows]


BOB = [0, -1, -2, -1]


def walk(wisps_at, dy=0, talking=False, **look):
    """One frame per bob; wisps_at(i) trails behind in step i, and a talking
    cloud opens its mouth in the middle steps."""
    out = []
    for i, bob in enumerate(BOB):
        if talking:
            look['mouth'] = MOUTH_OPEN if i in (1, 2) else MOUTH_SMILE
        out.append(frame(dy=bob + dy, wisps=wisps_at(i), **look))
    return out


def walk_down():
    return walk(lambda i: [(14, 10 - i, 3.5 - i * 0.4), (50, 8 - i, 2.5 + (i % 2) * 0.8),
                           (32, 7 - i // 2, 2 + (i % 3) * 0.5)],
                talking=True, face=(0, 2))


def walk_up():
    return walk(lambda i: [(16, 57 + i, 3.2 - i * 0.4), (47, 58 + i, 2.3 + (i % 2) * 0.7)],
                dy=-5, back=True)


def walk_left():
    return walk(lambda i: [(58 - (i % 2), 30 + i, 2.5 + (i % 2) * 0.7), (59, 46 - i, 2 + ((i + 1) % 2) * 0.8)],
                talking=True, sx=0.9, face=(-9, 0))


def rest():
    star = ['..Y..', '.YYY.', 'YYYYY', '.YYY.', '..Y..']
    return [
        frame(),
        frame(sx=1.02, sy=0.96, eyes=EYE_HALF),
        frame(sx=1.04, sy=0.92, eyes=EYE_SHUT, mouth=MOUTH_SMILE),
        frame(sx=1.05, sy=0.9, eyes=EYE_SHUT, mouth=MOUTH_SLEEP,
              extras=[(45, 8, Z_SMALL)]),
        frame(sx=1.05, sy=0.9, eyes=EYE_SHUT, mouth=MOUTH_SLEEP,
              extras=[(41, 10, Z_SMALL), (50, 1, Z_BIG), (8, 9, star)]),
    ]


def frames():
    left = walk_left()
    return walk_down() + walk_up() + left + [mirror(f) for f in left] + rest()


def header():
    lines = [
        '; Nimbus, a small cloud. Written by draw.py; edit that and re-run it.',
        'size: 64',
        'bpp: 8',
    ]
    lines += ['%s %s' % p for p in PALETTE]
    return lines


def main():
    lines = header()
    for n, rows in enumerate(frames()):
        lines.append('')
        lines.append('== frame%d.bmp' % n)
        lines += rows
    path = os.path.join(os.path.dirname(os.path.abspath(__file__)), 'nimbus.art')
    with open(path, 'w', newline='\n') as f:
        f.write('\n'.join(lines) + '\n')


if __name__ == '__main__':
    main()
