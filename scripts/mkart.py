#!/usr/bin/env python3
"""Build Windows bitmaps, icons and cursors from text pixel maps.

    python3 scripts/mkart.py SRC_DIR OUT_DIR

Every SRC_DIR/*.art file is read and the images it declares are written into
OUT_DIR. Output depends on nothing but the input text, so the same sources
always give the same bytes. Any fault in a source stops the run with
"file:line: message" on stderr and exit status 1, before anything is written.

The .art format
---------------
Lines are read one by one. Blank lines and lines whose first non-blank
character is ';' are ignored everywhere (so ';' can never be a pixel).

Header (everything before the first image):

    size: 32            default image size, "N" or "W H" or "WxH"
    bpp: 8              default bit depth
    hotspot: 1 1        default cursor hot spot "X Y"
    K #1A1A2E           palette entry: one character, then #RRGGBB
    . clear             palette entry for the transparent character

A header line may end in a comment: "K #1B1B2F   ; outline".

A "clear" pixel is written as exact magenta 255,0,255 in bitmaps (the frame
key the program cuts window shapes with) and masked out in icons and cursors
(AND bit 1, XOR colour black).

Images:

    == NAME [N | WxH] [bpp=B] [hot=X,Y] [mirror=OTHER]

followed by exactly H rows of exactly W palette characters, top row first.
Rows may be indented. The extension of NAME picks the output format:

    .bmp  BITMAPFILEHEADER + BITMAPINFOHEADER, bottom-up, bpp 1, 4, 8 or 24
          (1..8 bpp carry a full 2**bpp colour table, unused entries black)
    .ico  icon, one image per "== NAME" section with that name, in order;
          bpp 1, 4, 8 or 32; each image is a DIB of height 2*H holding the
          colour bitmap followed by the 1-bpp AND mask
    .cur  as .ico, but resource type 2 with the hot spot in the directory
          entry; the hot spot comes from hot= or the header's hotspot:

mirror=OTHER takes no rows: the image is OTHER (an earlier image of the same
.art file, first one of that name) flipped left to right. It keeps walking
frames of opposite directions exact mirrors of each other without duplicating
the map.

The colour table of an indexed image holds the colours that image uses, in
palette declaration order; more than 2**bpp distinct colours is an error.
"""

import os
import re
import struct
import sys

KEY = (0xFF, 0x00, 0xFF)
BLACK = (0, 0, 0)
CLEAR = 'clear'

BPP_BY_EXT = {'.bmp': (1, 4, 8, 24), '.ico': (1, 4, 8, 32), '.cur': (1, 4, 8, 32)}

HEADER_RE = re.compile(r'^([A-Za-z_]\w*):\s*(.*)$')
PALETTE_RE = re.compile(r'^(\S)\s+(#[0-9A-Fa-f]{6}|clear)$')
IMAGE_RE = re.compile(r'^==\s+(\S+)(.*)$')
TRAILING_COMMENT_RE = re.compile(r'\s+;.*$')
NAME_RE = re.compile(r'^[A-Za-z0-9_][A-Za-z0-9_.-]*$')


class ArtError(Exception):
    def __init__(self, path, line, message):
        super().__init__('%s:%d: %s' % (path, line, message))


class Image:
    def __init__(self, path, line, name):
        self.path = path
        self.line = line
        self.name = name
        self.ext = os.path.splitext(name)[1].lower()
        self.width = None
        self.height = None
        self.bpp = None
        self.hotspot = None
        self.mirror = None
        self.rows = []          # list of (line number, text)
        self.pixels = None      # rows of palette characters, top first

    def fail(self, message, line=None):
        raise ArtError(self.path, self.line if line is None else line, message)


def parse_size(text):
    m = re.match(r'^(\d+)(?:\s*[x ]\s*(\d+))?$', text.strip())
    if not m:
        return None
    w = int(m.group(1))
    h = int(m.group(2)) if m.group(2) else w
    if not (1 <= w <= 256 and 1 <= h <= 256):
        return None
    return w, h


def parse_point(text):
    m = re.match(r'^(\d+)\s*[, ]\s*(\d+)$', text.strip())
    return (int(m.group(1)), int(m.group(2))) if m else None


def parse_art(path):
    """Returns (palette, images); palette maps char -> (r, g, b) or CLEAR."""
    with open(path, encoding='utf-8') as f:
        lines = f.read().splitlines()

    palette = {}
    defaults = {'size': None, 'bpp': None, 'hotspot': None}
    images = []
    current = None

    for number, raw in enumerate(lines, 1):
        text = raw.strip()
        if not text or text.startswith(';'):
            continue

        m = IMAGE_RE.match(text)
        if m:
            current = start_image(path, number, m.group(1), m.group(2), defaults)
            images.append(current)
            continue

        if current is None:
            parse_header_line(path, number, text, palette, defaults)
            continue

        if current.mirror is not None:
            current.fail('%s is a mirror and takes no rows' % current.name, number)
        if len(current.rows) >= current.height:
            current.fail('wrong size: more than %d rows for %s'
                         % (current.height, current.name), number)
        current.rows.append((number, text))

    for image in images:
        check_rows(image, palette)
    resolve_mirrors(images)
    for image in images:
        check_colours(image, palette)
    return palette, images


