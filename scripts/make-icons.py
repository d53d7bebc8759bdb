#!/usr/bin/env python3
"""Draws the program's small icons and the splitter cursors as .ico/.cur files.

Run once when a picture changes; the results are checked in beside the
resource scripts that use them."""
import struct
import sys


def image_block(pixels, size):
    """32x32 or 16x16 image as a 4-bit DIB with AND mask; pixels[y][x] is a
    palette index or None for transparent."""
    palette = [(0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0), (0, 0, 128), (128, 0, 128),
               (0, 128, 128), (192, 192, 192), (128, 128, 128), (255, 0, 0), (0, 255, 0),
               (255, 255, 0), (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255)]
    header = struct.pack('<IiiHHIIiiII', 40, size, size * 2, 1, 4, 0, 0, 0, 0, 16, 0)
    pal = b''.join(struct.pack('<BBBB', b, g, r, 0) for (r, g, b) in palette)
    xor = b''
    mask = b''
    for y in reversed(range(size)):
        row = pixels[y]
        nib = [(v if v is not None else 0) for v in row]
        line = bytes((nib[x] << 4) | nib[x + 1] for x in range(0, size, 2))
        xor += line + b'\0' * ((4 - len(line) % 4) % 4)
        bits = 0
        mline = b''
        for x in range(size):
            bits = (bits << 1) | (1 if row[x] is None else 0)
            if x % 8 == 7:
                mline += bytes([bits])
                bits = 0
        mask += mline + b'\0' * ((4 - len(mline) % 4) % 4)
    return header + pal + xor + mask


def write_file(path, images, cursor=False, hotspot=(0, 0)):
    kind = 2 if cursor else 1
    out = struct.pack('<HHH', 0, kind, len(images))
    offset = 6 + 16 * len(images)
    blocks = []
    for size, pixels in images:
        block = image_block(pixels, size)
        planes, bits = (hotspot if cursor else (1, 4))
        out += struct.pack('<BBBBHHII', size, size, 16, 0, planes, bits, len(block), offset)
        offset += len(block)
        blocks.append(block)
    with open(path, 'wb') as f:
        f.write(out + b''.join(blocks))


def canvas(size):
    return [[None] * size for _ in range(size)]


def rect(p, x0, y0, x1, y1, c):
    for y in range(y0, y1):
        for x in range(x0, x1):
            p[y][x] = c


def program_icon(size):
    # A folder (yellow) with a blue globe-like disc and a red arrow: cache to folder.
    p = canvas(size)
    s = size / 32.0
    S = lambda v: int(round(v * s))
    rect(p, S(2), S(8), S(30), S(28), 0)
    rect(p, S(3), S(9), S(29), S(27), 11)
    rect(p, S(2), S(5), S(13), S(9), 0)
    rect(p, S(3), S(6), S(12), S(9), 11)
    cx, cy, r = S(16), S(18), S(7)
    for y in range(size):
        for x in range(size):
            d = (x - cx) ** 2 + (y - cy) ** 2
            if d <= r * r:
                p[y][x] = 12 if d < (r - max(1, S(1))) ** 2 else 4
    rect(p, cx - S(1), cy - r, cx + S(1), cy + r, 14)
    rect(p, cx - r, cy - S(1), cx + r, cy + S(1), 14)
    return p


def busy_icon(size):
    # An hourglass.
    p = canvas(size)
    rect(p, 6, 2, 26, 5, 0)
    rect(p, 6, 27, 26, 30, 0)
    for y in range(5, 27):
        half = abs(16 - y)
        w = max(1, int(half * 0.8))
        rect(p, 16 - w - 1, y, 16 + w + 1, y + 1, 0)
        if w > 1:
            fill = 11 if (y > 16 and half > 3) or (y < 16 and half < 7) else 15
            rect(p, 16 - w, y, 16 + w, y + 1, fill)
    return p


def splitter_cursor(vertical):
    # Two arrows pointing away from a double bar.
    p = canvas(32)
    if vertical:  # left/right
        rect(p, 14, 6, 15, 26, 0)
        rect(p, 17, 6, 18, 26, 0)
        rect(p, 4, 15, 28, 17, 0)
        for i in range(5):
            rect(p, 4 + i, 15 - i, 5 + i, 17 + i, 0)
            rect(p, 27 - i, 15 - i, 28 - i, 17 + i, 0)
    else:  # up/down
        rect(p, 6, 14, 26, 15, 0)
        rect(p, 6, 17, 26, 18, 0)
        rect(p, 15, 4, 17, 28, 0)
        for i in range(5):
            rect(p, 15 - i, 4 + i, 17 + i, 5 + i, 0)
            rect(p, 15 - i, 27 - i, 17 + i, 28 - i, 0)
    return p


if __name__ == '__main__':
    what, path = sys.argv[1], sys.argv[2]
    if what == 'program':
        write_file(path, [(32, program_icon(32)), (16, program_icon(16))])
    elif what == 'busy':
        write_file(path, [(32, busy_icon(32))])
    elif what == 'hsplit':
        write_file(path, [(32, splitter_cursor(False))], cursor=True, hotspot=(16, 16))
    elif what == 'vsplit':
        write_file(path, [(32, splitter_cursor(True))], cursor=True, hotspot=(16, 16))
