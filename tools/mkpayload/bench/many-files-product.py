#!/usr/bin/env python3
"""Makes a product folder of many small files for the peer benchmark: about 4,000 text files and
45 MiB, the system's C headers (/usr/include, then /usr/share/doc when that has too few) flattened
into one folder. Where a product of a few large files measures decompression, this one measures what
each file costs: its creation, its rename into place, its log line.

Usage: many-files-product.py OUT_DIR [--files N] [--mib M]
The same machine always gives the same folder. peer-bench adds the stand-in product beside it.
"""
import argparse
import os
import re
import shutil
import sys

ROOTS = ('/usr/include', '/usr/share/doc')
# Small files only: the largest headers would carry most of the bytes.
CAPS = (128, 96, 64, 48, 32, 24, 16)
# Windows maps these to devices whatever the extension.
RESERVED = {'CON', 'PRN', 'AUX', 'NUL'} | {f'{p}{d}' for p in ('COM', 'LPT') for d in range(1, 10)}
# Leaves room for C:\...\<folder>\<staging folder>\ within the 260 characters of a path.
MAX_NAME = 120


def candidates(root):
    """(relative path, size) of the plain files below root, in byte order of the path."""
    found = []
    for folder, dirs, files in os.walk(root):
        dirs.sort()
        for name in files:
            path = os.path.join(folder, name)
            if os.path.islink(path) or not os.path.isfile(path):
                continue
            size = os.path.getsize(path)
            if size > 0:
                found.append((path, size))
    found.sort(key=lambda entry: os.fsencode(entry[0]))
    return found


def windows_name(relative):
    """The path as one ASCII file name Windows accepts: folders joined by '_', any other character '_'."""
    name = re.sub(r'[^A-Za-z0-9._+-]', '_', relative.replace('/', '_')).rstrip('. ')
    if name.split('.')[0].upper() in RESERVED:
        name = '_' + name
    return name


def spread(items, count):
    """count items evenly spaced through items (all when there are no more)."""
    if len(items) <= count:
        return list(items)
    return [items[i * len(items) // count] for i in range(count)]


def main():
    parser = argparse.ArgumentParser(description=__doc__.split('\n\n')[0])
    parser.add_argument('out')
    parser.add_argument('--files', type=int, default=4000)
    parser.add_argument('--mib', type=float, default=45)
    args = parser.parse_args()
    budget = int(args.mib * 1048576)

    # The largest cap whose spread keeps the budget; a lower one would leave too few files.
    pools = {root: candidates(root) for root in ROOTS if os.path.isdir(root)}
    chosen = []
    for cap in CAPS:
        pool = []
        for root, found in pools.items():
            if len(pool) >= args.files:
                break
            pool += [(path, size, root) for path, size in found if size <= cap * 1024]
        if chosen and len(pool) < args.files:
            break
        chosen = spread(pool, args.files)
        if sum(size for _, size, _ in chosen) <= budget:
            break
    if not chosen:
        sys.exit('many-files-product: no files in ' + ', '.join(ROOTS))

    if os.path.exists(args.out):
        shutil.rmtree(args.out)
    os.makedirs(args.out)
    taken = set()  # names in upper case: Windows does not tell letter cases apart
    written = 0
    for path, size, root in chosen:
        name = windows_name(os.path.relpath(path, root))
        stem, ext = os.path.splitext(name)
        if len(name) > MAX_NAME:
            stem = stem[:MAX_NAME - len(ext)]
            name = stem + ext
        number = 1
        while name.upper() in taken:
            number += 1
            name = f'{stem}-{number}{ext}'
        taken.add(name.upper())
        shutil.copy2(path, os.path.join(args.out, name))
        written += size
    print(f'many-files-product: {len(chosen)} files, {written} bytes in {args.out}')


if __name__ == '__main__':
    main()
