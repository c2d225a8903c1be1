#!/usr/bin/env python3
"""Decodes a PNG file with nothing but zlib and prints its pixels, as an independent check of
the PNG files we write.

Output: first line "<width> <height> <colour type> <chunk types...>", then one line per row
with each pixel as eight hexadecimal digits RRGGBBAA (alpha ff for colour type 2).
Only what our writer may produce is supported: 8-bit RGB or RGBA, not interlaced.
"""
import struct
import sys
import zlib


def fail(message):
    print(message, file=sys.stderr)
    sys.exit(1)


def chunks(data):
    if data[:8] != b"\x89PNG\r\n\x1a\n":
        fail("not a PNG signature")
    offset = 8
    while offset < len(data):
        if offset + 12 > len(data):
            fail("truncated chunk")
        (length,) = struct.unpack(">I", data[offset:offset + 4])
        kind = data[offset + 4:offset + 8]
        body = data[offset + 8:offset + 8 + length]
        (crc,) = struct.unpack(">I", data[offset + 8 + length:offset + 12 + length])
        if zlib.crc32(kind + body) & 0xFFFFFFFF != crc:
            fail("bad CRC in " + kind.decode("latin-1"))
        yield kind.decode("latin-1"), body
        offset += 12 + length
        if kind == b"IEND":
            if offset != len(data):
                fail("bytes after IEND")
            return
    fail("no IEND")


def paeth(a, b, c):
    p = a + b - c
    pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
    if pa <= pb and pa <= pc:
        return a
    return b if pb <= pc else c


def main():
    data = open(sys.argv[1], "rb").read()
    kinds = []
    idat = b""
    header = None
    for kind, body in chunks(data):
        kinds.append(kind)
        if kind == "IHDR":
            header = struct.unpack(">IIBBBBB", body)
        elif kind == "IDAT":
            idat += body
    if header is None or kinds[0] != "IHDR":
        fail("IHDR is not the first chunk")
    width, height, depth, colour, compression, filtering, interlace = header
    if depth != 8 or colour not in (2, 6) or compression or filtering or interlace:
        fail("unsupported layout %r" % (header,))
    channels = 4 if colour == 6 else 3
    stride = width * channels
    raw = zlib.decompress(idat)
    if len(raw) != height * (stride + 1):
        fail("wrong amount of image data")

    print(width, height, colour, " ".join(kinds))
    previous = bytearray(stride)
    for row in range(height):
        kind = raw[row * (stride + 1)]
        line = bytearray(raw[row * (stride + 1) + 1:(row + 1) * (stride + 1)])
        for i in range(stride):
            left = line[i - channels] if i >= channels else 0
            up = previous[i]
            upper_left = previous[i - channels] if i >= channels else 0
            if kind == 0:
                predictor = 0
            elif kind == 1:
                predictor = left
            elif kind == 2:
                predictor = up
            elif kind == 3:
                predictor = (left + up) // 2
            elif kind == 4:
                predictor = paeth(left, up, upper_left)
            else:
                fail("unknown filter %d" % kind)
            line[i] = (line[i] + predictor) & 0xFF
        pixels = []
        for x in range(width):
            pixel = line[x * channels:(x + 1) * channels]
            if channels == 3:
                pixel = pixel + b"\xff"
            pixels.append(bytes(pixel).hex())
        print(" ".join(pixels))
        previous = line


if __name__ == "__main__":
    main()
