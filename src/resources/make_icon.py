#!/usr/bin/env python3
"""Draws the program icon and writes it as a Windows .ico file.

The picture: an open brown cardboard box, its two flaps folded outward, blue items standing up
out of it, and an upward arrow on its front. Each size (48, 32 and 16 pixels) is drawn from the
same shapes, once in 32-bit colour with alpha and once in 256 colours with a transparency mask.
Plain Python only, so the output is the same on every machine:

    python3 src/resources/make_icon.py src/resources/app.ico
"""

import struct
import sys

SIZES = (48, 32, 16)
SUBSAMPLES = 6  # per axis, for smooth edges in the 32-bit images
DESIGN = 48.0  # the shapes below are laid out on a 48 x 48 grid

# (fill, outline) colours, RGB.
BOX_FRONT = ((176, 116, 56), (92, 56, 22))
BOX_INSIDE = ((110, 70, 32), (92, 56, 22))
FLAP = ((206, 150, 88), (92, 56, 22))
ITEM_DARK = ((36, 96, 210), (14, 44, 120))
ITEM_LIGHT = ((86, 156, 240), (14, 44, 120))
ARROW = ((255, 255, 255), (40, 120, 30))

# Shapes in drawing order (the last lies on top): colours and a polygon on the 48 grid.
SHAPES = (
    (BOX_INSIDE, ((9, 17), (39, 17), (43, 25), (5, 25))),
    (FLAP, ((9, 17), (5, 25), (0, 19), (3, 10))),
    (FLAP, ((39, 17), (43, 25), (48, 19), (45, 10))),
    (ITEM_DARK, ((11, 7), (21, 5), (23, 26), (12, 26))),
    (ITEM_LIGHT, ((22, 9), (30, 3), (37, 12), (33, 26), (22, 26))),
    (ITEM_DARK, ((28, 14), (36, 12), (38, 26), (29, 26))),
    (BOX_FRONT, ((5, 25), (43, 25), (42, 46), (6, 46))),
    (ARROW, ((24, 27), (34, 36), (28, 36), (28, 44), (20, 44), (20, 36), (14, 36))),
)
OUTLINE_WIDTH = 1.3  # on the 48 grid; at least one pixel at every size


def inside(polygon, x, y):
    """Even-odd test of point (x, y) against a polygon."""
    result = False
    count = len(polygon)
    for i in range(count):
        x1, y1 = polygon[i]
        x2, y2 = polygon[(i + 1) % count]
        if (y1 > y) != (y2 > y):
            cross = x1 + (y - y1) * (x2 - x1) / (y2 - y1)
            if x < cross:
                result = not result
    return result


def edge_distance(polygon, x, y):
    """Distance from (x, y) to the nearest edge of a polygon."""
    best = float("inf")
    count = len(polygon)
    for i in range(count):
        x1, y1 = polygon[i]
        x2, y2 = polygon[(i + 1) % count]
        dx, dy = x2 - x1, y2 - y1
        length = dx * dx + dy * dy
        t = 0.0 if length == 0 else max(0.0, min(1.0, ((x - x1) * dx + (y - y1) * dy) / length))
        px, py = x1 + t * dx - x, y1 + t * dy - y
        best = min(best, (px * px + py * py) ** 0.5)
    return best


def sample(x, y, outline):
    """Colour of the topmost shape at design point (x, y), or None where nothing is drawn."""
    for (fill, edge), polygon in reversed(SHAPES):
        if inside(polygon, x, y):
            return edge if edge_distance(polygon, x, y) < outline else fill
    return None


def render(size):
    """Rows of (r, g, b, a) pixels, top row first."""
    scale = DESIGN / size
    outline = max(OUTLINE_WIDTH, scale * 0.9)
    pixels = []
    for row in range(size):
        line = []
        for col in range(size):
            r = g = b = hits = 0
            for sy in range(SUBSAMPLES):
                for sx in range(SUBSAMPLES):
                    x = (col + (sx + 0.5) / SUBSAMPLES) * scale
                    y = (row + (sy + 0.5) / SUBSAMPLES) * scale
                    colour = sample(x, y, outline)
                    if colour is not None:
                        r, g, b = r + colour[0], g + colour[1], b + colour[2]
                        hits += 1
            if hits == 0:
                line.append((0, 0, 0, 0))
            else:
                alpha = round(255 * hits / (SUBSAMPLES * SUBSAMPLES))
                line.append((round(r / hits), round(g / hits), round(b / hits), alpha))
        pixels.append(line)
    return pixels


def palette_256():
    """A fixed palette: the picture's own colours, a 6 x 6 x 6 colour cube, then greys."""
    colours = []
    for (fill, edge), _ in SHAPES:
        for colour in (fill, edge):
            if colour not in colours:
                colours.append(colour)
    for r in range(6):
        for g in range(6):
            for b in range(6):
                colours.append((r * 51, g * 51, b * 51))
    grey = 8
    while len(colours) < 256:
        colours.append((grey, grey, grey))
        grey += 8
    return colours


def nearest(palette, colour):
    return min(
        range(len(palette)),
        key=lambda i: sum((palette[i][k] - colour[k]) ** 2 for k in range(3)),
    )


def padded(data):
    return data + b"\0" * (-len(data) % 4)


def and_mask(pixels, threshold):
    """1 bit per pixel, bottom row first: set where the pixel is transparent."""
    rows = []
    for line in reversed(pixels):
        bits = bytearray((len(line) + 7) // 8)
        for col, pixel in enumerate(line):
            if pixel[3] < threshold:
                bits[col // 8] |= 0x80 >> (col % 8)
        rows.append(padded(bytes(bits)))
    return b"".join(rows)


def bitmap_header(size, bit_count, colours_used):
    # biHeight counts the colour bitmap and the mask together.
    return struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, bit_count, 0, 0, 0, 0, colours_used, 0)


def image_32(pixels):
    size = len(pixels)
    rows = b"".join(bytes(v for r, g, b, a in line for v in (b, g, r, a)) for line in reversed(pixels))
    return bitmap_header(size, 32, 0) + rows + and_mask(pixels, 1)


def image_8(pixels, palette):
    size = len(pixels)
    table = b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in palette)
    cache = {}
    rows = []
    for line in reversed(pixels):
        indexes = bytearray()
        for r, g, b, a in line:
            if a < 128:
                indexes.append(0)  # black under a set mask bit: the background shows
                continue
            key = (r, g, b)
            if key not in cache:
                cache[key] = nearest(palette, key)
            indexes.append(cache[key])
        rows.append(padded(bytes(indexes)))
    return bitmap_header(size, 8, 256) + table + b"".join(rows) + and_mask(pixels, 128)


def icon_file():
    palette = palette_256()
    images = []  # (size, bit count, data)
    for size in SIZES:
        pixels = render(size)
        images.append((size, 32, image_32(pixels)))
        images.append((size, 8, image_8(pixels, palette)))
    header = struct.pack("<HHH", 0, 1, len(images))
    offset = len(header) + 16 * len(images)
    entries = b""
    for size, bit_count, data in images:
        entries += struct.pack("<BBBBHHII", size, size, 0, 0, 1, bit_count, len(data), offset)
        offset += len(data)
    return header + entries + b"".join(data for _, _, data in images)


def main():
    if len(sys.argv) != 2:
        sys.stderr.write("usage: make_icon.py OUTPUT.ico\n")
        return 2
    with open(sys.argv[1], "wb") as out:
        out.write(icon_file())
    return 0


if __name__ == "__main__":
    sys.exit(main())
