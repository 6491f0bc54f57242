#!/usr/bin/env python3
"""Writes the frame bitmaps of the hostile test plug-ins, as the bytes of
RT_BITMAP resources (a BITMAPINFOHEADER, its colours and the rows, without
a file header): sizes from 0 x 0 to 4096 x 4096, 1 and 32 bits per pixel,
and resources that only look like bitmaps.

    hostile_frames.py OUT_DIR
"""
import os
import random
import struct
import sys

MAGENTA = (255, 0, 255)


def header(w, h, bpp, compression=0, image_size=0, colours=0):
    return struct.pack('<IiiHHIIiiII', 40, w, h, 1, bpp, compression, image_size, 0, 0, colours, 0)


def quad(rgb):
    r, g, b = rgb
    return bytes((b, g, r, 0))


def rows24(w, h, opaque):
    """Bottom row first; opaque(x, y) with y counted from the top."""
    stride = (3 * w + 3) & ~3
    out = bytearray()
    for y in range(h - 1, -1, -1):
        row = bytearray()
        for x in range(w):
            r, g, b = (0x33, 0x66, 0xCC) if opaque(x, y) else MAGENTA
            row += bytes((b, g, r))
        out += row + bytes(stride - len(row))
    return bytes(out)


def good():
    # 8 x 8, the top-left 4 x 4 opaque.
    return header(8, 8, 24) + rows24(8, 8, lambda x, y: x < 4 and y < 4)


def tall():
    # 1 x 10000, see-through in rows 5000 to 5999.
    return header(1, 10000, 24) + rows24(1, 10000, lambda x, y: not 5000 <= y < 6000)


def huge():
    # 4096 x 4096 in RLE8: opaque in the middle square 1024..3071 each way.
    out = bytearray()

    def run(n, index):
        while n > 0:
            k = min(n, 255)
            out.extend((k, index))
            n -= k

    for y in range(4095, -1, -1):
        if 1024 <= y < 3072:
            run(1024, 0)
            run(2048, 1)
            run(1024, 0)
        else:
            run(4096, 0)
        out.extend((0, 0))
    out.extend((0, 1))
    return header(4096, 4096, 8, compression=1, image_size=len(out), colours=2) + \
        quad(MAGENTA) + quad((0xCC, 0x22, 0x22)) + bytes(out)


def onebit():
    # 8 x 8, two colours: opaque where (x / 2 + y / 2) is odd.
    rows = bytearray()
    for y in range(7, -1, -1):
        bits = 0
        for x in range(8):
            if (x // 2 + y // 2) % 2:
                bits |= 0x80 >> x
        rows += bytes((bits, 0, 0, 0))
    return header(8, 8, 1, colours=2) + quad(MAGENTA) + quad((0x22, 0x88, 0x22)) + bytes(rows)


def thirtytwo():
    # 8 x 8, four bytes a pixel, the fourth 0: opaque on and under the diagonal.
    rows = bytearray()
    for y in range(7, -1, -1):
        for x in range(8):
            r, g, b = (0x88, 0x22, 0x88) if x <= y else MAGENTA
            rows += bytes((b, g, r, 0))
    return header(8, 8, 32) + bytes(rows)


def zero():
    return header(0, 0, 24)


def garbage():
    rnd = random.Random(2902)
    return bytes(rnd.randrange(256) for _ in range(256))


def liar():
    # Claims 100000 x 100000 pixels and holds 64 bytes of them.
    return header(100000, 100000, 24) + bytes(64)


def main():
    out = sys.argv[1]
    os.makedirs(out, exist_ok=True)
    for name, make in [('good', good), ('tall', tall), ('huge', huge), ('onebit', onebit),
                       ('thirtytwo', thirtytwo), ('zero', zero), ('garbage', garbage), ('liar', liar)]:
        with open(os.path.join(out, name + '.dib'), 'wb') as f:
            f.write(make())


if __name__ == '__main__':
    main()
