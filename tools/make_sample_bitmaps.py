#!/usr/bin/env python3
"""Draws the sample theme's bitmaps (24-bit BMP, magenta is see-through) and
its PNG art with alpha (soft edges and a drop shadow)."""
import math
import os
import struct
import sys
import zlib

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


def write_png(path, width, height, pixel):
    """pixel(x, y) gives straight (r, g, b, a)."""
    raw = bytearray()
    for y in range(height):
        raw.append(0)
        for x in range(width):
            raw += bytes(pixel(x, y))

    def chunk(kind, data):
        return struct.pack('>I', len(data)) + kind + data + struct.pack('>I', zlib.crc32(kind + data) & 0xffffffff)
    header = struct.pack('>IIBBBBB', width, height, 8, 6, 0, 0, 0)
    with open(path, 'wb') as out:
        out.write(b'\x89PNG\r\n\x1a\n' + chunk(b'IHDR', header) + chunk(b'IDAT', zlib.compress(bytes(raw), 9)) +
                  chunk(b'IEND', b''))


def over(top, bottom):
    """Straight-alpha top over bottom, both (r, g, b, a) with a from 0 to 255."""
    ta, ba = top[3] / 255, bottom[3] / 255
    a = ta + ba * (1 - ta)
    if a == 0:
        return (0, 0, 0, 0)
    rgb = tuple(round((top[i] * ta + bottom[i] * ba * (1 - ta)) / a) for i in range(3))
    return rgb + (round(a * 255),)


def coverage(distance, radius):
    """How much of a pixel at this distance from the centre a disc covers."""
    return max(0.0, min(1.0, radius + 0.5 - distance))


def orb(x, y):
    # A disc with an anti-aliased rim over a soft drop shadow.
    shadow_d = math.hypot(x - 72.5, y - 74.5)
    shadow = (0, 0, 0, round(110 * max(0.0, min(1.0, (64 - shadow_d) / 10))))
    d = math.hypot(x - 65.5, y - 63.5)
    cover = coverage(d, 58)
    if cover == 0:
        return shadow
    if d > 54:
        color = (235, 240, 255)
    else:
        color = mix((70, 150, 230), (20, 40, 110), y / 130)
        shine = max(0.0, 1 - math.hypot(x - 50, y - 36) / 30)
        color = mix(color, (255, 255, 255), shine * 0.6)
    return over(color + (round(235 * cover),), shadow)


def orb_button(color, alpha):
    def draw(x, y):
        d = math.hypot(x - 23.5, y - 23.5)
        cover = coverage(d, 21)
        if cover == 0:
            return (0, 0, 0, 0)
        c = mix(color, (255, 255, 255), max(0.0, (18 - y) / 30))
        return c + (round(alpha * cover),)
    return draw


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


def supersampled(inside, x, y, n=4):
    """How much of the pixel at (x, y) the shape covers, from n by n samples."""
    hits = 0
    for i in range(n):
        for j in range(n):
            hits += inside(x + (i + 0.5) / n, y + (j + 0.5) / n)
    return hits / (n * n)


def rounded_rect(left, top, right, bottom, radius):
    def inside(px, py):
        cx = min(max(px, left + radius), right - radius)
        cy = min(max(py, top + radius), bottom - radius)
        return math.hypot(px - cx, py - cy) <= radius
    return inside


def dock(x, y):
    # A dark, translucent bar with rounded ends over a soft shadow, and a thin light rim.
    body = rounded_rect(2, 2, 294, 92, 16)
    shadow = rounded_rect(6, 8, 298, 98, 16)
    s = supersampled(shadow, x, y, 2)
    result = (0, 0, 0, round(70 * s))
    cover = supersampled(body, x, y)
    if cover == 0:
        return result
    inner = supersampled(rounded_rect(4, 4, 292, 90, 14), x, y)
    color = mix((60, 66, 86), (24, 27, 38), y / 94) if inner else (150, 160, 190)
    return over(color + (round(215 * cover),), result)


# Symbols of the dock's buttons, on a 48 by 48 grid, as shapes.
def symbol_tray(px, py):
    return 15 <= px <= 33 and any(top <= py <= top + 3 for top in (16, 22.5, 29))


def symbol_folder(px, py):
    return (14 <= px <= 34 and 19 <= py <= 32) or (14 <= px <= 23 and 16 <= py <= 20)


