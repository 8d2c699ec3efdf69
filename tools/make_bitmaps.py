#!/usr/bin/env python3
"""Draws Vexmoor's pictures as pixel art and writes them as resources.

Writes resources/bitmaps/<id>_<name>.bmp (24-bit, uncompressed, bottom-up; the
build embeds each as bitmap <id>), the desktop icon (resources/icons/: PNGs in the
hicolor sizes and an SVG with the same shapes) and the desktop entry
(resources/io.github.vexmoor.Vexmoor.desktop). Standard library only, so anyone can
regenerate:

    python3 tools/make_bitmaps.py            # write the resources
    python3 tools/make_bitmaps.py --preview /tmp/vexmoor-preview
                                             # also compose a test board to look at

Pure white is the key colour wherever the game draws a sprite, and the game
compares colours after reducing them to RGB565, so everything drawn stays well
below white (at most about 240 per channel).
"""

import argparse
import math
import os
import random
import struct
import sys
import zlib

WHITE = (255, 255, 255)

# Snake colours. The body profile is symmetric about the spine, so a piece
# joins its neighbour whichever way round it is turned.
OUTLINE = (70, 8, 16)
DARK = (136, 18, 26)
RED = (200, 38, 34)
BRIGHT = (232, 86, 58)
SCALE = (120, 14, 22)
SCALE_GOLD = (236, 176, 64)
EYE = (238, 226, 120)
PUPIL = (16, 12, 10)
TONGUE = (236, 72, 132)
TONGUE_DARK = (150, 24, 80)
NOSTRIL = (90, 10, 18)

# Grass and hedge colours.
GRASS = [(96, 164, 60), (102, 170, 64), (90, 156, 56), (108, 176, 68)]
GRASS_DARK = (82, 148, 52)
GRASS_DEEP = (72, 136, 48)
GRASS_LIGHT = (128, 190, 80)
LEAF_OUTLINE = (12, 40, 18)
LEAF_SHADES = [(20, 66, 30), (28, 86, 36), (38, 104, 42), (52, 124, 48), (80, 150, 60)]
SHADOW = (58, 112, 42)

# Body geometry of a 16 x 16 piece: half-width 6 around the cell's centre line,
# so every connecting edge carries rows (or columns) 2..13.
CELL = 16
HALF = 6.0
CENTRE = 8.0
PATTERN_PERIOD = 8

# The head, drawn facing right: a dark crimson skull, outlined in near black, with a
# pale snout and two big white eyes, so it stands apart from the body even when shrunk
# to 12 x 12 or 16 x 8. The skull is a rounded square one pixel wider than the body on
# each side; the neck narrows by a pixel just behind it.
HEAD_OUTLINE = (34, 4, 10)
CROWN = (132, 16, 44)
SNOUT = (238, 140, 96)
SNOUT_SIDE = (214, 96, 70)
HEAD_EYE = (240, 238, 220)
SKULL_CENTRE_X = 8.5
SKULL_HALF_LENGTH = 7.5
SKULL_ROUNDNESS = 2.4
NECK_LENGTH = 4
SNOUT_FROM = 11
# Each eye is 4 x 4 pixels with a 2 x 2 pupil at its front, so that white and pupil
# both survive shrinking to half size along either axis.
EYE_ROW = 3
EYE_COLUMN = 7


