#!/usr/bin/env python3
"""Draws the sample package's six setup pictures: 492 x 308, 24-bit BMP.

Each is a light gradient with a pale candlestick chart, so that the black
texts the setup paints over it stay readable, and a coloured band along the
top that tells the screens apart. Run from anywhere; writes into screens/ beside this file.
"""
import math, os, random, struct

W, H = 492, 308
SCREENS = {"main": (0, 120, 215), "welcome": (16, 137, 62), "folder": (202, 80, 16),
           "style": (135, 100, 184), "order": (196, 43, 28), "extract": (0, 153, 188)}


def picture(accent, seed):
    rng = random.Random(seed)
    px = [[(246 - y // 20, 248 - y // 24, 252 - y // 40) for x in range(W)] for y in range(H)]
    for y in range(36):  # accent band along the top
        for x in range(W):
            px[y][x] = accent
    price = 120.0
    for i in range(40):  # candlesticks, kept below the band
        o = price
        price = max(20.0, min(200.0, price + rng.gauss(0, 12)))
        hi, lo = min(220.0, max(o, price) + rng.uniform(2, 10)), max(4.0, min(o, price) - rng.uniform(2, 10))
        colour = (240, 170, 170) if price >= o else (165, 215, 180)
        cx = 24 + i * 11
        for y in range(int(lo), int(hi)):
            px[H - 40 - y][cx + 3] = colour
        for y in range(int(min(o, price)), int(max(o, price)) + 1):
            for x in range(cx, cx + 7):
                px[H - 40 - y][x] = colour
    return px


def write_bmp(path, px):
    stride = (W * 3 + 3) & ~3
    data = bytearray()
    for row in reversed(px):  # bottom-up rows, blue-green-red
        line = bytearray()
        for r, g, b in row:
            line += bytes((b, g, r))
        data += line + b"\0" * (stride - len(line))
    header = struct.pack("<2sIHHI", b"BM", 54 + len(data), 0, 0, 54)
    info = struct.pack("<IiiHHIIiiII", 40, W, H, 1, 24, 0, len(data), 2835, 2835, 0, 0)
    with open(path, "wb") as f:
        f.write(header + info + data)


here = os.path.dirname(os.path.abspath(__file__))
for n, (name, accent) in enumerate(SCREENS.items()):
    write_bmp(os.path.join(here, "screens", name + ".bmp"), picture(accent, n))
