#!/usr/bin/env python3
"""Draws the recorder's icon, a red record dot sending out two sound waves, and writes recorder.ico.

The file holds eight classic DIB images (no PNG, so every Windows version reads them), in this
order: 16 and 32 px at 4 bpp, 16, 32 and 48 px at 8 bpp, 16, 32 and 48 px at 32 bpp. Each image
is drawn for its own size (strokes land on whole pixels at 16 px) with supersampled
anti-aliasing, then quantised for the palette depths. The output is the same bytes on every run:
no clock, no randomness, no dictionary order.

    python3 make_icon.py [--preview sheet.png] [OUTPUT.ico]    (default: recorder.ico beside it)
"""

import math
import os
import struct
import sys
import zlib

# The 16 colours every display adapter shows: the standard VGA set, in its usual order.
VGA_PALETTE = [
    (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0),
    (0, 0, 128), (128, 0, 128), (0, 128, 128), (192, 192, 192),
    (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0),
    (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255),
]

# (pixels, bits per pixel) of every image, in file order.
IMAGES = [(16, 4), (32, 4), (16, 8), (32, 8), (48, 8), (16, 32), (32, 32), (48, 32)]

# Geometry per size, in pixels: the dot's centre and radius, its dark rim's width, the sound
# waves' radii (to the middle of the stroke), stroke width and half sweep in degrees. Set by eye
# per size rather than scaled, so the waves' crests land on whole pixels and stay crisp.
GEOMETRY = {
    16: dict(cx=5.0, cy=8.0, dot=4.0, rim=1.0, waves=(6.5, 9.5), stroke=1.6, sweep=42.0),
    32: dict(cx=10.0, cy=16.0, dot=9.0, rim=1.25, waves=(13.0, 19.0), stroke=2.4, sweep=42.0),
    48: dict(cx=15.0, cy=24.0, dot=14.0, rim=1.5, waves=(19.5, 28.5), stroke=3.4, sweep=42.0),
}

# Colours: the rim, the waves and the dot's fill, a radial ramp from a highlight up and to the
# left of its centre. The 4 bpp images get a flat variant in exact VGA colours (red, maroon,
# navy, a white glint) instead of a dithered gradient.
GLOSSY = dict(rim=(120, 8, 8), wave=(28, 64, 150),
              stops=[(0.0, (255, 176, 164)), (0.30, (242, 58, 48)), (0.75, (206, 22, 18)),
                     (1.0, (168, 10, 10))])
FLAT = dict(rim=(128, 0, 0), wave=(0, 0, 128),
            stops=[(0.0, (255, 255, 255)), (0.16, (255, 255, 255)), (0.1601, (255, 0, 0)),
                   (1.0, (255, 0, 0))])


def mix(a, b, t):
    return tuple(a[i] + (b[i] - a[i]) * t for i in range(3))


def dot_colour(stops, t):
    t = min(max(t, 0.0), 1.0)
    for (t0, c0), (t1, c1) in zip(stops, stops[1:]):
        if t <= t1:
            return mix(c0, c1, (t - t0) / (t1 - t0))
    return stops[-1][1]


def sample_colour(g, style, x, y):
    """Colour of the topmost shape at point (x, y), or None where the picture is empty."""
    dx, dy = x - g["cx"], y - g["cy"]
    dist = math.hypot(dx, dy)
    if dist <= g["dot"]:
        if dist > g["dot"] - g["rim"]:
            return style["rim"]
        hx, hy = g["cx"] - 0.38 * g["dot"], g["cy"] - 0.42 * g["dot"]
        return dot_colour(style["stops"], math.hypot(x - hx, y - hy) / (1.45 * g["dot"]))
    half = g["stroke"] / 2.0
    sweep = math.radians(g["sweep"])
    angle = math.atan2(dy, dx)
    for radius in g["waves"]:
        if abs(angle) <= sweep and abs(dist - radius) <= half:
            return style["wave"]
        # Round caps at both ends of each wave.
        for end in (-sweep, sweep):
            if math.hypot(x - (g["cx"] + radius * math.cos(end)),
                          y - (g["cy"] + radius * math.sin(end))) <= half:
                return style["wave"]
    return None


