#!/usr/bin/env python3
"""Writes the seed corpus of every fuzz target into fuzz/seeds/ (run once; the seeds are kept)."""
import os
import struct
import zlib

here = os.path.dirname(os.path.abspath(__file__))


def put(target, name, data):
    folder = os.path.join(here, "seeds", target)
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, name), "wb") as f:
        f.write(data if isinstance(data, bytes) else data.encode())


def bmp(w, h):
    stride = (w * 3 + 3) // 4 * 4
    pixels = b"".join(bytes((x * 40 % 256, y * 50 % 256, 90) * 1)[:3] * 1 for y in range(h) for x in range(w))
    rows = b"".join(pixels[y * w * 3:(y + 1) * w * 3].ljust(stride, b"\0") for y in range(h))
    info = struct.pack("<IiiHHIIiiII", 40, w, h, 1, 24, 0, len(rows), 2835, 2835, 0, 0)
    return b"BM" + struct.pack("<IHHI", 14 + 40 + len(rows), 0, 0, 54) + info + rows


def png(w, h, colour_type=2, depth=8, announced=None):
    channels = {0: 1, 2: 3, 4: 2, 6: 4}[colour_type]
    row = bytes((i * 37) % 256 for i in range(w * channels * depth // 8))
    raw = b"".join(b"\0" + row for _ in range(h))

    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))

    ihdr = struct.pack(">IIBBBBB", *(announced or (w, h)), depth, colour_type, 0, 0, 0)
    return b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", ihdr) + chunk(b"IDAT", zlib.compress(raw)) + chunk(b"IEND", b"")


def gif(w, h, frames=1):
    def pixel_data(indices):
        bits = count = 0
        packed = bytearray()
        codes = []
        for i, v in enumerate(indices):
            if i % 200 == 0:
                codes.append(256)
            codes.append(v)
        codes.append(257)
        for c in codes:
            bits |= c << count
            count += 9
            while count >= 8:
                packed.append(bits & 0xFF)
                bits >>= 8
                count -= 8
        if count:
            packed.append(bits & 0xFF)
        out = bytearray(b"\x08")
        for i in range(0, len(packed), 255):
            block = packed[i:i + 255]
            out += bytes([len(block)]) + block
        return bytes(out + b"\0")

    data = b"GIF89a" + struct.pack("<HH", w, h) + b"\xF7\0\0" + bytes(b for i in range(256) for b in (i, i, i))
    if frames > 1:
        data += b"\x21\xFF\x0BNETSCAPE2.0\x03\x01\0\0\0"
    for f in range(frames):
        data += b"\x21\xF9\x04\x04\x0A\0\0\0" + b"\x2C\0\0\0\0" + struct.pack("<HH", w, h) + b"\0"
        data += pixel_data([(x * 4 + y + 40 * f) & 0xFF for y in range(h) for x in range(w)])
    return data + b";"


# The picture path: one small file of every kind it takes, whole and cut.
put("picture-read", "rgb.bmp", bmp(7, 5))
put("picture-read", "rgb.png", png(6, 4))
put("picture-read", "grey16.png", png(5, 3, 0, 16))
put("picture-read", "rgba.png", png(4, 4, 6))
put("picture-read", "one.gif", gif(6, 5))
put("picture-read", "animated.gif", gif(4, 3, 3))
put("picture-read", "cut.gif", gif(6, 5)[:-20])
put("picture-read", "rgb.ppm", b"P6\n3 2\n255\n" + bytes(range(18)))
put("picture-read", "grey.pgm", b"P2\n2 2\n255\n0 50\n100 255\n")
put("picture-read", "bomb.png", png(1, 1, announced=(60000, 60000)))
with open(os.path.join(here, "..", "tests", "pictures", "cmyk.jpg"), "rb") as f:
    put("picture-read", "cmyk.jpg", f.read())

# Command lines: arguments separated by NUL.
for i, args in enumerate([
    ["-out", "jpeg", "-truecolors", "-o", "t.jpg", "in.bmp"],
    ["-out", "gif", "-dither", "-colors", "256", "-o", "t.gif", "in.bmp"],
    ["-out", "png", "-colors", "16", "-o", "t.png", "in.bmp"],
    ["-out", "GIF", "-colors", "x", "-o"],
    ["-o", "-o", "-o"],
]):
    put("convert-arguments", "line%d" % i, "\0".join(args))
for i, args in enumerate([
    ["--box", "1,2,3,4", "in.png", "out.jpg"],
    ["--block", "32", "--border", "500", "--mask", "m.png", "--trace", "in.bmp", "out.gif"],
    ["--box", " 0 , 0 ,1,1", "--box", "5,5,5,5", "--", "--in.png", "out.ppm"],
    ["--border", "9", "a", "b.tif"],
    ["--block"],
]):
    put("tool-options", "line%d" % i, "\0".join(args))

# Text helpers: the text, NUL, the key.
for i, text in enumerate(["True", " false ", "-1.5e3", "0x10", "nan", "/a//b///c.JPG", "C:\\\\x\\\\y.jpeg",
                          ".hidden", "Zürich/東京.gif\0key", "a|b|c\0Brisvane"]):
    put("text-helpers", "text%d" % i, text)

# Writers and the engine: a header byte or five, then pixels.
put("convert-writers", "gif", bytes([15, 11, 0, 0]) + bytes(range(256)))
put("convert-writers", "jpeg", bytes([20, 9, 0, 2]) + bytes(range(0, 256, 3)))
put("convert-writers", "png-alpha", bytes([3, 40, 16, 12]) + bytes(range(255, 0, -1)))
put("engine", "box", bytes([15, 15, 0, 0, 0]) + bytes(200 if 4 <= i % 16 <= 8 else 0 for i in range(225)).replace(b"\0", b"\x90"))
put("engine", "all-marked", bytes([3, 3, 1, 1, 1]) + bytes(9))
put("engine", "stripes", bytes([23, 7, 2, 5, 0]) + bytes((i * 13) % 256 for i in range(168)))
