#!/usr/bin/env python3
"""Writes the list SetupZarvo.exe checks its embedded files against before it does anything: one line per
file, its resource name, its size and its CRC-32 (the one RtlComputeCrc32 gives) in hexadecimal.
  embedded-checksums.py OUT NAME FILE [NAME FILE ...]
The list is rewritten only when it changes, so that the program is relinked only then."""
import sys
import zlib


def main() -> int:
    out, pairs = sys.argv[1], sys.argv[2:]
    if not pairs or len(pairs) % 2:
        print(__doc__, file=sys.stderr)
        return 2
    lines = []
    for name, path in zip(pairs[::2], pairs[1::2]):
        crc = size = 0
        with open(path, "rb") as file:
            while chunk := file.read(1 << 20):
                crc = zlib.crc32(chunk, crc)
                size += len(chunk)
        lines.append(f"{name} {size} {crc:08x}\n")
    text = "".join(lines)
    try:
        with open(out, encoding="ascii") as file:
            if file.read() == text:
                return 0
    except FileNotFoundError:
        pass
    with open(out, "w", encoding="ascii", newline="\n") as file:
        file.write(text)
    return 0


if __name__ == "__main__":
    sys.exit(main())
