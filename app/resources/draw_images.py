#!/usr/bin/env python3
"""Draws Pipalo's icons and About picture and writes them beside this script:
pipalo48.ico (48 x 48, 24 bits), pipalo16.ico (16 x 16, 32 bits with alpha) and
about.bmp (320 x 74, 8 bits, 256-entry colour table), and the desktop's larger icons
in desktop/ (PNG, 32 to 256 pixels).

Run it again after changing a drawing; the build reads the files it writes."""

import os
import struct
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))

IVORY = (255, 247, 228)
KEY_SHADE = (226, 206, 176)
EBONY = (38, 22, 16)
EBONY_SHINE = (92, 62, 48)
CREAM = (255, 236, 190)
DEEP_BROWN = (70, 24, 14)
AMBER = (246, 170, 64)
TERRACOTTA = (178, 62, 36)
BURGUNDY = (96, 20, 26)


def mix(a, b, t):
    return tuple(round(x + (y - x) * t) for x, y in zip(a, b))


class Canvas:
    """RGBA pixels, top row first."""

    def __init__(self, width, height, colour=(0, 0, 0), alpha=0):
        self.width = width
        self.height = height
        self.pixels = [[(*colour, alpha) for _ in range(width)] for _ in range(height)]

    def paint(self, x, y, colour, coverage=1.0):
        """Blends colour over the pixel by coverage (0 to 1)."""
        if not (0 <= x < self.width and 0 <= y < self.height) or coverage <= 0:
            return
        r, g, b, a = self.pixels[y][x]
        alpha = a / 255
        out = coverage + alpha * (1 - coverage)
        blended = mix((r, g, b), colour, coverage / out if out else 1)
        self.pixels[y][x] = (*blended, round(out * 255))

    def rect(self, x0, y0, x1, y1, colour):
        x0, y0, x1, y1 = (round(v) for v in (x0, y0, x1, y1))
        for y in range(y0, y1):
            for x in range(x0, x1):
                self.paint(x, y, colour)

    def shape(self, inside, colour_at, samples=4):
        """Paints the area where inside(x, y) holds (sub-pixel coordinates), with
        edges smoothed by supersampling; colour_at(x, y) gives each pixel's colour."""
        for y in range(self.height):
            for x in range(self.width):
                hits = sum(inside(x + (i + 0.5) / samples, y + (j + 0.5) / samples)
                           for i in range(samples) for j in range(samples))
                self.paint(x, y, colour_at(x, y), hits / samples ** 2)


def rounded_square(size, radius, inset=0.0):
    low, high = inset, size - inset

    def inside(x, y):
        cx = min(max(x, low + radius), high - radius)
        cy = min(max(y, low + radius), high - radius)
        return low <= x <= high and low <= y <= high and (x - cx) ** 2 + (y - cy) ** 2 <= radius ** 2
    return inside


def ellipse(cx, cy, rx, ry, tilt=0.0):
    def inside(x, y):
        dx, dy = x - cx, y - cy
        u, v = dx + tilt * dy, dy - tilt * dx
        return (u / rx) ** 2 + (v / ry) ** 2 <= 1
    return inside


# Black keys sit after these white keys of each octave of seven (C D F G A).
BLACK_AFTER = {0, 1, 3, 4, 5}


