#!/usr/bin/env python3
"""Writes the image fixtures that `convert` cannot write: WordPerfect (WPG 1.0)
and MacPaint pictures, a hand-written EPS, and the hostile files (decompression
bombs, corrupt and disguised files). Run from make_fixtures.sh."""
import struct
import sys
import zlib

OUT = sys.argv[1] if len(sys.argv) > 1 else "."

# The quadrant picture every readable fixture shows: 16 x 12 pixels, red top
# left, green top right, blue bottom left, white bottom right.
W, H = 16, 12
RED, GREEN, BLUE, WHITE = (255, 0, 0), (0, 255, 0), (0, 0, 255), (255, 255, 255)


def quad(x, y):
    if y < H // 2:
        return RED if x < W // 2 else GREEN
    return BLUE if x < W // 2 else WHITE


def write(name, data):
    with open(f"{OUT}/{name}", "wb") as f:
        f.write(data)


def wpg_record(rec_type, body):
    # Lengths below 0xFF fit in one byte; longer ones use the 0xFF escape.
    if len(body) < 0xFF:
        return bytes([rec_type, len(body)]) + body
    return bytes([rec_type, 0xFF]) + struct.pack("<H", len(body)) + body


def make_wpg():
    # WPG 1.0: 16-byte header, then records: start, colour map, bitmap (type 1,
    # 4 bits per pixel, run-length rows top-down), end.
    header = b"\xffWPC" + struct.pack("<I", 16) + bytes([1, 0x16, 1, 0]) + b"\0\0\0\0"
    start = wpg_record(0x0F, bytes([1, 0]) + struct.pack("<HH", W * 75, H * 75))
    colours = [RED, GREEN, BLUE, WHITE] + [(0, 0, 0)] * 12
    cmap = wpg_record(0x0E, struct.pack("<HH", 0, 16) + b"".join(bytes(c) for c in colours))
    index = {RED: 0, GREEN: 1, BLUE: 2, WHITE: 3}
    raster = b""
    for y in range(H):
        row = bytes((index[quad(x, y)] << 4) | index[quad(x + 1, y)] for x in range(0, W, 2))
        raster += bytes([len(row)]) + row  # a literal run of the whole row
    bitmap = wpg_record(0x0B, struct.pack("<HHHHH", W, H, 4, 75, 75) + raster)
    end = wpg_record(0x10, b"")
    write("quad.wpg", header + start + cmap + bitmap + end)


def packbits(row):
    out = b""
    i = 0
    while i < len(row):
        run = 1
        while i + run < len(row) and run < 128 and row[i + run] == row[i]:
            run += 1
        if run > 1:
            out += bytes([257 - run, row[i]])
            i += run
        else:
            j = i
            while j < len(row) and j - i < 128 and (j + 1 >= len(row) or row[j + 1] != row[j]):
                j += 1
            j = max(j, i + 1)
            out += bytes([j - i - 1]) + row[i:j]
            i = j
    return out


def make_mac():
    # MacPaint: 512-byte header (version, 38 patterns, padding), then 720 rows
    # of 576 one-bit pixels (1 = black), each row PackBits-compressed. The
    # picture: top-left quarter black, the rest white.
    header = struct.pack(">I", 2) + bytes(38 * 8) + bytes(204)
    body = b""
    for y in range(720):
        row = bytes([0xFF] * 36 + [0] * 36) if y < 360 else bytes(72)
        body += packbits(row)
    write("quad.mac", header + body)


def make_eps():
    # Encapsulated PostScript drawing the quadrant picture at 72 dpi; y runs
    # upward, so blue and white are the lower rectangles.
    text = (
        "%!PS-Adobe-3.0 EPSF-3.0\n"
        f"%%BoundingBox: 0 0 {W} {H}\n"
        f"%%HiResBoundingBox: 0 0 {W} {H}\n"
        "%%EndComments\n"
        "1 0 0 setrgbcolor 0 6 8 6 rectfill\n"
        "0 1 0 setrgbcolor 8 6 8 6 rectfill\n"
        "0 0 1 setrgbcolor 0 0 8 6 rectfill\n"
        "1 1 1 setrgbcolor 8 0 8 6 rectfill\n"
        "showpage\n%%EOF\n"
    )
    write("quad.eps", text.encode())
    # Plain PostScript (not encapsulated) is refused whatever its name.
    write("plain_ps.eps", b"%!PS-Adobe-3.0\n1 0 0 setrgbcolor 0 0 10 10 rectfill showpage\n")


def png_chunk(kind, data):
    return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))


def png_bomb(width, height, rows_in_stream):
    # A one-bit grey PNG declaring width x height, with a deflate stream of
    # zero rows that would inflate to far more than its own size.
    ihdr = struct.pack(">IIBBBBB", width, height, 1, 0, 0, 0, 0)
    row = b"\0" * (1 + (width + 7) // 8)
    comp = zlib.compressobj(9)
    idat = b"".join(comp.compress(row) for _ in range(rows_in_stream)) + comp.flush()
    return b"\x89PNG\r\n\x1a\n" + png_chunk(b"IHDR", ihdr) + png_chunk(b"IDAT", idat) + png_chunk(b"IEND", b"")


def make_hostile():
    write("bomb_100000.png", png_bomb(100000, 100000, 200))
    write("bomb_area.png", png_bomb(16000, 16000, 16000))
    # GIF with a 65535 x 65535 logical screen and image.
    gif = b"GIF89a" + struct.pack("<HH", 65535, 65535) + bytes([0x80, 0, 0]) + bytes(6)
    gif += b"," + struct.pack("<HHHH", 0, 0, 65535, 65535) + bytes([0]) + bytes([2, 2, 0x4C, 0x01, 0]) + b";"
    write("bomb.gif", gif)
    # BMP header claiming 30000 x 30000 at 24 bits with almost no pixel data.
    bmp = b"BM" + struct.pack("<IHHI", 54 + 16, 0, 0, 54)
    bmp += struct.pack("<IiiHHIIiiII", 40, 30000, 30000, 1, 24, 0, 0, 0, 0, 0, 0) + bytes(16)
    write("huge_header.bmp", bmp)
    write("junk.cmp", bytes((i * 37 + 11) & 0xFF for i in range(600)))
    write("corrupt.png", b"\x89PNG\r\n\x1a\n" + bytes((i * 91 + 7) & 0xFF for i in range(300)))
    write("empty.bmp", b"")
    # Text and vector formats under raster names.
    write("vector.bmp", b'<?xml version="1.0"?>\n<svg xmlns="http://www.w3.org/2000/svg" width="10" height="10">'
          b'<rect width="10" height="10" fill="red"/></svg>\n')
    write("script.jpg", b"push graphic-context\nviewbox 0 0 10 10\nfill red\nrectangle 0 0 10 10\npop graphic-context\n")
    write("pixels.tga", b"# ImageMagick pixel enumeration: 2,1,255,srgb\n0,0: (255,0,0)\n1,0: (0,255,0)\n")


if __name__ == "__main__":
    make_wpg()
    make_mac()
    make_eps()
    make_hostile()