def parse_header_line(path, number, text, palette, defaults):
    text = TRAILING_COMMENT_RE.sub('', text)
    m = PALETTE_RE.match(text)
    if m:
        char, value = m.group(1), m.group(2)
        if char == ';':
            raise ArtError(path, number, "';' starts a comment and cannot be a palette character")
        if char in palette:
            raise ArtError(path, number, 'palette character %r defined twice' % char)
        palette[char] = CLEAR if value == CLEAR else tuple(
            int(value[i:i + 2], 16) for i in (1, 3, 5))
        return
    m = HEADER_RE.match(text)
    if not m:
        raise ArtError(path, number, 'expected "key: value", a palette entry or "== NAME"')
    key, value = m.group(1).lower(), m.group(2)
    if key == 'size':
        size = parse_size(value)
        if size is None:
            raise ArtError(path, number, 'bad size %r' % value)
        defaults['size'] = size
    elif key == 'bpp':
        if not value.strip().isdigit():
            raise ArtError(path, number, 'bad bpp %r' % value)
        defaults['bpp'] = int(value)
    elif key == 'hotspot':
        point = parse_point(value)
        if point is None:
            raise ArtError(path, number, 'bad hotspot %r' % value)
        defaults['hotspot'] = point
    else:
        raise ArtError(path, number, 'unknown header key %r' % key)


def start_image(path, number, name, options, defaults):
    image = Image(path, number, name)
    if not NAME_RE.match(name) or image.ext not in BPP_BY_EXT:
        image.fail('bad output name %r (want NAME.bmp, NAME.ico or NAME.cur)' % name)
    size = defaults['size']
    image.bpp = defaults['bpp']
    image.hotspot = defaults['hotspot']
    for token in options.split():
        key, eq, value = token.partition('=')
        if not eq:
            size = parse_size(token)
            if size is None:
                image.fail('bad size %r' % token)
        elif key == 'bpp' and value.isdigit():
            image.bpp = int(value)
        elif key == 'hot' and parse_point(value):
            image.hotspot = parse_point(value)
        elif key == 'mirror' and value:
            image.mirror = value
        else:
            image.fail('bad option %r' % token)
    if size is None:
        image.fail('no size for %s (give "size:" in the header or N / WxH here)' % name)
    image.width, image.height = size
    if image.bpp is None:
        image.fail('no bit depth for %s' % name)
    if image.bpp not in BPP_BY_EXT[image.ext]:
        image.fail('%d bpp is not supported for %s files' % (image.bpp, image.ext))
    if image.ext == '.cur':
        if image.hotspot is None:
            image.fail('cursor %s has no hot spot' % name)
        x, y = image.hotspot
        if x >= image.width or y >= image.height:
            image.fail('hot spot %d,%d lies outside %dx%d' % (x, y, image.width, image.height))
    elif image.hotspot is not None and 'hot=' in options:
        image.fail('hot= only applies to cursors')
    return image


def check_rows(image, palette):
    if image.mirror is not None:
        return
    first_width = None
    for number, text in image.rows:
        if first_width is None:
            first_width = len(text)
        elif len(text) != first_width:
            image.fail('ragged row: %d pixels, the rows above have %d'
                       % (len(text), first_width), number)
        for column, char in enumerate(text, 1):
            if char not in palette:
                image.fail('unknown palette character %r at column %d' % (char, column), number)
        if len(text) != image.width:
            image.fail('wrong size: row is %d pixels, %s is %d wide'
                       % (len(text), image.name, image.width), number)
    if len(image.rows) != image.height:
        image.fail('wrong size: %s has %d rows, expected %d'
                   % (image.name, len(image.rows), image.height))
    image.pixels = [text for _, text in image.rows]


def resolve_mirrors(images):
    for image in images:
        if image.mirror is None:
            continue
        source = next((o for o in images if o.name == image.mirror and o.mirror is None), None)
        if source is None or images.index(source) > images.index(image):
            image.fail('mirror=%s needs an earlier drawn image of that name' % image.mirror)
        if (source.width, source.height) != (image.width, image.height):
            image.fail('wrong size: mirror source %s is %dx%d, %s is %dx%d'
                       % (source.name, source.width, source.height,
                          image.name, image.width, image.height))
        image.pixels = [row[::-1] for row in source.pixels]


def image_colour(image, value):
    if value != CLEAR:
        return value
    return KEY if image.ext == '.bmp' else BLACK


def colour_table(image, palette):
    """Distinct colours the image uses, in palette order."""
    used = set(''.join(image.pixels))
    table = []
    for char, value in palette.items():
        if char in used:
            colour = image_colour(image, value)
            if colour not in table:
                table.append(colour)
    return table


def check_colours(image, palette):
    if image.bpp > 8:
        return
    count = len(colour_table(image, palette))
    if count > 1 << image.bpp:
        image.fail('too many colours for %s: %d, %d bpp holds %d'
                   % (image.name, count, image.bpp, 1 << image.bpp))


