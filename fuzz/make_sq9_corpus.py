#!/usr/bin/env python3
"""Writes the seed corpus of the .sq9 reader's fuzz target.

The writer here is built from docs/sq9-format.md alone, independently of the
C++ sequence library, so the reader's test on these files also checks that
the document and the library agree. Files named valid_* are well-formed;
bad_* are each broken in one way. Run from anywhere:

    python3 fuzz/make_sq9_corpus.py
"""

import os
import struct

OUT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "corpus", "sq9_reader")

BITS = [1, 1, 2, 2, 2, 4, 4, 8, 6, 6, 12, 24, 6, 16, 24]
PACKED = (13, 14)


def bulb_size(rows, columns, color):
    bits = BITS[color]
    if color in PACKED:
        b4 = (bits + 3) // 4 * 4
        return (b4 * columns + 31) // 32 * 4 * rows
    r2 = rows + (rows & 1)
    return r2 * ((columns + 15) // 16) * 2 * bits


def chunk(cid, payload):
    assert len(cid) == 4
    pad = b"\0" if len(payload) & 1 else b""
    return cid + struct.pack("<I", len(payload)) + payload + pad


def header(rows, columns, color, tech=1, flags=0, frames=1, size=None, version=1):
    if size is None:
        size = bulb_size(rows, columns, color)
    return chunk(b"seqh", struct.pack("<HHHHIIIII", version, rows, columns, 0, color, tech,
                                      flags, frames, size))


def riff(chunks):
    body = b"SQ9 " + b"".join(chunks)
    return b"RIFF" + struct.pack("<I", len(body)) + body


def pattern(n, seed):
    return bytes((i * 37 + seed * 11 + (i >> 8)) & 0xFF for i in range(n))


def grp_header(frame_number, hold):
    h = bytearray(64)
    struct.pack_into("<H", h, 0, frame_number)
    struct.pack_into("<I", h, 16, 0x11)
    struct.pack_into("<H", h, 24, 0x22)
    struct.pack_into("<I", h, 34, hold)
    struct.pack_into("<H", h, 42, 0x33)
    return bytes(h)


def data_header(entries):
    d = bytearray(976 + 512 * 64)
    struct.pack_into("<H", d, 960, entries)
    for i in range(entries):
        e = 976 + 64 * i
        struct.pack_into("<IHHH", d, e, 1, i + 1, 2 * i + 1, 7)
        d[e + 10:e + 14] = bytes([0x55, 0xAA, 0, 0])
        struct.pack_into("<HHHHHI", d, e + 32, i % 5000, 3, 0, 1, 0, 0)
    return bytes(d)


def txd_record(name, text, kind):
    t = bytearray(656)
    struct.pack_into("<HI", t, 16, 0, 5)
    nb = name.encode()[:16]
    t[22:22 + len(nb)] = nb
    struct.pack_into("<I", t, 39, kind)
    tb = text.encode()[:255]
    struct.pack_into("<H", t, 43, len(tb))
    t[400:400 + len(tb)] = tb
    return bytes(t)


def inc_payload(fields):
    out = struct.pack("<H", len(fields))
    for enabled, path in fields:
        p = path.encode()
        out += struct.pack("<BBH", enabled, 0, len(p)) + p
    return out


def plane_bulbs(rows, columns, color, lit):
    """Plane-type bulb data with the bulbs in `lit` ({(y, x): value})."""
    bits = BITS[color]
    row_size = (columns + 15) // 16 * 2
    plane = (rows + (rows & 1)) * row_size
    data = bytearray(plane * bits)
    for (y, x), v in lit.items():
        for i in range(bits):
            if v >> i & 1:
                data[i * plane + y * row_size + x // 8] |= 0x80 >> (x % 8)
    return bytes(data)


def packed_bulbs(rows, columns, color, value):
    """Packed bulb data: value(y, x) -> (r, g, b); rows unpadded, slack zero."""
    out = bytearray()
    for y in range(rows):
        for x in range(columns):
            r, g, b = value(y, x)
            if color == 13:
                out += struct.pack("<H", (r & 31) << 10 | (g & 31) << 5 | (b & 31))
            else:
                out += bytes([b, g, r])
    out += bytes(bulb_size(rows, columns, color) - len(out))
    return bytes(out)


def hdr_frame():
    return chunk(b"hdr ", bytes(64))


def files():
    f = {}
    # The example of the format document.
    ex = bytearray(plane_bulbs(2, 3, 0, {(0, 0): 1, (1, 2): 1}))
    f["valid_doc_example.sq9"] = riff([header(2, 3, 0, tech=0, frames=2), hdr_frame(),
                                       chunk(b"grp ", bytes(64) + bytes(ex))])

    # RGB16MB with every frame type; odd include payload; preview-only.
    r, c, t = 3, 5, 14
    frames = [hdr_frame(),
              chunk(b"grp ", grp_header(1, 120) +
                    packed_bulbs(r, c, t, lambda y, x: (y * 80, x * 50, 255 - x))),
              chunk(b"dat ", grp_header(2, 12) + data_header(3) + packed_bulbs(r, c, t, lambda y, x: (1, 2, 3))),
              chunk(b"inc ", inc_payload([(1, "..\\Main.Lib\\Intro.SQ9"), (0, "..\\B.Lib\\x.SQ9")])),
              chunk(b"txd ", txd_record("clip.wav", "/signs/wav/clip.wav", 1)),
              chunk(b"end ", b"")]
    f["valid_rgb16mb_all_types.sq9"] = riff([header(r, c, t, tech=3, flags=1, frames=len(frames))] + frames)

    # RGB32KB graphics frames, 3 columns: rows unpadded, slack at the end.
    r, c, t = 2, 3, 13
    frames = [hdr_frame()] + [
        chunk(b"grp ", grp_header(n, 10 * n) +
              packed_bulbs(r, c, t, lambda y, x, n=n: (n + y, x, 31 - n))) for n in range(1, 4)]
    f["valid_rgb32kb_grp.sq9"] = riff([header(r, c, t, frames=len(frames))] + frames)

    # Tri256, odd rows, a column past one word; a full include frame.
    r, c, t = 5, 17, 7
    lit = {(y, x): (y * 17 + x) & 0xFF for y in range(r) for x in range(c)}
    frames = [hdr_frame(), chunk(b"grp ", grp_header(0, 1) + plane_bulbs(r, c, t, lit)),
              chunk(b"inc ", inc_payload([(i % 2, "P" * (i * 31 + 1)) for i in range(16)]))]
    f["valid_tri256_inc.sq9"] = riff([header(r, c, t, frames=len(frames))] + frames)

    # Quad16: just the header frame and an end frame.
    f["valid_quad16_end.sq9"] = riff([header(4, 4, 1, frames=2), hdr_frame(), chunk(b"end ", b"")])

    # Broken files, one fault each.
    base = f["valid_rgb16mb_all_types.sq9"]
    f["bad_truncated.sq9"] = base[:len(base) // 2]
    f["bad_version2.sq9"] = riff([header(2, 2, 0, frames=1, version=2), hdr_frame()])
    f["bad_count_mismatch.sq9"] = riff([header(2, 2, 0, frames=3), hdr_frame(), chunk(b"end ", b"")])
    f["bad_unknown_frame.sq9"] = riff([header(2, 2, 0, frames=2), hdr_frame(), chunk(b"xyz ", b"")])
    f["bad_inc_17_fields.sq9"] = riff([header(2, 2, 0, frames=2), hdr_frame(),
                                       chunk(b"inc ", inc_payload([(1, "a")] * 17))])
    f["bad_bulb_size.sq9"] = riff([header(2, 2, 0, frames=2), hdr_frame(),
                                   chunk(b"grp ", bytes(64 + bulb_size(2, 2, 0) + 2))])
    f["bad_huge_geometry.sq9"] = riff([header(65535, 65535, 11, frames=1, size=0xFFFFFFFF),
                                       hdr_frame()])
    f["bad_chunk_past_end.sq9"] = riff([header(2, 2, 0, frames=2), hdr_frame(),
                                        b"grp " + struct.pack("<I", 0xFFFFFF00)])
    return f


def main():
    os.makedirs(OUT, exist_ok=True)
    for name, data in sorted(files().items()):
        with open(os.path.join(OUT, name), "wb") as out:
            out.write(data)
        print(f"{name}: {len(data)} bytes")


if __name__ == "__main__":
    main()
