#!/usr/bin/env python3
"""Writes mnicon.ico: the setup program's icon, a parcel in 16 colours at
32x32 only (small on purpose: every byte counts in the stub image; Windows
makes the small icon of the caption and the taskbar from it)."""
import struct
import sys

# The standard 16-colour palette (BGRA).
PALETTE = [
    (0, 0, 0), (0, 0, 128), (0, 128, 0), (0, 128, 128), (128, 0, 0), (128, 0, 128),
    (128, 128, 0), (192, 192, 192), (128, 128, 128), (0, 0, 255), (0, 255, 0),
    (0, 255, 255), (255, 0, 0), (255, 0, 255), (255, 255, 0), (255, 255, 255),
]
BLACK, BROWN, TAN, STRAP, CLEAR = 0, 3, 11, 4, None  # indices in BGR order above


def parcel(size):
    """Pixels (row 0 at the top) of a parcel with a strap and a bow."""
    s = size / 32.0
    px = [[CLEAR] * size for _ in range(size)]
    left, right, top, bottom = int(4 * s), int(28 * s) - 1, int(10 * s), int(28 * s) - 1
    for y in range(top, bottom + 1):
        for x in range(left, right + 1):
            edge = x in (left, right) or y in (top, bottom)
            px[y][x] = BLACK if edge else TAN
    mid = (left + right) // 2
    for y in range(top + 1, bottom):
        px[y][mid] = STRAP
        px[y][mid + 1] = STRAP
    for x in range(left + 1, right):
        px[(top + bottom) // 2][x] = STRAP
    for d in range(int(5 * s)):
        for x in (mid - d, mid + 1 + d):
            y = top - 1 - d // 2
            if 0 <= y < size and 0 <= x < size:
                px[y][x] = STRAP
    return px


def image(size):
    px = parcel(size)
    header = struct.pack('<IiiHHIIiiII', 40, size, size * 2, 1, 4, 0, 0, 0, 0, 16, 0)
    palette = b''.join(struct.pack('BBBB', r, g, b, 0) for (b, g, r) in
                       [(c[2], c[1], c[0]) for c in PALETTE])
    xor_rows, and_rows = [], []
    row_xor = ((size * 4 + 31) // 32) * 4
    row_and = ((size + 31) // 32) * 4
    for y in reversed(range(size)):
        nibbles = [0 if p is None else p for p in px[y]]
        data = bytes((nibbles[i] << 4) | nibbles[i + 1] for i in range(0, size, 2))
        xor_rows.append(data.ljust(row_xor, b'\0'))
        bits = 0
        mask = bytearray(row_and)
        for x, p in enumerate(px[y]):
            if p is None:
                mask[x // 8] |= 0x80 >> (x % 8)
        and_rows.append(bytes(mask))
    return header + palette + b''.join(xor_rows) + b''.join(and_rows)


def main(path):
    sizes = (32,)
    images = [image(size) for size in sizes]
    out = struct.pack('<HHH', 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for size, img in zip(sizes, images):
        out += struct.pack('<BBBBHHII', size, size, 16, 0, 1, 4, len(img), offset)
        offset += len(img)
    out += b''.join(images)
    with open(path, 'wb') as f:
        f.write(out)


if __name__ == '__main__':
    main(sys.argv[1] if len(sys.argv) > 1 else 'mnicon.ico')
