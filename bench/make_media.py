#!/usr/bin/env python3
"""Writes the benchmark's media into a folder: a.avi and b.avi (10 s each,
640x480, 30 fps, uncompressed RGB24) and tone.wav (15 s, 44.1 kHz stereo,
16-bit PCM). Usage: make_media.py FOLDER"""
import math
import os
import struct
import sys
from array import array

WIDTH, HEIGHT, FPS, SECONDS = 640, 480, 30, 10
RATE, TONE_SECONDS = 44100, 15


def chunk(fourcc, data):
    pad = b"\0" if len(data) % 2 else b""
    return fourcc + struct.pack("<I", len(data)) + data + pad


def riff_list(kind, body):
    return b"LIST" + struct.pack("<I", len(body) + 4) + kind + body


def frames(seed):
    """Bars that move by two pixels a frame, in eight stripes of their own colour."""
    stripes = []
    for s in range(8):
        row = bytearray(WIDTH * 3)
        for x in range(WIDTH):
            row[3 * x] = (x * 255 // WIDTH + seed) & 255
            row[3 * x + 1] = (s * 32 + seed * 3) & 255
            row[3 * x + 2] = 255 if (x // 40 + s) % 2 else (seed * 5) & 255
        stripes.append(bytes(row) * 2)  # doubled so any shift is one slice
    band = HEIGHT // 8
    for f in range(FPS * SECONDS):
        shift = (f * 2 % WIDTH) * 3
        yield b"".join(stripe[shift:shift + WIDTH * 3] * band for stripe in stripes)


def write_avi(path, seed):
    count = FPS * SECONDS
    size = WIDTH * HEIGHT * 3
    avih = struct.pack("<14I", 1000000 // FPS, size * FPS, 0, 0x10, count, 0, 1, size, WIDTH, HEIGHT, 0, 0, 0, 0)
    strh = struct.pack("<4s4sIHHIIIIIIIIhhhh", b"vids", b"DIB ", 0, 0, 0, 0, 1, FPS, 0, count, size,
                       0xFFFFFFFF, 0, 0, 0, WIDTH, HEIGHT)
    strf = struct.pack("<IiiHHIIiiII", 40, WIDTH, HEIGHT, 1, 24, 0, size, 0, 0, 0, 0)
    hdrl = riff_list(b"hdrl", chunk(b"avih", avih) + riff_list(b"strl", chunk(b"strh", strh) + chunk(b"strf", strf)))
    movi_size = 4 + count * (8 + size)
    index = bytearray()
    with open(path, "wb") as out:
        out.write(b"RIFF" + struct.pack("<I", 4 + len(hdrl) + 8 + movi_size + 8 + 16 * count) + b"AVI ")
        out.write(hdrl)
        out.write(b"LIST" + struct.pack("<I", movi_size) + b"movi")
        offset = 4
        for frame in frames(seed):
            out.write(chunk(b"00db", frame))
            index += struct.pack("<4sIII", b"00db", 0x10, offset, size)
            offset += 8 + size
        out.write(chunk(b"idx1", bytes(index)))


def write_wav(path):
    samples = array("h")
    for n in range(RATE * TONE_SECONDS):
        t = n / RATE
        samples.append(int(12000 * math.sin(2 * math.pi * 440 * t)))
        samples.append(int(12000 * math.sin(2 * math.pi * 660 * t)))
    if sys.byteorder != "little":
        samples.byteswap()
    data = samples.tobytes()
    fmt = struct.pack("<HHIIHH", 1, 2, RATE, RATE * 4, 4, 16)
    with open(path, "wb") as out:
        out.write(b"RIFF" + struct.pack("<I", 4 + 8 + len(fmt) + 8 + len(data)) + b"WAVE")
        out.write(chunk(b"fmt ", fmt) + chunk(b"data", data))


def main():
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    folder = sys.argv[1]
    os.makedirs(folder, exist_ok=True)
    write_avi(os.path.join(folder, "a.avi"), 0)
    write_avi(os.path.join(folder, "b.avi"), 100)
    write_wav(os.path.join(folder, "tone.wav"))


if __name__ == "__main__":
    main()
