#!/usr/bin/env python3
"""Copies product sources for the host compiler with their texts in GBK.

The cross compiler turns the UTF-8 sources' string literals into code page
936 bytes (-fexec-charset=GBK); clang cannot. Each non-ASCII character is
written as octal escapes of its GBK bytes instead, which gives the same bytes
in literals (three-digit octal escapes never run into the next character) and
leaves comments readable enough. A #line keeps diagnostics on the original.

    gbk_source.py SOURCE_ROOT OUT_ROOT RELATIVE_PATH...
"""
import os
import sys


def transcode(text, name):
    out = []
    for lineno, line in enumerate(text.splitlines(keepends=True), 1):
        if any(ord(c) > 0x7F for c in line) and 'R"' in line:
            sys.exit(f"{name}:{lineno}: non-ASCII text in a raw string literal")
        out.append(''.join(c if ord(c) < 0x80 else ''.join('\\%03o' % b for b in c.encode('gbk'))
                           for c in line))
    return ''.join(out)


def main():
    src_root, out_root, paths = sys.argv[1], sys.argv[2], sys.argv[3:]
    for rel in paths:
        src = os.path.join(src_root, rel)
        with open(src, encoding='utf-8') as f:
            text = f.read()
        body = '#line 1 "%s"\n%s' % (src, transcode(text, src))
        dst = os.path.join(out_root, rel)
        os.makedirs(os.path.dirname(dst), exist_ok=True)
        old = None
        if os.path.exists(dst):
            with open(dst, encoding='ascii', errors='replace') as f:
                old = f.read()
        if old != body:
            with open(dst, 'w', encoding='ascii') as f:
                f.write(body)


if __name__ == '__main__':
    main()
