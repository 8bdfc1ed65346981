#!/usr/bin/env python3
"""Draws the program's bitmaps and icon into res/: the toolbar images (bitmap 133, 7 x 32x32, 24-bit, and the same
drawings at 48x48 and 64x64 for screens at 150 % and 200 %), the 16-colour toolbar strip of the toolbar resource
(bitmap 128, 7 x 56x46), the list's file images (bitmap 136, 4 x 16x16, 8-bit, and at 24x24 and 32x32) and the
program icon (icon 128, 32x32 and 16x16, 24-bit). White is the transparent colour of the bitmaps. Pure Python, no
imaging library: shapes are filled by supersampling their inside tests, so each size is drawn afresh from the
same shapes rather than scaled from a smaller bitmap.

Run from anywhere: python3 scripts/make_artwork.py
"""
import math
import os
import struct

RES = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "res")
SS = 4  # samples per pixel along each axis
WHITE = (255, 255, 255)
FACE = (240, 240, 240)  # the colour anti-aliased edges are blended towards


# ---- shapes: functions (x, y) -> inside, in coordinates of a 32x32 (or 16x16) design grid ----
def poly(points):
    def inside(x, y):
        c = False
        n = len(points)
        for i in range(n):
            x1, y1 = points[i]
            x2, y2 = points[(i + 1) % n]
            if (y1 > y) != (y2 > y) and x < (x2 - x1) * (y - y1) / (y2 - y1) + x1:
                c = not c
        return c
    return inside


def circle(cx, cy, r):
    return lambda x, y: (x - cx) ** 2 + (y - cy) ** 2 <= r * r


def ring(cx, cy, r_out, r_in, gap_from=None, gap_to=None):
    def inside(x, y):
        d = (x - cx) ** 2 + (y - cy) ** 2
        if d > r_out * r_out or d < r_in * r_in:
            return False
        if gap_from is None:
            return True
        a = math.degrees(math.atan2(x - cx, cy - y)) % 360  # 0 = up, clockwise
        return not (gap_from <= a <= gap_to or (gap_from > gap_to and (a >= gap_from or a <= gap_to)))
    return inside


def rrect(x0, y0, x1, y1, r):
    def inside(x, y):
        if x < x0 or x > x1 or y < y0 or y > y1:
            return False
        cx = min(max(x, x0 + r), x1 - r)
        cy = min(max(y, y0 + r), y1 - r)
        return (x - cx) ** 2 + (y - cy) ** 2 <= r * r
    return inside


def seg(x0, y0, x1, y1, w):
    def inside(x, y):
        dx, dy = x1 - x0, y1 - y0
        t = max(0.0, min(1.0, ((x - x0) * dx + (y - y0) * dy) / (dx * dx + dy * dy or 1)))
        px, py = x0 + t * dx, y0 + t * dy
        return (x - px) ** 2 + (y - py) ** 2 <= (w / 2) ** 2
    return inside


def star(cx, cy, r_out, r_in, n, rot=0.0):
    pts = []
    for i in range(2 * n):
        r = r_out if i % 2 == 0 else r_in
        a = math.pi * i / n + rot
        pts.append((cx + r * math.sin(a), cy - r * math.cos(a)))
    return poly(pts)


class Canvas:
    """Pixels `w` x `h` of a drawing made on a design grid `scale` times smaller (a 32x32 design on a 64x64 canvas
    has scale 2); shapes and boxes are given in design coordinates."""

    def __init__(self, w, h, scale=1.0):
        self.w, self.h, self.scale = w, h, scale
        self.px = [[(0.0, 0.0, 0.0, 0.0) for _ in range(w)] for _ in range(h)]  # premultiplied rgba

    def fill(self, shape, color, box=None, alpha=1.0):
        s = self.scale
        x0, y0, x1, y1 = (v * s for v in box) if box else (0, 0, self.w, self.h)
        for py in range(max(0, int(y0)), min(self.h, int(math.ceil(y1)))):
            for px in range(max(0, int(x0)), min(self.w, int(math.ceil(x1)))):
                hits = 0
                for sy in range(SS):
                    for sx in range(SS):
                        if shape((px + (sx + 0.5) / SS) / s, (py + (sy + 0.5) / SS) / s):
                            hits += 1
                if not hits:
                    continue
                a = alpha * hits / (SS * SS)
                r, g, b, da = self.px[py][px]
                self.px[py][px] = (color[0] * a + r * (1 - a), color[1] * a + g * (1 - a),
                                   color[2] * a + b * (1 - a), a + da * (1 - a))

    def vgrad(self, shape, top, bottom, box=None):
        """Fills `shape` with a vertical gradient over its box, one colour per row of pixels."""
        s = self.scale
        x0, y0, x1, y1 = box
        for py in range(int(y0 * s), int(math.ceil(y1 * s))):
            t = (py - y0 * s) / max(1, ((y1 - y0) * s - 1))
            c = tuple(top[i] + (bottom[i] - top[i]) * t for i in range(3))
            self.fill(shape, c, (x0, py / s, x1, (py + 1) / s))

    def rgb(self, keyed=True):
        """Opaque pixels; uncovered ones white (the transparent colour), edges blended towards FACE."""
        out = []
        for row in self.px:
            line = []
            for r, g, b, a in row:
                if keyed and a < 0.35:
                    line.append(WHITE)
                elif a <= 0:
                    line.append(WHITE)
                else:
                    bg = FACE if keyed else WHITE
                    c = tuple(int(round(min(255, v + bgv * (1 - a)))) for v, bgv in zip((r, g, b), bg))
                    if c == WHITE:
                        c = (254, 254, 254)  # white inside a drawing must not turn transparent
                    line.append(c)
            out.append(line)
        return out


