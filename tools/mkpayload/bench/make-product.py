#!/usr/bin/env python3
"""Makes a product folder for the payload benchmark: about 200 files and 50 MB cut from real
binaries and text, each copy changed a little (patched bytes, its own header, its own slice), the way
a product's builds and resources resemble each other without being equal.

Usage: make-product.py OUT_DIR SOURCE_FILE...   (the same sources always give the same folder)
"""
import os
import random
import sys

FILES = 200
TOTAL = 50 * 1024 * 1024


def main():
    out, sources = sys.argv[1], sorted(sys.argv[2:])
    os.makedirs(out, exist_ok=True)
    rng = random.Random(2024)
    blobs = []
    for path in sources:
        with open(path, 'rb') as f:
            data = f.read()
        if data:
            blobs.append((os.path.basename(path), data))
    if not blobs:
        sys.exit('make-product: no source files')
    written = 0
    for i in range(FILES):
        name, data = blobs[i % len(blobs)]
        left = FILES - i
        want = max(1, min(len(data), int((TOTAL - written) / left * rng.uniform(0.3, 1.7))))
        start = rng.randrange(0, len(data) - want + 1)
        piece = bytearray(data[start:start + want])
        # A few patched bytes per copy, as a rebuilt binary or an edited text has.
        for _ in range(max(1, want // 20000)):
            at = rng.randrange(len(piece))
            piece[at] = rng.randrange(256)
        header = f'build {i:03d} of {name}\r\n'.encode()
        stem, ext = os.path.splitext(name)
        with open(os.path.join(out, f'{stem}_{i:03d}{ext or ".dat"}'), 'wb') as f:
            f.write(header + bytes(piece))
        written += len(header) + len(piece)
    print(f'make-product: {FILES} files, {written} bytes in {out}')


if __name__ == '__main__':
    main()
