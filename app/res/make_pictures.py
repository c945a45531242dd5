#!/usr/bin/env python3
"""Draws the schedule manager's pictures and writes them as Windows resources:

  schedmgr.ico        the 16-colour application icon at 32, 48 and 64 pixels (the sizes
                      for screens of 96, 144 and 192 dots per inch)
  tray.ico            the same icon at 32 pixels alone, for the notification area
  frame00..14.ico     the 15 animation frames of the tray icon (the clock's hand going round)
  popup.bmp           the tray menu's pictures: a 4 x 2 grid of 16x16 cells (64x32);
                      cell t-1 belongs to the item with Tag t
  copyright.bmp       the 300x110 picture behind the about box, run-length encoded

Run it from this folder after changing a drawing; the results are kept in the
tree so that the build needs no Python.
"""
import math
import struct

# The standard 16-colour palette, index order of the Windows VGA palette.
PALETTE = [
    (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0),
    (0, 0, 128), (128, 0, 128), (0, 128, 128), (192, 192, 192),
    (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0),
    (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255),
]
BLACK, MAROON, GREEN, OLIVE, NAVY, PURPLE, TEAL, SILVER = range(8)
GREY, RED, LIME, YELLOW, BLUE, FUCHSIA, AQUA, WHITE = range(8, 16)
CLEAR = -1


class Canvas:
    def __init__(self, w, h, fill=CLEAR):
        self.w, self.h = w, h
        self.px = [[fill] * w for _ in range(h)]

    def set(self, x, y, c):
        if 0 <= x < self.w and 0 <= y < self.h:
            self.px[y][x] = c

    def rect(self, x0, y0, x1, y1, c):
        for y in range(y0, y1 + 1):
            for x in range(x0, x1 + 1):
                self.set(x, y, c)

    def frame(self, x0, y0, x1, y1, c):
        for x in range(x0, x1 + 1):
            self.set(x, y0, c)
            self.set(x, y1, c)
        for y in range(y0, y1 + 1):
            self.set(x0, y, c)
            self.set(x1, y, c)

    def disc(self, cx, cy, r, c):
        for y in range(self.h):
            for x in range(self.w):
                if (x + 0.5 - cx) ** 2 + (y + 0.5 - cy) ** 2 <= r * r:
                    self.set(x, y, c)

    def ring(self, cx, cy, r0, r1, c):
        for y in range(self.h):
            for x in range(self.w):
                d = math.hypot(x + 0.5 - cx, y + 0.5 - cy)
                if r0 <= d <= r1:
                    self.set(x, y, c)

    def line(self, x0, y0, x1, y1, c, width=1):
        steps = int(max(abs(x1 - x0), abs(y1 - y0)) * 2) + 1
        for i in range(steps + 1):
            t = i / steps
            x = x0 + (x1 - x0) * t
            y = y0 + (y1 - y0) * t
            for dx in range(width):
                for dy in range(width):
                    self.set(int(round(x - (width - 1) / 2 + dx)), int(round(y - (width - 1) / 2 + dy)), c)

    def blit(self, other, ox, oy):
        for y in range(other.h):
            for x in range(other.w):
                if other.px[y][x] != CLEAR:
                    self.set(ox + x, oy + y, other.px[y][x])


