#!/usr/bin/env python3
"""Draws the built-in pictures and writes them as PNG files next to this script, and the
program's icon at the sizes of the desktop's icon theme into desktop/icons/.

Run it again after changing a drawing; the build embeds the PNG files listed in
src/platform/CMakeLists.txt and installs the icons.
"""
import math
import os
import struct
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))
ICONS = os.path.join(HERE, "..", "..", "..", "desktop", "icons")
ICON_SIZES = (16, 22, 24, 32, 48, 64, 128, 256)


class Canvas:
    def __init__(self, width, height):
        self.width = width
        self.height = height
        self.pixels = [[(0, 0, 0, 0)] * width for _ in range(height)]

    def put(self, x, y, color):
        if 0 <= x < self.width and 0 <= y < self.height:
            self.pixels[y][x] = color

    def rect(self, x0, y0, x1, y1, color):
        for y in range(y0, y1):
            for x in range(x0, x1):
                self.put(x, y, color)

    def frame(self, x0, y0, x1, y1, color):
        for x in range(x0, x1):
            self.put(x, y0, color)
            self.put(x, y1 - 1, color)
        for y in range(y0, y1):
            self.put(x0, y, color)
            self.put(x1 - 1, y, color)

    def disc(self, cx, cy, radius, color, inner=-1.0):
        for y in range(self.height):
            for x in range(self.width):
                d = math.hypot(x + 0.5 - cx, y + 0.5 - cy)
                if inner < d <= radius:
                    self.put(x, y, color)

    def line(self, x0, y0, x1, y1, color, thick=1):
        steps = int(max(abs(x1 - x0), abs(y1 - y0)) * 2) + 1
        for i in range(steps + 1):
            t = i / steps
            x = x0 + (x1 - x0) * t
            y = y0 + (y1 - y0) * t
            for dy in range(thick):
                for dx in range(thick):
                    self.put(int(x) + dx, int(y) + dy, color)

    def blend(self, x, y, color):
        if not (0 <= x < self.width and 0 <= y < self.height):
            return
        r, g, b, a = color
        br, bg, bb, ba = self.pixels[y][x]
        k = a / 255
        out_a = a + ba * (1 - k)
        if out_a == 0:
            return
        mix = [(c * a + d * ba * (1 - k)) / out_a for c, d in ((r, br), (g, bg), (b, bb))]
        self.pixels[y][x] = (round(mix[0]), round(mix[1]), round(mix[2]), round(out_a))

    def shrink(self, factor):
        """Averages factor x factor blocks (weighted by coverage): edges drawn at a
        multiple of the size come out smooth."""
        small = Canvas(self.width // factor, self.height // factor)
        for y in range(small.height):
            for x in range(small.width):
                total = [0, 0, 0, 0]
                for yy in range(y * factor, (y + 1) * factor):
                    for r, g, b, a in self.pixels[yy][x * factor:(x + 1) * factor]:
                        total[0] += r * a
                        total[1] += g * a
                        total[2] += b * a
                        total[3] += a
                if total[3]:
                    small.pixels[y][x] = (round(total[0] / total[3]), round(total[1] / total[3]),
                                          round(total[2] / total[3]),
                                          round(total[3] / (factor * factor)))
        return small

    def png(self):
        raw = b"".join(b"\0" + b"".join(struct.pack("4B", *p) for p in row) for row in self.pixels)

        def chunk(kind, data):
            body = kind + data
            return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body))

        header = struct.pack(">IIBBBBB", self.width, self.height, 8, 6, 0, 0, 0)
        return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) +
                chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b""))


INK = (40, 40, 60, 255)
FACE = (235, 238, 245, 255)
EDGE = (120, 130, 150, 255)
WHITE = (255, 255, 255, 255)


def button():
    c = Canvas(24, 24)
    c.rect(1, 1, 23, 23, FACE)
    c.frame(0, 0, 24, 24, EDGE)
    return c


def setup():
    c = button()
    c.disc(12, 12, 8, INK, 5)
    for k in range(8):
        a = k * math.pi / 4
        c.line(12 + 7 * math.cos(a), 12 + 7 * math.sin(a), 12 + 8.5 * math.cos(a),
               12 + 8.5 * math.sin(a), INK, 2)
    return c


def load():
    c = button()
    c.rect(4, 8, 20, 19, (230, 190, 80, 255))
    c.rect(4, 6, 11, 8, (230, 190, 80, 255))
    c.frame(4, 6, 20, 19, INK)
    return c


def find():
    c = button()
    c.disc(10, 10, 6, INK, 4)
    c.line(14, 14, 19, 19, INK, 2)
    return c


