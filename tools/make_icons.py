#!/usr/bin/env python3
"""Draws the program's icons and writes them under resources/icons.

Everything a person may want to change sits in the design block below: the
glyph, the colours, the words, the corner letters and where they go. The
letters come from the two small bitmap fonts defined here and are drawn with
anti-aliased edges, so regenerating needs nothing but Python. The .ico files
are committed, so a build needs neither this script nor any image tool.

    tools/make_icons.py                 writes resources/icons/*.ico
    tools/make_icons.py --preview DIR   also writes enlarged PNGs to look at
"""
import math
import os
import struct
import sys
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))
OUT = os.path.join(HERE, "..", "resources", "icons")

# ---------------------------------------------------------------- design --

GLYPH = "C"                      # the large letter of every icon (BIG font)
BACKING = (255, 255, 255, 200)   # translucent white behind the drawing

# Tray icons, one 16x16 image each: file, colour of everything drawn,
# word beneath the glyph, letter at the top right ("" for none).
TRAY = [
    ("tray_off.ico",          (0, 0, 0),     "off", ""),
    ("tray_fifo_copying.ico", (255, 51, 0),  "on",  "c"),
    ("tray_fifo_pasting.ico", (0, 102, 204), "on",  "p"),
    ("tray_loop_copying.ico", (204, 255, 0), "on",  "c"),
    ("tray_loop_pasting.ico", (166, 0, 255), "on",  "p"),
]

# Application icon: the glyph over a row of tiles in the state colours, the
# queue of texts waiting to be pasted.
APP = [("app.ico", (256, 32, 16)), ("app_small.ico", (16,))]
APP_INK = (28, 44, 76)
APP_TILES = [(255, 51, 0), (0, 102, 204), (204, 255, 0), (166, 0, 255)]

# Layout on a 16-unit square, scaled to each size. A cell is one dot of a
# font; dots of 2 px and more are drawn as round strokes, smaller ones as
# plain pixels.
TRAY_GLYPH = (3, 0, 2)       # left, top, cell
TRAY_WORD = (8, 16, 1)       # centre, bottom of the ink, cell
TRAY_CORNER = (16, 0, 1)     # right, top, cell
APP_GLYPH = (4, 1, 2)        # left, top, cell
APP_TILE = (1, 12, 2, 4)     # left, top, size, step
RADIUS = 3                   # corner radius of the backing
SHADOW_FROM = 48             # sizes from which the backing casts a shadow

# Fonts: one string per row, '#' is a dot. BIG has five rows; SMALL has six:
# two of ascender, three of x-height and one of descender. Add letters here
# when the words above need them.
BIG = {
    "A": ".##. #..# #### #..# #..#", "B": "###. #..# ###. #..# ###.",
    "C": ".### #... #... #... .###", "D": "###. #..# #..# #..# ###.",
    "E": "#### #... ###. #... ####", "F": "#### #... ###. #... #...",
    "G": ".### #... #.## #..# .###", "H": "#..# #..# #### #..# #..#",
    "I": "### .#. .#. .#. ###",      "J": "..## ...# ...# #..# .##.",
    "K": "#..# #.#. ##.. #.#. #..#", "L": "#... #... #... #... ####",
    "M": "#...# ##.## #.#.# #...# #...#", "N": "#...# ##..# #.#.# #..## #...#",
    "O": ".##. #..# #..# #..# .##.", "P": "###. #..# ###. #... #...",
    "Q": ".##. #..# #..# #.#. .#.#", "R": "###. #..# ###. #.#. #..#",
    "S": ".### #... .##. ...# ###.", "T": "### .#. .#. .#. .#.",
    "U": "#..# #..# #..# #..# .##.", "V": "#...# #...# .#.#. .#.#. ..#..",
    "W": "#...# #...# #.#.# ##.## #...#", "X": "#...# .#.#. ..#.. .#.#. #...#",
    "Y": "#...# .#.#. ..#.. ..#.. ..#..", "Z": "#### ...# .##. #... ####",
}
SMALL = {
    "c": "... ... .## #.. .## ...", "f": ".## #.. ### #.. #.. ...",
    "n": "... ... ##. #.# #.# ...", "o": "... ... ### #.# ### ...",
    "p": "... ... ##. #.# ##. #..",
}

# --------------------------------------------------------------- drawing --
# Shapes are signed distance functions in pixels (negative inside); a pixel's
# coverage is how far its centre lies inside the edge, which anti-aliases
# every edge the same way at every size.


def box(x0, y0, x1, y1, r=0.0):
    """A rectangle with corners rounded by r."""
    cx, cy, hx, hy = (x0 + x1) / 2.0, (y0 + y1) / 2.0, (x1 - x0) / 2.0 - r, (y1 - y0) / 2.0 - r

    def sdf(x, y):
        qx, qy = abs(x - cx) - hx, abs(y - cy) - hy
        return math.hypot(max(qx, 0.0), max(qy, 0.0)) + min(max(qx, qy), 0.0) - r
    return sdf, (x0, y0, x1, y1)


