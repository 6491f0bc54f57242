#!/usr/bin/env python3
"""Writes the release archive a Windows user unpacks and starts.

    mkrelease.py DIST_DIR GUIDE OUT_DIR

OUT_DIR receives Kelmora-<version>.zip and SHA256SUMS (and loses any older
Kelmora-*.zip, so the sums always cover what is there). The version is the
FILEVERSION of DIST_DIR/Kelmora.exe's version resource, as four numbers
joined by dots (5.2.0.0); res/Kelmora.rc is its one home.

The archive holds, flat, Kelmora.exe, imagedlls/*.dll, kelmora-pack.exe,
kelmora-template.dll and the guide GUIDE (UTF-8 in the tree) as 说明.txt in
GBK with CR LF, which Notepad on a Chinese Windows reads as it is.

The same inputs give the same bytes: entries in a fixed order, every entry
dated with the commit's time (SOURCE_DATE_EPOCH overrides it), MS-DOS
attributes instead of Unix permissions, no extra time fields, deflate at a
fixed level. File names are GBK, as archives made on a Chinese Windows carry
them and as its Explorer reads them, each non-ASCII one also in UTF-8 in an
Info-ZIP Unicode Path field for other archivers.
"""
import hashlib
import os
import struct
import subprocess
import sys
import time
import zlib

PROGRAM = 'Kelmora.exe'
TOOLS = ('kelmora-pack.exe', 'kelmora-template.dll')
PLUGIN_DIR = 'imagedlls'
GUIDE_NAME = '说明.txt'
NAME_ENCODING = 'gbk'

RT_VERSION = 16
FIXED_FILE_INFO_SIGNATURE = 0xFEEF04BD


class ReleaseError(Exception):
    pass


def pe_resource(data, type_id):
    """Bytes of the first resource of the type (any name, any language)."""
    if data[:2] != b'MZ':
        raise ReleaseError('not a PE file')
    pe = struct.unpack_from('<I', data, 0x3C)[0]
    if data[pe:pe + 4] != b'PE\0\0':
        raise ReleaseError('not a PE file')
    sections, = struct.unpack_from('<H', data, pe + 6)
    optional_size, = struct.unpack_from('<H', data, pe + 20)
    optional = pe + 24
    magic, = struct.unpack_from('<H', data, optional)
    directories = optional + {0x10B: 96, 0x20B: 112}.get(magic, 0)
    if directories == optional:
        raise ReleaseError('unknown optional header 0x%X' % magic)
    rsrc_rva, rsrc_size = struct.unpack_from('<II', data, directories + 2 * 8)
    if not rsrc_size:
        raise ReleaseError('no resources')

    table = optional + optional_size
    spans = []
    for i in range(sections):
        virtual_size, rva, raw_size, raw = struct.unpack_from('<IIII', data, table + 40 * i + 8)
        spans.append((rva, max(virtual_size, raw_size), raw))

    def offset(target):
        for rva, size, raw in spans:
            if rva <= target < rva + size:
                return raw + target - rva
        raise ReleaseError('address 0x%X lies in no section' % target)

    base = offset(rsrc_rva)

    def entries(directory):
        named, ids = struct.unpack_from('<HH', data, base + directory + 12)
        for i in range(named + ids):
            yield struct.unpack_from('<II', data, base + directory + 16 + 8 * i)

    def first(directory, wanted=None):
        for name, target in entries(directory):
            if wanted is None or (not name & 0x80000000 and name == wanted):
                return target
        return None

    level = first(0, type_id)
    for _ in range(2):
        if level is None or not level & 0x80000000:
            raise ReleaseError('no resource of type %d' % type_id)
        level = first(level & 0x7FFFFFFF)
    if level is None or level & 0x80000000:
        raise ReleaseError('malformed resource directory')
    data_rva, size = struct.unpack_from('<II', data, base + level)
    start = offset(data_rva)
    return data[start:start + size]


def file_version(path):
    """FILEVERSION of the program's version resource, as 'a.b.c.d'."""
    with open(path, 'rb') as f:
        block = pe_resource(f.read(), RT_VERSION)
    # VS_VERSIONINFO: three WORDs, the key "VS_VERSION_INFO" in UTF-16 with
    # its terminator, padding to 32 bits, then VS_FIXEDFILEINFO.
    key = 'VS_VERSION_INFO\0'.encode('utf-16-le')
    if block[6:6 + len(key)] != key:
        raise ReleaseError('%s: version resource without VS_VERSION_INFO' % path)
    fixed = (6 + len(key) + 3) & ~3
    signature, _, ms, ls = struct.unpack_from('<IIII', block, fixed)
    if signature != FIXED_FILE_INFO_SIGNATURE:
        raise ReleaseError('%s: version resource without fixed file information' % path)
    return '%d.%d.%d.%d' % (ms >> 16, ms & 0xFFFF, ls >> 16, ls & 0xFFFF)


