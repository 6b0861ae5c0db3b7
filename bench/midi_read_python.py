#!/usr/bin/env python3
"""Reads the files of `midi_import --write-files DIR` with mido, a pure-Python MIDI file
reader, and prints MB/s per file, to compare with the benchmark midi_import."""
import pathlib
import sys
import time

import mido


def main(folder):
    for path in sorted(pathlib.Path(folder).glob("*.mid"), key=lambda p: p.stat().st_size):
        data = path.stat().st_size
        runs, start = 0, time.perf_counter()
        while True:
            mido.MidiFile(str(path))
            runs += 1
            elapsed = time.perf_counter() - start
            if elapsed > 2 and runs >= 3:
                break
        print(f"{path.name}: {data} bytes, {data * runs / elapsed / 1e6:.3f} MB/s")


if __name__ == "__main__":
    main(sys.argv[1])
