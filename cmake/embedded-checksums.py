#!/usr/bin/env python3
"""Writes what SetupZarvo.exe checks its embedded files against before it does anything: for each file, in
the order given (the extraction library, then the payload), its size and its CRC-32 (the one
RtlComputeCrc32 gives), each a 32-bit little-endian number.
  embedded-checksums.py OUT FILE...
The list is rewritten only when it changes, so that the program is relinked only then."""
import struct
import sys
import zlib


def main() -> int:
    if len(sys.argv) < 3:
        print(__doc__, file=sys.stderr)
        return 2
    out, files = sys.argv[1], sys.argv[2:]
    recorded = b""
    for path in files:
        crc = size = 0
        with open(path, "rb") as file:
            while chunk := file.read(1 << 20):
                crc = zlib.crc32(chunk, crc)
                size += len(chunk)
        recorded += struct.pack("<II", size, crc)
    try:
        with open(out, "rb") as file:
            if file.read() == recorded:
                return 0
    except FileNotFoundError:
        pass
    with open(out, "wb") as file:
        file.write(recorded)
    return 0


if __name__ == "__main__":
    sys.exit(main())