def symbol_info(px, py):
    return math.hypot(px - 24, py - 15.5) <= 2.4 or (22 <= px <= 26 and 20 <= py <= 33)


def symbol_reset(px, py):
    d = math.hypot(px - 24, py - 24)
    ring = 7 <= d <= 10.5 and not (px > 24 and py < 24)
    arrow = 24 <= px <= 31 and 12 <= py <= 19 and (px - 24) >= (py - 12) * 0.0 and py - 12 <= 31 - px
    return ring or arrow


def icon(color, symbol, state):
    """A soft-edged round icon; hover adds a glow around it, pressed darkens it."""
    glow = state == 'hover'
    base = mix(color, (0, 0, 0), 0.35) if state == 'pressed' else color
    shift = 1 if state == 'pressed' else 0

    def draw(x, y):
        d = math.hypot(x + 0.5 - 24, y + 0.5 - 24 - shift)
        result = (0, 0, 0, 0)
        if glow:
            result = (255, 230, 150, round(150 * max(0.0, min(1.0, (24 - d) / 6))))
        cover = max(0.0, min(1.0, 19.5 - d))
        if cover == 0:
            return result
        face = mix(base, (255, 255, 255), max(0.0, (20 - y) / 40))
        if glow:
            face = mix(face, (255, 255, 255), 0.18)
        mark = supersampled(lambda px, py: symbol(px, py - shift), x, y)
        face = mix(face, (250, 250, 250), mark)
        return over(face + (round(255 * cover),), result)
    return draw


def doubled(draw):
    """The same drawing for a monitor at 200 %: each pixel is half a pixel of the original grid,
    sampled at its own centre, so edges and symbols are drawn sharp rather than enlarged."""
    return lambda x, y: draw(x / 2 - 0.25, y / 2 - 0.25)


def main(folder):
    os.makedirs(folder, exist_ok=True)
    # Each drawing at 100 %, and again as name@2x for monitors at 150 % and more.
    for name, width, height, draw in (('badge.bmp', 120, 120, badge), ('panel.bmp', 30, 30, panel),
                                      ('glass.bmp', 160, 100, glass), ('orb.png', 140, 140, orb),
                                      ('orb-button.png', 48, 48, orb_button((250, 190, 60), 200)),
                                      ('orb-button-hover.png', 48, 48, orb_button((255, 230, 120), 230)),
                                      ('orb-button-pressed.png', 48, 48, orb_button((200, 120, 20), 255))):
        write = write_png if name.endswith('.png') else write_bmp
        base, ext = os.path.splitext(name)
        write(os.path.join(folder, name), width, height, draw)
        write(os.path.join(folder, f'{base}@2x{ext}'), width * 2, height * 2, doubled(draw))
    write_png(os.path.join(folder, 'dock.png'), 300, 100, dock)
    write_png(os.path.join(folder, 'dock@2x.png'), 600, 200, doubled(dock))
    icons = {'tray': ((70, 120, 220), symbol_tray), 'folder': ((225, 160, 50), symbol_folder),
             'reset': ((60, 165, 110), symbol_reset), 'about': ((150, 90, 200), symbol_info)}
    for name, (color, symbol) in icons.items():
        for state, suffix in (('normal', ''), ('hover', '-hover'), ('pressed', '-pressed')):
            write_png(os.path.join(folder, f'{name}{suffix}.png'), 48, 48, icon(color, symbol, state))
            write_png(os.path.join(folder, f'{name}{suffix}@2x.png'), 96, 96, doubled(icon(color, symbol, state)))
    colors = {'red': (200, 50, 50), 'green': (50, 170, 80), 'blue': (60, 90, 210), 'gold': (220, 170, 40)}
    for name, color in colors.items():
        write_bmp(os.path.join(folder, f'{name}.bmp'), 48, 48, button(color, (30, 30, 30)))
        write_bmp(os.path.join(folder, f'{name}-hover.bmp'), 48, 48,
                  button(mix(color, (255, 255, 255), 0.35), (255, 255, 255)))
        write_bmp(os.path.join(folder, f'{name}-pressed.bmp'), 48, 48,
                  button(mix(color, (0, 0, 0), 0.4), (255, 255, 0)))


if __name__ == '__main__':
    main(sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), '..', 'samples', 'theme'))