def render(size, style):
    """Anti-aliased RGBA rows, top row first, with straight (not premultiplied) colour."""
    g = GEOMETRY[size]
    grid = 16 if size <= 16 else 8
    rows = []
    for py in range(size):
        row = []
        for px in range(size):
            total = [0.0, 0.0, 0.0]
            hits = 0
            for sy in range(grid):
                for sx in range(grid):
                    c = sample_colour(g, style, px + (sx + 0.5) / grid, py + (sy + 0.5) / grid)
                    if c is not None:
                        hits += 1
                        for i in range(3):
                            total[i] += c[i]
            if hits == 0:
                row.append((0, 0, 0, 0))
            else:
                alpha = round(255 * hits / (grid * grid))
                row.append(tuple(int(round(v / hits)) for v in total) + (alpha,))
        rows.append(row)
    return rows


def opaque(pixel):
    # Palette images have a one-bit mask: a pixel is drawn when more than half of it is covered.
    return pixel[3] >= 128


def nearest(palette, colour):
    # Weighted RGB distance: the eye is most sensitive to green, least to blue.
    best, best_d = 0, None
    for i, p in enumerate(palette):
        d = 3 * (p[0] - colour[0]) ** 2 + 4 * (p[1] - colour[1]) ** 2 + 2 * (p[2] - colour[2]) ** 2
        if best_d is None or d < best_d:
            best, best_d = i, d
    return best


def median_cut(colours, count):
    """Up to `count` palette colours for a {colour: pixel count} histogram; deterministic."""
    boxes = [sorted(colours.items())]
    while len(boxes) < count:
        # Split the box whose widest channel spans most, weighted by its pixels.
        def spread(box):
            ranges = [max(c[i] for c, _ in box) - min(c[i] for c, _ in box) for i in range(3)]
            return max(ranges) * sum(n for _, n in box), ranges
        candidates = [(spread(b)[0], i) for i, b in enumerate(boxes) if len(b) > 1]
        if not candidates:
            break
        _, index = max(candidates, key=lambda s: (s[0], -s[1]))
        box = boxes.pop(index)
        ranges = spread(box)[1]
        channel = ranges.index(max(ranges))
        box.sort(key=lambda item: (item[0][channel], item[0]))
        half, seen, cut = sum(n for _, n in box) / 2.0, 0, 1
        for i, (_, n) in enumerate(box[:-1]):
            seen += n
            cut = i + 1
            if seen >= half:
                break
        boxes[index:index] = [box[:cut], box[cut:]]
    palette = []
    for box in boxes:
        weight = sum(n for _, n in box)
        palette.append(tuple(int(round(sum(c[i] * n for c, n in box) / weight)) for i in range(3)))
    return palette


def palette_for(rows, bits):
    if bits == 4:
        return list(VGA_PALETTE)
    histogram = {}
    for row in rows:
        for p in row:
            if opaque(p):
                histogram[p[:3]] = histogram.get(p[:3], 0) + 1
    # Entry 0 stays black: the colour under the mask's transparent pixels.
    palette = [(0, 0, 0)] + median_cut(histogram, 255)
    return palette + [(0, 0, 0)] * (256 - len(palette))


def row_bytes(bits, width):
    return (bits * width + 31) // 32 * 4


