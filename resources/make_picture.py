#!/usr/bin/env python3
"""Draws the preferences page's picture: a small mascot singing, 164 by 152
pixels, as an 8-bit palette PNG whose entry 0 is transparent.

Usage: make_picture.py OUTPUT.png
"""
import math
import struct
import sys
import zlib

W, H = 164, 152

PALETTE = [
    (0, 0, 0),        # 0 transparent
    (40, 40, 56),     # 1 outline
    (255, 226, 204),  # 2 skin
    (96, 64, 160),    # 3 hair
    (255, 255, 255),  # 4 white
    (200, 60, 90),    # 5 mouth
    (250, 160, 170),  # 6 cheeks
    (60, 140, 220),   # 7 notes
    (120, 90, 190),   # 8 hair shine
    (250, 200, 80),   # 9 ribbon
]


def main():
    px = [[0] * W for _ in range(H)]

    def put(x, y, c):
        if 0 <= x < W and 0 <= y < H:
            px[y][x] = c

    def ellipse(cx, cy, rx, ry, c):
        for y in range(int(cy - ry) - 1, int(cy + ry) + 2):
            for x in range(int(cx - rx) - 1, int(cx + rx) + 2):
                if ((x - cx) / rx) ** 2 + ((y - cy) / ry) ** 2 <= 1.0:
                    put(x, y, c)

    def ring(cx, cy, rx, ry, c, width=1.6):
        for y in range(int(cy - ry) - 3, int(cy + ry) + 4):
            for x in range(int(cx - rx) - 3, int(cx + rx) + 4):
                d = math.hypot((x - cx) / rx, (y - cy) / ry)
                if abs(d - 1.0) * min(rx, ry) <= width / 2:
                    put(x, y, c)

    def rect(x0, y0, x1, y1, c):
        for y in range(y0, y1):
            for x in range(x0, x1):
                put(x, y, c)

    # Hair behind the head, the head, then the fringe.
    ellipse(70, 70, 50, 54, 3)
    rect(22, 70, 118, 128, 3)
    ellipse(70, 78, 40, 42, 2)
    ring(70, 78, 40, 42, 1)
    for i in range(5):
        ellipse(42 + i * 14, 44, 11, 12, 3)
    ellipse(56, 34, 10, 4, 8)
    # Ribbon.
    ellipse(104, 36, 10, 7, 9)
    ellipse(120, 30, 9, 6, 9)
    ring(112, 33, 4, 4, 1)
    # Eyes closed in song: two arcs.
    for x in range(-8, 9):
        y = int(round(0.06 * x * x))
        put(54 + x, 74 - y, 1)
        put(54 + x, 75 - y, 1)
        put(86 + x, 74 - y, 1)
        put(86 + x, 75 - y, 1)
    ellipse(46, 90, 7, 4, 6)
    ellipse(94, 90, 7, 4, 6)
    # Open mouth.
    ellipse(70, 98, 9, 10, 5)
    ring(70, 98, 9, 10, 1)
    ellipse(70, 104, 5, 3, 6)
    # Body hint.
    ellipse(70, 146, 36, 24, 4)
    ring(70, 146, 36, 24, 1)

    # Music notes drifting up to the right.
    def note(x, y):
        ellipse(x, y, 6, 4.5, 7)
        rect(x + 4, y - 22, x + 7, y, 7)
        rect(x + 4, y - 22, x + 14, y - 18, 7)

    note(128, 80)
    note(146, 56)
    note(136, 118)

    raw = b"".join(b"\x00" + bytes(row) for row in px)
    out = b"\x89PNG\r\n\x1a\n"

    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)

    out += chunk(b"IHDR", struct.pack(">IIBBBBB", W, H, 8, 3, 0, 0, 0))
    out += chunk(b"PLTE", b"".join(bytes(c) for c in PALETTE))
    out += chunk(b"tRNS", b"\x00")
    out += chunk(b"IDAT", zlib.compress(raw, 9))
    out += chunk(b"IEND", b"")
    with open(sys.argv[1], "wb") as f:
        f.write(out)


if __name__ == "__main__":
    main()
