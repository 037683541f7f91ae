#!/usr/bin/env python3
"""Draws the runtime's icons and writes them as .ico files.

form.ico   (icon 101): a form window, 32x32 and 16x16
formsm.ico (icon 102): the same form, 16x16 only (the small icon)
trace.ico  (icon 105): the call trace window, a list of lines, 32x32 and 16x16

Run from any directory: python3 make_icons.py [output directory]
"""
import struct
import sys
from pathlib import Path

TRANSPARENT = (0, 0, 0, 0)
FRAME = (40, 40, 40, 255)
TITLE = (30, 80, 170, 255)
BODY = (250, 250, 250, 255)
FIELD = (200, 210, 230, 255)
BUTTON = (120, 170, 90, 255)
LINE = (60, 60, 60, 255)
MARK = (200, 60, 40, 255)


class Canvas:
    def __init__(self, size):
        self.size = size
        self.pixels = [[TRANSPARENT] * size for _ in range(size)]

    def fill(self, x0, y0, x1, y1, color):
        for y in range(max(0, y0), min(self.size, y1)):
            for x in range(max(0, x0), min(self.size, x1)):
                self.pixels[y][x] = color

    def frame(self, x0, y0, x1, y1, color):
        self.fill(x0, y0, x1, y0 + 1, color)
        self.fill(x0, y1 - 1, x1, y1, color)
        self.fill(x0, y0, x0 + 1, y1, color)
        self.fill(x1 - 1, y0, x1, y1, color)


def scaled(size, value):
    return value * size // 32


def window(size):
    c = Canvas(size)
    s = lambda v: scaled(size, v)
    c.fill(s(2), s(3), s(30), s(29), BODY)
    c.fill(s(2), s(3), s(30), s(9), TITLE)
    c.frame(s(2), s(3), s(30), s(29), FRAME)
    return c, s


def form_icon(size):
    c, s = window(size)
    c.fill(s(6), s(12), s(26), s(15), FIELD)
    c.fill(s(6), s(17), s(26), s(20), FIELD)
    c.fill(s(17), s(23), s(26), s(26), BUTTON)
    return c


def trace_icon(size):
    c, s = window(size)
    for row, width in enumerate((20, 14, 18, 10, 16)):
        y = s(11 + 3 * row)
        c.fill(s(5), y, s(7), y + max(1, s(2)), MARK)
        c.fill(s(8), y, s(8 + width), y + max(1, s(2)), LINE)
    return c


def dib(canvas):
    """One icon image: BITMAPINFOHEADER, 32-bit BGRA rows bottom-up, AND mask."""
    n = canvas.size
    header = struct.pack("<IiiHHIIiiII", 40, n, 2 * n, 1, 32, 0, 0, 0, 0, 0, 0)
    colors = b"".join(bytes((b, g, r, a)) for row in reversed(canvas.pixels) for (r, g, b, a) in row)
    mask_stride = ((n + 31) // 32) * 4
    mask = bytearray()
    for row in reversed(canvas.pixels):
        bits = bytearray(mask_stride)
        for x, (_, _, _, a) in enumerate(row):
            if a == 0:
                bits[x // 8] |= 0x80 >> (x % 8)
        mask += bits
    return header + colors + bytes(mask)


def ico(canvases):
    images = [dib(c) for c in canvases]
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for c, image in zip(canvases, images):
        out += struct.pack("<BBBBHHII", c.size % 256, c.size % 256, 0, 0, 1, 32, len(image), offset)
        offset += len(image)
    return out + b"".join(images)


def main():
    out = Path(sys.argv[1]) if len(sys.argv) > 1 else Path(__file__).parent
    (out / "form.ico").write_bytes(ico([form_icon(32), form_icon(16)]))
    (out / "formsm.ico").write_bytes(ico([form_icon(16)]))
    (out / "trace.ico").write_bytes(ico([trace_icon(32), trace_icon(16)]))


if __name__ == "__main__":
    main()