# ---- the drawings ----
def document(c, x0, y0, x1, y1, fold, paper=(255, 255, 255), edge=(90, 100, 120)):
    outline = poly([(x0, y0), (x1 - fold, y0), (x1, y0 + fold), (x1, y1), (x0, y1)])
    c.fill(outline, edge)
    inner = poly([(x0 + 1, y0 + 1), (x1 - fold - 0.4, y0 + 1), (x1 - 1, y0 + fold + 0.4), (x1 - 1, y1 - 1),
                  (x0 + 1, y1 - 1)])
    c.fill(inner, (250, 250, 252) if paper == (255, 255, 255) else paper)
    c.fill(poly([(x1 - fold, y0), (x1 - fold, y0 + fold), (x1, y0 + fold)]), (205, 212, 225))


def icon_open(c):
    c.fill(rrect(3, 7, 17, 13, 1.5), (196, 140, 20))
    c.vgrad(rrect(3, 10, 28, 26, 1.5), (250, 205, 80), (225, 160, 30), (3, 10, 28, 26))
    document(c, 8, 4, 22, 17, 4)
    c.fill(poly([(6, 14), (30, 14), (27, 27), (3, 27)]), (170, 110, 10))
    c.vgrad(poly([(6.8, 15), (29, 15), (26.3, 26), (4.2, 26)]), (255, 226, 120), (240, 180, 50), (4, 15, 29, 26))


def icon_test(c):
    document(c, 4, 3, 21, 26, 5)
    for y in (10, 14, 18):
        c.fill(rrect(7, y, 16, y + 1.4, 0.6), (150, 160, 180))
    c.fill(seg(21, 21, 28.5, 28.5, 5), (70, 50, 30))
    c.fill(seg(21, 21, 28, 28, 3), (150, 100, 50))
    c.fill(circle(17, 17, 7.5), (40, 70, 130))
    c.fill(circle(17, 17, 6), (200, 230, 255))
    c.fill(circle(15, 15, 2.2), (255, 255, 255), alpha=0.8)


def icon_optimize(c):
    c.vgrad(rrect(5, 3, 27, 29, 3), (230, 60, 50), (170, 20, 20), (5, 3, 27, 29))
    f = [(seg(19.5, 8.5, 15, 8.5, 3)), seg(15, 8.5, 13.5, 12, 3), seg(13.5, 12, 12, 24, 3), seg(10, 15, 18, 15, 3)]
    for s in f:
        c.fill(s, (255, 255, 255))
    # squeeze arrows from both sides
    green = (40, 160, 60)
    c.fill(poly([(0, 13), (5, 13), (5, 10), (10, 16), (5, 22), (5, 19), (0, 19)]), (20, 100, 30))
    c.fill(poly([(0.8, 14), (6, 14), (6, 12.4), (8.8, 16), (6, 19.6), (6, 18), (0.8, 18)]), green)
    c.fill(poly([(32, 13), (27, 13), (27, 10), (22, 16), (27, 22), (27, 19), (32, 19)]), (20, 100, 30))
    c.fill(poly([(31.2, 14), (26, 14), (26, 12.4), (23.2, 16), (26, 19.6), (26, 18), (31.2, 18)]), green)


def icon_remove(c):
    document(c, 4, 3, 22, 27, 5)
    for y in (9, 13, 17, 21):
        c.fill(rrect(7, y, 18, y + 1.4, 0.6), (150, 160, 180))
    c.fill(circle(22, 22, 8.5), (150, 20, 20))
    c.fill(circle(22, 22, 7.3), (220, 50, 40))
    c.fill(seg(18.5, 18.5, 25.5, 25.5, 2.6), (255, 255, 255))
    c.fill(seg(25.5, 18.5, 18.5, 25.5, 2.6), (255, 255, 255))


