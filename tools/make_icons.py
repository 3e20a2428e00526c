#!/usr/bin/env python3
"""Writes the icon files under resources/icons from the table below.

Placeholder pictures: a rounded square in the state's colour. The .ico files
are committed, so a build needs neither this script nor any image tool.
"""
import os
import struct
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))
OUT = os.path.join(HERE, "..", "resources", "icons")

# name: (sizes, colour as (r, g, b))
ICONS = {
    "app.ico": ((256, 32, 16), (40, 90, 160)),
    "app_small.ico": ((16,), (40, 90, 160)),
    "tray_off.ico": ((16,), (0, 0, 0)),
    "tray_fifo_copying.ico": ((16,), (255, 51, 0)),
    "tray_fifo_pasting.ico": ((16,), (0, 102, 204)),
    "tray_loop_copying.ico": ((16,), (204, 255, 0)),
    "tray_loop_pasting.ico": ((16,), (166, 0, 255)),
}


def pixels(size, rgb):
    """Top-down rows of (r, g, b, a): the colour on a translucent white square."""
    rows = []
    edge = max(1, size // 8)
    for y in range(size):
        row = []
        for x in range(size):
            inner = edge <= x < size - edge and edge <= y < size - edge
            row.append(rgb + (255,) if inner else (255, 255, 255, 160))
        rows.append(row)
    return rows


def png(size, rows):
    raw = b"".join(b"\0" + bytes(c for p in row for c in p) for row in rows)

    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body))

    header = struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header)
            + chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b""))


def dib(size, rows):
    """A 32-bit BITMAPINFOHEADER image: bottom-up BGRA, then the AND mask."""
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    colour = b"".join(bytes((b, g, r, a)) for row in reversed(rows) for (r, g, b, a) in row)
    mask_row = ((size + 31) // 32) * 4
    return header + colour + b"\0" * (mask_row * size)


def ico(sizes, rgb):
    images = [png(s, pixels(s, rgb)) if s >= 256 else dib(s, pixels(s, rgb)) for s in sizes]
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for s, data in zip(sizes, images):
        out += struct.pack("<BBBBHHII", s % 256, s % 256, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
    return out + b"".join(images)


def main():
    os.makedirs(OUT, exist_ok=True)
    for name, (sizes, rgb) in ICONS.items():
        with open(os.path.join(OUT, name), "wb") as f:
            f.write(ico(sizes, rgb))


if __name__ == "__main__":
    main()
