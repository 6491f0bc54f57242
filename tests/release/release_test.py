#!/usr/bin/env python3
"""Checks the release archive, then hands it to a Windows user.

    python3 tests/release/release_test.py DIST_DIR RELEASE_TEST_EXE

Writes the archive from DIST_DIR with scripts/mkrelease.py, reads it back
with Python's own zip reader and compares it with the files it was made of,
writes it again from a copy elsewhere and compares the bytes, then unpacks
it into a folder whose name has Chinese characters and blanks and runs
RELEASE_TEST_EXE under Wine on that folder.
"""
import hashlib
import os
import shutil
import struct
import subprocess
import sys
import tempfile
import unittest
import zipfile
import zlib

ROOT = os.path.abspath(os.path.join(os.path.dirname(__file__), '..', '..'))
TOOL = os.path.join(ROOT, 'scripts', 'mkrelease.py')
GUIDE = os.path.join(ROOT, 'docs', '说明.txt')
WINERUN = os.path.join(ROOT, 'scripts', 'winerun')
DIST = TEST_EXE = None

EPOCH = 1700000000
EPOCH_DATE_TIME = (2023, 11, 14, 22, 13, 20)  # UTC
FOLDER = '测试 文件夹 1'


def make_release(dist, guide, out):
    env = dict(os.environ, SOURCE_DATE_EPOCH=str(EPOCH))
    result = subprocess.run([sys.executable, TOOL, dist, guide, out], env=env,
                            stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True)
    if result.returncode != 0:
        raise AssertionError('mkrelease failed:\n' + result.stdout)
    archives = [n for n in os.listdir(out) if n.endswith('.zip')]
    if len(archives) != 1:
        raise AssertionError('expected one archive in %s, found %s' % (out, archives))
    return os.path.join(out, archives[0])


def read(path):
    with open(path, 'rb') as f:
        return f.read()


def windows_path(path):
    return 'Z:' + os.path.abspath(path).replace('/', '\\')


