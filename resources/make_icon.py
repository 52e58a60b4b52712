#!/usr/bin/env python3
"""Draws the setup program's icon (a blue tile with a white arrow into a tray)
and writes it as setup.ico with 16, 32 and 48 pixel images, 32 bits per pixel.

Run it from anywhere; it writes setup.ico beside itself.
"""
import os
import struct


def inside_rounded(x, y, size, radius):
    """True when pixel centre (x, y) lies inside the rounded tile."""
    cx, cy = x + 0.5, y + 0.5
    lo, hi = radius, size - radius
    dx = max(lo - cx, 0, cx - hi)
    dy = max(lo - cy, 0, cy - hi)
    return dx * dx + dy * dy <= radius * radius


def pixel(x, y, size):
    """BGRA of one pixel of the icon at the given size."""
    u, v = (x + 0.5) / size, (y + 0.5) / size  # 0..1, v grows downwards
    if not inside_rounded(x, y, size, size * 0.18):
        return (0, 0, 0, 0)
    white = (255, 255, 255, 255)
    # Arrow: a shaft and a head pointing down, centred.
    if 0.42 <= u <= 0.58 and 0.14 <= v <= 0.50:
        return white
    if 0.46 <= v <= 0.68 and abs(u - 0.5) <= (0.68 - v) * 1.1:
        return white
    # Tray: a U under the arrow.
    if 0.74 <= v <= 0.84 and 0.2 <= u <= 0.8:
        return white
    if 0.58 <= v <= 0.84 and (0.2 <= u <= 0.3 or 0.7 <= u <= 0.8):
        return white
    # Tile: blue, lighter at the top.
    shade = int(60 * (1 - v))
    return (200 + shade // 2, 110 + shade, 20 + shade // 2, 255)


def image(size):
    """One icon image: info header, bottom-up BGRA rows, AND mask."""
    header = struct.pack('<IiiHHIIiiII', 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    rows = []
    mask_rows = []
    mask_stride = ((size + 31) // 32) * 4
    for y in reversed(range(size)):
        row = b''
        mask = bytearray(mask_stride)
        for x in range(size):
            b, g, r, a = pixel(x, y, size)
            row += bytes((b, g, r, a))
            if a == 0:
                mask[x // 8] |= 0x80 >> (x % 8)
        rows.append(row)
        mask_rows.append(bytes(mask))
    return header + b''.join(rows) + b''.join(mask_rows)


def main():
    sizes = [16, 32, 48]
    images = [image(s) for s in sizes]
    out = struct.pack('<HHH', 0, 1, len(sizes))
    offset = 6 + 16 * len(sizes)
    for s, data in zip(sizes, images):
        out += struct.pack('<BBBBHHII', s, s, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
    out += b''.join(images)
    path = os.path.join(os.path.dirname(os.path.abspath(__file__)), 'setup.ico')
    with open(path, 'wb') as f:
        f.write(out)


if __name__ == '__main__':
    main()