def icon_view(c):
    c.fill(circle(16, 16, 13.5), (20, 70, 150))
    c.vgrad(circle(16, 16, 12.3), (90, 160, 240), (30, 90, 190), (3, 3, 29, 29))
    c.fill(circle(16, 11, 8), (255, 255, 255), alpha=0.18)
    c.fill(poly([(12, 8.5), (23.5, 16), (12, 23.5)]), (255, 255, 255))


def icon_help(c):
    c.fill(circle(16, 16, 13.5), (20, 90, 60))
    c.vgrad(circle(16, 16, 12.3), (100, 200, 120), (30, 140, 70), (3, 3, 29, 29))
    white = (255, 255, 255)
    c.fill(ring(16, 12.5, 6, 3.2, 200, 265), white)
    c.fill(seg(16, 18.2, 16, 19.6, 3), white)
    c.fill(seg(16, 18.2, 18.5, 16.2, 2.8), white)
    c.fill(circle(16, 24, 1.9), white)


def icon_exit(c):
    c.fill(circle(16, 16, 13.5), (120, 20, 20))
    c.vgrad(circle(16, 16, 12.3), (245, 110, 90), (190, 30, 25), (3, 3, 29, 29))
    white = (255, 255, 255)
    c.fill(ring(16, 17, 8, 5.6, 325, 35), white)
    c.fill(seg(16, 7.5, 16, 16, 2.6), white)


TOOLBAR = [icon_open, icon_test, icon_optimize, icon_remove, icon_view, icon_help, icon_exit]


def file_image(kind, size=16):
    c = Canvas(size, size, size / 16)
    document(c, 2, 0.5, 13.5, 15.5, 3.5)
    if kind == 0:  # a movie: a coloured burst
        c.fill(star(8, 9, 5.2, 2.2, 6), (230, 90, 20))
        c.fill(star(8, 9, 3.4, 1.5, 6, 0.5), (250, 200, 40))
        c.fill(circle(8, 9, 1.3), (60, 140, 220))
    elif kind == 1:  # a compressed movie: the player mark
        c.fill(rrect(3.5, 4.5, 12.5, 13.5, 1.8), (200, 30, 25))
        for s in (seg(10.3, 6.7, 8.5, 6.7, 1.6), seg(8.5, 6.7, 7.6, 8.2, 1.6), seg(7.6, 8.2, 6.9, 12, 1.6),
                  seg(5.6, 9.3, 9.6, 9.3, 1.5)):
            c.fill(s, (255, 255, 255))
    elif kind == 2:  # a protected movie: a padlock
        c.fill(ring(8, 8, 3.4, 2.1), (120, 120, 130))
        c.fill(rrect(4, 8.5, 12, 14, 1), (215, 160, 30))
        c.fill(circle(8, 11, 1.1), (90, 60, 10))
    else:  # an optimized movie: a check mark
        c.fill(seg(4.5, 9, 7, 12, 2.4), (30, 150, 50))
        c.fill(seg(7, 12, 12, 5, 2.4), (30, 150, 50))
    return c.rgb()


def app_icon(size):
    k = size / 32.0
    c = Canvas(size, size)
    c.fill(rrect(1 * k, 1 * k, 31 * k, 31 * k, 6 * k), (120, 10, 10))
    c.vgrad(rrect(2 * k, 2 * k, 30 * k, 30 * k, 5 * k), (245, 80, 60), (180, 20, 20), (0, 2 * k, size, 30 * k))
    c.fill(rrect(3 * k, 3 * k, 29 * k, 15 * k, 4.5 * k), (255, 255, 255), alpha=0.16)
    w = 3.6 * k
    for s in (seg(21 * k, 8 * k, 16 * k, 8 * k, w), seg(16 * k, 8 * k, 14 * k, 12 * k, w),
              seg(14 * k, 12 * k, 12.5 * k, 25 * k, w), seg(9.5 * k, 15.5 * k, 19 * k, 15.5 * k, w * 0.9)):
        c.fill(s, (255, 255, 255))
    c.fill(poly([(22 * k, 18 * k), (29 * k, 18 * k), (25.5 * k, 23 * k)]), (255, 220, 60))
    c.fill(poly([(22 * k, 28 * k), (29 * k, 28 * k), (25.5 * k, 23 * k)]), (255, 220, 60))
    return c.rgb(keyed=False)