class ReleaseArchive(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.work = tempfile.mkdtemp(prefix='kelmora-release-')
        cls.out = os.path.join(cls.work, 'out')
        cls.archive = make_release(DIST, GUIDE, cls.out)
        cls.bytes = read(cls.archive)

    @classmethod
    def tearDownClass(cls):
        shutil.rmtree(cls.work, ignore_errors=True)

    def expected_files(self):
        """Archive name -> bytes of the file it must hold, from the dist."""
        files = {}
        for name in ('Kelmora.exe', 'kelmora-pack.exe', 'kelmora-template.dll'):
            files[name] = read(os.path.join(DIST, name))
        for name in sorted(os.listdir(os.path.join(DIST, 'imagedlls'))):
            files['imagedlls/' + name] = read(os.path.join(DIST, 'imagedlls', name))
        return files

    def test_named_after_the_version_with_its_sums_beside_it(self):
        name = os.path.basename(self.archive)
        self.assertRegex(name, r'^Kelmora-\d+\.\d+\.\d+\.\d+\.zip$')
        sums = read(os.path.join(self.out, 'SHA256SUMS')).decode('ascii')
        self.assertEqual(sums, '%s  %s\n' % (hashlib.sha256(self.bytes).hexdigest(), name))
        check = subprocess.run(['sha256sum', '--check', '--strict', 'SHA256SUMS'], cwd=self.out,
                               stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True)
        self.assertEqual(check.returncode, 0, check.stdout)

    def test_holds_the_program_characters_packer_and_guide_in_order(self):
        expected = self.expected_files()
        self.assertIn('imagedlls/penguin.dll', expected)
        self.assertGreaterEqual(len([n for n in expected if n.startswith('imagedlls/')]), 3)
        with zipfile.ZipFile(self.archive, metadata_encoding='gbk') as z:
            self.assertIsNone(z.testzip())
            names = z.namelist()
            self.assertEqual(names, ['Kelmora.exe', 'imagedlls/']
                             + sorted(n for n in expected if n.startswith('imagedlls/'))
                             + ['kelmora-pack.exe', 'kelmora-template.dll', '说明.txt'])
            for info in z.infolist():
                self.assertEqual(info.date_time, EPOCH_DATE_TIME, info.filename)
                self.assertEqual(info.create_system, 0, info.filename)
                self.assertEqual(info.flag_bits & 0x800, 0, info.filename)
                if info.is_dir():
                    self.assertEqual(info.external_attr, 0x10)
                    continue
                self.assertEqual(info.external_attr, 0x20, info.filename)
                self.assertEqual(info.compress_type, zipfile.ZIP_DEFLATED, info.filename)
                if info.filename in expected:
                    self.assertEqual(z.read(info), expected[info.filename], info.filename)

    def test_guide_is_the_tree_text_in_gbk_with_cr_lf_named_twice(self):
        with zipfile.ZipFile(self.archive, metadata_encoding='gbk') as z:
            info = z.getinfo('说明.txt')
            guide = z.read(info)
        self.assertEqual(guide.count(b'\n'), guide.count(b'\r\n'))
        self.assertEqual(guide.count(b'\r'), guide.count(b'\r\n'))
        source = read(GUIDE).decode('utf-8')
        self.assertEqual(guide.decode('gbk').replace('\r\n', '\n'), source)
        # The name in UTF-8 too, in an Info-ZIP Unicode Path field that
        # belongs to exactly this GBK name.
        tag, size = struct.unpack_from('<HH', info.extra, 0)
        self.assertEqual(tag, 0x7075)
        self.assertEqual(size, len(info.extra) - 4)
        version, crc = struct.unpack_from('<BI', info.extra, 4)
        self.assertEqual(version, 1)
        self.assertEqual(crc, zlib.crc32('说明.txt'.encode('gbk')))
        self.assertEqual(info.extra[9:].decode('utf-8'), '说明.txt')

    def test_same_bytes_from_a_copy_elsewhere_with_other_times_and_modes(self):
        other = os.path.join(self.work, '另一个 副本')
        dist = os.path.join(other, 'dist')
        shutil.copytree(DIST, dist)
        guide = os.path.join(other, 'guide.txt')
        shutil.copyfile(GUIDE, guide)
        for folder, _, names in os.walk(other):
            for name in names:
                path = os.path.join(folder, name)
                os.chmod(path, 0o600)
                os.utime(path, (1234567890, 1234567890))
        again = make_release(dist, guide, os.path.join(other, 'out'))
        self.assertEqual(os.path.basename(again), os.path.basename(self.archive))
        self.assertEqual(read(again), self.bytes)
        self.assertEqual(read(os.path.join(other, 'out', 'SHA256SUMS')),
                         read(os.path.join(self.out, 'SHA256SUMS')))

    def test_a_windows_user_unpacks_starts_ends_and_packs(self):
        folder = os.path.join(self.work, FOLDER)
        with zipfile.ZipFile(self.archive, metadata_encoding='gbk') as z:
            z.extractall(folder)
        version = os.path.basename(self.archive)[len('Kelmora-'):-len('.zip')]
        env = dict(os.environ, KELMORA_RELEASE_DIR=windows_path(folder), KELMORA_RELEASE_VERSION=version)
        result = subprocess.run([WINERUN, TEST_EXE], env=env, stdout=subprocess.PIPE,
                                stderr=subprocess.STDOUT, text=True, errors='replace')
        sys.stdout.write(result.stdout)
        self.assertEqual(result.returncode, 0, 'the Windows side failed')


if __name__ == '__main__':
    if len(sys.argv) != 3:
        sys.stderr.write('usage: release_test.py DIST_DIR RELEASE_TEST_EXE\n')
        sys.exit(2)
    DIST, TEST_EXE = sys.argv[1], sys.argv[2]
    unittest.main(argv=sys.argv[:1], verbosity=2)