class Canvas:
    """A picture of RGB tuples, rows top-down."""

    def __init__(self, width, height, fill=WHITE):
        self.width = width
        self.height = height
        self.rows = [[fill] * width for _ in range(height)]

    def get(self, x, y):
        return self.rows[y][x]

    def set(self, x, y, colour):
        if 0 <= x < self.width and 0 <= y < self.height:
            self.rows[y][x] = colour

    def fill_rect(self, x0, y0, x1, y1, colour):
        for y in range(max(0, y0), min(self.height, y1)):
            for x in range(max(0, x0), min(self.width, x1)):
                self.rows[y][x] = colour

    def blit(self, src, dx, dy, scale=1, key=None):
        for y in range(src.height * scale):
            for x in range(src.width * scale):
                c = src.rows[y // scale][x // scale]
                if c != key:
                    self.set(dx + x, dy + y, c)

    def stretch(self, src, dx, dy, w, h, key=None, centre_sampling=False):
        """Nearest-neighbour stretch; the game samples each target pixel's centre."""
        for y in range(h):
            sy = ((2 * y + 1) * src.height // (2 * h)) if centre_sampling else y * src.height // h
            for x in range(w):
                sx = ((2 * x + 1) * src.width // (2 * w)) if centre_sampling else x * src.width // w
                c = src.rows[sy][sx]
                if key is None or to565(c) != to565(key):
                    self.set(dx + x, dy + y, c)

    def tile(self, src, x0, y0, x1, y1):
        for y in range(y0, y1):
            for x in range(x0, x1):
                self.set(x, y, src.rows[y % src.height][x % src.width])

    def mapped(self, fn):
        """A new canvas whose pixel (x, y) is this one's pixel fn(x, y)."""
        out = Canvas(self.width, self.height)
        for y in range(self.height):
            for x in range(self.width):
                sx, sy = fn(x, y)
                out.rows[y][x] = self.rows[sy][sx]
        return out

    def mirrored(self):
        return self.mapped(lambda x, y: (self.width - 1 - x, y))

    def transposed(self):
        return self.mapped(lambda x, y: (y, x))

    def turned_up(self):
        """Turns a picture that faces right so that it faces up (towards row 0)."""
        return self.mapped(lambda x, y: (self.width - 1 - y, x))

    def scaled(self, factor):
        out = Canvas(self.width * factor, self.height * factor)
        out.blit(self, 0, 0, factor)
        return out


def to565(c):
    return (c[0] >> 3, c[1] >> 2, c[2] >> 3)


def mix(a, b, t):
    return tuple(int(round(a[i] + (b[i] - a[i]) * t)) for i in range(3))


# ---------------------------------------------------------------- files


def bmp_bytes(canvas):
    row_size = (canvas.width * 3 + 3) & ~3
    image_size = row_size * canvas.height
    header = struct.pack('<2sIHHI', b'BM', 54 + image_size, 0, 0, 54)
    info = struct.pack('<IiiHHIIiiII', 40, canvas.width, canvas.height, 1, 24, 0, image_size, 2835, 2835, 0, 0)
    body = bytearray()
    for row in reversed(canvas.rows):
        line = bytearray()
        for r, g, b in row:
            line += bytes((b, g, r))
        line += b'\0' * (row_size - len(line))
        body += line
    return header + info + bytes(body)


def png_bytes(canvas, alpha=None):
    """RGBA PNG; alpha(x, y) gives the opacity 0..255 (opaque when None)."""

    def chunk(kind, data):
        return struct.pack('>I', len(data)) + kind + data + struct.pack('>I', zlib.crc32(kind + data) & 0xFFFFFFFF)

    raw = bytearray()
    for y, row in enumerate(canvas.rows):
        raw.append(0)
        for x, (r, g, b) in enumerate(row):
            raw += bytes((r, g, b, 255 if alpha is None else alpha(x, y)))
    ihdr = struct.pack('>IIBBBBB', canvas.width, canvas.height, 8, 6, 0, 0, 0)
    return b'\x89PNG\r\n\x1a\n' + chunk(b'IHDR', ihdr) + chunk(b'IDAT', zlib.compress(bytes(raw), 9)) + chunk(
        b'IEND', b'')


def write_file(path, data):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, 'wb') as f:
        f.write(data)


# ---------------------------------------------------------------- snake pieces


def body_colour(o, w, s):
    """Colour of a body pixel at offset o from the spine, half-width w, position s along the body."""
    d = w - abs(o)
    if d < 1:
        return OUTLINE
    if d < 2:
        return DARK
    ds = (s % PATTERN_PERIOD) - PATTERN_PERIOD / 2
    m = abs(o) + abs(ds)
    if m <= 1.0:
        return SCALE_GOLD
    if m <= 2.0:
        return SCALE
    if abs(o) < 1:
        return BRIGHT
    return RED


def straight_piece():
    """Left-right body piece."""
    c = Canvas(CELL, CELL)
    for y in range(CELL):
        for x in range(CELL):
            o = y + 0.5 - CENTRE
            if abs(o) < HALF:
                c.set(x, y, body_colour(o, HALF, x + 0.5))
    return c


def corner_piece(pivot_x, pivot_y):
    """Quarter ring around a cell corner, joining the two edges that meet there."""
    c = Canvas(CELL, CELL)
    radius = CELL / 2
    for y in range(CELL):
        for x in range(CELL):
            dx, dy = x + 0.5 - pivot_x, y + 0.5 - pivot_y
            o = math.hypot(dx, dy) - radius
            if abs(o) < HALF:
                angle = math.atan2(abs(dy), abs(dx))
                c.set(x, y, body_colour(o, HALF, CELL * angle / (math.pi / 2)))
    return c


def tail_piece():
    """Body enters at the left edge and tapers to a point at the right."""
    c = Canvas(CELL, CELL)
    for y in range(CELL):
        for x in range(CELL):
            w = HALF - 0.38 * x
            o = y + 0.5 - CENTRE
            if abs(o) < w:
                c.set(x, y, body_colour(o, w, x + 0.5))
    return c


def in_skull(x, y):
    """Whether pixel (x, y) of the head facing right lies in the skull (rows 0 and 15 stay clear)."""
    dx = (x + 0.5 - SKULL_CENTRE_X) / SKULL_HALF_LENGTH
    dy = (y + 0.5 - CENTRE) / (HALF + 1)
    return abs(dx)**SKULL_ROUNDNESS + abs(dy)**SKULL_ROUNDNESS < 1


def head_piece():
    """Head facing right: the body enters at the left edge, the snout touches the right.

    Column 0 is the body's own edge, so the head joins it seamlessly."""
    c = Canvas(CELL, CELL)
    skull = [[in_skull(x, y) for x in range(CELL)] for y in range(CELL)]
    for y in range(CELL):
        for x in range(CELL):
            o = y + 0.5 - CENTRE
            if skull[y][x]:
                edge = any(not (0 <= x + ex < CELL and 0 <= y + ey < CELL) or not skull[y + ey][x + ex]
                           for ex, ey in ((1, 0), (-1, 0), (0, 1), (0, -1)))
                if edge:
                    colour = HEAD_OUTLINE
                elif x + 0.5 - SNOUT_FROM >= 3.0 * (o / (HALF + 1))**2:
                    colour = SNOUT if abs(o) < 3 else SNOUT_SIDE
                else:
                    colour = CROWN
                c.set(x, y, colour)
            elif x < NECK_LENGTH:
                w = HALF if x == 0 else HALF - 1
                if abs(o) < w:
                    colour = body_colour(o, w, x + 0.5)
                    if colour in (SCALE, SCALE_GOLD):
                        colour = BRIGHT if abs(o) < 1 else RED
                    c.set(x, y, colour)
    for top in (EYE_ROW, CELL - EYE_ROW - 4):
        c.fill_rect(EYE_COLUMN, top, EYE_COLUMN + 4, top + 4, HEAD_EYE)
        c.fill_rect(EYE_COLUMN + 2, top + 1, EYE_COLUMN + 4, top + 3, PUPIL)
    for y in (6, 9):
        c.set(14, y, NOSTRIL)
    return c


# ---------------------------------------------------------------- food, grass, hedge


def apple():
    c = Canvas(CELL, CELL)
    cx, cy, r = 7.5, 9.0, 6.4
    for y in range(CELL):
        for x in range(CELL):
            px, py = x + 0.5, y + 0.5
            # Two lobes make the apple's dimpled top.
            d = min(math.hypot(px - cx + 1.5, py - cy), math.hypot(px - cx - 1.5, py - cy))
            if d < r - 1.0:
                shade = (px - cx) + (py - cy)
                if d > r - 2.4 and shade > 2:
                    col = (150, 12, 26)
                elif shade < -4.5:
                    col = (238, 70, 60)
                else:
                    col = (212, 24, 38)
                c.set(x, y, col)
            elif d < r:
                c.set(x, y, (76, 6, 16))
    for x, y in ((4, 6), (4, 7), (5, 5)):
        c.set(x, y, (240, 200, 184))
    # Stem and leaf.
    for x, y in ((7, 1), (7, 2), (8, 3)):
        c.set(x, y, (92, 58, 24))
    for x, y in ((9, 1), (10, 1), (11, 1), (9, 2), (10, 2), (11, 2), (12, 2), (10, 3), (11, 3)):
        c.set(x, y, (60, 160, 48))
    for x, y in ((8, 2), (12, 1), (13, 2), (12, 3), (9, 3)):
        c.set(x, y, (24, 84, 28))
    c.set(10, 2, (126, 200, 84))
    return c


def grass_tile():
    """Seamless 16 x 16 grass: every stroke wraps around the tile's edges."""
    rng = random.Random(7)
    c = Canvas(CELL, CELL)
    for y in range(CELL):
        for x in range(CELL):
            c.set(x, y, GRASS[rng.randrange(len(GRASS))] if rng.random() < 0.45 else GRASS[0])
    for _ in range(9):
        x, y = rng.randrange(CELL), rng.randrange(CELL)
        length = rng.choice((2, 2, 3))
        lean = rng.choice((-1, 0, 1))
        for i in range(length):
            c.set((x + (lean if i == length - 1 else 0)) % CELL, (y - i) % CELL, GRASS_DARK)
        c.set(x % CELL, (y + 1) % CELL, GRASS_DEEP if rng.random() < 0.5 else GRASS_DARK)
    for _ in range(6):
        x, y = rng.randrange(CELL), rng.randrange(CELL)
        c.set(x, y, GRASS_LIGHT)
        c.set(x, (y + 1) % CELL, GRASS[3])
    return c


def hedge(size=110):
    """A leafy bush filling its square, on white so the board's grass shows around it."""
    rng = random.Random(11)
    margin = 3
    inside = [[False] * size for _ in range(size)]
    blobs = []
    # A ring of clumps makes the bumpy edge; the middle is filled solid.
    lo, hi = margin + 9, size - margin - 10
    for i in range(0, 20):
        t = i / 20
        for (x, y) in ((lo + (hi - lo) * t, lo), (hi, lo + (hi - lo) * t), (hi - (hi - lo) * t, hi),
                       (lo, hi - (hi - lo) * t)):
            blobs.append((x + rng.uniform(-1.5, 1.5), y + rng.uniform(-1.5, 1.5), rng.uniform(8.0, 10.0)))
    for y in range(size):
        for x in range(size):
            if lo <= x <= hi and lo <= y <= hi:
                inside[y][x] = True
            else:
                for bx, by, br in blobs:
                    if (x + 0.5 - bx)**2 + (y + 0.5 - by)**2 < br * br:
                        inside[y][x] = True
                        break
    c = Canvas(size, size)
    # Shadow on the ground, down and to the right.
    for y in range(size):
        for x in range(size):
            if not inside[y][x] and inside[max(0, y - 4)][max(0, x - 3)]:
                c.set(x, y, SHADOW)
    # Leaf clusters, painted back to front with light from the upper left.
    base = [[LEAF_SHADES[1]] * size for _ in range(size)]
    clusters = [(rng.uniform(0, size), rng.uniform(0, size), rng.uniform(3.5, 6.5)) for _ in range(420)]
    clusters.sort(key=lambda b: b[1] + b[0] * 0.3)
    for bx, by, br in clusters:
        for y in range(int(by - br) - 1, int(by + br) + 2):
            for x in range(int(bx - br) - 1, int(bx + br) + 2):
                if not (0 <= x < size and 0 <= y < size):
                    continue
                dx, dy = x + 0.5 - bx, y + 0.5 - by
                d = math.hypot(dx, dy)
                if d >= br:
                    continue
                if d > br - 1.1 and dx + dy > 0:
                    shade = 0
                else:
                    shade = 1 + min(3, int((1 - (dx + dy) / (2 * br) - 0.15) * 2.6))
                    if d < br * 0.35 and dx + dy < -br * 0.3:
                        shade = 4
                if shade > 0:
                    shade += int(round(1.2 - 2.4 * (x + y) / (2 * size)))
                base[y][x] = LEAF_SHADES[max(0, min(4, shade))]
    for y in range(size):
        for x in range(size):
            if inside[y][x]:
                edge = any(not (0 <= x + ex < size and 0 <= y + ey < size) or not inside[y + ey][x + ex]
                           for ex, ey in ((1, 0), (-1, 0), (0, 1), (0, -1), (1, 1), (-1, -1), (1, -1), (-1, 1)))
                c.set(x, y, LEAF_OUTLINE if edge else base[y][x])
    return c


# ---------------------------------------------------------------- the large head


def big_head(size, background):
    """The snake's head facing up, drawn at size x size for the icon and the About box."""
    c = Canvas(size, size)
    c.tile(background, 0, 0, size, size)
    part = [[None] * size for _ in range(size)]
    for y in range(size):
        for x in range(size):
            u, v = (x + 0.5) / size, (y + 0.5) / size
            du = u - 0.5
            # Neck down to the bottom edge.
            if v > 0.55 and abs(du) < 0.19:
                part[y][x] = 'body'
            # Head: an egg, broad at the jaw and narrowing to the snout.
            hv = (v - 0.42) / 0.32
            if abs(hv) < 1:
                hw = 0.32 * math.sqrt(1 - hv * hv) * (1 + 0.3 * hv)
                if abs(du) < hw:
                    part[y][x] = 'head'
            # Forked tongue.
            if 0.035 < v < 0.15 and abs(du) < 0.028:
                part[y][x] = 'tongue'
            if v <= 0.06 and 0.02 < abs(du) < 0.075 and abs(abs(du) - (0.07 - v)) < 0.03:
                part[y][x] = 'tongue'
    outline = max(1, size // 24)
    for y in range(size):
        for x in range(size):
            p = part[y][x]
            if p is None:
                continue
            u, v = (x + 0.5) / size, (y + 0.5) / size
            du = u - 0.5
            edge = False
            for ey in range(-outline, outline + 1):
                for ex in range(-outline, outline + 1):
                    if abs(ex) + abs(ey) > outline:
                        continue
                    nx, ny = x + ex, y + ey
                    if 0 <= nx < size and 0 <= ny < size and part[ny][nx] is None:
                        edge = True
            if p == 'tongue':
                col = TONGUE_DARK if edge else TONGUE
            elif edge:
                col = OUTLINE
            else:
                # Round shading with the light from the upper left.
                if p == 'body':
                    t = du / 0.19
                else:
                    hv = (v - 0.42) / 0.32
                    t = du / max(0.05, 0.32 * math.sqrt(max(0.0, 1 - hv * hv)) * (1 + 0.3 * hv))
                col = RED
                if -0.75 < t < -0.3 or (p == 'head' and math.hypot(u - 0.4, v - 0.24) < 0.07):
                    col = BRIGHT
                elif t > 0.55:
                    col = DARK
                if p == 'body':
                    s = (v - 0.7) * 8
                    ds = abs(s - round(s))
                    m = abs(du) * 9 + ds * 2
                    if m < 0.5:
                        col = SCALE_GOLD
                    elif m < 1.0:
                        col = SCALE
                else:
                    m = abs(du) / 0.1 + abs(v - 0.52) / 0.1
                    if m < 0.55:
                        col = SCALE_GOLD
                    elif m < 1.0:
                        col = SCALE
            c.set(x, y, col)
    # Eyes with slit pupils, set into the sides of the head.
    for y in range(size):
        for x in range(size):
            u, v = (x + 0.5) / size, (y + 0.5) / size
            for side in (-1, 1):
                ex, ey = 0.5 + side * 0.165, 0.37
                d = math.hypot(u - ex, (v - ey) * 0.9)
                if d < 0.085:
                    col = EYE if d < 0.085 - 1.0 / size else OUTLINE
                    if abs(u - ex - side * 0.01) < max(0.6 / size, 0.018) and abs(v - ey) < 0.06:
                        col = PUPIL
                    if (u - ex) * side < -0.02 and v - ey < -0.025 and d < 0.06:
                        col = (240, 240, 200)
                    c.set(x, y, col)
            # Nostrils.
            for side in (-1, 1):
                if math.hypot(u - 0.5 - side * 0.06, v - 0.2) < max(0.6 / size, 0.022):
                    c.set(x, y, NOSTRIL)
    return c


def icon_background(size):
    """Dark moor green with a lighter grass texture."""
    tile = grass_tile()
    c = Canvas(size, size)
    for y in range(size):
        for x in range(size):
            g = tile.rows[y % CELL][x % CELL]
            c.set(x, y, mix(g, (20, 60, 30), 0.45))
    return c


# ---------------------------------------------------------------- splash

FONT = {
    'V': ["10001", "10001", "10001", "10001", "01010", "01010", "00100"],
    'E': ["11111", "10000", "10000", "11110", "10000", "10000", "11111"],
    'X': ["10001", "10001", "01010", "00100", "01010", "10001", "10001"],
    'M': ["10001", "11011", "10101", "10101", "10001", "10001", "10001"],
    'O': ["01110", "10001", "10001", "10001", "10001", "10001", "01110"],
    'R': ["11110", "10001", "10001", "11110", "10100", "10010", "10001"],
    'A': ["01110", "10001", "10001", "11111", "10001", "10001", "10001"],
    'C': ["01110", "10001", "10000", "10000", "10000", "10001", "01110"],
    'D': ["11110", "10001", "10001", "10001", "10001", "10001", "11110"],
    'K': ["10001", "10010", "10100", "11000", "10100", "10010", "10001"],
    'N': ["10001", "11001", "10101", "10011", "10001", "10001", "10001"],
    'P': ["11110", "10001", "10001", "11110", "10000", "10000", "10000"],
    'S': ["01111", "10000", "10000", "01110", "00001", "00001", "11110"],
    'T': ["11111", "00100", "00100", "00100", "00100", "00100", "00100"],
    ' ': ["00000"] * 7,
}


def text_mask(text, scale, gap=1):
    width = (len(text) * (5 + gap) - gap) * scale
    mask = [[False] * width for _ in range(7 * scale)]
    for i, ch in enumerate(text):
        glyph = FONT[ch]
        for gy in range(7):
            for gx in range(5):
                if glyph[gy][gx] == '1':
                    for y in range(gy * scale, (gy + 1) * scale):
                        for x in range(gx * scale, (gx + 1) * scale):
                            mask[y][i * (5 + gap) * scale + x] = True
    return mask


def draw_text(c, text, x0, y0, scale, top, bottom, outline_colour, shadow=2):
    mask = text_mask(text, scale)
    h, w = len(mask), len(mask[0])
    # Drop shadow, then a two-pixel outline, then the gradient face.
    for y in range(h):
        for x in range(w):
            if mask[y][x]:
                c.fill_rect(x0 + x - 2 + shadow, y0 + y - 2 + shadow, x0 + x + 3 + shadow, y0 + y + 3 + shadow,
                            (20, 14, 30))
    for y in range(h):
        for x in range(w):
            if mask[y][x]:
                c.fill_rect(x0 + x - 2, y0 + y - 2, x0 + x + 3, y0 + y + 3, outline_colour)
    for y in range(h):
        for x in range(w):
            if mask[y][x]:
                col = mix(top, bottom, y / max(1, h - 1))
                if y == 0 or not mask[y - 1][x]:
                    col = mix(col, (240, 240, 220), 0.5)
                c.set(x0 + x, y0 + y, col)
    return w


def choose_piece(cells, i):
    """The sprite id of segment i of a snake given as unwrapped cells, head first."""
    cx, cy = cells[i]
    if i == len(cells) - 1:
        px, py = cells[i - 1]
        if px != cx:
            return 148 if px > cx else 141
        return 150 if py > cy else 149
    if i == 0:
        qx, qy = cells[1]
        if qx != cx:
            return 145 if qx > cx else 139
        return 146 if qy > cy else 147
    (px, py), (qx, qy) = cells[i - 1], cells[i + 1]
    if px == cx == qx:
        return 144
    if py == cy == qy:
        return 140
    n = {(px - cx, py - cy), (qx - cx, qy - cy)}
    if n == {(0, -1), (1, 0)}:
        return 151
    if n == {(0, -1), (-1, 0)}:
        return 152
    if n == {(-1, 0), (0, 1)}:
        return 153
    if n == {(0, 1), (1, 0)}:
        return 143
    raise ValueError('snake cells are not connected at segment %d' % i)


def unwrap(cells, n):
    xs = [x for x, _ in cells]
    ys = [y for _, y in cells]
    if (min(xs) == 0 and max(xs) == n - 1) or (min(ys) == 0 and max(ys) == n - 1):
        fc = max(c for c in range(n) if c not in xs)
        fr = max(r for r in range(n) if r not in ys)
        return [(x + n if x < fc else x, y + n if y < fr else y) for x, y in cells]
    return list(cells)


def splash(sprites):
    w, h = 240, 320
    c = Canvas(w, h)
    horizon = 138
    # Dusk sky over the moor.
    for y in range(horizon):
        t = y / horizon
        c.fill_rect(0, y, w, y + 1, mix((26, 22, 62), (196, 112, 92), t**1.4))
    rng = random.Random(5)
    for _ in range(40):
        x, y = rng.randrange(w), rng.randrange(0, 100)
        c.set(x, y, mix((230, 226, 200), c.get(x, y), y / 110))
    # Moon.
    for y in range(24, 50):
        for x in range(194, 222):
            d = math.hypot(x - 208, y - 36)
            if d < 10 and math.hypot(x - 213, y - 32) >= 8.5:
                c.set(x, y, (236, 228, 180))
    # Far hills of heather, near hills, then the grass.
    for x in range(w):
        far = int(106 + 10 * math.sin(x / 23.0) + 6 * math.sin(x / 9.0 + 1))
        near = int(124 + 8 * math.sin(x / 31.0 + 2) + 3 * math.sin(x / 7.0))
        for y in range(far, horizon + 10):
            c.set(x, y, (96, 62, 112) if (x + y) % 7 else (118, 78, 130))
        for y in range(near, horizon + 10):
            c.set(x, y, (48, 96, 52) if (x * 3 + y) % 11 else (64, 112, 60))
    c.tile(sprites[155], 0, horizon + 4, w, h)
    for x in range(w):
        c.set(x, horizon + 4, GRASS_DEEP)
    draw_text(c, 'VEXMOOR', 16, 54, 5, (240, 224, 96), (228, 116, 36), (60, 18, 24))
    # A snake of 48-pixel cells winding towards an apple.
    scale, ox, oy = 3, 0, horizon + 6
    snake = [(3, 0), (2, 0), (1, 0), (1, 1), (2, 1), (3, 1), (3, 2), (2, 2), (1, 2), (0, 2)]
    for i, (sx, sy) in enumerate(snake):
        piece = sprites[choose_piece(snake, i)].scaled(scale)
        c.blit(piece, ox + sx * 48, oy + sy * 48, key=WHITE)
    c.blit(sprites[142].scaled(scale), ox + 4 * 48, oy, key=WHITE)
    return c


# ---------------------------------------------------------------- all pictures


def make_sprites():
    head = head_piece()
    tail = tail_piece()
    straight = straight_piece()
    return {
        146: head.turned_up(),
        147: head.transposed(),
        139: head,
        145: head.mirrored(),
        149: tail.transposed(),
        150: tail.turned_up(),
        148: tail.mirrored(),
        141: tail,
        140: straight,
        144: straight.transposed(),
        153: corner_piece(0, CELL),
        151: corner_piece(CELL, 0),
        143: corner_piece(CELL, CELL),
        152: corner_piece(0, 0),
        142: apple(),
        154: hedge(),
        155: grass_tile(),
    }


NAMES = {
    2: 'splash',
    137: 'icon',
    138: 'about_head',
    139: 'head_right',
    140: 'body_horizontal',
    141: 'tail_body_left',
    142: 'apple',
    143: 'corner_down_right',
    144: 'body_vertical',
    145: 'head_left',
    146: 'head_up',
    147: 'head_down',
    148: 'tail_body_right',
    149: 'tail_body_above',
    150: 'tail_body_below',
    151: 'corner_up_right',
    152: 'corner_up_left',
    153: 'corner_left_down',
    154: 'hedge',
    155: 'grass',
}


def make_all():
    pictures = make_sprites()
    pictures[2] = splash(pictures)
    pictures[137] = big_head(32, icon_background(32))
    pictures[138] = big_head(48, icon_background(48))
    return pictures


# The edges through which each snake piece joins its neighbours.
JOINS = {
    146: ('bottom',), 147: ('top',), 139: ('left',), 145: ('right',),
    149: ('top',), 150: ('bottom',), 148: ('right',), 141: ('left',),
    140: ('left', 'right'), 144: ('top', 'bottom'),
    153: ('left', 'bottom'), 151: ('top', 'right'), 143: ('bottom', 'right'), 152: ('top', 'left'),
}


def joined_tip(pid):
    """The edge a head's tongue may touch."""
    return {146: 'top', 147: 'bottom', 139: 'right', 145: 'left'}.get(pid)


def check(pictures):
    """Only the sprites' backgrounds may be (or reduce to) the key colour."""
    problems = []
    for pid, pic in pictures.items():
        may_key = pid in range(139, 155)
        for row in pic.rows:
            for col in row:
                if to565(col) == to565(WHITE) and (col != WHITE or not may_key):
                    problems.append('%d: %s reduces to white' % (pid, col))
                    break
    grass = pictures[155]
    if any(col == WHITE for row in grass.rows for col in row):
        problems.append('155: grass has white')
    for pid, joined in JOINS.items():
        pic = pictures[pid]
        edges = {'left': [pic.rows[y][0] for y in range(CELL)], 'right': [pic.rows[y][CELL - 1] for y in range(CELL)],
                 'top': pic.rows[0], 'bottom': pic.rows[CELL - 1]}
        for edge_name, pixels in edges.items():
            used = [i for i, col in enumerate(pixels) if col != WHITE]
            if edge_name in joined and used != list(range(2, 14)):
                problems.append('%d: %s edge covers %s, not rows 2..13' % (pid, edge_name, used))
            if edge_name not in joined and edge_name != joined_tip(pid) and used:
                problems.append('%d: %s edge should stay clear' % (pid, edge_name))
    return problems


APP_ID = 'io.github.vexmoor.Vexmoor'
ICON_SIZES = (48, 64, 128, 256)


def icon_png(size):
    """The desktop icon: the big head on the moor, in a square with rounded corners."""
    icon = big_head(size, icon_background(size))
    radius = size * 20 / 128

    def rounded(x, y):
        cx = min(max(x + 0.5, radius), size - radius)
        cy = min(max(y + 0.5, radius), size - radius)
        return 255 if math.hypot(x + 0.5 - cx, y + 0.5 - cy) <= radius else 0

    return png_bytes(icon, rounded)


def head_width(v):
    """Half the width of the big head's egg at height v (0 top, 1 bottom), or None outside it."""
    hv = (v - 0.42) / 0.32
    if abs(hv) >= 1:
        return None
    return 0.32 * math.sqrt(1 - hv * hv) * (1 + 0.3 * hv)


def icon_svg():
    """The desktop icon as shapes, with big_head's geometry and colours on a 128 x 128 grid."""
    n = 128

    def hexc(c):
        return '#%02x%02x%02x' % c

    def pt(u, v):
        return '%.2f,%.2f' % (u * n, v * n)

    def polygon(points, fill, extra=''):
        return '<path%s fill="%s" d="M%sZ"/>' % (extra, hexc(fill), ' L'.join(pt(u, v) for u, v in points))

    steps = 96
    top, bottom = 0.10, 0.74
    ladder = [top + (bottom - top) * (i + 0.5) / steps for i in range(steps)]
    ladder = [top + 1e-4] + ladder + [bottom - 1e-4]

    def band(lo, hi, vs):
        """The part of the egg between t = lo and t = hi, t being du over the half-width."""
        left = [(0.5 + lo * head_width(v), v) for v in vs]
        right = [(0.5 + hi * head_width(v), v) for v in reversed(vs)]
        return left + right

    # Where the egg's lower half narrows to the neck's width: the outline of head and neck as one.
    neck = 0.19
    join = next(v for v in ladder if v > 0.55 and head_width(v) < neck)
    upper = [v for v in ladder if v < join]
    silhouette = ([(0.5 - neck, 1.1), (0.5 - neck, join)] + [(0.5 - head_width(v), v) for v in reversed(upper)] +
                  [(0.5 + head_width(v), v) for v in upper] + [(0.5 + neck, join), (0.5 + neck, 1.1)])
    egg = band(-1, 1, ladder)

    out = ['<svg xmlns="http://www.w3.org/2000/svg" width="%d" height="%d" viewBox="0 0 %d %d">' % (n, n, n, n),
           '<title>Vexmoor</title>', '<defs>',
           '<clipPath id="card"><rect width="%d" height="%d" rx="20"/></clipPath>' % (n, n),
           '<clipPath id="snake"><path d="M%sZ"/></clipPath>' % ' L'.join(pt(u, v) for u, v in silhouette),
           '<clipPath id="egg"><path d="M%sZ"/></clipPath>' % ' L'.join(pt(u, v) for u, v in egg)]
    # The moor: the grass tile, darkened as on the icon, repeated every 16 units.
    tile = grass_tile()
    cells = []
    for y in range(CELL):
        x = 0
        while x < CELL:
            colour = mix(tile.rows[y][x], (20, 60, 30), 0.45)
            end = x + 1
            while end < CELL and mix(tile.rows[y][end], (20, 60, 30), 0.45) == colour:
                end += 1
            cells.append('<rect x="%d" y="%d" width="%d" height="1" fill="%s"/>' % (x, y, end - x, hexc(colour)))
            x = end
    out.append('<pattern id="moor" width="%d" height="%d" patternUnits="userSpaceOnUse">%s</pattern>' %
               (CELL, CELL, ''.join(cells)))
    out.append('</defs>')
    # The tile's commonest colour underneath, so no seam between its cells shows at small sizes.
    out.append('<g clip-path="url(#card)"><rect width="%d" height="%d" fill="%s"/>' %
               (n, n, hexc(mix(GRASS[0], (20, 60, 30), 0.45))))
    out.append('<rect width="%d" height="%d" fill="url(#moor)" shape-rendering="crispEdges"/>' % (n, n))
    # The forked tongue, dark where it leaves the mouth; the snake covers its root.
    for side in (-1, 1):
        fork = [(0.04, 0), (0.075, 0), (0.075, 0.025), (0.04, 0.06), (0.02, 0.06), (0.02, 0.02)]
        out.append(polygon([(0.5 + side * du, v) for du, v in fork], TONGUE_DARK))
    out.append('<rect x="%.2f" y="%.2f" width="%.2f" height="%.2f" fill="%s"/>' %
               ((0.5 - 0.028) * n, 0.035 * n, 0.056 * n, 0.115 * n, hexc(TONGUE_DARK)))
    # Neck and head, shaded with the light from the upper left, gold scales down the middle.
    out.append('<g clip-path="url(#snake)">')
    out.append('<rect x="%.2f" y="%.2f" width="%.2f" height="%.2f" fill="%s"/>' %
               ((0.5 - neck) * n, 0.55 * n, 2 * neck * n, 0.55 * n, hexc(RED)))
    out.append('<rect x="%.2f" y="%.2f" width="%.2f" height="%.2f" fill="%s"/>' %
               ((0.5 - 0.75 * neck) * n, 0.55 * n, 0.45 * neck * n, 0.55 * n, hexc(BRIGHT)))
    out.append('<rect x="%.2f" y="%.2f" width="%.2f" height="%.2f" fill="%s"/>' %
               ((0.5 + 0.55 * neck) * n, 0.55 * n, 0.45 * neck * n, 0.55 * n, hexc(DARK)))
    for k in range(-1, 4):
        centre = 0.7 + k / 8
        for reach, colour in ((1.0, SCALE), (0.5, SCALE_GOLD)):
            out.append(polygon([(0.5, centre - reach / 16), (0.5 + reach / 9, centre), (0.5, centre + reach / 16),
                                (0.5 - reach / 9, centre)], colour))
    out.append(polygon(egg, RED))
    out.append(polygon(band(-0.75, -0.3, ladder), BRIGHT))
    out.append(polygon(band(0.55, 1, ladder), DARK))
    out.append('<circle cx="%.2f" cy="%.2f" r="%.2f" fill="%s" clip-path="url(#egg)"/>' %
               (0.4 * n, 0.24 * n, 0.07 * n, hexc(BRIGHT)))
    for reach, colour in ((0.1, SCALE), (0.055, SCALE_GOLD)):
        out.append(polygon([(0.5, 0.52 - reach), (0.5 + reach, 0.52), (0.5, 0.52 + reach), (0.5 - reach, 0.52)],
                           colour))
    # The outline: a stroke along the silhouette whose outer half the clip removes.
    out.append('<path fill="none" stroke="%s" stroke-width="%d" stroke-linejoin="round" d="M%sZ"/>' %
               (hexc(OUTLINE), 2 * (n // 24), ' L'.join(pt(u, v) for u, v in silhouette)))
    out.append('</g>')
    # The tongue's root, pink where it runs into the head.
    out.append('<rect x="%.2f" y="%.2f" width="%.2f" height="%.2f" fill="%s" clip-path="url(#egg)"/>' %
               ((0.5 - 0.028) * n, 0.035 * n, 0.056 * n, 0.115 * n, hexc(TONGUE)))
    # Eyes with slit pupils and a glint, and the nostrils.
    for side in (-1, 1):
        ex, ey, r = 0.5 + side * 0.165, 0.37, 0.085
        out.append('<clipPath id="eye%d"><ellipse cx="%.2f" cy="%.2f" rx="%.2f" ry="%.2f"/></clipPath>' %
                   (side + 1, ex * n, ey * n, r * n, r / 0.9 * n))
        out.append('<ellipse cx="%.2f" cy="%.2f" rx="%.2f" ry="%.2f" fill="%s" stroke="%s" stroke-width="1"/>' %
                   (ex * n, ey * n, r * n - 0.5, r / 0.9 * n - 0.5, hexc(EYE), hexc(OUTLINE)))
        out.append('<rect x="%.2f" y="%.2f" width="%.2f" height="%.2f" fill="%s" clip-path="url(#eye%d)"/>' %
                   ((ex + side * 0.01 - 0.018) * n, (ey - 0.06) * n, 0.036 * n, 0.12 * n, hexc(PUPIL), side + 1))
        glint_x = ex + 0.02 if side < 0 else ex - 0.06
        out.append('<clipPath id="glint%d"><rect x="%.2f" y="%.2f" width="%.2f" height="%.2f"/></clipPath>' %
                   (side + 1, glint_x * n, (ey - 0.07) * n, 0.04 * n, 0.045 * n))
        out.append('<ellipse cx="%.2f" cy="%.2f" rx="%.2f" ry="%.2f" fill="#f0f0c8" clip-path="url(#glint%d)"/>' %
                   (ex * n, ey * n, 0.06 * n, 0.06 / 0.9 * n, side + 1))
        out.append('<circle cx="%.2f" cy="%.2f" r="%.2f" fill="%s"/>' %
                   ((0.5 + side * 0.06) * n, 0.2 * n, 0.022 * n, hexc(NOSTRIL)))
    out.append('</g>')
    out.append('</svg>')
    return ('\n'.join(out) + '\n').encode('ascii')


def desktop_entry():
    return ('[Desktop Entry]\n'
            'Type=Application\n'
            'Name=Vexmoor\n'
            'GenericName=Snake game\n'
            'Comment=Snake steered by the webcam or the arrow keys\n'
            'Exec=vexmoor\n'
            'Icon=%s\n'
            'Terminal=false\n'
            'Categories=Game;ArcadeGame;\n'
            'Keywords=snake;arcade;webcam;camera;\n'
            'StartupWMClass=vexmoor\n' % APP_ID)


def write_resources(root, pictures):
    bitmap_dir = os.path.join(root, 'resources', 'bitmaps')
    for pid, pic in sorted(pictures.items()):
        write_file(os.path.join(bitmap_dir, '%d_%s.bmp' % (pid, NAMES[pid])), bmp_bytes(pic))
    icon_dir = os.path.join(root, 'resources', 'icons')
    for size in ICON_SIZES:
        write_file(os.path.join(icon_dir, '%dx%d.png' % (size, size)), icon_png(size))
    write_file(os.path.join(icon_dir, 'scalable.svg'), icon_svg())
    write_file(os.path.join(root, 'resources', APP_ID + '.desktop'), desktop_entry().encode('ascii'))


# ---------------------------------------------------------------- preview


def preview_board(pictures, centre_sampling, cell_w=12, cell_h=12):
    """A board of 20 x 20 cells at Level 5, drawn as the game draws it: 12 x 12 cells on the
    portrait screen, 16 x 8 on the landscape one."""
    n = 20
    c = Canvas(n * cell_w, n * cell_h)
    c.tile(pictures[155], 0, 0, c.width, c.height)
    lo = n // 4
    c.stretch(pictures[154], lo * cell_w, lo * cell_h, n * cell_w // 2, n * cell_h // 2, WHITE, centre_sampling)
    # Crosses the left/right seam on row 2 and the top/bottom seam in column 17.
    snake = [(1, 2), (0, 2), (19, 2), (18, 2), (17, 2), (17, 1), (17, 0), (17, 19), (17, 18), (16, 18), (15, 18),
             (15, 17), (14, 17), (13, 17), (13, 16), (13, 15), (12, 15), (11, 15), (11, 16), (10, 16), (9, 16),
             (9, 17), (9, 18), (8, 18)]
    cells = unwrap(snake, n)
    for i, (x, y) in enumerate(snake):
        c.stretch(pictures[choose_piece(cells, i)], x * cell_w, y * cell_h, cell_w, cell_h, WHITE, centre_sampling)
    c.stretch(pictures[142], 4 * cell_w, 2 * cell_h, cell_w, cell_h, WHITE, centre_sampling)
    # Short snakes showing the other heads and tails.
    for snake in ([(2, 6), (2, 7), (2, 8), (3, 8), (3, 9), (3, 10)], [(3, 13), (3, 12), (2, 12), (1, 12)],
                  [(11, 2), (12, 2), (13, 2), (13, 3)]):
        cells = unwrap(snake, n)
        for i, (x, y) in enumerate(snake):
            c.stretch(pictures[choose_piece(cells, i)], x * cell_w, y * cell_h, cell_w, cell_h, WHITE,
                      centre_sampling)
    return c


def preview_sheet(pictures):
    ids = [146, 147, 139, 145, 149, 150, 148, 141, 140, 144, 153, 151, 143, 152, 142, 155]
    c = Canvas(len(ids) * 18 + 2, 20, (60, 60, 70))
    for i, pid in enumerate(ids):
        c.blit(pictures[pid], 2 + i * 18, 2)
    return c


def as_screen(canvas):
    """The picture as a 16-bit RGB565 screen shows it."""
    out = Canvas(canvas.width, canvas.height)
    for y in range(canvas.height):
        for x in range(canvas.width):
            r, g, b = to565(canvas.rows[y][x])
            out.rows[y][x] = (r << 3, g << 2, b << 3)
    return out


def write_preview(directory, pictures):
    os.makedirs(directory, exist_ok=True)
    paths = []
    for name, pic, factor in (('board', as_screen(preview_board(pictures, True)), 3),
                              ('board_floor_sampling', as_screen(preview_board(pictures, False)), 3),
                              ('board_landscape', as_screen(preview_board(pictures, True, 16, 8)), 3),
                              ('board_landscape_floor_sampling', as_screen(preview_board(pictures, False, 16, 8)),
                               3),
                              ('sheet', preview_sheet(pictures), 6),
                              ('splash', pictures[2], 2),
                              ('hedge', pictures[154], 3),
                              ('icon', pictures[137], 8),
                              ('about_head', pictures[138], 6)):
        path = os.path.join(directory, name + '.png')
        write_file(path, png_bytes(pic.scaled(factor)))
        paths.append(path)
    # The splash as the main window shows it: rows 24..295 stretched to 240 x 268.
    visible = Canvas(240, 272)
    visible.blit(pictures[2], 0, -24)
    shown = Canvas(240, 268)
    shown.stretch(visible, 0, 0, 240, 268, centre_sampling=True)
    path = os.path.join(directory, 'splash_shown.png')
    write_file(path, png_bytes(as_screen(shown).scaled(2)))
    paths.append(path)
    return paths


def main():
    parser = argparse.ArgumentParser(description=__doc__.split('\n')[0])
    parser.add_argument('--root', default=os.path.join(os.path.dirname(os.path.abspath(__file__)), '..'),
                        help='repository root (default: the folder above this script)')
    parser.add_argument('--preview', metavar='DIR', help='also write enlarged preview PNGs into DIR')
    args = parser.parse_args()
    pictures = make_all()
    problems = check(pictures)
    if problems:
        for p in problems:
            print('make_bitmaps: ' + p, file=sys.stderr)
        return 1
    write_resources(os.path.normpath(args.root), pictures)
    if args.preview:
        for path in write_preview(args.preview, pictures):
            print(path)
    return 0


if __name__ == '__main__':
    sys.exit(main())
