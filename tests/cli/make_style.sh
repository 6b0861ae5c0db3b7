#!/usr/bin/env bash
# korvel-cli make-style cuts an imported MIDI file into style parts (with --auto the transition
# and fill of Basic follow its last measure) and style-set imports a folder of part files; both
# print the written style's style-info.
set -euo pipefail
cli="$1"
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT

oct() { printf '\\%03o' "$@"; }
# write_mid FILE CHANNEL MEASURES [NOTES]: division 24, one track, per quarter the notes (a D
# major triad).
write_mid() {
  local file=$1 channel=$2 measures=$3 notes=${4:-62 66 69} track='' on off n delta
  on=$(oct $((0x90 + channel))); off=$(oct $((0x80 + channel)))
  for ((m = 0; m < measures * 4; m++)); do
    for n in $notes; do track+="\\000$on$(oct "$n" 100)"; done
    delta='\030'
    for n in $notes; do track+="$delta$off$(oct "$n" 0)"; delta='\000'; done
  done
  track+='\000\377\057\000'
  local length
  length=$(printf "$track" | wc -c)
  printf "MThd\\000\\000\\000\\006\\000\\000\\000\\001\\000\\030MTrk$(oct $((length >> 24 & 255)) $((length >> 16 & 255)) $((length >> 8 & 255)) $((length & 255)))$track" >"$file"
}

write_mid "$dir/song.mid" 0 10
out=$("$cli" make-style "$dir/song.mid" --part Basic=5-8 --part Intro=1-2 --auto --convert-mode 3 \
  -o "$dir/made.kvs")
echo "$out"
# Basic 5-8 brings To Extended and Fill in Basic on measure 8 alone; a part from measure 1
# starts at the start of the material.
measures=$(echo "$out" | awk '$3 == "measures" || $3 == "empty" { print $2, $4 }' | tr '\n' ' ')
[ "$measures" = "0 1..2 1 5..8 2  3  4 8..8 5  6 8..8 7  " ]
echo "$out" | grep -q '^part 0 positions 0\.\.'

# Without --auto only the named parts are set.
out=$("$cli" make-style "$dir/song.mid" --part Basic=5-8 -o "$dir/plain.kvs")
echo "$out" | grep -q '^part 6 empty'

# A part beyond the end of the file would hold nothing: refused in words, exit code 1.
if "$cli" make-style "$dir/song.mid" --part Basic=12-14 -o "$dir/beyond.kvs" 2>"$dir/err"; then
  exit 1
fi
grep -q 'holds no material' "$dir/err"

# "All notes to C maj" turns a cluster into one key struck five times at once; the style still
# leaves nothing sounding when it plays.
write_mid "$dir/cluster.mid" 0 4 '60 61 62 64 65'
"$cli" make-style "$dir/cluster.mid" --part Basic=1-4 --convert-mode 6 -o "$dir/cluster.kvs" >/dev/null
"$cli" play "$dir/cluster.kvs" --chords "C 4 | F 4 | G 4 | C 4" --out "$dir/cluster-play.mid"
"$cli" import-midi "$dir/cluster-play.mid" --dump | awk '
  $1 == "event" && $3 >= 128 && $3 < 160 {
    key = ($3 % 16) ":" $4
    if ($3 >= 144 && $5 > 0) { sounding[key]++; struck++ }
    else if (sounding[key] > 0) sounding[key]--
  }
  END {
    for (k in sounding) if (sounding[k] != 0) { print "hangs: " k " x" sounding[k]; bad = 1 }
    if (struck < 16) { print struck " notes struck"; bad = 1 }
    exit bad
  }'

# A bad part request is refused in words.
if "$cli" make-style "$dir/song.mid" --part Chorus=1-2 -o "$dir/x.kvs" 2>"$dir/err"; then exit 1; fi
grep -q 'NAME=A-B' "$dir/err"

# A set folder: Basic, Intro and Ending files (Basic with its drums on channel 11, the Ending's
# name in capitals), one tiny file, which is left out with a word.
mkdir "$dir/Set"
write_mid "$dir/Set/sty1_v11.mid" 10 8
write_mid "$dir/Set/sty1_i11.mid" 0 7
write_mid "$dir/Set/STY1_E11.MID" 0 6
printf 'MThd' >"$dir/Set/sty1_f12.mid"
out=$("$cli" style-set "$dir/Set" -o "$dir/set.kvs" 2>"$dir/err")
grep -q 'sty1_f12.mid' "$dir/err"
echo "$out"
echo "$out" | grep -q '^part Intro: sty1_i11.mid'
echo "$out" | grep -q '^part Basic: sty1_v11.mid'
echo "$out" | grep -q '^part Ending: STY1_E11.MID'
echo "$out" | grep -q '^part Fill in Basic: -'

# A folder without a set: an error, no style.
mkdir "$dir/empty"
if "$cli" style-set "$dir/empty" -o "$dir/none.kvs" 2>/dev/null; then exit 1; fi
[ ! -e "$dir/none.kvs" ]
