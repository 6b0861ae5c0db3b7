#!/usr/bin/env bash
# korvel-cli file-play steps a MIDI file through the file player into a .mid file: without a
# loop the output holds every channel message of the input in order and in time; a loop range
# plays exactly the passes asked for; a loop that ends before it starts is refused in words.
set -euo pipefail
cli="$1"
song="$2"
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT

# The events as import-midi lists them (clock status data1 data2), clocks counted from the first.
events() {
  "$cli" import-midi "$1" --dump | awk '$1 == "event" {
    if (first == "") first = $2
    print $2 - first, $3, $4, $5 }'
}

"$cli" file-play "$song" --out "$dir/out.mid"
events "$song" >"$dir/in.txt"
events "$dir/out.mid" >"$dir/out.txt"
lines=$(wc -l <"$dir/in.txt")
head -n "$lines" "$dir/out.txt" | diff "$dir/in.txt" -
# After the song only sustain off and all sound off.
tail -n +"$((lines + 1))" "$dir/out.txt" | awk '$2 < 176 || $2 > 191 || ($3 != 64 && $3 != 120) {
  print "unexpected: " $0; bad = 1 } END { exit bad }'

# The scale's second to fourth notes (ticks 96..384), three times, the second beat each.
"$cli" file-play "$song" --loop 96:384 --passes 3 --out "$dir/loop.mid"
[ "$(events "$dir/loop.mid" | awk '$2 == 144 && $3 == 62 { print $1 }' | tr '\n' ' ')" = "0 72 144 " ]
[ -z "$(events "$dir/loop.mid" | awk '$2 == 144 && ($3 == 60 || $3 == 67)')" ]

if "$cli" file-play "$song" --loop 384:96 --out "$dir/bad.mid" 2>"$dir/err"; then
  echo "a backwards loop was accepted"
  exit 1
fi
grep -qx "The loop end must lie after the loop start !" "$dir/err"
[ ! -e "$dir/bad.mid" ]
