#!/usr/bin/env bash
# korvel-cli analyse finds the chords of a MIDI file as "Generate Chords" does, and convert
# rewrites the file over C major: a D major progression keeps only C, E and G, each note-off on
# the note its note-on became.
set -euo pipefail
cli="$1"
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT

# Division 24, one track: D, G, A and D block chords of a whole measure each, with the root
# an octave down; then the end of the track. The reader starts the material with a clock, so
# it reaches one clock into a fifth measure.
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
end 5'
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
