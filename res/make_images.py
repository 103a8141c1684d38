#!/usr/bin/env python3
"""Draws the program's icons and button bitmap. Run it after changing a picture;
its outputs are committed, so building does not need Python."""

import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))
SAMPLES = 4  # supersampling per axis, for smooth edges


def blend(dst, src, cover):
    a = src[3] / 255.0 * cover
    out_a = a + dst[3] / 255.0 * (1 - a)
    if out_a <= 0:
        return (0, 0, 0, 0)
    rgb = [(src[i] * a + dst[i] * dst[3] / 255.0 * (1 - a)) / out_a for i in range(3)]
    return (round(rgb[0]), round(rgb[1]), round(rgb[2]), round(out_a * 255))


class Canvas:
    def __init__(self, size, background=(0, 0, 0, 0)):
        self.size = size
        # Against a mask colour, soft edges would show as coloured fringes.
        self.hard = background[3] == 255
        self.px = [[background] * size for _ in range(size)]

    def fill(self, inside, colour):
        """Paints colour where inside(x, y) holds; coordinates are 0..1."""
        n = self.size
        for row in range(n):
            for col in range(n):
                hits = 0
                for sy in range(SAMPLES):
                    for sx in range(SAMPLES):
                        x = (col + (sx + 0.5) / SAMPLES) / n
                        y = (row + (sy + 0.5) / SAMPLES) / n
                        hits += inside(x, y)
                cover = hits / SAMPLES ** 2
                if self.hard:
                    cover = 1.0 if cover >= 0.5 else 0.0
                if cover:
                    self.px[row][col] = blend(self.px[row][col], colour, cover)


def rect(x0, y0, x1, y1):
    return lambda x, y: x0 <= x <= x1 and y0 <= y <= y1


def rounded(x0, y0, x1, y1, r):
    def inside(x, y):
        if not (x0 <= x <= x1 and y0 <= y <= y1):
            return False
        cx = min(max(x, x0 + r), x1 - r)
        cy = min(max(y, y0 + r), y1 - r)
        return (x - cx) ** 2 + (y - cy) ** 2 <= r * r
    return inside


def triangle(a, b, c):
    def side(p, q, x, y):
        return (q[0] - p[0]) * (y - p[1]) - (q[1] - p[1]) * (x - p[0])

    def inside(x, y):
        d1, d2, d3 = side(a, b, x, y), side(b, c, x, y), side(c, a, x, y)
        return not ((d1 < 0 or d2 < 0 or d3 < 0) and (d1 > 0 or d2 > 0 or d3 > 0))
    return inside


def stroke(p, q, width):
    def inside(x, y):
        dx, dy = q[0] - p[0], q[1] - p[1]
        t = max(0.0, min(1.0, ((x - p[0]) * dx + (y - p[1]) * dy) / (dx * dx + dy * dy)))
        ex, ey = p[0] + t * dx - x, p[1] + t * dy - y
        return ex * ex + ey * ey <= (width / 2) ** 2
    return inside


def either(*shapes):
    return lambda x, y: any(s(x, y) for s in shapes)


# Pictures ------------------------------------------------------------------

FILM = (38, 44, 58, 255)
HOLE = (235, 238, 245, 255)
PLAY = (46, 178, 90, 255)
ORANGE = (240, 140, 30, 255)


def app_icon(size):
    c = Canvas(size)
    c.fill(rounded(0.03, 0.12, 0.97, 0.88, 0.08), FILM)
    for i in range(5):
        x = 0.1 + i * 0.18
        c.fill(rect(x, 0.17, x + 0.08, 0.25), HOLE)
        c.fill(rect(x, 0.75, x + 0.08, 0.83), HOLE)
    c.fill(triangle((0.36, 0.32), (0.36, 0.68), (0.68, 0.5)), ORANGE)
    return c


def menu_icon(size):
    c = Canvas(size)
    for y in (0.2, 0.45, 0.7):
        c.fill(rounded(0.12, y, 0.88, y + 0.12, 0.04), FILM)
    return c


def play_icon(size):
    c = Canvas(size)
    c.fill(triangle((0.22, 0.12), (0.22, 0.88), (0.86, 0.5)), PLAY)
    return c


def pause_icon(size):
    c = Canvas(size)
    c.fill(rect(0.2, 0.14, 0.42, 0.86), FILM)
    c.fill(rect(0.58, 0.14, 0.8, 0.86), FILM)
    return c


MASK_COLOUR = (255, 0, 255, 255)  # the image list takes pixel (0, 0) as transparent


def tick_image():
    c = Canvas(16, MASK_COLOUR)
    c.fill(either(stroke((0.16, 0.52), (0.4, 0.76), 0.17),
                  stroke((0.4, 0.76), (0.86, 0.24), 0.17)), (30, 150, 60, 255))
    return c


def cross_image():
    c = Canvas(16, MASK_COLOUR)
    c.fill(either(stroke((0.22, 0.22), (0.78, 0.78), 0.17),
                  stroke((0.78, 0.22), (0.22, 0.78), 0.17)), (200, 40, 40, 255))
    return c


# Writers -------------------------------------------------------------------

def icon_image(canvas):
    n = canvas.size
    header = struct.pack('<IiiHHIIiiII', 40, n, n * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    colour = bytearray()
    for row in reversed(canvas.px):
        for r, g, b, a in row:
            colour += bytes((b, g, r, a))
    stride = ((n + 31) // 32) * 4
    mask = bytearray()
    for row in reversed(canvas.px):
        bits = bytearray(stride)
        for col, p in enumerate(row):
            if p[3] == 0:
                bits[col // 8] |= 0x80 >> (col % 8)
        mask += bits
    return header + colour + mask


def write_icon(name, canvases):
    images = [icon_image(c) for c in canvases]
    out = struct.pack('<HHH', 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for c, data in zip(canvases, images):
        out += struct.pack('<BBBBHHII', c.size % 256, c.size % 256, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
    for data in images:
        out += data
    with open(os.path.join(HERE, name), 'wb') as f:
        f.write(out)


def write_strip(name, canvases):
    h = canvases[0].size
    w = h * len(canvases)
    stride = (w * 3 + 3) & ~3
    pixels = bytearray()
    for row in reversed(range(h)):
        line = bytearray()
        for c in canvases:
            for r, g, b, _ in c.px[row]:
                line += bytes((b, g, r))
        pixels += line + bytes(stride - len(line))
    info = struct.pack('<IiiHHIIiiII', 40, w, h, 1, 24, 0, len(pixels), 2835, 2835, 0, 0)
    head = struct.pack('<2sIHHI', b'BM', 14 + len(info) + len(pixels), 0, 0, 14 + len(info))
    with open(os.path.join(HERE, name), 'wb') as f:
        f.write(head + info + pixels)


if __name__ == '__main__':
    write_icon('Morvik.ico', [app_icon(32), app_icon(16)])
    write_icon('Menu.ico', [menu_icon(16)])
    write_icon('Play.ico', [play_icon(16)])
    write_icon('Pause.ico', [pause_icon(16)])
    write_strip('Buttons.bmp', [tick_image(), cross_image()])