def stroke(ax, ay, bx, by, r):
    """A line from a to b, r thick on each side, with round ends."""
    vx, vy = bx - ax, by - ay
    length2 = vx * vx + vy * vy or 1.0

    def sdf(x, y):
        t = max(0.0, min(1.0, ((x - ax) * vx + (y - ay) * vy) / length2))
        return math.hypot(x - ax - t * vx, y - ay - t * vy) - r
    return sdf, (min(ax, bx) - r, min(ay, by) - r, max(ax, bx) + r, max(ay, by) + r)


def arc(cx, cy, radius, sx, sy, r):
    """The quarter circle round (cx, cy) on the side (sx, sy), r thick each side."""
    def sdf(x, y):
        if (x - cx) * sx < 0 or (y - cy) * sy < 0:
            return 1e9  # outside the quarter: the dots at its ends cover it
        return abs(math.hypot(x - cx, y - cy) - radius) - r
    reach = radius + r
    return sdf, (cx - reach, cy - reach, cx + reach, cy + reach)


def letter(rows, left, top, cell):
    """The shapes of one bitmap letter whose top left dot is at (left, top)."""
    dots = {(c, r) for r, row in enumerate(rows) for c, ch in enumerate(row) if ch == "#"}
    if cell < 2:  # too small to round: each dot is a whole pixel
        return [box(left + c * cell, top + r * cell, left + (c + 1) * cell, top + (r + 1) * cell)
                for c, r in dots]
    shapes, h = [], cell / 2.0
    centre = lambda c, r: (left + c * cell + h, top + r * cell + h)
    for c, r in dots:
        shapes.append(stroke(*centre(c, r), *centre(c, r), h))
        for dc, dr in ((1, 0), (0, 1), (1, 1), (-1, 1)):
            b = (c + dc, r + dr)
            if b not in dots:
                continue
            if not (dc and dr):
                shapes.append(stroke(*centre(c, r), *centre(*b), h))
                continue
            # A diagonal joins two dots only round a corner nothing fills.
            if (c + dc, r) in dots or (c, r + dr) in dots:
                continue
            # Where a row turns into a column the corner is drawn as a curve.
            for (ax, ay), (bx, by) in (((c, r), b), (b, (c, r))):
                if (2 * ax - bx, ay) in dots and (bx, 2 * by - ay) in dots:
                    cx, cy = centre(ax, by)
                    shapes.append(arc(cx, cy, cell, bx - ax, ay - by, h))
                    break
            else:
                shapes.append(stroke(*centre(c, r), *centre(*b), h))
    return shapes


def text(font, word):
    """Rows of a word set with one empty column between letters."""
    letters = [font[ch].split() for ch in word]
    return [".".join(l[i] for l in letters) for i in range(len(letters[0]))]


def ink(rows):
    """Left, top, right, bottom (exclusive) of the dots of rows, in cells."""
    cols = [c for row in rows for c, ch in enumerate(row) if ch == "#"]
    lines = [r for r, row in enumerate(rows) if "#" in row]
    return min(cols), min(lines), max(cols) + 1, max(lines) + 1


class Canvas:
    def __init__(self, size):
        self.size = size
        self.px = [[(0.0, 0.0, 0.0, 0.0)] * size for _ in range(size)]

    def fill(self, shapes, rgba, soft=1.0):
        """Paints the union of shapes; soft widens the edge (for shadows)."""
        if not shapes:
            return
        x0 = max(0, int(min(s[1][0] for s in shapes) - soft - 1))
        y0 = max(0, int(min(s[1][1] for s in shapes) - soft - 1))
        x1 = min(self.size, int(max(s[1][2] for s in shapes) + soft + 2))
        y1 = min(self.size, int(max(s[1][3] for s in shapes) + soft + 2))
        r, g, b, a = rgba[0], rgba[1], rgba[2], (rgba[3] if len(rgba) > 3 else 255) / 255.0
        for y in range(y0, y1):
            row = self.px[y]
            for x in range(x0, x1):
                cx, cy = x + 0.5, y + 0.5
                near = [s[0] for s in shapes
                        if s[1][0] - soft - 1 <= cx <= s[1][2] + soft + 1
                        and s[1][1] - soft - 1 <= cy <= s[1][3] + soft + 1]
                if not near:
                    continue
                d = min(f(cx, cy) for f in near)
                sa = a * max(0.0, min(1.0, 0.5 - d / soft))
                if sa <= 0:
                    continue
                # Source over destination, in straight (not premultiplied) alpha.
                dr, dg, db, da = row[x]
                oa = sa + da * (1 - sa)
                mix = lambda s, d: (s * sa + d * da * (1 - sa)) / oa
                row[x] = (mix(r, dr), mix(g, dg), mix(b, db), oa)

    def rows(self):
        return [[(int(r + 0.5), int(g + 0.5), int(b + 0.5), int(a * 255 + 0.5))
                 for r, g, b, a in row] for row in self.px]


