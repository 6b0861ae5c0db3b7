#!/usr/bin/env bash
# korvel-cli analyse finds the chords of a MIDI file as "Generate Chords" does, and convert
# rewrites the file over C major: a D major progression keeps only C, E and G, each note-off on
# the note its note-on became.
set -euo pipefail
cli="$1"
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT

# Division 24, one track: D, G, A and D block chords of a whole measure each, with the root
# an octave down; then the end of the track.
track=''
for chord in '62 66 69 50' '67 71 74 55' '69 73 76 57' '62 66 69 50'; do
  set -- $(for n in $chord; do printf '%03o ' "$n"; done)
  track+="\\000\\220\\$1\\144\\000\\220\\$2\\144\\000\\220\\$3\\144\\000\\220\\$4\\144"
  track+="\\140\\200\\$1\\000\\000\\200\\$2\\000\\000\\200\\$3\\000\\000\\200\\$4\\000"
done
track+='\000\377\057\000'
length=$(printf "$track" | wc -c)
printf "MThd\\000\\000\\000\\006\\000\\000\\000\\001\\000\\030MTrk\\000\\000\\000\\$(printf '%03o' "$length")${track}" \
  >"$dir/d.mid"

expected='chord 1:1 50 1 D maj
chord 2:1 55 1 G" maj
chord 3:1 45 1 A maj
chord 4:1 50 1 D maj
end 4'
out=$("$cli" analyse "$dir/d.mid" --interval 1)
echo "$out"
[ "$out" = "$expected" ]

"$cli" convert "$dir/d.mid" --mode 3 --out "$dir/c.mid"
dump=$("$cli" import-midi "$dir/c.mid" --dump)
echo "$dump"
# Every note lies on C, E or G, and every note-off ends a note that sounds.
echo "$dump" | awk '
  $1 == "event" && ($3 == 144 || $3 == 128) {
    if ($4 % 12 != 0 && $4 % 12 != 4 && $4 % 12 != 7) { print "not C, E or G: " $0; bad = 1 }
    if ($3 == 144 && $5 > 0) sounding[$4]++
    else if (sounding[$4]-- <= 0) { print "note-off without note-on: " $0; bad = 1 }
    notes++
  }
  END {
    for (n in sounding) if (sounding[n] != 0) { print "hangs: " n; bad = 1 }
    if (notes != 32) { print notes " notes"; bad = 1 }
    exit bad
  }'

# The notes struck, in order.
struck() { "$cli" import-midi "$1" --dump | awk '$1 == "event" && $3 == 144 { printf "%s ", $4 }'; }

# Given chords: over "C" throughout the notes stay as they are.
"$cli" convert "$dir/d.mid" --mode 1 --chords "C 16" --out "$dir/same.mid"
[ "$(struck "$dir/same.mid")" = "$(struck "$dir/d.mid")" ]

# Measures 2-3 only: the first and last D chords stay as they were.
"$cli" convert "$dir/d.mid" --mode 3 --measures 2-3 --out "$dir/m.mid"
[ "$(struck "$dir/m.mid")" = "62 66 69 50 60 64 67 48 72 76 79 60 62 66 69 50 " ]

smf() { python3 "$(dirname "$0")/smf.py" "$@"; }

# progression FILE block|arpeggio NUMERATOR DENOMINATOR TONIC: division 480, I, vi min7,
# ii min7 and V7 of TONIC (a pitch class), a measure each; chords on channel 1, a bass on the
# root on channel 2: on every beat under block chords, held under arpeggios of eighths.
progression() {
  awk -v kind="$2" -v num="$3" -v den="$4" -v tonic="$5" 'BEGIN {
    split("0 9 2 7", degree); split("0 4 7|0 3 7 10|0 3 7 10|0 4 7 10", shapes, "|")
    eighth = 240; measure = num * 1920 / den; beat = den == 8 ? 3 * eighth : 2 * eighth
    printf "0 0 FF 58 %02X %02X 18 08\n", num, den == 8 ? 3 : 2
    for (m = 1; m <= 4; m++) {
      root = (tonic + degree[m]) % 12; start = (m - 1) * measure
      n = split(shapes[m], tones, " ")
      for (i = 1; i <= n; i++) note[i] = 60 + root + tones[i]
      if (kind == "block") {
        for (i = 1; i <= n; i++) {
          printf "1 %d 90 %02X 64\n1 %d 80 %02X 00\n", start, note[i], start + measure, note[i]
        }
        for (t = start; t < start + measure; t += beat)
          printf "2 %d 91 %02X 64\n2 %d 81 %02X 00\n", t, 36 + root, t + beat - 10, 36 + root
      } else {
        for (e = 0; e < measure / eighth; e++) {
          t = start + e * eighth; x = note[e % n + 1]
          printf "1 %d 90 %02X 64\n1 %d 80 %02X 00\n", t, x, t + eighth - 10, x
        }
        printf "2 %d 91 %02X 64\n2 %d 81 %02X 00\n", start, 36 + root, start + measure, 36 + root
      }
    }
  }' | smf "$1" 480
}