def pack_row(values, bits, width):
    """One bottom-up DIB row: `values` are palette indices (4, 8 bits) or mask bits (1 bit)."""
    out = bytearray(row_bytes(bits, width))
    per_byte = 8 // bits
    for x, v in enumerate(values):
        shift = 8 - bits * (x % per_byte + 1)
        out[x // per_byte] |= v << shift
    return bytes(out)


def dib(rows, bits):
    """BITMAPINFOHEADER, palette, colour (XOR) bitmap and AND mask of one icon image."""
    size = len(rows)
    # Palette images have a one-bit mask only. The 32 bpp images carry one too, for systems that
    # draw without alpha: there every pixel with any coverage shows.
    if bits == 32:
        and_rows = [[0 if p[3] else 1 for p in row] for row in rows]
        palette = []
        xor = b"".join(bytes(v for p in row for v in (p[2], p[1], p[0], p[3])) for row in reversed(rows))
    else:
        and_rows = [[0 if opaque(p) else 1 for p in row] for row in rows]
        palette = palette_for(rows, bits)
        indices = [[nearest(palette, p[:3]) if opaque(p) else 0 for p in row] for row in rows]
        xor = b"".join(pack_row(r, bits, size) for r in reversed(indices))
    mask = b"".join(pack_row(r, 1, size) for r in reversed(and_rows))
    bi_rgb = 0   # uncompressed
    header = struct.pack("<IiiHHIIiiII", 40, size, 2 * size, 1, bits, bi_rgb,
                         len(xor) + len(mask), 0, 0, len(palette), 0)
    colours = b"".join(bytes((b, g, r, 0)) for r, g, b in palette)
    return header + colours + xor + mask


def ico(images):
    """ICONDIR, one ICONDIRENTRY per image, then the images in the same order."""
    entries, blobs = [], []
    offset = 6 + 16 * len(images)
    for size, bits, data in images:
        colour_count = 16 if bits == 4 else 0   # 0 means "256 or more" in the directory
        entries.append(struct.pack("<BBBBHHII", size, size, colour_count, 0, 1, bits, len(data), offset))
        blobs.append(data)
        offset += len(data)
    return struct.pack("<HHH", 0, 1, len(images)) + b"".join(entries) + b"".join(blobs)


def png(width, height, pixels):
    """A minimal RGB PNG writer for the preview sheet."""
    raw = b"".join(b"\0" + bytes(v for p in pixels[y * width:(y + 1) * width] for v in p)
                   for y in range(height))
    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0))
            + chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b""))


def preview(pictures):
    """Each image as it will show (palette images through their palette and mask), enlarged 6x
    and also at 1x, over a light and a dark background, one row per background."""
    scale, gap = 6, 12
    width = sum(s * scale + gap + s + gap for s, _ in IMAGES) + gap
    height = 2 * (48 * scale + 2 * gap)
    backgrounds = [(240, 240, 240), (32, 40, 56)]
    sheet = [backgrounds[y // (height // 2)] for y in range(height) for _ in range(width)]
    for band, bg in enumerate(backgrounds):
        x0 = gap
        for (size, bits), rows in zip(IMAGES, pictures):
            shown = shown_pixels(rows, bits)
            top = band * (height // 2) + gap
            for y in range(size):
                for x in range(size):
                    r, g, b, a = shown[y][x]
                    c = tuple(int(round(bg[i] + (v - bg[i]) * a / 255)) for i, v in enumerate((r, g, b)))
                    for yy in range(scale):
                        row = (top + y * scale + yy) * width
                        for xx in range(scale):
                            sheet[row + x0 + x * scale + xx] = c
                    sheet[(top + y) * width + x0 + size * scale + gap + x] = c
            x0 += size * scale + gap + size + gap
    return png(width, height, sheet)


def shown_pixels(rows, bits):
    if bits == 32:
        return rows
    palette = palette_for(rows, bits)
    return [[palette[nearest(palette, p[:3])] + (255,) if opaque(p) else (0, 0, 0, 0) for p in row]
            for row in rows]


def main(argv):
    args = list(argv[1:])
    preview_path = None
    if len(args) >= 2 and args[0] == "--preview":
        preview_path = args[1]
        args = args[2:]
    output = args[0] if args else os.path.join(os.path.dirname(os.path.abspath(__file__)), "recorder.ico")
    rendered = {}
    for size, bits in IMAGES:
        style = "flat" if bits == 4 else "glossy"
        if (size, style) not in rendered:
            rendered[size, style] = render(size, FLAT if bits == 4 else GLOSSY)
    pictures = [rendered[size, "flat" if bits == 4 else "glossy"] for size, bits in IMAGES]
    images = [(size, bits, dib(rows, bits)) for (size, bits), rows in zip(IMAGES, pictures)]
    with open(output, "wb") as f:
        f.write(ico(images))
    if preview_path:
        with open(preview_path, "wb") as f:
            f.write(preview(pictures))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
