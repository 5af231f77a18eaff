#!/usr/bin/env python3
"""Writes a PNG that declares WIDTH x HEIGHT, for tests of what the show does with it.

    hostile_png.py FILE WIDTH HEIGHT BIT_DEPTH COLOUR_TYPE ROWS

ROWS rows of zero pixels are compressed into the file (0: all of them, a decompression
bomb); fewer rows than HEIGHT make a truncated picture whose header still claims the size.
"""
import struct
import sys
import zlib


def chunk(kind, data):
    return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data) & 0xffffffff)


def main(path, width, height, depth, colour, rows):
    channels = {0: 1, 2: 3, 4: 2, 6: 4}[colour]
    row = 1 + (width * channels * depth + 7) // 8
    count = height if rows == 0 else min(height, rows)
    packer = zlib.compressobj(9)
    data = b"".join(packer.compress(b"\0" * row) for _ in range(count)) + packer.flush()
    header = struct.pack(">IIBBBBB", width, height, depth, colour, 0, 0, 0)
    with open(path, "wb") as f:
        f.write(b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", data) + chunk(b"IEND", b""))


if __name__ == "__main__":
    main(sys.argv[1], *(int(a) for a in sys.argv[2:7]))
