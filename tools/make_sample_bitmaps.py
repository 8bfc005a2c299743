#!/usr/bin/env python3
"""Draws the sample theme's bitmaps (24-bit BMP, magenta is see-through)."""
import math
import os
import struct
import sys

MAGENTA = (255, 0, 255)


def write_bmp(path, width, height, pixel):
    row_bytes = (width * 3 + 3) & ~3
    data = bytearray()
    for y in range(height - 1, -1, -1):  # bottom-up rows
        row = bytearray()
        for x in range(width):
            r, g, b = pixel(x, y)
            row += bytes((b, g, r))
        row += bytes(row_bytes - len(row))
        data += row
    header = struct.pack('<2sIHHI', b'BM', 54 + len(data), 0, 0, 54)
    info = struct.pack('<IiiHHIIiiII', 40, width, height, 1, 24, 0, len(data), 2835, 2835, 0, 0)
    with open(path, 'wb') as out:
        out.write(header + info + data)


def mix(a, b, t):
    return tuple(int(a[i] + (b[i] - a[i]) * t) for i in range(3))


def badge(x, y):
    d = math.hypot(x - 59.5, y - 59.5)
    if d > 58:
        return MAGENTA
    if d > 54:
        return (240, 200, 60)
    return mix((40, 90, 160), (10, 30, 70), y / 120)


def panel(x, y):
    # 30 by 30 nine-slice source: rounded dark frame, soft centre.
    edge = min(x, y, 29 - x, 29 - y)
    if edge < 10:
        cx = 10 if x < 10 else 19 if x > 19 else x
        cy = 10 if y < 10 else 19 if y > 19 else y
        if math.hypot(x - cx, y - cy) > 9.5:
            return MAGENTA
        if math.hypot(x - cx, y - cy) > 7.5:
            return (200, 200, 210)
        return (50, 55, 70)
    return (50, 55, 70)


def glass(x, y):
    return mix((180, 230, 255), (60, 120, 200), (x + y) / 260)


def button(color, ring):
    def draw(x, y):
        d = math.hypot(x - 23.5, y - 23.5)
        if d > 23:
            return MAGENTA
        if d > 20:
            return ring
        return mix(color, (255, 255, 255), max(0.0, (16 - y) / 40))
    return draw


def main(folder):
    os.makedirs(folder, exist_ok=True)
    write_bmp(os.path.join(folder, 'badge.bmp'), 120, 120, badge)
    write_bmp(os.path.join(folder, 'panel.bmp'), 30, 30, panel)
    write_bmp(os.path.join(folder, 'glass.bmp'), 160, 100, glass)
    colors = {'red': (200, 50, 50), 'green': (50, 170, 80), 'blue': (60, 90, 210), 'gold': (220, 170, 40)}
    for name, color in colors.items():
        write_bmp(os.path.join(folder, f'{name}.bmp'), 48, 48, button(color, (30, 30, 30)))
        write_bmp(os.path.join(folder, f'{name}-hover.bmp'), 48, 48,
                  button(mix(color, (255, 255, 255), 0.35), (255, 255, 255)))
        write_bmp(os.path.join(folder, f'{name}-pressed.bmp'), 48, 48,
                  button(mix(color, (0, 0, 0), 0.4), (255, 255, 0)))


if __name__ == '__main__':
    main(sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), '..', 'samples', 'theme'))
