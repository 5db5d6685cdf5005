#!/usr/bin/env python3
"""Draws the program's two pointer files, HAND-M.CUR and drag.ico, from the pixel art below.

Both are 32x32, 32 bits per pixel with an alpha channel, plus the 1-bit mask the formats
require. Run from the repository root: python3 scripts/make_pointers.py
"""
import struct
import sys
from pathlib import Path

# K = outline, W = fill, G = accent, . = transparent. Rows shorter than 32 are padded.
HAND = """
.....KK
....KWWK
....KWWK
....KWWK
....KWWK
....KWWKKK
....KWWKWWKKK
....KWWKWWKWWKK
....KWWKWWKWWKWK
.KK.KWWKWWKWWKWWK
KWWKKWWWWWWWWKWWK
KWWWKWWWWWWWWWWWK
.KWWKWWWWWWWWWWWK
..KWWWWWWWWWWWWWK
..KWWWWWWWWWWWWWK
...KWWWWWWWWWWWWK
...KWWWWWWWWWWWK
....KWWWWWWWWWWK
....KWWWWWWWWWK
.....KWWWWWWWWK
.....KWWWWWWWWK
.....KKKKKKKKKK
"""
HAND_HOTSPOT = (5, 0)  # the tip of the index finger

DRAG = """
...............K
..............KWK
.............KWWWK
............KWWWWWK
...........KWWWWWWWK
..........KWWWWWWWWWK
..........KKKKWWWKKKK
.............KWWWK
.............KWWWK...KKKKKKKKKK
.............KWWWK...KGGGGGGGGK
.............KWWWK...KKKKKKKKKK
.............KWWWK
.............KWWWK...KKKKKKKKKK
.............KWWWK...KGGGGGGGGK
.............KWWWK...KKKKKKKKKK
.............KWWWK
.............KWWWK...KKKKKKKKKK
.............KWWWK...KGGGGGGGGK
.............KWWWK...KKKKKKKKKK
.............KWWWK
..........KKKKWWWKKKK
..........KWWWWWWWWWK
...........KWWWWWWWK
............KWWWWWK
.............KWWWK
..............KWK
...............K
"""

COLOURS = {  # (blue, green, red, alpha)
    "K": (0x20, 0x20, 0x20, 0xFF),
    "W": (0xFF, 0xFF, 0xFF, 0xFF),
    "G": (0x3C, 0xB4, 0x2E, 0xFF),
    ".": (0, 0, 0, 0),
}
SIZE = 32


def grid(art, top):
    rows = [r for r in art.strip("\n").split("\n")]
    cells = [["."] * SIZE for _ in range(SIZE)]
    for y, row in enumerate(rows):
        for x, c in enumerate(row):
            cells[top + y][x] = c
    return cells


def image_data(cells):
    """BITMAPINFOHEADER, bottom-up BGRA pixels and the AND mask, as in .ico/.cur files."""
    header = struct.pack("<IiiHHIIiiII", 40, SIZE, SIZE * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    pixels = b"".join(bytes(COLOURS[c]) for row in reversed(cells) for c in row)
    mask = bytearray()
    for row in reversed(cells):
        bits = 0
        for x, c in enumerate(row):
            if c == ".":
                bits |= 1 << (SIZE - 1 - x)
        mask += struct.pack(">I", bits)
    return header + pixels + bytes(mask)


def write(path, cells, kind, hotspot=(0, 0)):
    data = image_data(cells)
    directory = struct.pack("<HHH", 0, kind, 1)
    # For cursors the planes/bit-count fields hold the hotspot.
    second, third = hotspot if kind == 2 else (1, 32)
    entry = struct.pack("<BBBBHHII", SIZE, SIZE, 0, 0, second, third, len(data), 6 + 16)
    path.write_bytes(directory + entry + data)


def main():
    root = Path(sys.argv[1]) if len(sys.argv) > 1 else Path("resources/program")
    write(root / "HAND-M.CUR", grid(HAND, 0), 2, HAND_HOTSPOT)
    write(root / "drag.ico", grid(DRAG, 2), 1)


if __name__ == "__main__":
    main()