# ---- A 5x7 font for the few words the pictures carry -------------------------
FONT = {
    'A': "01110 10001 10001 11111 10001 10001 10001", 'B': "11110 10001 10001 11110 10001 10001 11110",
    'C': "01110 10001 10000 10000 10000 10001 01110", 'D': "11110 10001 10001 10001 10001 10001 11110",
    'E': "11111 10000 10000 11110 10000 10000 11111", 'G': "01110 10001 10000 10111 10001 10001 01111",
    'H': "10001 10001 10001 11111 10001 10001 10001", 'I': "01110 00100 00100 00100 00100 00100 01110",
    'L': "10000 10000 10000 10000 10000 10000 11111", 'M': "10001 11011 10101 10101 10001 10001 10001",
    'N': "10001 11001 10101 10011 10001 10001 10001", 'O': "01110 10001 10001 10001 10001 10001 01110",
    'R': "11110 10001 10001 11110 10100 10010 10001", 'S': "01111 10000 10000 01110 00001 00001 11110",
    'T': "11111 00100 00100 00100 00100 00100 00100", 'U': "10001 10001 10001 10001 10001 10001 01110",
    'W': "10001 10001 10001 10101 10101 10101 01010", 'Y': "10001 10001 01010 00100 00100 00100 00100",
    'a': "00000 00000 01110 00001 01111 10001 01111", 'c': "00000 00000 01110 10000 10000 10001 01110",
    'd': "00001 00001 01101 10011 10001 10001 01111", 'e': "00000 00000 01110 10001 11111 10000 01110",
    'g': "00000 01111 10001 10001 01111 00001 01110", 'h': "10000 10000 10110 11001 10001 10001 10001",
    'l': "01100 00100 00100 00100 00100 00100 01110", 'n': "00000 00000 10110 11001 10001 10001 10001",
    'o': "00000 00000 01110 10001 10001 10001 01110", 'r': "00000 00000 10110 11001 10000 10000 10000",
    'u': "00000 00000 10001 10001 10001 10011 01101", 'w': "00000 00000 10001 10001 10101 10101 01010",
    'y': "00000 00000 10001 10001 01111 00001 01110", 'i': "00100 00000 01100 00100 00100 00100 01110",
    't': "01000 01000 11100 01000 01000 01001 00110", 'm': "00000 00000 11010 10101 10101 10001 10001",
    'p': "00000 00000 11110 10001 11110 10000 10000", 's': "00000 00000 01110 10000 01110 00001 11110",
    'b': "10000 10000 10110 11001 10001 10001 11110", 'k': "10000 10000 10010 10100 11000 10100 10010",
    '0': "01110 10001 10011 10101 11001 10001 01110", '1': "00100 01100 00100 00100 00100 00100 01110",
    '2': "01110 10001 00001 00010 00100 01000 11111", '6': "00110 01000 10000 11110 10001 10001 01110",
    '9': "01110 10001 10001 01111 00001 00010 01100", '(': "00010 00100 01000 01000 01000 00100 00010",
    ')': "01000 00100 00010 00010 00010 00100 01000", '.': "00000 00000 00000 00000 00000 01100 01100",
    ',': "00000 00000 00000 00000 01100 00100 01000", '-': "00000 00000 00000 11111 00000 00000 00000",
    ' ': "00000 00000 00000 00000 00000 00000 00000", '?': "01110 10001 00001 00010 00100 00000 00100",
    'x': "00000 00000 10001 01010 00100 01010 10001", 'f': "00110 01001 01000 11100 01000 01000 01000",
}


def text(canvas, x, y, s, c, scale=1):
    for ch in s:
        rows = FONT.get(ch, FONT['?']).split()
        for ry, row in enumerate(rows):
            for rx, bit in enumerate(row):
                if bit == '1':
                    canvas.rect(x + rx * scale, y + ry * scale, x + rx * scale + scale - 1,
                                y + ry * scale + scale - 1, c)
        x += 6 * scale
    return x


def text_width(s, scale=1):
    return len(s) * 6 * scale - scale


# ---- The clock of the icon and its animation ---------------------------------
def clock(hand_angle=None, size=32):
    """The clock drawn for size pixels (its lengths are those at 32, scaled)."""
    k = size / 32
    m = 16 * k
    c = Canvas(size, size)
    c.disc(m, m, 15.5 * k, GREEN)
    c.disc(m, m, 13.5 * k, WHITE)
    c.ring(m, m, 13.5 * k, 14.6 * k, BLACK)
    for h in range(12):
        a = math.radians(h * 30)
        r0 = (10.5 if h % 3 else 9.5) * k
        c.line(m + r0 * math.sin(a), m - r0 * math.cos(a), m + 12.5 * k * math.sin(a),
               m - 12.5 * k * math.cos(a), BLACK if h % 3 == 0 else GREY, round(k))
    hand = round(2 * k)
    # Hour hand at ten; minute hand at two (the application icon) or going round.
    c.line(m, m, m + 6 * k * math.sin(math.radians(300)), m - 6 * k * math.cos(math.radians(300)), NAVY, hand)
    if hand_angle is None:
        c.line(m, m, m + 10 * k * math.sin(math.radians(60)), m - 10 * k * math.cos(math.radians(60)), NAVY, hand)
    else:
        a = math.radians(hand_angle)
        c.line(m, m, m + 11 * k * math.sin(a), m - 11 * k * math.cos(a), RED, hand)
    c.disc(m, m, 1.6 * k, MAROON)
    return c


def icon_image(canvas):
    """One 4-bit picture of an icon file: header, palette, colours, mask."""
    w, h = canvas.w, canvas.h
    xor = bytearray()
    andmask = bytearray()
    for y in range(h - 1, -1, -1):
        row = canvas.px[y]
        for x in range(0, w, 2):
            a = row[x] if row[x] != CLEAR else 0
            b = row[x + 1] if row[x + 1] != CLEAR else 0
            xor.append(a << 4 | b)
        bits = 0
        line = bytearray()
        for x in range(w):
            bits = bits << 1 | (1 if row[x] == CLEAR else 0)
            if x % 8 == 7:
                line.append(bits)
                bits = 0
        andmask += line + bytes((-len(line)) % 4)
    pal = b''.join(struct.pack('<BBBB', b, g, r, 0) for (r, g, b) in PALETTE)
    header = struct.pack('<IiiHHIIiiII', 40, w, h * 2, 1, 4, 0, len(xor) + len(andmask), 0, 0, 16, 0)
    return header + pal + bytes(xor) + bytes(andmask)