def pack_indexed_row(indices, bpp):
    out = bytearray()
    per_byte = 8 // bpp
    for start in range(0, len(indices), per_byte):
        byte = 0
        chunk = indices[start:start + per_byte]
        for i, value in enumerate(chunk):
            byte |= value << (8 - bpp * (i + 1))
        out.append(byte)
    return out


def pad4(row):
    return bytes(row) + b'\0' * (-len(row) % 4)


def colour_bits(image, palette):
    """Returns (colour table bytes, pixel rows bottom-up, each padded)."""
    w, bpp = image.width, image.bpp
    rows = []
    if bpp <= 8:
        table = colour_table(image, palette)
        index = {c: table.index(image_colour(image, v)) for c, v in palette.items()
                 if image_colour(image, v) in table}
        for text in reversed(image.pixels):
            rows.append(pad4(pack_indexed_row([index[c] for c in text], bpp)))
        table += [BLACK] * ((1 << bpp) - len(table))
        table_bytes = b''.join(struct.pack('<BBBB', b, g, r, 0) for r, g, b in table)
        return table_bytes, rows
    for text in reversed(image.pixels):
        row = bytearray()
        for c in text:
            value = palette[c]
            r, g, b = image_colour(image, value)
            row += bytes((b, g, r))
            if bpp == 32:
                row.append(0 if value == CLEAR else 0xFF)
        rows.append(pad4(row))
    return b'', rows


def info_header(width, height, bpp, image_size):
    return struct.pack('<IiiHHIIiiII', 40, width, height, 1, bpp, 0, image_size, 0, 0, 0, 0)


def build_bmp(image, palette):
    table, rows = colour_bits(image, palette)
    bits = b''.join(rows)
    offset = 14 + 40 + len(table)
    return (struct.pack('<2sIHHI', b'BM', offset + len(bits), 0, 0, offset)
            + info_header(image.width, image.height, image.bpp, len(bits))
            + table + bits)


def build_icon_image(image, palette):
    table, rows = colour_bits(image, palette)
    xor = b''.join(rows)
    mask_rows = []
    for text in reversed(image.pixels):
        mask_rows.append(pad4(pack_indexed_row(
            [1 if palette[c] == CLEAR else 0 for c in text], 1)))
    mask = b''.join(mask_rows)
    return (info_header(image.width, 2 * image.height, image.bpp, len(xor) + len(mask))
            + table + xor + mask)


def build_icon_file(images, palette):
    cursor = images[0].ext == '.cur'
    blobs = [build_icon_image(i, palette) for i in images]
    out = bytearray(struct.pack('<HHH', 0, 2 if cursor else 1, len(images)))
    offset = 6 + 16 * len(images)
    for image, blob in zip(images, blobs):
        colours = (1 << image.bpp) if image.bpp < 8 else 0
        if cursor:
            field1, field2 = image.hotspot
        else:
            field1, field2 = 1, image.bpp
        out += struct.pack('<BBBBHHII', image.width % 256, image.height % 256,
                           colours, 0, field1, field2, len(blob), offset)
        offset += len(blob)
    for blob in blobs:
        out += blob
    return bytes(out)


def build_outputs(art_paths):
    """Returns {file name: bytes} for all sources; raises ArtError."""
    outputs = {}
    origin = {}
    for path in art_paths:
        palette, images = parse_art(path)
        groups = {}
        for image in images:
            if image.name in origin and origin[image.name] != path:
                image.fail('%s is already produced by %s' % (image.name, origin[image.name]))
            if image.ext == '.bmp' and image.name in groups:
                image.fail('%s is declared twice' % image.name)
            origin[image.name] = path
            groups.setdefault(image.name, []).append(image)
        for name, group in groups.items():
            if group[0].ext == '.bmp':
                outputs[name] = build_bmp(group[0], palette)
            else:
                seen = set()
                for image in group:
                    if (image.width, image.height, image.bpp) in seen:
                        image.fail('%s already has a %dx%d %d bpp image'
                                   % (name, image.width, image.height, image.bpp))
                    seen.add((image.width, image.height, image.bpp))
                outputs[name] = build_icon_file(group, palette)
    return outputs


def main(argv):
    if len(argv) != 3:
        sys.stderr.write('usage: mkart.py SRC_DIR OUT_DIR\n')
        return 2
    src, out = argv[1], argv[2]
    if not os.path.isdir(src):
        sys.stderr.write('mkart: %s is not a directory\n' % src)
        return 2
    paths = sorted(os.path.join(src, n) for n in os.listdir(src) if n.endswith('.art'))
    if not paths:
        sys.stderr.write('mkart: no .art files in %s\n' % src)
        return 1
    try:
        outputs = build_outputs(paths)
    except ArtError as e:
        sys.stderr.write('%s\n' % e)
        return 1
    except (OSError, UnicodeDecodeError) as e:
        sys.stderr.write('mkart: %s\n' % e)
        return 1
    os.makedirs(out, exist_ok=True)
    for name in sorted(outputs):
        target = os.path.join(out, name)
        with open(target, 'wb') as f:
            f.write(outputs[name])
    return 0


if __name__ == '__main__':
    sys.exit(main(sys.argv))
