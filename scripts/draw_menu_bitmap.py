#!/usr/bin/env python3
"""Draws the 16 x 16, 24-bit menu bitmap of Korvane.dll (res/KorvaneMenu.bmp): a red film tile with a white
"f" and a green arrow pressing down on it, the sign of a movie being made smaller.

Run it from anywhere: python3 scripts/draw_menu_bitmap.py; it rewrites res/KorvaneMenu.bmp."""
import os
import struct

W = H = 16
WHITE = (255, 255, 255)
RED = (200, 30, 30)
DARK = (120, 10, 10)
GLYPH = (255, 255, 255)
GREEN = (30, 150, 40)

# Rows from the top; one character per pixel.
ART = [
    "................",
    ".DDDDDDDDDD.....",
    ".DRRRRRRRRD.....",
    ".DRRRRWWWRD.....",
    ".DRRRWRRRRD.....",
    ".DRRRWRRRRD.....",
    ".DRRWWWWRRD.....",
    ".DRRRWRRRRD.....",
    ".DRRRWRRRRD..G..",
    ".DRRRWRRRRD..G..",
    ".DRRRWRRRRD..G..",
    ".DRRRRRRRRD..G..",
    ".DDDDDDDDDDGGGGG",
    "............GGG.",
    ".............G..",
    "................",
]
COLOURS = {".": WHITE, "D": DARK, "R": RED, "W": GLYPH, "G": GREEN}


def main():
    assert len(ART) == H and all(len(row) == W for row in ART)
    row_bytes = W * 3  # 48, already a multiple of 4
    pixels = bytearray()
    for row in reversed(ART):  # bottom-up rows, blue-green-red pixels
        for ch in row:
            r, g, b = COLOURS[ch]
            pixels += bytes((b, g, r))
    info = struct.pack("<IiiHHIIiiII", 40, W, H, 1, 24, 0, row_bytes * H, 2835, 2835, 0, 0)
    offset = 14 + len(info)
    header = struct.pack("<2sIHHI", b"BM", offset + len(pixels), 0, 0, offset)
    out = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "res", "KorvaneMenu.bmp")
    with open(out, "wb") as f:
        f.write(header + info + pixels)


if __name__ == "__main__":
    main()