def ico_bytes(*canvases):
    """An icon file of 4-bit pictures (one of 32x32: 766 bytes)."""
    images = [icon_image(c) for c in canvases]
    out = struct.pack('<HHH', 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for c, image in zip(canvases, images):
        out += struct.pack('<BBBBHHII', c.w % 256, c.h % 256, 16, 0, 1, 4, len(image), offset)
        offset += len(image)
    return out + b''.join(images)


def rle4_row(row):
    """One row of 4-bit pixels in run-length form (BI_RLE4): runs of three or
    more pixels of one colour as (count, colour) pairs, the pixels between
    them in absolute mode (0, n, n pixels packed two to a byte, padded to a
    whole word), and the end of the line (0, 0)."""
    out = bytearray()
    loose = []

    def flush():
        # Absolute mode needs at least three pixels; fewer go as short runs.
        if len(loose) >= 3:
            while loose:
                part, loose[:] = loose[:255], loose[255:]
                packed = bytearray()
                for i in range(0, len(part), 2):
                    hi = part[i]
                    lo = part[i + 1] if i + 1 < len(part) else 0
                    packed.append(hi << 4 | lo)
                if len(packed) % 2:
                    packed.append(0)
                if len(part) < 3:  # a tail of one or two pixels
                    out.extend(bytes((len(part), part[0] << 4 | part[-1])))
                else:
                    out.extend(bytes((0, len(part))) + packed)
        else:
            for p in loose:
                out.extend(bytes((1, p << 4)))
        loose.clear()

    x = 0
    while x < len(row):
        end = x
        while end < len(row) and row[end] == row[x] and end - x < 255:
            end += 1
        if end - x >= 3:
            flush()
            out.extend(bytes((end - x, row[x] << 4 | row[x])))
        else:
            loose.extend(row[x:end])
        x = end
    flush()
    return out + bytes((0, 0))


def rle4_decode(data, w, h):
    """The pixels of a BI_RLE4 bitmap, bottom row first: the check that the
    encoder round-trips."""
    rows, row, i = [], [], 0
    while True:
        n, b = data[i], data[i + 1]
        i += 2
        if n:
            row.extend((b >> 4) if k % 2 == 0 else (b & 15) for k in range(n))
        elif b == 0:
            rows.append(row)
            row = []
        elif b == 1:
            break
        else:
            nbytes = (b + 1) // 2
            packed = data[i:i + nbytes]
            row.extend((packed[k // 2] >> 4) if k % 2 == 0 else (packed[k // 2] & 15) for k in range(b))
            i += nbytes + nbytes % 2
    assert len(rows) == h and all(len(r) == w for r in rows)
    return rows


def bmp_bytes(canvas, background=SILVER, compress=False):
    """A 4-bit bitmap file, uncompressed or run-length encoded."""
    w, h = canvas.w, canvas.h
    stride = ((w + 1) // 2 + 3) & ~3
    data = bytearray()
    rows = [[c if c != CLEAR else background for c in canvas.px[y]] for y in range(h - 1, -1, -1)]
    for pixels in rows:
        if compress:
            data += rle4_row(pixels)
            continue
        row = bytearray()
        for x in range(0, w, 2):
            row.append(pixels[x] << 4 | (pixels[x + 1] if x + 1 < w else background))
        data += row + bytes(stride - len(row))
    if compress:
        data += bytes((0, 1))
        assert rle4_decode(data, w, h) == rows
    pal = b''.join(struct.pack('<BBBB', b, g, r, 0) for (r, g, b) in PALETTE)
    info = struct.pack('<IiiHHIIiiII', 40, w, h, 1, 4, 2 if compress else 0, len(data),
                       2835, 2835, 16, 0)
    offset = 14 + len(info) + len(pal)
    return struct.pack('<2sIHHI', b'BM', offset + len(data), 0, 0, offset) + info + pal + bytes(data)


# ---- The menu pictures (16x16 each) -------------------------------------------
def cell_show():
    c = Canvas(16, 16)
    c.rect(1, 3, 14, 13, WHITE)
    c.frame(1, 3, 14, 13, NAVY)
    c.rect(1, 3, 14, 5, BLUE)
    c.line(8, 11, 8, 7, GREEN, 2)
    c.line(5, 9, 8, 6, GREEN)
    c.line(11, 9, 8, 6, GREEN)
    return c


def cell_hide():
    c = Canvas(16, 16)
    c.rect(1, 3, 14, 13, WHITE)
    c.frame(1, 3, 14, 13, NAVY)
    c.rect(1, 3, 14, 5, BLUE)
    c.rect(4, 10, 11, 11, BLACK)
    return c


def cell_count():
    c = Canvas(16, 16)
    c.rect(2, 1, 13, 14, WHITE)
    c.frame(2, 1, 13, 14, GREY)
    for i, y in enumerate((4, 7, 10)):
        c.rect(4, y, 5, y + 1, (GREEN, LIME, GREEN)[i])
        c.rect(7, y, 11, y, BLACK)
    return c


def cell_about():
    c = Canvas(16, 16)
    c.disc(8, 8, 7.5, BLUE)
    c.rect(7, 3, 8, 4, WHITE)
    c.rect(7, 6, 8, 12, WHITE)
    return c


def cell_help():
    c = Canvas(16, 16)
    c.disc(8, 8, 7.5, TEAL)
    text(c, 6, 4, '?', WHITE)
    return c


def cell_web():
    c = Canvas(16, 16)
    c.disc(8, 8, 7.5, AQUA)
    c.ring(8, 8, 6.8, 7.6, NAVY)
    c.line(1, 8, 15, 8, NAVY)
    c.line(8, 1, 8, 15, NAVY)
    c.ring(8, 8, 3.2, 3.9, NAVY)
    c.rect(4, 4, 6, 6, GREEN)
    c.rect(10, 10, 12, 11, GREEN)
    return c


def cell_exit():
    c = Canvas(16, 16)
    c.rect(3, 1, 10, 14, MAROON)
    c.frame(3, 1, 10, 14, BLACK)
    c.set(8, 8, YELLOW)
    c.line(11, 8, 15, 8, RED, 2)
    c.line(13, 6, 15, 8, RED)
    c.line(13, 10, 15, 8, RED)
    return c


def cell_history():
    # A page of lines with a small clock over its corner: the launch history.
    c = Canvas(16, 16)
    c.rect(1, 1, 10, 14, WHITE)
    c.frame(1, 1, 10, 14, GREY)
    for y in (4, 7, 10):
        c.rect(3, y, 8, y, BLACK)
    c.disc(11, 11, 4.6, GREEN)
    c.disc(11, 11, 3.4, WHITE)
    c.line(11, 11, 11, 8.5, NAVY)
    c.line(11, 11, 13, 11, NAVY)
    return c


def popup():
    sheet = Canvas(64, 32, SILVER)
    cells = [cell_show, cell_hide, cell_count, cell_about, cell_help, cell_web, cell_exit, cell_history]
    for i, make in enumerate(cells):
        sheet.blit(make(), (i % 4) * 16, (i // 4) * 16)
    return sheet


# ---- The picture behind the about box -----------------------------------------
def copyright_picture():
    c = Canvas(300, 110, BLACK)
    # Thin lines in a green gradient of bands, as the tray menu's margin;
    # whole rows of one colour keep the compressed picture small.
    for y in range(7, 106, 7):
        shade = (LIME, LIME, GREEN, GREEN, TEAL)[min(4, y * 5 // 110)]
        c.rect(0, y, 299, y, shade)
    c.rect(0, 0, 299, 3, LIME)
    c.rect(0, 106, 299, 109, GREEN)
    big = clock()
    c.blit(big, 14, 39)
    # Each line of text sits on black, clear of the lines behind it.
    for x, y, s, colour, scale in ((60, 18, "Marrowby", WHITE, 3),
                                   (62, 48, "Schedule Manager", LIME, 2),
                                   (62, 74, "(c) 2026 Marrowby Software", SILVER, 1),
                                   (62, 86, "www.marrowby.example", YELLOW, 1)):
        c.rect(x - 3, y - 2, x + text_width(s, scale) + 2, y + 7 * scale + 1, BLACK)
        text(c, x, y, s, colour, scale)
    c.frame(0, 0, 299, 109, LIME)
    return c


def main():
    with open('schedmgr.ico', 'wb') as f:
        f.write(ico_bytes(clock(), clock(size=48), clock(size=64)))
    with open('tray.ico', 'wb') as f:
        f.write(ico_bytes(clock()))
    for i in range(15):
        with open('frame%02d.ico' % i, 'wb') as f:
            f.write(ico_bytes(clock(hand_angle=i * 24)))
    with open('popup.bmp', 'wb') as f:
        f.write(bmp_bytes(popup()))
    with open('copyright.bmp', 'wb') as f:
        f.write(bmp_bytes(copyright_picture(), BLACK, compress=True))


if __name__ == '__main__':
    main()
