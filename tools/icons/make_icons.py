#!/usr/bin/env python3
"""Draws the program's two icons: index 0 (the program: a disc with a green
arrow into it) and index 1 (the uninstaller: the same disc with a red cross).
Each icon holds a 16x16 and a 32x32 image, 32-bit with alpha.

Usage: make_icons.py OUT_DIR   (writes install.ico and uninstall.ico)
"""
import math
import struct
import sys


def blend(dst, src):
    a = src[3] / 255.0
    return tuple(int(round(src[i] * a + dst[i] * (1 - a))) for i in range(3)) + (max(dst[3], src[3]),)


def draw(size, mark):
    px = [[(0, 0, 0, 0)] * size for _ in range(size)]
    c = (size - 1) / 2.0
    r_out, r_in = size * 0.46, size * 0.12
    for y in range(size):
        for x in range(size):
            d = math.hypot(x - c, y - c)
            if d <= r_out:
                # A silver disc with a light sheen and a dark rim and hole.
                shade = 200 + int(40 * (1 - (x + y) / (2.0 * size)))
                colour = (shade, shade, min(255, shade + 15), 255)
                if d > r_out - max(1, size / 16):
                    colour = (90, 90, 110, 255)
                if d < r_in + max(1, size / 16):
                    colour = (90, 90, 110, 255)
                if d < r_in:
                    colour = (0, 0, 0, 0)
                px[y][x] = colour
    s = size / 32.0
    if mark == "install":
        green = (30, 160, 50, 255)
        # A downward arrow in the lower right quarter.
        for y in range(size):
            for x in range(size):
                u, v = x / s, y / s
                shaft = 20 <= u <= 25 and 12 <= v <= 22
                head = 22 <= v <= 30 and abs(u - 22.5) <= (30 - v) * 0.9
                if shaft or head:
                    px[y][x] = blend(px[y][x], green)
    else:
        red = (210, 30, 30, 255)
        for y in range(size):
            for x in range(size):
                u, v = x / s, y / s
                if 14 <= u <= 31 and 14 <= v <= 31 and (abs((u - 14) - (v - 14)) <= 2.2 or abs((u - 14) + (v - 14) - 17) <= 2.2):
                    px[y][x] = blend(px[y][x], red)
    return px


def bitmap(px):
    size = len(px)
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    rows = b"".join(
        b"".join(struct.pack("BBBB", p[2], p[1], p[0], p[3]) for p in px[y]) for y in range(size - 1, -1, -1)
    )
    mask_row = ((size + 31) // 32) * 4
    mask = b""
    for y in range(size - 1, -1, -1):
        bits = 0
        row = bytearray(mask_row)
        for x in range(size):
            if px[y][x][3] == 0:
                row[x // 8] |= 0x80 >> (x % 8)
        mask += bytes(row)
    return header + rows + mask


def icon(mark):
    images = [bitmap(draw(n, mark)) for n in (16, 32)]
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for n, data in zip((16, 32), images):
        out += struct.pack("<BBBBHHII", n, n, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
    return out + b"".join(images)


if __name__ == "__main__":
    folder = sys.argv[1] if len(sys.argv) > 1 else "."
    for name, mark in (("install.ico", "install"), ("uninstall.ico", "uninstall")):
        with open(f"{folder}/{name}", "wb") as f:
            f.write(icon(mark))