def guide_bytes(path):
    with open(path, encoding='utf-8-sig') as f:
        text = f.read()
    lines = text.replace('\r\n', '\n').split('\n')
    try:
        return '\r\n'.join(lines).encode('gbk')
    except UnicodeEncodeError as e:
        raise ReleaseError('%s: %r has no GBK form' % (path, text[e.start:e.end]))


def release_time(source_dir):
    stamp = os.environ.get('SOURCE_DATE_EPOCH')
    if not stamp:
        try:
            stamp = subprocess.run(['git', '-C', source_dir, 'log', '-1', '--format=%ct'],
                                   check=True, capture_output=True, text=True).stdout.strip()
        except (OSError, subprocess.CalledProcessError):
            raise ReleaseError('no commit to date the archive by; set SOURCE_DATE_EPOCH')
    return int(stamp)


def dos_date_time(seconds):
    t = time.gmtime(max(seconds, 315532800))  # the format starts in 1980
    return (((t.tm_year - 1980) << 9) | (t.tm_mon << 5) | t.tm_mday,
            (t.tm_hour << 11) | (t.tm_min << 5) | (t.tm_sec // 2))


def entries(dist_dir, guide_path):
    """(name in the archive, bytes; None for a folder), in archive order."""
    def read(name):
        path = os.path.join(dist_dir, *name.split('/'))
        if not os.path.isfile(path):
            raise ReleaseError('%s is missing; build the dist first' % path)
        with open(path, 'rb') as f:
            return f.read()
    plugins = sorted(n for n in os.listdir(os.path.join(dist_dir, PLUGIN_DIR))
                     if n.lower().endswith('.dll'))
    if not plugins:
        raise ReleaseError('no characters in %s' % os.path.join(dist_dir, PLUGIN_DIR))
    out = [(PROGRAM, read(PROGRAM)), (PLUGIN_DIR + '/', None)]
    out += [(PLUGIN_DIR + '/' + n, read(PLUGIN_DIR + '/' + n)) for n in plugins]
    out += [(n, read(n)) for n in TOOLS]
    out.append((GUIDE_NAME, guide_bytes(guide_path)))
    return out


def zip_bytes(items, seconds):
    date, clock = dos_date_time(seconds)
    body = bytearray()
    directory = bytearray()
    for name, data in items:
        raw_name = name.encode(NAME_ENCODING)
        extra = b''
        if raw_name != name.encode('utf-8'):
            unicode_path = b'\x01' + struct.pack('<I', zlib.crc32(raw_name)) + name.encode('utf-8')
            extra = struct.pack('<HH', 0x7075, len(unicode_path)) + unicode_path
        if data is None:
            method, needed, packed, crc, size, attributes = 0, 10, b'', 0, 0, 0x10
        else:
            compressor = zlib.compressobj(9, zlib.DEFLATED, -15, 9)
            method, needed = 8, 20
            packed = compressor.compress(data) + compressor.flush()
            crc, size, attributes = zlib.crc32(data), len(data), 0x20
        fields = struct.pack('<HHHHHIIIHH', needed, 0, method, clock, date, crc,
                             len(packed), size, len(raw_name), len(extra))
        header_offset = len(body)
        body += b'PK\x03\x04' + fields + raw_name + extra + packed
        # Made by MS-DOS (0): the external attributes are FAT ones.
        directory += (b'PK\x01\x02' + struct.pack('<H', 20) + fields
                      + struct.pack('<HHHII', 0, 0, 0, attributes, header_offset)
                      + raw_name + extra)
    end = struct.pack('<4sHHHHIIH', b'PK\x05\x06', 0, 0, len(items), len(items),
                      len(directory), len(body), 0)
    return bytes(body + directory + end)


def main(argv):
    if len(argv) != 4:
        sys.stderr.write('usage: mkrelease.py DIST_DIR GUIDE OUT_DIR\n')
        return 2
    dist_dir, guide_path, out_dir = argv[1:]
    source_dir = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    try:
        version = file_version(os.path.join(dist_dir, PROGRAM))
        archive = zip_bytes(entries(dist_dir, guide_path), release_time(source_dir))
    except (ReleaseError, OSError, struct.error) as e:
        sys.stderr.write('mkrelease: %s\n' % e)
        return 1
    name = 'Kelmora-%s.zip' % version
    os.makedirs(out_dir, exist_ok=True)
    for old in os.listdir(out_dir):
        if old.startswith('Kelmora-') and old.endswith('.zip') and old != name:
            os.remove(os.path.join(out_dir, old))
    for file_name, data in ((name, archive),
                            ('SHA256SUMS', ('%s  %s\n' % (hashlib.sha256(archive).hexdigest(),
                                                          name)).encode('ascii'))):
        temp = os.path.join(out_dir, file_name + '.new')
        with open(temp, 'wb') as f:
            f.write(data)
        os.replace(temp, os.path.join(out_dir, file_name))
    print('mkrelease: wrote %s (%d bytes) and SHA256SUMS' % (os.path.join(out_dir, name), len(archive)))
    return 0


if __name__ == '__main__':
    sys.exit(main(sys.argv))
