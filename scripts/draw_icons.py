#!/usr/bin/env python3
"""Draws Kestrin's button images (16x16, 24-bit BMP) into bench/Images. Run again after changing
a drawing; the images are committed, so the build needs no Python."""
import math
import struct
import sys
from pathlib import Path

SIZE = 16
BLUE, GREEN, RED, GREY, ORANGE = (0, 112, 192), (40, 150, 60), (200, 40, 40), (120, 120, 120), (230, 140, 20)


class Icon:
    def __init__(self):
        self.px = [[None] * SIZE for _ in range(SIZE)]

    def dot(self, x, y, c):
        if 0 <= x < SIZE and 0 <= y < SIZE:
            self.px[y][x] = c

    def line(self, x0, y0, x1, y1, c, w=1):
        n = max(abs(x1 - x0), abs(y1 - y0), 1) * 2
        for i in range(n + 1):
            x, y = x0 + (x1 - x0) * i / n, y0 + (y1 - y0) * i / n
            for dx in range(w):
                for dy in range(w):
                    self.dot(round(x) + dx, round(y) + dy, c)

    def rect(self, x0, y0, x1, y1, c):
        for y in range(y0, y1 + 1):
            for x in range(x0, x1 + 1):
                self.dot(x, y, c)

    def circle(self, cx, cy, r, c, fill=False):
        for y in range(SIZE):
            for x in range(SIZE):
                d = math.hypot(x - cx, y - cy)
                if (fill and d <= r) or (not fill and abs(d - r) < 0.7):
                    self.dot(x, y, c)

    def triangle(self, pts, c):
        (x0, y0), (x1, y1), (x2, y2) = pts
        for y in range(SIZE):
            for x in range(SIZE):
                d = lambda ax, ay, bx, by: (x - bx) * (ay - by) - (ax - bx) * (y - by)
                s = [d(x0, y0, x1, y1), d(x1, y1, x2, y2), d(x2, y2, x0, y0)]
                if all(v >= 0 for v in s) or all(v <= 0 for v in s):
                    self.dot(x, y, c)

    def bmp(self):
        rows = b""
        for y in reversed(range(SIZE)):
            for x in range(SIZE):
                r, g, b = self.px[y][x] or (240, 240, 240)  # the button face shows through
                rows += bytes((b, g, r))
        header = struct.pack("<2sIHHI", b"BM", 54 + len(rows), 0, 0, 54)
        info = struct.pack("<IiiHHIIiiII", 40, SIZE, SIZE, 1, 24, 0, len(rows), 2835, 2835, 0, 0)
        return header + info + rows


def draw():
    icons = {}
    i = icons["20"] = Icon()  # search: magnifier
    i.circle(6, 6, 4, BLUE); i.line(9, 9, 14, 14, BLUE, 2)
    i = icons["14"] = Icon()  # connect: plug
    i.rect(4, 5, 11, 10, GREEN); i.line(6, 1, 6, 4, GREY, 1); i.line(9, 1, 9, 4, GREY, 1); i.line(7, 11, 7, 15, GREY, 2)
    i = icons["13"] = Icon()  # node discovery: three nodes on a bus
    i.line(1, 12, 14, 12, GREY)
    for x in (3, 8, 13):
        i.line(x, 7, x, 12, GREY); i.circle(x, 5, 2, BLUE, True)
    i = icons["3"] = Icon()  # set: check mark
    i.line(2, 8, 6, 12, GREEN, 2); i.line(6, 12, 13, 3, GREEN, 2)
    i = icons["4"] = Icon()  # query: question mark
    i.circle(8, 5, 3, BLUE); i.rect(4, 4, 12, 5, None); i.circle(8, 5, 3, BLUE)
    for x, y in ((5, 4), (5, 5)):
        i.dot(x, y, None)
    i.line(10, 7, 8, 9, BLUE, 2); i.rect(8, 13, 9, 14, BLUE)
    i = icons["23"] = Icon()  # clear: cross
    i.line(3, 3, 12, 12, RED, 2); i.line(12, 3, 3, 12, RED, 2)
    i = icons["9"] = Icon()  # origin: target
    i.circle(8, 8, 6, BLUE); i.circle(8, 8, 2, BLUE, True)
    i = icons["10"] = Icon()  # run: play
    i.triangle(((4, 2), (4, 13), (13, 8)), GREEN)
    i = icons["11"] = Icon()  # stop: square
    i.rect(3, 3, 12, 12, RED)
    for key, on in (("17", True), ("_17", False)):  # notification / show messages: bell
        i = icons[key] = Icon()
        i.circle(8, 7, 4, ORANGE if on else GREY, True); i.rect(3, 9, 12, 11, ORANGE if on else GREY)
        i.rect(7, 12, 8, 13, ORANGE if on else GREY)
        if not on:
            i.line(2, 14, 14, 2, RED)
    for key, right in (("1", True), ("_1", False)):  # expand / fold: chevrons
        i = icons[key] = Icon()
        for dx in (0, 5):
            x = 3 + dx
            if right:
                i.line(x, 3, x + 4, 8, BLUE, 2); i.line(x + 4, 8, x, 13, BLUE, 2)
            else:
                i.line(x + 4, 3, x, 8, BLUE, 2); i.line(x, 8, x + 4, 13, BLUE, 2)
    for key, on in (("12", True), ("_12", False)):  # monitoring: eye
        i = icons[key] = Icon()
        c = BLUE if on else GREY
        for x in range(2, 15):
            h = round(4 * math.sin(math.pi * (x - 2) / 12))
            i.dot(x, 8 - h, c); i.dot(x, 8 + h, c)
        i.circle(8, 8, 2, c, True)
        if not on:
            i.line(2, 14, 14, 2, RED)
    for key, on in (("8", True), ("_8", False)):  # enable / off: power sign
        i = icons[key] = Icon()
        c = GREEN if on else RED
        i.circle(8, 9, 5, c)
        i.rect(6, 2, 10, 5, None)
        i.line(8, 2, 8, 8, c, 2)
    return icons


if __name__ == "__main__":
    out = Path(sys.argv[1] if len(sys.argv) > 1 else Path(__file__).resolve().parent.parent / "bench/Images")
    out.mkdir(parents=True, exist_ok=True)
    for name, icon in draw().items():
        (out / f"{name}.bmp").write_bytes(icon.bmp())