def backing(cv):
    s, k = cv.size, cv.size / 16.0
    if s >= SHADOW_FROM:
        cv.fill([box(k * 0.5, k * 1.0, s - k * 0.5, s, RADIUS * k)], (0, 0, 0, 70), soft=k)
        cv.fill([box(0, 0, s, s - k * 0.5, RADIUS * k)], BACKING)
    else:
        cv.fill([box(0, 0, s, s, RADIUS * k)], BACKING)


def place(cv, font, word, at, colour, anchor):
    """Draws a word from font; anchor says which corner of its ink 'at' names."""
    rows = text(font, word)
    k = cv.size / 16.0
    ux, uy, cell = at
    c = cell * k
    l, t, r, b = ink(rows)
    snap = lambda v: math.floor(v + 0.5)
    if anchor == "top-left":
        x, y = ux * k - l * c, uy * k - t * c
    elif anchor == "top-right":
        x, y = ux * k - r * c, uy * k - t * c
    else:  # bottom-centre
        x, y = ux * k - (l + r) * c / 2, uy * k - b * c
    cv.fill(letter(rows, snap(x), snap(y), c), colour)


def tray_picture(size, colour, word, corner):
    cv = Canvas(size)
    backing(cv)
    place(cv, BIG, GLYPH, TRAY_GLYPH, colour, "top-left")
    place(cv, SMALL, word, TRAY_WORD, colour, "bottom-centre")
    if corner:
        place(cv, SMALL, corner, TRAY_CORNER, colour, "top-right")
    return cv.rows()


def app_picture(size):
    cv = Canvas(size)
    backing(cv)
    k = size / 16.0
    left, top, side, step = APP_TILE
    for i, rgb in enumerate(APP_TILES):
        x = (left + i * step) * k
        round_by = side * k * 0.25 if size >= 32 else 0  # keep 16 px tiles crisp
        cv.fill([box(x, top * k, x + side * k, (top + side) * k, round_by)], rgb)
    place(cv, BIG, GLYPH, APP_GLYPH, APP_INK, "top-left")
    return cv.rows()

# ----------------------------------------------------------------- files --


def png(rows):
    """A PNG of top-down rows of (r, g, b, a)."""
    raw = b"".join(b"\0" + bytes(c for p in row for c in p) for row in rows)

    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body))

    header = struct.pack(">IIBBBBB", len(rows[0]), len(rows), 8, 6, 0, 0, 0)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header)
            + chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b""))


def dib(rows):
    """A 32-bit BITMAPINFOHEADER image: bottom-up BGRA, then the AND mask.

    The mask marks the fully transparent pixels, for the rare code path that
    ignores the alpha channel."""
    size = len(rows)
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    colour = b"".join(bytes((b, g, r, a)) for row in reversed(rows) for (r, g, b, a) in row)
    mask = b""
    for row in reversed(rows):
        bits = bytearray(((size + 31) // 32) * 4)
        for x, p in enumerate(row):
            if p[3] == 0:
                bits[x // 8] |= 0x80 >> (x % 8)
        mask += bytes(bits)
    return header + colour + mask


def ico(images):
    """An .ico of (size, rows) pairs; 256 px images are stored as PNG."""
    data = [png(rows) if size >= 256 else dib(rows) for size, rows in images]
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for (size, _), blob in zip(images, data):
        out += struct.pack("<BBBBHHII", size % 256, size % 256, 0, 0, 1, 32, len(blob), offset)
        offset += len(blob)
    return out + b"".join(data)


PREVIEW_GROUNDS = [(255, 255, 255), (58, 110, 165), (32, 32, 32)]


def preview(rows, scale):
    """The image enlarged without smoothing, over light, blue and dark ground."""
    size = len(rows)
    out = []
    for y in range(size * scale):
        line = []
        for ground in PREVIEW_GROUNDS:
            for x in range(size * scale):
                r, g, b, a = rows[y // scale][x // scale]
                line.append(tuple((c * a + gc * (255 - a)) // 255 for c, gc in zip((r, g, b), ground))
                            + (255,))
        out.append(line)
    return out


def main(argv):
    look = argv[argv.index("--preview") + 1] if "--preview" in argv else None
    os.makedirs(OUT, exist_ok=True)
    files = [(name, [(s, app_picture(s)) for s in sizes]) for name, sizes in APP]
    files += [(name, [(16, tray_picture(16, colour, word, corner))])
              for name, colour, word, corner in TRAY]
    for name, images in files:
        with open(os.path.join(OUT, name), "wb") as f:
            f.write(ico(images))
        if look:
            os.makedirs(look, exist_ok=True)
            for size, rows in images:
                path = os.path.join(look, "%s-%d.png" % (name[:-4], size))
                with open(path, "wb") as f:
                    f.write(png(preview(rows, max(1, 256 // size))))


if __name__ == "__main__":
    main(sys.argv[1:])
