#!/usr/bin/env python3
"""Checks scripts/mkart.py and the art it builds.

    python3 tests/art/test_mkart.py

The image files are decoded here with a reader written independently of the
tool, so a fault in the tool's packing shows up as a wrong pixel, not as two
copies of the same mistake agreeing.
"""

import os
import shutil
import struct
import subprocess
import sys
import tempfile
import unittest
from collections import deque

ROOT = os.path.abspath(os.path.join(os.path.dirname(__file__), '..', '..'))
TOOL = os.path.join(ROOT, 'scripts', 'mkart.py')
MAGENTA = (255, 0, 255)


def run_tool(src, out):
    return subprocess.run([sys.executable, TOOL, src, out],
                          stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)


def read_dib(data, offset, colours_in_table=None):
    """Decodes a BITMAPINFOHEADER DIB. Returns (header dict, pixel reader)."""
    (size, width, height, planes, bpp, compression, image_size,
     _, _, clr_used, _) = struct.unpack_from('<IiiHHIIiiII', data, offset)
    assert size == 40, size
    table = []
    pos = offset + 40
    if bpp <= 8:
        count = clr_used or (1 << bpp)
        for i in range(count):
            b, g, r, _ = struct.unpack_from('<BBBB', data, pos + 4 * i)
            table.append((r, g, b))
        pos += 4 * count
    return dict(width=width, height=height, planes=planes, bpp=bpp,
                compression=compression, image_size=image_size,
                table=table, bits=pos)


def stride(width, bpp):
    return (width * bpp + 31) // 32 * 4


