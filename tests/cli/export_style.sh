#!/usr/bin/env bash
# korvel-cli export-style writes a style as a MIDI file whose parts follow each other in the
# export order with their measure counts, each from its bar line; the file passes a strict
# Standard MIDI File check and our own reader takes it back; a set of part files comes back
# through style-set with the lengths it went out with.
set -euo pipefail
cli="$1"
styles="$2"
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT

# Checks every chunk and event of a Standard MIDI File and prints "format tracks division
# time-signature last-clock".
check() {
  python3 - "$1" <<'PY'
import struct, sys
data = open(sys.argv[1], "rb").read()
assert data[:4] == b"MThd" and struct.unpack(">I", data[4:8])[0] == 6, "header"
fmt, ntrks, division = struct.unpack(">HHH", data[8:14])
assert fmt in (0, 1) and ntrks >= 1 and division < 0x8000
pos, tracks, metre, last = 14, 0, "-", 0
while pos < len(data):
    kind, length = data[pos:pos + 4], struct.unpack(">I", data[pos + 4:pos + 8])[0]
    pos += 8
    end = pos + length
    assert kind == b"MTrk" and end <= len(data), "chunk"
    tracks += 1
    clock, status, ended = 0, 0, False
    def varlen():
        global pos
        value = 0
        for _ in range(4):
            b = data[pos]; pos += 1
            value = (value << 7) | (b & 0x7F)
            if b < 0x80:
                return value
        raise AssertionError("variable length over 4 bytes")
    while pos < end:
        assert not ended, "events after end of track"
        clock += varlen()
        b = data[pos]
        if b == 0xFF:
            kind = data[pos + 1]; pos += 2
            n = varlen()
            if kind == 0x58:
                metre = "%d/%d" % (data[pos], 1 << data[pos + 1])
            if kind == 0x2F:
                ended = True
                assert n == 0
            pos += n
        elif b in (0xF0, 0xF7):
            pos += 1
            pos += varlen()
        else:
            if b >= 0x80:
                status = b; pos += 1
            assert 0x80 <= status < 0xF0, "running status without a status"
            count = 1 if (status & 0xF0) in (0xC0, 0xD0) else 2
            assert all(x < 0x80 for x in data[pos:pos + count]), "data byte"
            pos += count
    assert pos == end and ended, "track length or end of track"
    last = max(last, clock)
assert tracks == ntrks
print(fmt, ntrks, division, metre, last)
PY
}

# The clock of the first note-on of a MIDI file.
first_note() {
  python3 - "$1" <<'PY'
import struct, sys
data = open(sys.argv[1], "rb").read()
pos = 22
clock = status = 0
def varlen():
    global pos
    value = 0
    while True:
        b = data[pos]; pos += 1
        value = (value << 7) | (b & 0x7F)
        if b < 0x80:
            return value
while pos < len(data):
    clock += varlen()
    b = data[pos]
    if b == 0xFF:
        pos += 2
        length = varlen()
        pos += length
        continue
    if b >= 0x80:
        status = b; pos += 1
    count = 1 if (status & 0xF0) in (0xC0, 0xD0) else 2
    if status & 0xF0 == 0x90 and data[pos + 1] > 0:
        print(clock)
        break
    pos += count
PY
}

"$cli" style-build "$styles/pop16.kst" -o "$dir/pop.kvs" >/dev/null
"$cli" style-build "$styles/ballad68.kst" -o "$dir/b68.kvs" >/dev/null

expected=" Basic             : 02 - 03
 Fill in Basic     : 04 - 04
 To Extended       : 05 - 05
 Extended          : 06 - 09
 Fill in Extended  : 10 - 10
 To Basic          : 11 - 11
 Ending            : 12 - 13"
out=$("$cli" export-style "$dir/pop.kvs" -o "$dir/pop.mid")
echo "$out"
[ "$out" = "$expected" ]
read -r fmt ntrks division metre last < <(check "$dir/pop.mid")
echo "pop.mid: $fmt $ntrks $division $metre $last"
[ "$metre" = "4/4" ]
# Thirteen measures of 4/4, 96 clocks each; notes may ring a little into the next.
[ "$last" -gt $((12 * 96)) ] && [ "$last" -le $((14 * 96)) ]
"$cli" import-midi "$dir/pop.mid" | grep -x "tempo 100"
# Measure 1 is a silent lead-in: Basic's first note is on the bar line of measure 2.
[ "$(first_note "$dir/pop.mid")" = 96 ]

# "Play Intro": the intro plays from the first measure on, the rest follows it.
out=$("$cli" export-style "$dir/pop.kvs" --intro -o "$dir/intro.mid")
echo "$out"
[ "$(echo "$out" | head -n 2)" = " Intro             : 01 - 04
 Basic             : 05 - 06" ]
[ "$(first_note "$dir/intro.mid")" = 0 ]

# One part: Extended alone, from the second measure.
[ "$("$cli" export-style "$dir/pop.kvs" --part 2 -o "$dir/ext.mid")" = \
  " Extended          : 02 - 05" ]
read -r fmt ntrks division metre last < <(check "$dir/ext.mid")
[ "$last" -gt $((4 * 96)) ] && [ "$last" -le $((6 * 96)) ]

# 6/8 counts whole measures of six eighths (72 clocks).
out=$("$cli" export-style "$dir/b68.kvs" -o "$dir/b68.mid")
echo "$out"
[ "$(echo "$out" | tail -n 1)" = " Ending            : 12 - 13" ]
read -r fmt ntrks division metre last < <(check "$dir/b68.mid")
echo "b68.mid: $metre $last"
[ "$metre" = "6/8" ]
[ "$last" -gt $((12 * 72)) ] && [ "$last" -le $((14 * 72)) ]

# Each part written alone, as "Export set of style parts" names the files, and read back as a
# set: every part keeps its measure count, in 4/4 and in 6/8.
codes=(i11 v11 v21 e11 f12 f22 f11 f21)
for style in pop b68; do
  mkdir "$dir/set-$style"
  for part in 0 1 2 3 4 5 6 7; do
    "$cli" export-style "$dir/$style.kvs" --part $part \
      -o "$dir/set-$style/sty1_${codes[$part]}.mid" >/dev/null
  done
  "$cli" style-set "$dir/set-$style" --set "1 - 11" -o "$dir/back-$style.kvs" >/dev/null
  diff <("$cli" style-info "$dir/$style.kvs" | grep ' count ') \
    <("$cli" style-info "$dir/back-$style.kvs" | grep ' count ')
done

# A style that cannot be read is refused in words.
printf 'nothing' >"$dir/bad.kvs"
if "$cli" export-style "$dir/bad.kvs" -o "$dir/bad.mid" 2>"$dir/err"; then
  echo "bad.kvs was exported"
  exit 1
fi
cat "$dir/err"
[ -s "$dir/err" ]
[ ! -e "$dir/bad.mid" ]
echo ok
