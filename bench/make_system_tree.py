#!/usr/bin/env python3
"""Copies a second benchmark tree out of this machine's own files: shared
libraries (real binaries) from /usr/lib/x86_64-linux-gnu and C headers (real
text) from /usr/include, chosen in name order up to fixed sizes, so that the
same machine always gives the same tree.

Usage: make_system_tree.py OUTDIR
"""
import os, re, shutil, sys

out = sys.argv[1]
LIB_DIR, LIB_BYTES, LIB_FILES = "/usr/lib/x86_64-linux-gnu", 48 << 20, 500
INCLUDE_DIR, INCLUDE_BYTES, INCLUDE_DIRS, PER_DIR = "/usr/include", 40 << 20, 600, 500
# Names a Windows folder cannot hold.
BAD = re.compile(r'[<>:"|?*\\]|^(con|prn|aux|nul|com\d|lpt\d)(\..*)?$', re.I)
STAMP = 1710495000  # 2024-03-15 09:30 UTC, for every copied file


def copy(src, rel):
    dst = os.path.join(out, rel)
    os.makedirs(os.path.dirname(dst), exist_ok=True)
    shutil.copyfile(src, dst)
    os.utime(dst, (STAMP, STAMP))


def usable(name):
    return not BAD.search(name) and len(name.encode()) < 100


if os.path.exists(out) and os.listdir(out):
    sys.exit(f"refusing: {out} exists and is not empty")
total = files = 0
for name in sorted(os.listdir(LIB_DIR)):
    path = os.path.join(LIB_DIR, name)
    if os.path.islink(path) or not os.path.isfile(path) or not usable(name):
        continue
    size = os.path.getsize(path)
    if not 4096 <= size <= 8 << 20 or total + size > LIB_BYTES or files >= LIB_FILES:
        continue
    copy(path, os.path.join("lib", name))
    total, files = total + size, files + 1

text = dirs = 0
for folder, subdirs, names in os.walk(INCLUDE_DIR):
    subdirs.sort()
    rel = os.path.relpath(folder, INCLUDE_DIR)
    if dirs >= INCLUDE_DIRS or not all(usable(p) for p in rel.split(os.sep)):
        subdirs.clear()
        continue
    taken = 0
    seen = set()  # Windows names are case-insensitive
    for name in sorted(names):
        path = os.path.join(folder, name)
        if os.path.islink(path) or not usable(name) or name.lower() in seen or taken >= PER_DIR:
            continue
        size = os.path.getsize(path)
        if text + size > INCLUDE_BYTES:
            continue
        copy(path, os.path.join("include", rel, name))
        seen.add(name.lower())
        text, taken = text + size, taken + 1
        files += 1
    dirs += taken > 0
print(f"tree={out} files={files} bytes={total + text} (libraries {total}, headers {text})")