def keyboard(canvas, x0, y0, key_width, key_count, height, first_key=0, black_width=None,
             black_height=None):
    """White keys with a one-pixel gap, and the black keys over them."""
    black_width = black_width or max(2, key_width * 3 // 5)
    black_height = black_height or height * 3 // 5
    canvas.rect(x0 - 1, y0, x0, y0 + height, DEEP_BROWN)
    for key in range(key_count):
        left = x0 + key * key_width
        canvas.rect(left, y0, left + key_width - 1, y0 + height, IVORY)
        canvas.rect(left, y0 + height - max(1, height // 8), left + key_width - 1, y0 + height,
                    KEY_SHADE)
        canvas.rect(left + key_width - 1, y0, left + key_width, y0 + height, DEEP_BROWN)
    for key in range(key_count - 1):
        if (first_key + key) % 7 not in BLACK_AFTER:
            continue
        centre = x0 + (key + 1) * key_width - 1
        left = centre - black_width // 2
        canvas.rect(left, y0, left + black_width, y0 + black_height, EBONY)
        if black_width >= 4:
            canvas.rect(left + 1, y0 + black_height - 2, left + black_width - 1,
                        y0 + black_height - 1, EBONY_SHINE)


def eighth_notes(canvas, x, y, spacing, stem, colour, head=(3.2, 2.2)):
    """Two beamed eighth notes; (x, y) is the centre of the left note head."""
    rx, ry = head
    for dx, rise in ((0, 0), (spacing, 3)):
        canvas.shape(ellipse(x + dx, y - rise, rx, ry, tilt=0.35), lambda *_: colour)
        stem_x = round(x + dx + rx - 1)
        canvas.rect(stem_x, y - rise - stem, stem_x + 1 + rx // 3, y - rise, colour)
    beam_left, beam_right = round(x + rx - 1), round(x + spacing + rx + rx // 3)
    for bx in range(beam_left, beam_right):
        top = y - stem - 3 * (bx - beam_left) / (beam_right - beam_left)
        canvas.rect(bx, top, bx + 1, top + max(2, ry), colour)


def app_icon(size):
    """The application icon: a warm rounded tile with a keyboard and two notes."""
    canvas = Canvas(size, size)
    radius = size / 5

    def tile_colour(_x, y):
        return mix(AMBER, TERRACOTTA, y / (size - 1))
    canvas.shape(rounded_square(size, radius), lambda *_: DEEP_BROWN)
    canvas.shape(rounded_square(size, radius - 1, inset=1), tile_colour)
    if size >= 32:
        scale = size / 48
        eighth_notes(canvas, 17 * scale, 15 * scale, 13 * scale, 10 * scale, CREAM,
                     head=(3.4 * scale, 2.4 * scale))
        keyboard(canvas, round(4 * scale), size * 23 // 48, round(8 * scale), 5, size * 20 // 48,
                 first_key=0)
    else:
        keyboard(canvas, 2, 5, 4, 3, 9, black_width=2, black_height=5)
    return canvas


# Pixel letters, 5 units wide (3 for i and l), 9 high: cap height 7, descender 2.
LETTERS = {
    'P': ["####.", "#...#", "#...#", "####.", "#....", "#....", "#....", ".....", "....."],
    'i': [".#.", "...", "##.", ".#.", ".#.", ".#.", "###", "...", "..."],
    'p': [".....", ".....", "####.", "#...#", "#...#", "#...#", "####.", "#....", "#...."],
    'a': [".....", ".....", ".###.", "....#", ".####", "#...#", ".####", ".....", "....."],
    'l': ["##.", ".#.", ".#.", ".#.", ".#.", ".#.", "###", "...", "..."],
    'o': [".....", ".....", ".###.", "#...#", "#...#", "#...#", ".###.", ".....", "....."],
}


def lettering(canvas, text, x, y, unit, colour, shadow):
    """Each lit unit is a square block, with a bevelled highlight and a drop shadow."""
    for offset, fill in ((max(1, unit // 2), shadow), (0, colour)):
        left = x + offset
        for letter in text:
            rows = LETTERS[letter]
            for row, line in enumerate(rows):
                for column, cell in enumerate(line):
                    if cell == '#':
                        bx, by = left + column * unit, y + offset + row * unit
                        canvas.rect(bx, by, bx + unit, by + unit, fill)
            left += (len(rows[0]) + 1) * unit
    return left


BAYER = [[0, 8, 2, 10], [12, 4, 14, 6], [3, 11, 1, 9], [15, 7, 13, 5]]


def about_picture():
    """The About window's banner: the name in pixel letters over a warm ground,
    two notes, and a keyboard along the bottom."""
    width, height = 320, 74
    canvas = Canvas(width, height)
    levels = 24
    for y in range(height):
        for x in range(width):
            # Ordered dithering hides the bands of so few levels.
            threshold = (BAYER[y % 4][x % 4] + 0.5) / 16
            across = int(x / (width - 1) * levels + threshold) / levels
            distance = ((x - 250) ** 2 + (y - 24) ** 2) / 95 ** 2
            glow = int(max(0.0, 1 - distance) * levels / 2 + threshold) / (levels / 2)
            canvas.paint(x, y, mix(mix(BURGUNDY, TERRACOTTA, across), AMBER, glow * 0.6))
    lettering(canvas, "Pipalo", 14, 4, 5, CREAM, DEEP_BROWN)
    eighth_notes(canvas, 214, 34, 22, 20, CREAM, head=(5, 3.6))
    eighth_notes(canvas, 276, 22, 18, 16, mix(CREAM, AMBER, 0.45), head=(4, 3))
    keyboard(canvas, 0, 54, 16, 20, 20, first_key=0, black_width=9, black_height=12)
    canvas.rect(0, 53, width, 54, DEEP_BROWN)
    return canvas


def bitmap_info(width, height, bits, colours_used, image_size):
    return struct.pack('<IiiHHIIiiII', 40, width, height, 1, bits, 0, image_size, 2835, 2835,
                       colours_used, 0)


def padded_rows(rows):
    """Bottom-up rows, each padded to a multiple of four bytes."""
    return b''.join(row + bytes(-len(row) % 4) for row in reversed(rows))


def and_mask(canvas):
    rows = []
    for line in canvas.pixels:
        bits = 0
        for x, (_r, _g, _b, a) in enumerate(line):
            bits |= (a < 128) << (canvas.width - 1 - x)
        rows.append(bits.to_bytes((canvas.width + 7) // 8, 'big'))
    return padded_rows(rows)


def write_icon(path, canvas, bits):
    """A one-image .ico. Below 32 bits the AND mask alone carries transparency."""
    if bits == 32:
        rows = [b''.join(bytes((b, g, r, a)) for r, g, b, a in line) for line in canvas.pixels]
    else:
        rows = [b''.join(bytes((b, g, r)) if a >= 128 else bytes(3) for r, g, b, a in line)
                for line in canvas.pixels]
    pixels = padded_rows(rows) + and_mask(canvas)
    image = bitmap_info(canvas.width, canvas.height * 2, bits, 0, len(pixels)) + pixels
    directory = struct.pack('<HHH', 0, 1, 1)
    entry = struct.pack('<BBBBHHII', canvas.width % 256, canvas.height % 256, 0, 0, 1, bits,
                        len(image), len(directory) + 16)
    with open(path, 'wb') as out:
        out.write(directory + entry + image)


def write_png(path, canvas):
    """An RGBA .png, for the desktop's icon themes."""
    def chunk(kind, data):
        return struct.pack('>I', len(data)) + kind + data + struct.pack('>I', zlib.crc32(kind + data))
    rows = b''.join(b'\0' + b''.join(bytes(pixel) for pixel in line) for line in canvas.pixels)
    header = struct.pack('>IIBBBBB', canvas.width, canvas.height, 8, 6, 0, 0, 0)
    with open(path, 'wb') as out:
        out.write(b'\x89PNG\r\n\x1a\n' + chunk(b'IHDR', header) + chunk(b'IDAT', zlib.compress(rows, 9))
                  + chunk(b'IEND', b''))


def write_indexed_bitmap(path, canvas):
    """An uncompressed 8-bit .bmp with a full 256-entry colour table."""
    palette = {}
    rows = []
    for line in canvas.pixels:
        row = bytearray()
        for r, g, b, _a in line:
            row.append(palette.setdefault((r, g, b), len(palette)))
        rows.append(bytes(row))
    if len(palette) > 256:
        raise SystemExit(f'{path}: {len(palette)} colours, more than 256')
    table = b''.join(bytes((b, g, r, 0)) for r, g, b in palette) + bytes(4 * (256 - len(palette)))
    pixels = padded_rows(rows)
    info = bitmap_info(canvas.width, canvas.height, 8, 256, len(pixels)) + table
    header = struct.pack('<2sIHHI', b'BM', 14 + len(info) + len(pixels), 0, 0, 14 + len(info))
    with open(path, 'wb') as out:
        out.write(header + info + pixels)


DESKTOP_ICON_SIZES = (32, 64, 128, 256)


def main():
    write_icon(os.path.join(HERE, 'pipalo48.ico'), app_icon(48), 24)
    write_icon(os.path.join(HERE, 'pipalo16.ico'), app_icon(16), 32)
    write_indexed_bitmap(os.path.join(HERE, 'about.bmp'), about_picture())
    # The desktop's larger icons; its 16 and 48 pixel ones come from the icon files.
    for size in DESKTOP_ICON_SIZES:
        write_png(os.path.join(HERE, 'desktop', f'pipalo{size}.png'), app_icon(size))


if __name__ == '__main__':
    main()
