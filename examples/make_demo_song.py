#!/usr/bin/env python3
"""Writes the demo's audio file: 32 seconds of near silence as a tiny RIFF
WAVE file (8-bit mono at 250 samples a second) with TITLE and ARTIST in its
INFO chunk, so that the substitute host reads real tags and a real length.

Usage: make_demo_song.py OUTPUT.wav
"""
import struct
import sys

RATE = 250
SECONDS = 32


def chunk(kind, data):
    pad = b"\x00" if len(data) % 2 else b""
    return kind + struct.pack("<I", len(data)) + data + pad


def main():
    samples = bytes(128 + (8 if (i // 25) % 2 else -8) for i in range(RATE * SECONDS))
    fmt = struct.pack("<HHIIHH", 1, 1, RATE, RATE, 1, 8)
    info = b"INFO" + chunk(b"INAM", b"Twinkle Lumi\x00") + chunk(b"IART", b"The Lumivox Choir\x00")
    body = b"WAVE" + chunk(b"fmt ", fmt) + chunk(b"LIST", info) + chunk(b"data", samples)
    with open(sys.argv[1], "wb") as f:
        f.write(b"RIFF" + struct.pack("<I", len(body)) + body)


if __name__ == "__main__":
    main()
