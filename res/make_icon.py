#!/usr/bin/env python3
"""Draws the application icon (a picture card with a red 'sort onwards' arrow) and
writes it as a 16-colour .ico holding a 32x32 and a 16x16 image: make_icon.py OUT.ico"""
import math
import os
import struct
import sys

# The standard 16-colour palette, as (red, green, blue).
PALETTE = [
    (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0), (0, 0, 128), (128, 0, 128), (0, 128, 128),
    (192, 192, 192), (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0), (0, 0, 255),
    (255, 0, 255), (0, 255, 255), (255, 255, 255),
]
DARK_GREEN, GRAY, RED, GREEN, SUN, SKY, WHITE = 2, 8, 9, 10, 11, 14, 15


def draw(size):
    """Returns rows of palette indexes (None = transparent), top row first."""
    f = size / 32.0
    px = [[None] * size for _ in range(size)]

    def fill(x0, y0, x1, y1, c):
        for y in range(max(0, y0), min(size, y1)):
            for x in range(max(0, x0), min(size, x1)):
                px[y][x] = c

    def at(v):
        return int(v * f + 0.5)

    inset = 1 if size < 32 else 2
    edge = (at(1), at(3), at(28), at(26))
    fill(*edge, GRAY)  # card edge
    fill(edge[0] + 1, edge[1] + 1, edge[2] - 1, edge[3] - 1, WHITE)  # card
    sky = (edge[0] + 1 + inset, edge[1] + 1 + inset, edge[2] - 1 - inset, edge[3] - 1 - inset)
    fill(*sky, SKY)
    for x in range(sky[0], sky[2]):
        top = (17 + 3 * math.sin(x / f / 4.0)) * f
        for y in range(int(top), sky[3]):
            px[y][x] = GREEN if y < top + 2 * f else DARK_GREEN
    cx, cy, r = 19 * f, 11 * f, 3.2 * f
    for y in range(size):
        for x in range(size):
            if (x + 0.5 - cx) ** 2 + (y + 0.5 - cy) ** 2 <= r * r:
                px[y][x] = SUN
    fill(at(16), at(26.5), at(25), at(29.5), RED)  # arrow shaft
    for y in range(int(23 * f), int(32 * f)):
        half = (4.5 * f) - abs(y + 0.5 - 28 * f)
        for x in range(int(24 * f), int(24 * f + max(0, half) * 1.6)):
            if x < size:
                px[y][x] = RED
    return px


def image(size):
    px = draw(size)
    xor_stride = (size * 4 + 31) // 32 * 4
    and_stride = (size + 31) // 32 * 4
    xor = bytearray()
    mask = bytearray()
    for row in reversed(px):  # bottom-up
        line = bytearray(xor_stride)
        bits = bytearray(and_stride)
        for x, c in enumerate(row):
            line[x // 2] |= (c or 0) << (0 if x % 2 else 4)
            if c is None:
                bits[x // 8] |= 0x80 >> (x % 8)
        xor += line
        mask += bits
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 4, 0, len(xor) + len(mask), 0, 0, 16, 0)
    palette = b"".join(struct.pack("<BBBB", b, g, r, 0) for (r, g, b) in PALETTE)
    return header + palette + bytes(xor) + bytes(mask)


def main(out):
    images = [image(32), image(16)]
    data = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for size, img in zip((32, 16), images):
        data += struct.pack("<BBBBHHII", size, size, 16, 0, 1, 4, len(img), offset)
        offset += len(img)
    data += b"".join(images)
    tmp = out + ".tmp"
    with open(tmp, "wb") as fh:
        fh.write(data)
    os.replace(tmp, out)


if __name__ == "__main__":
    main(sys.argv[1])