# Sevenths are found under a bass on the root, block chords or arpeggios, in any key and metre.
for file in 'block 4 4 2' 'block 3 4 3' 'block 6 8 5' 'arpeggio 4 4 10' 'arpeggio 3 4 9' \
  'arpeggio 6 8 4'; do
  set -- $file
  progression "$dir/p.mid" "$@"
  out=$("$cli" analyse "$dir/p.mid")
  echo "$file: $out"
  found=$(echo "$out" | awk '$1 == "chord" { printf "%s:%d:%d ", $2, $3 % 12, $4 }')
  tonic=$4
  expected=$(printf '1:1:%d:1 2:1:%d:4 3:1:%d:4 4:1:%d:3 ' "$tonic" $(((tonic + 9) % 12)) \
    $(((tonic + 2) % 12)) $(((tonic + 7) % 12)))
  [ "$found" = "$expected" ]
  [ "$(echo "$out" | tail -n 1)" = "end 4" ]
done

# Bare fifths and thirds name the plain chord, with "2 Simple" and "3 Normal": C G is
# C maj, F C F maj, D F# D maj.
printf '1 0 90 30 64\n1 0 90 37 64\n1 1920 80 30 0\n1 1920 80 37 0
1 1920 90 35 64\n1 1920 90 3C 64\n1 3840 80 35 0\n1 3840 80 3C 0
1 3840 90 32 64\n1 3840 90 36 64\n1 5760 80 32 0\n1 5760 80 36 0\n' | smf "$dir/bare.mid" 480
for variety in 2 3; do
  [ "$("$cli" analyse "$dir/bare.mid" --variety $variety | awk '$1 == "chord" { printf "%s:%d:%d ", $2, $3 % 12, $4 }')" = '1:1:0:1 2:1:5:1 3:1:2:1 ' ]
done

# 300 measures of sixteenth-note chords, C and G7 by turns, with a bass: far more than the
# first chunk of the material holds, and analysed to its end.
awk 'BEGIN {
  for (m = 0; m < 300; m++) {
    split(m % 2 ? "43 47 4A 4D" : "3C 40 43 48", chord, " ")
    for (s = 0; s < 16; s++) {
      t = m * 1920 + s * 120
      for (i = 1; i <= 4; i++) printf "1 %d 90 %s 64\n1 %d 80 %s 00\n", t, chord[i], t + 100, chord[i]
    }
    printf "2 %d 91 %s 64\n2 %d 81 %s 00\n", m * 1920, m % 2 ? "2B" : "30", m * 1920 + 1900, m % 2 ? "2B" : "30"
  }
}' | smf "$dir/long.mid" 480
out=$("$cli" analyse "$dir/long.mid")
[ "$(echo "$out" | grep -c '^chord')" = 300 ]
echo "$out" | grep -qx 'chord 300:1 55 3 G" 7th'
[ "$(echo "$out" | tail -n 1)" = "end 300" ]

# A key struck again before its note-off, over D and then over E: each note-off ends the note
# its own note-on became, the oldest first, so nothing is left sounding.
oct() { printf '\\%03o' "$@"; }
track=''
for event in '0 144 66 100' '48 144 66 100' '12 128 66 0' '6 128 66 0'; do
  track+=$(oct $event)
done
track+='\036\377\057\000'
printf "MThd\\000\\000\\000\\006\\000\\000\\000\\001\\000\\030MTrk\\000\\000\\000$(oct $(printf "$track" | wc -c))$track" \
  >"$dir/again.mid"
"$cli" convert "$dir/again.mid" --mode 1 --chords "D 2 | E 2" --out "$dir/again-c.mid"
notes=$("$cli" import-midi "$dir/again-c.mid" --dump |
  awk '$1 == "event" && ($3 == 144 || $3 == 128) { printf "%s:%s ", $3, $4 }')
echo "$notes"
[ "$notes" = "144:64 144:62 128:64 128:62 " ]

# A file that is no MIDI file: the reader's message and a non-zero exit.
printf 'nothing' >"$dir/bad.mid"
if "$cli" analyse "$dir/bad.mid" 2>"$dir/err"; then exit 1; fi
[ -s "$dir/err" ]