def case():
    c = button()
    # A large and a small "A".
    c.line(4, 19, 9, 5, INK, 2)
    c.line(9, 5, 13, 19, INK, 2)
    c.line(6, 14, 12, 14, INK)
    c.line(14, 19, 17, 11, INK)
    c.line(17, 11, 20, 19, INK)
    c.line(15, 16, 19, 16, INK)
    return c


def filter_():
    c = button()
    for y in range(5, 12):
        c.rect(4 + (y - 5), y, 20 - (y - 5), y + 1, INK)
    c.rect(10, 12, 14, 20, INK)
    return c


def log_button(fill, ring):
    c = Canvas(16, 16)
    c.disc(8, 8, 7.5, ring)
    c.disc(8, 8, 6, fill)
    for y in (5, 8, 11):
        c.rect(5, y, 11, y + 1, INK)
    return c


def surf(vertical):
    c = Canvas(32, 32)
    outline = (0, 0, 0, 255)
    # A double-headed arrow; the hot spot is the centre.
    for i in range(8):
        for tip in (1, -1):
            y = 16 - tip * (14 - i)
            for x in range(16 - i, 17 + i):
                px, py = (x, y) if vertical else (y, x)
                c.put(px, py, WHITE if abs(x - 16) < i else outline)
    for k in range(-1, 2):
        for t in range(8, 25):
            px, py = (16 + k, t) if vertical else (t, 16 + k)
            c.put(px, py, outline if k else WHITE)
    return c


def lock():
    c = Canvas(32, 32)
    c.disc(16, 11, 7, INK, 4.5)
    c.rect(8, 13, 25, 27, (200, 160, 40, 255))
    c.frame(8, 13, 25, 27, INK)
    c.rect(15, 17, 18, 23, INK)
    return c


def program_icon(size):
    """A page of text with marked hits under the find magnifier. Drawn four times larger
    and shrunk; small sizes show fewer, bolder lines so they stay readable."""
    factor = 4
    n = size * factor
    c = Canvas(n, n)

    def at(v):
        return int(round(v * n))

    page = (0.12, 0.05, 0.80, 0.92)
    c.rect(at(page[0]), at(page[1]), at(page[2]), at(page[3]), (250, 250, 252, 255))
    edge = max(factor, at(0.02))
    for k in range(edge):
        c.frame(at(page[0]) + k, at(page[1]) + k, at(page[2]) - k, at(page[3]) - k, EDGE)

    lines = 4 if size <= 24 else 7
    top, bottom = 0.17, 0.82
    step = (bottom - top) / (lines - 1)
    bar = max(factor, at(step * 0.45))
    widths = (0.52, 0.38, 0.56, 0.30, 0.48, 0.42, 0.26)
    for i in range(lines):
        y = at(top + i * step)
        x0 = at(0.22)
        x1 = at(0.22 + widths[i % len(widths)])
        if i % 3 == 1:
            # A hit, marked the way the views mark one.
            margin = max(factor, at(step * 0.18))
            c.rect(x0 - margin, y - margin, x1 + margin, y + bar + margin, (245, 190, 40, 255))
        c.rect(x0, y, x1, y + bar, (95, 100, 120, 255))

    cx, cy, outer = 0.60, 0.58, 0.22
    ring = max(2 * factor, at(0.06))
    for y in range(n):
        for x in range(n):
            d = math.hypot(x + 0.5 - at(cx), y + 0.5 - at(cy))
            if d <= at(outer) - ring:
                c.blend(x, y, (170, 210, 255, 110))
            elif d <= at(outer):
                c.put(x, y, INK)
    handle = max(2 * factor, at(0.08))
    start = at(cx) + at(outer) * 0.62
    c.line(start, start - at(cx) + at(cy), at(0.93) - handle, at(0.93) - handle - at(cx) + at(cy),
           INK, handle)
    return c.shrink(factor)


PICTURES = [
    ("setup", setup),
    ("load", load),
    ("find", find),
    ("case", case),
    ("filter", filter_),
    ("log_idle", lambda: log_button((210, 210, 210, 255), EDGE)),
    ("log_active", lambda: log_button((120, 200, 255, 255), (30, 90, 200, 255))),
    ("log_pinned", lambda: log_button((255, 200, 90, 255), (200, 110, 0, 255))),
    ("surf_vertical", lambda: surf(True)),
    ("surf_horizontal", lambda: surf(False)),
    ("lock", lock),
]

if __name__ == "__main__":
    for name, draw in PICTURES:
        with open(os.path.join(HERE, name + ".png"), "wb") as out:
            out.write(draw().png())
    os.makedirs(ICONS, exist_ok=True)
    for size in ICON_SIZES:
        with open(os.path.join(ICONS, "tessel-%d.png" % size), "wb") as out:
            out.write(program_icon(size).png())
