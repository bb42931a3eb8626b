#!/usr/bin/env python3
"""Writes resources/pelterine.ico: a 32 x 32 icon of a painted cube face (run from the repository root)."""
import struct
import sys

SIZE = 32


def pixel(x, y):
    """Colour (r, g, b, a) of the icon at column x, row y counted from the top."""
    inside = 3 <= x < 29 and 3 <= y < 29
    if not inside:
        return (0, 0, 0, 0)
    if x in (3, 28) or y in (3, 28):
        return (20, 20, 20, 255)
    if abs((x - 3) - (28 - y)) <= 2:          # a brush stroke across the face
        return (0, 119, 170, 255)
    if (x - 3) // 8 % 2 == (y - 3) // 8 % 2:   # texture squares
        return (235, 235, 235, 255)
    return (200, 200, 200, 255)


def icon_bytes():
    xor = bytearray()
    for row in range(SIZE - 1, -1, -1):       # bottom-up rows
        for x in range(SIZE):
            r, g, b, a = pixel(x, row)
            xor += bytes((b, g, r, a))
    mask = bytes(SIZE * SIZE // 8)            # alpha carries the shape
    header = struct.pack('<IiiHHIIiiII', 40, SIZE, SIZE * 2, 1, 32, 0, len(xor) + len(mask), 0, 0, 0, 0)
    image = header + bytes(xor) + mask
    directory = struct.pack('<HHH', 0, 1, 1)
    entry = struct.pack('<BBBBHHII', SIZE, SIZE, 0, 0, 1, 32, len(image), 6 + 16)
    return directory + entry + image


if __name__ == '__main__':
    out = sys.argv[1] if len(sys.argv) > 1 else 'resources/pelterine.ico'
    with open(out, 'wb') as f:
        f.write(icon_bytes())