def pixel(data, bits, width, height, bpp, table, x, y):
    """Colour at (x, y), y counted from the top, of a bottom-up DIB."""
    row = bits + (height - 1 - y) * stride(width, bpp)
    if bpp == 24:
        b, g, r = data[row + 3 * x:row + 3 * x + 3]
        return (r, g, b)
    if bpp == 32:
        b, g, r, _ = data[row + 4 * x:row + 4 * x + 4]
        return (r, g, b)
    per = 8 // bpp
    byte = data[row + x // per]
    shift = 8 - bpp * (x % per + 1)
    return table[(byte >> shift) & ((1 << bpp) - 1)]


class Bitmap:
    def __init__(self, path):
        with open(path, 'rb') as f:
            self.data = f.read()
        kind, self.file_size, r1, r2, self.off_bits = struct.unpack_from('<2sIHHI', self.data)
        assert kind == b'BM', path
        assert (r1, r2) == (0, 0)
        self.h = read_dib(self.data, 14)
        self.width, self.height, self.bpp = self.h['width'], self.h['height'], self.h['bpp']

    def at(self, x, y):
        return pixel(self.data, self.off_bits, self.width, self.height, self.bpp,
                     self.h['table'], x, y)


class IconFile:
    def __init__(self, path):
        with open(path, 'rb') as f:
            self.data = f.read()
        reserved, self.kind, count = struct.unpack_from('<HHH', self.data)
        assert reserved == 0
        self.entries = []
        for i in range(count):
            w, h, colours, res, f1, f2, length, offset = struct.unpack_from(
                '<BBBBHHII', self.data, 6 + 16 * i)
            self.entries.append(dict(width=w or 256, height=h or 256, colours=colours,
                                     reserved=res, field1=f1, field2=f2,
                                     length=length, offset=offset))

    def image(self, i):
        e = self.entries[i]
        dib = read_dib(self.data, e['offset'])
        return e, dib

    def opaque(self, i, x, y):
        """True when the AND mask keeps pixel (x, y) of image i."""
        e, dib = self.image(i)
        w, h = e['width'], e['height']
        mask = dib['bits'] + stride(w, dib['bpp']) * h
        row = mask + (h - 1 - y) * stride(w, 1)
        return not (self.data[row + x // 8] >> (7 - x % 8)) & 1

    def colour(self, i, x, y):
        e, dib = self.image(i)
        return pixel(self.data, dib['bits'], e['width'], e['height'], dib['bpp'],
                     dib['table'], x, y)


def sealed_holes(bmp):
    """Magenta pixels not connected to the frame's border: holes in the shape."""
    w, h = bmp.width, bmp.height
    key = [[bmp.at(x, y) == MAGENTA for x in range(w)] for y in range(h)]
    seen = [[False] * w for _ in range(h)]
    todo = deque((x, y) for x in range(w) for y in range(h)
                 if (x in (0, w - 1) or y in (0, h - 1)) and key[y][x])
    for x, y in todo:
        seen[y][x] = True
    while todo:
        x, y = todo.popleft()
        for nx, ny in ((x + 1, y), (x - 1, y), (x, y + 1), (x, y - 1)):
            if 0 <= nx < w and 0 <= ny < h and key[ny][nx] and not seen[ny][nx]:
                seen[ny][nx] = True
                todo.append((nx, ny))
    return [(x, y) for y in range(h) for x in range(w) if key[y][x] and not seen[y][x]]


class BuiltArt(unittest.TestCase):
    """The committed sources, built the way the build builds them."""

    SOURCES = {
        'res': os.path.join(ROOT, 'res', 'art'),
        'cat': os.path.join(ROOT, 'plugins', 'cat', 'art'),
        'nimbus': os.path.join(ROOT, 'plugins', 'nimbus', 'art'),
    }

    @classmethod
    def setUpClass(cls):
        cls.tmp = tempfile.mkdtemp()
        cls.out = {}
        for name, src in cls.SOURCES.items():
            out = os.path.join(cls.tmp, name)
            r = run_tool(src, out)
            if r.returncode != 0:
                raise AssertionError('mkart failed on %s: %s' % (src, r.stderr))
            cls.out[name] = out

    @classmethod
    def tearDownClass(cls):
        shutil.rmtree(cls.tmp)

    def path(self, set_name, file_name):
        return os.path.join(self.out[set_name], file_name)

    def test_every_expected_file_is_built(self):
        expected = {
            'res': ['frame%d.bmp' % i for i in range(11)] + [
                'search.bmp', 'searchnew.bmp', 'close.bmp', 'app.ico', 'char.ico',
                'charsmall.ico', 'paste.ico', 'window.ico', 'char.cur', 'hand.cur'],
            'cat': ['frame%d.bmp' % i for i in range(11)] + ['cursor.cur', 'icon.ico', 'small.ico'],
            'nimbus': ['frame%d.bmp' % i for i in range(21)] + ['cursor.cur', 'icon.ico', 'small.ico'],
        }
        for set_name, names in expected.items():
            self.assertEqual(sorted(os.listdir(self.out[set_name])), sorted(names), set_name)

    def check_bitmap(self, path, width, height, bpp):
        bmp = Bitmap(path)
        self.assertEqual((bmp.width, bmp.height, bmp.bpp), (width, height, bpp), path)
        self.assertEqual(bmp.h['planes'], 1)
        self.assertEqual(bmp.h['compression'], 0)
        table_len = 4 * (1 << bpp) if bpp <= 8 else 0
        self.assertEqual(bmp.off_bits, 14 + 40 + table_len, path)
        self.assertEqual(bmp.h['image_size'], stride(width, bpp) * height, path)
        self.assertEqual(bmp.file_size, len(bmp.data), path)
        self.assertEqual(len(bmp.data), bmp.off_bits + stride(width, bpp) * height, path)
        return bmp

    def check_frames(self, set_name, count, size):
        for i in range(count):
            path = self.path(set_name, 'frame%d.bmp' % i)
            bmp = self.check_bitmap(path, size, size, 8)
            for x, y in ((0, 0), (size - 1, 0), (0, size - 1), (size - 1, size - 1)):
                self.assertEqual(bmp.at(x, y), MAGENTA, '%s corner %d,%d' % (path, x, y))
            body = sum(1 for y in range(size) for x in range(size) if bmp.at(x, y) != MAGENTA)
            self.assertGreater(body, size * size // 5, '%s is nearly empty' % path)
            self.assertEqual(sealed_holes(bmp), [], '%s has magenta holes' % path)

    def test_car_frames(self):
        self.check_frames('res', 11, 32)

    def test_cat_frames(self):
        self.check_frames('cat', 11, 32)

    def test_nimbus_frames(self):
        self.check_frames('nimbus', 21, 64)

    def test_walking_frames_differ_within_a_direction(self):
        for set_name, per_dir, dirs in (('res', 2, 4), ('cat', 2, 4), ('nimbus', 4, 4)):
            for d in range(dirs):
                blobs = set()
                for k in range(per_dir):
                    with open(self.path(set_name, 'frame%d.bmp' % (d * per_dir + k)), 'rb') as f:
                        blobs.add(f.read())
                self.assertEqual(len(blobs), per_dir, '%s direction %d repeats a frame' % (set_name, d))

    def test_right_is_mirror_of_left(self):
        for set_name, left, right, n in (('res', 4, 6, 2), ('cat', 4, 6, 2), ('nimbus', 8, 12, 4)):
            for k in range(n):
                a = Bitmap(self.path(set_name, 'frame%d.bmp' % (left + k)))
                b = Bitmap(self.path(set_name, 'frame%d.bmp' % (right + k)))
                w = a.width
                self.assertTrue(all(a.at(x, y) == b.at(w - 1 - x, y)
                                    for y in range(a.height) for x in range(w)))

    def test_button_faces(self):
        for name, w, h in (('search.bmp', 28, 18), ('searchnew.bmp', 28, 18), ('close.bmp', 12, 11)):
            bmp = self.check_bitmap(self.path('res', name), w, h, 4)
            self.assertEqual(bmp.at(0, 0), (255, 255, 255), name)
            self.assertEqual(bmp.at(w - 1, h - 1), (255, 255, 255), name)
            ink = sum(1 for y in range(h) for x in range(w) if bmp.at(x, y) != (255, 255, 255))
            self.assertGreater(ink, w * h // 10, name)
        a = Bitmap(self.path('res', 'search.bmp'))
        b = Bitmap(self.path('res', 'searchnew.bmp'))
        self.assertNotEqual(a.data, b.data)

    def check_icon(self, path, kind, sizes, bpp=4):
        ico = IconFile(path)
        self.assertEqual(ico.kind, kind, path)
        self.assertEqual([(e['width'], e['height']) for e in ico.entries], sizes, path)
        end = 6 + 16 * len(ico.entries)
        for i, e in enumerate(ico.entries):
            self.assertEqual(e['offset'], end, path)
            end += e['length']
            _, dib = ico.image(i)
            w, h = e['width'], e['height']
            self.assertEqual((dib['width'], dib['height'], dib['bpp']), (w, 2 * h, bpp), path)
            self.assertEqual(len(dib['table']), 1 << bpp)
            xor, mask = stride(w, bpp) * h, stride(w, 1) * h
            self.assertEqual(e['length'], 40 + 4 * (1 << bpp) + xor + mask, path)
            if kind == 1:
                self.assertEqual((e['colours'], e['field1'], e['field2']), (16, 1, 4), path)
            opaque = sum(ico.opaque(i, x, y) for y in range(h) for x in range(w))
            self.assertGreater(opaque, w * h // 8, '%s image %d is nearly empty' % (path, i))
            for y in range(h):
                for x in range(w):
                    if not ico.opaque(i, x, y):
                        self.assertEqual(ico.colour(i, x, y), (0, 0, 0),
                                         '%s: masked pixel %d,%d must be black' % (path, x, y))
        self.assertEqual(end, len(ico.data), path)
        return ico

    def test_program_icons(self):
        self.check_icon(self.path('res', 'app.ico'), 1, [(32, 32)])
        for name in ('char.ico', 'charsmall.ico', 'paste.ico', 'window.ico'):
            self.check_icon(self.path('res', name), 1, [(32, 32), (16, 16)])

    def test_plugin_icons(self):
        for set_name in ('cat', 'nimbus'):
            for name in ('icon.ico', 'small.ico'):
                self.check_icon(self.path(set_name, name), 1, [(16, 16), (32, 32)])

    def check_cursor(self, path, hot):
        cur = self.check_icon(path, 2, [(32, 32)])
        e = cur.entries[0]
        self.assertEqual((e['field1'], e['field2']), hot, path)
        self.assertTrue(cur.opaque(0, *hot), '%s: the hot spot must be on the pointer' % path)

    def test_cursors(self):
        self.check_cursor(self.path('res', 'char.cur'), (1, 1))
        self.check_cursor(self.path('res', 'hand.cur'), (12, 1))
        self.check_cursor(self.path('cat', 'cursor.cur'), (1, 1))
        self.check_cursor(self.path('nimbus', 'cursor.cur'), (1, 1))

    def test_fingertip_is_the_top_of_the_hand(self):
        cur = IconFile(self.path('res', 'hand.cur'))
        self.assertFalse(any(cur.opaque(0, x, 0) for x in range(32)))
        self.assertFalse(cur.opaque(0, 12, 0))
        self.assertTrue(cur.opaque(0, 12, 1))

    def test_builds_are_identical(self):
        for name, src in self.SOURCES.items():
            again = os.path.join(self.tmp, name + '-again')
            self.assertEqual(run_tool(src, again).returncode, 0)
            for f in os.listdir(self.out[name]):
                with open(os.path.join(self.out[name], f), 'rb') as a, \
                        open(os.path.join(again, f), 'rb') as b:
                    self.assertEqual(a.read(), b.read(), f)

    def test_nimbus_source_matches_its_generator(self):
        gen_dir = os.path.join(self.tmp, 'gen')
        shutil.copytree(self.SOURCES['nimbus'], gen_dir)
        subprocess.run([sys.executable, os.path.join(gen_dir, 'draw.py')], check=True)
        with open(os.path.join(gen_dir, 'nimbus.art')) as a, \
                open(os.path.join(self.SOURCES['nimbus'], 'nimbus.art')) as b:
            self.assertEqual(a.read(), b.read(), 'nimbus.art is stale: re-run draw.py')


SMALL = """\
; test
size: 4 2
bpp: 4
. clear
R #FF0000
G #00FF00
B #0000FF
"""


class Tool(unittest.TestCase):
    def setUp(self):
        self.tmp = tempfile.mkdtemp()
        self.src = os.path.join(self.tmp, 'src')
        os.mkdir(self.src)
        self.out = os.path.join(self.tmp, 'out')

    def tearDown(self):
        shutil.rmtree(self.tmp)

    def build(self, text, name='t.art'):
        with open(os.path.join(self.src, name), 'w') as f:
            f.write(text)
        return run_tool(self.src, self.out)

    def fails_at(self, text, line, words):
        r = self.build(text)
        self.assertNotEqual(r.returncode, 0, 'accepted bad input')
        prefix = '%s:%d:' % (os.path.join(self.src, 't.art'), line)
        self.assertTrue(r.stderr.startswith(prefix), 'want %r, got %r' % (prefix, r.stderr))
        self.assertIn(words, r.stderr)
        self.assertFalse(os.path.exists(self.out), 'wrote output despite the error')

    def test_bitmap_pixels_land_where_the_map_puts_them(self):
        r = self.build(SMALL + '== a.bmp\nRGB.\n.BGR\n== b.bmp bpp=24\nRGB.\n.BGR\n'
                       '== c.bmp bpp=8\nRGB.\n.BGR\n')
        self.assertEqual(r.returncode, 0, r.stderr)
        rows = [[(255, 0, 0), (0, 255, 0), (0, 0, 255), MAGENTA],
                [MAGENTA, (0, 0, 255), (0, 255, 0), (255, 0, 0)]]
        for name, bpp in (('a.bmp', 4), ('b.bmp', 24), ('c.bmp', 8)):
            bmp = Bitmap(os.path.join(self.out, name))
            self.assertEqual((bmp.width, bmp.height, bmp.bpp), (4, 2, bpp))
            self.assertEqual([[bmp.at(x, y) for x in range(4)] for y in range(2)], rows, name)

    def test_padding_of_odd_widths(self):
        r = self.build(SMALL + '== a.bmp 3x1 bpp=24\nRGB\n== b.bmp 5x1\nRGBRG\n')
        self.assertEqual(r.returncode, 0, r.stderr)
        a = Bitmap(os.path.join(self.out, 'a.bmp'))
        self.assertEqual(len(a.data) - a.off_bits, 12)
        self.assertEqual(a.data[-3:], b'\0\0\0')
        b = Bitmap(os.path.join(self.out, 'b.bmp'))
        self.assertEqual(len(b.data) - b.off_bits, 4)
        self.assertEqual([b.at(x, 0) for x in range(5)],
                         [(255, 0, 0), (0, 255, 0), (0, 0, 255), (255, 0, 0), (0, 255, 0)])

    def test_icon_mask_and_hot_spot(self):
        r = self.build(SMALL + '== x.ico\nR..G\nBBBB\n== x.ico 2x2 bpp=8\nR.\n.G\n'
                       '== y.cur hot=3,1\nR..G\nBBBB\n')
        self.assertEqual(r.returncode, 0, r.stderr)
        ico = IconFile(os.path.join(self.out, 'x.ico'))
        self.assertEqual(ico.kind, 1)
        self.assertEqual([(e['width'], e['height'], e['field2']) for e in ico.entries],
                         [(4, 2, 4), (2, 2, 8)])
        self.assertEqual([ico.opaque(0, x, 0) for x in range(4)], [True, False, False, True])
        self.assertEqual(ico.colour(0, 1, 0), (0, 0, 0))
        self.assertEqual(ico.colour(0, 3, 0), (0, 255, 0))
        self.assertEqual(ico.colour(0, 2, 1), (0, 0, 255))
        self.assertEqual([ico.opaque(1, x, y) for y in range(2) for x in range(2)],
                         [True, False, False, True])
        cur = IconFile(os.path.join(self.out, 'y.cur'))
        self.assertEqual(cur.kind, 2)
        self.assertEqual((cur.entries[0]['field1'], cur.entries[0]['field2']), (3, 1))

    def test_mirror(self):
        r = self.build(SMALL + '== a.bmp\nRGB.\n.BGR\n== b.bmp mirror=a.bmp\n')
        self.assertEqual(r.returncode, 0, r.stderr)
        a = Bitmap(os.path.join(self.out, 'a.bmp'))
        b = Bitmap(os.path.join(self.out, 'b.bmp'))
        for y in range(2):
            self.assertEqual([b.at(x, y) for x in range(4)], [a.at(3 - x, y) for x in range(4)])

    def test_unknown_palette_character(self):
        self.fails_at(SMALL + '== a.bmp\nRGB.\n.BXR\n', 10, "unknown palette character 'X'")

    def test_ragged_rows(self):
        self.fails_at(SMALL + 'size: 4 3\n== a.bmp\nRGB.\n.BG\nRGB.\n', 11, 'ragged')

    def test_rows_of_the_wrong_width(self):
        self.fails_at(SMALL + '== a.bmp\nRGB\nRGB\n', 9, 'wrong size')

    def test_too_few_rows(self):
        self.fails_at(SMALL + '== a.bmp\nRGB.\n', 8, 'wrong size')

    def test_too_many_rows(self):
        self.fails_at(SMALL + '== a.bmp\nRGB.\nRGB.\nRGB.\n', 11, 'wrong size')

    def test_too_many_colours_for_the_depth(self):
        self.fails_at(SMALL + '== a.bmp bpp=1\nRGB.\nRGB.\n', 8, 'too many colours')

    def test_cursor_without_hot_spot(self):
        self.fails_at(SMALL + '== a.cur\nRGB.\nRGB.\n', 8, 'hot spot')

    def test_hot_spot_outside_the_image(self):
        self.fails_at(SMALL + '== a.cur hot=4,0\nRGB.\nRGB.\n', 8, 'outside')

    def test_unsupported_depth(self):
        self.fails_at(SMALL + '== a.ico bpp=24\nRGB.\nRGB.\n', 8, '24 bpp')

    def test_bad_palette_colour(self):
        self.fails_at(SMALL + 'Q #12345\n== a.bmp\nRGB.\nRGB.\n', 8, 'expected')

    def test_duplicate_bitmap(self):
        self.fails_at(SMALL + '== a.bmp\nRGB.\nRGB.\n== a.bmp\nRGB.\nRGB.\n', 11, 'twice')

    def test_same_output_from_two_files(self):
        self.build(SMALL + '== a.bmp\nRGB.\nRGB.\n', 'one.art')
        shutil.rmtree(self.out, ignore_errors=True)
        r = self.build(SMALL + '== a.bmp\nRGB.\nRGB.\n', 'two.art')
        self.assertNotEqual(r.returncode, 0)
        self.assertIn('two.art:8:', r.stderr)


if __name__ == '__main__':
    unittest.main()
