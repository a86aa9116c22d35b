#!/usr/bin/env python3
"""Writes HAND-M.CUR, Corvane's hover pointer: a white pointing hand with a
dark outline, 32 by 32 pixels, 32-bit colour, hot spot on the finger tip.

Uses only the standard library: python3 resources/make-cursor.py
"""
import os
import struct

# X outline, W fill, anything else transparent. Row 0 is the top.
HAND = [
    "     XX",
    "    XWWX",
    "    XWWX",
    "    XWWX",
    "    XWWX",
    "    XWWXXX",
    "    XWWXWWXXX",
    "    XWWXWWXWWXXX",
    "    XWWXWWXWWXWWX",
    "XXX XWWXWWXWWXWWX",
    "XWWXXWWWWWWWWWWWX",
    "XWWWXWWWWWWWWWWWX",
    " XWWWWWWWWWWWWWWX",
    "  XWWWWWWWWWWWWWX",
    "  XWWWWWWWWWWWWWX",
    "   XWWWWWWWWWWWX",
    "   XWWWWWWWWWWWX",
    "    XWWWWWWWWWX",
    "    XWWWWWWWWWX",
    "    XXXXXXXXXXX",
]
SIZE = 32
OFFSET = (1, 1)  # one pixel of air at the top and left
HOT_SPOT = (5 + OFFSET[0], 0 + OFFSET[1])  # the top of the index finger
COLOURS = {"X": (0x1e, 0x1b, 0x4b, 255), "W": (255, 255, 255, 255)}


def pixel(x, y):
    row = y - OFFSET[1]
    col = x - OFFSET[0]
    if 0 <= row < len(HAND) and 0 <= col < len(HAND[row]):
        return COLOURS.get(HAND[row][col])
    return None


def cursor_bytes():
    xor = bytearray()
    mask = bytearray()
    for y in reversed(range(SIZE)):  # DIB rows run bottom-up
        bits = 0
        for x in range(SIZE):
            colour = pixel(x, y)
            if colour:
                r, g, b, a = colour
                xor += bytes((b, g, r, a))
            else:
                xor += bytes((0, 0, 0, 0))
                bits |= 1 << (SIZE - 1 - x)
        mask += struct.pack(">I", bits)
    header = struct.pack("<IiiHHIIiiII", 40, SIZE, SIZE * 2, 1, 32, 0, len(xor) + len(mask), 0, 0, 0, 0)
    image = header + bytes(xor) + bytes(mask)
    directory = struct.pack("<HHH", 0, 2, 1)
    entry = struct.pack("<BBBBHHII", SIZE, SIZE, 0, 0, HOT_SPOT[0], HOT_SPOT[1], len(image), 6 + 16)
    return directory + entry + image


def main():
    assert pixel(*HOT_SPOT) is not None, "the hot spot must lie on the hand"
    path = os.path.join(os.path.dirname(os.path.abspath(__file__)), "HAND-M.CUR")
    with open(path, "wb") as out:
        out.write(cursor_bytes())


if __name__ == "__main__":
    main()
