#!/usr/bin/env python3
"""Writes a Standard MIDI File for the command-line tests, as tests/support/SmfBuilder.h does
for the unit tests.

    smf.py OUT.mid DIVISION < EVENTS

EVENTS has one event a line, "TRACK TICK BYTE..." with the bytes in hex: a channel message, or
a meta event "FF TYPE DATA..." whose length is filled in. Each track's events are sorted by
tick (stably) and end with an end-of-track event; the file is format 1.
"""
import sys


def varlen(value):
    out = [value & 0x7F]
    value >>= 7
    while value:
        out.insert(0, 0x80 | (value & 0x7F))
        value >>= 7
    return bytes(out)


def main():
    path, division = sys.argv[1], int(sys.argv[2])
    tracks = {}
    for line in sys.stdin:
        fields = line.split()
        if not fields:
            continue
        track, tick = int(fields[0]), int(fields[1])
        tracks.setdefault(track, []).append((tick, bytes(int(b, 16) for b in fields[2:])))
    data = b"MThd" + (6).to_bytes(4, "big") + (1).to_bytes(2, "big")
    data += len(tracks).to_bytes(2, "big") + division.to_bytes(2, "big")
    for number in sorted(tracks):
        body, last = b"", 0
        for tick, event in sorted(tracks[number], key=lambda e: e[0]):
            body += varlen(tick - last)
            last = tick
            if event[0] == 0xFF:
                body += event[:2] + varlen(len(event) - 2) + event[2:]
            else:
                body += event
        body += b"\x00\xff\x2f\x00"
        data += b"MTrk" + len(body).to_bytes(4, "big") + body
    with open(path, "wb") as out:
        out.write(data)


main()