# ---- file formats ----
def bmp_bytes(pixels, bpp, palette=None):
    h, w = len(pixels), len(pixels[0])
    rows = []
    for y in range(h - 1, -1, -1):
        row = bytearray()
        if bpp == 24:
            for r, g, b in pixels[y]:
                row += bytes((b, g, r))
        elif bpp == 8:
            row += bytes(pixels[y])
        elif bpp == 4:
            for x in range(0, w, 2):
                hi = pixels[y][x]
                lo = pixels[y][x + 1] if x + 1 < w else 0
                row.append((hi << 4) | lo)
        while len(row) % 4:
            row.append(0)
        rows.append(bytes(row))
    data = b"".join(rows)
    pal = b""
    if palette:
        pal = b"".join(bytes((b, g, r, 0)) for r, g, b in palette)
    info = struct.pack("<IiiHHIIiiII", 40, w, h, 1, bpp, 0, len(data), 2835, 2835, len(palette or []), 0)
    offset = 14 + len(info) + len(pal)
    return struct.pack("<2sIHHI", b"BM", offset + len(data), 0, 0, offset) + info + pal + data, info, pal, data


def write_bmp(name, pixels, bpp, palette=None):
    with open(os.path.join(RES, name), "wb") as f:
        f.write(bmp_bytes(pixels, bpp, palette)[0])


def nearest(palette, c):
    return min(range(len(palette)), key=lambda i: sum((palette[i][k] - c[k]) ** 2 for k in range(3)))


VGA16 = [(0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0), (0, 0, 128), (128, 0, 128), (0, 128, 128),
         (192, 192, 192), (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0), (0, 0, 255), (255, 0, 255),
         (0, 255, 255), (255, 255, 255)]


def toolbar_icons(size):
    icons = []
    for draw in TOOLBAR:
        c = Canvas(size, size, size / 32)
        draw(c)
        icons.append(c.rgb())
    return icons


def strip_of(images, size):
    """The images side by side, in order, as rows of pixels."""
    return [sum((img[y] for img in images), []) for y in range(size)]


def write_file_images(name, size, bpp_limit=None):
    """The four file images side by side: 8-bit with a palette of the colours they use when 256 hold them (as
    the 16x16 ones must), else 24-bit."""
    strip = strip_of([file_image(k, size) for k in range(4)], size)
    colours = list(dict.fromkeys(c for row in strip for c in row))  # in the order they first appear
    if len(colours) > 256:
        if bpp_limit == 8:
            raise SystemExit("%s needs more than 256 colours" % name)
        write_bmp(name, strip, 24)
        return
    index = {c: i for i, c in enumerate(colours)}
    write_bmp(name, [[index[c] for c in row] for row in strip], 8, colours + [(0, 0, 0)] * (256 - len(colours)))


def main():
    icons = toolbar_icons(32)
    write_bmp("ToolbarImages.bmp", strip_of(icons, 32), 24)
    # The same buttons for screens at 150 % and 200 %.
    for size in (48, 64):
        write_bmp("ToolbarImages%d.bmp" % size, strip_of(toolbar_icons(size), size), 24)

    # The 16-colour strip of the toolbar resource: each image centred in its 56 x 46 cell.
    cells = [[15] * (56 * 7) for _ in range(46)]
    for i, img in enumerate(icons):
        for y in range(32):
            for x in range(32):
                cells[7 + y][i * 56 + 12 + x] = nearest(VGA16, img[y][x])
    write_bmp("Toolbar.bmp", cells, 4, VGA16)

    write_file_images("FileImages.bmp", 16, 8)
    for size in (24, 32):
        write_file_images("FileImages%d.bmp" % size, size)

    # Icon: 32x32 and 16x16, 24-bit colour with an AND mask (the rounded corners transparent).
    entries = []
    for size in (32, 16):
        px = app_icon(size)
        c = Canvas(size, size)
        c.fill(rrect(1 * size / 32, 1 * size / 32, 31 * size / 32, 31 * size / 32, 6 * size / 32), (0, 0, 0))
        mask_rows = []
        for y in range(size - 1, -1, -1):
            bits = bytearray((size + 31) // 32 * 4)
            for x in range(size):
                if c.px[y][x][3] < 0.5:
                    bits[x // 8] |= 0x80 >> (x % 8)
            mask_rows.append(bytes(bits))
        _, info, _, data = bmp_bytes(px, 24)
        info = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 24, 0, 0, 0, 0, 0, 0)
        entries.append((size, info + data + b"".join(mask_rows)))
    header = struct.pack("<HHH", 0, 1, len(entries))
    offset = 6 + 16 * len(entries)
    dirs, blobs = b"", b""
    for size, blob in entries:
        dirs += struct.pack("<BBBBHHII", size, size, 0, 0, 1, 24, len(blob), offset + len(blobs))
        blobs += blob
    with open(os.path.join(RES, "Squozen.ico"), "wb") as f:
        f.write(header + dirs + blobs)


if __name__ == "__main__":
    main()
