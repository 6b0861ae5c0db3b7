#!/usr/bin/env bash
# korvel-cli song-timeline plays an arrangement's chords beat by beat on a silent clock, and
# song-render plays it with a style into a MIDI file.
set -euo pipefail
cli="$1"
styles="$2"
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT

# Text block, 120 reserved bytes, then the chord block: header (first measure 1, tempo 100,
# 16 sixteenths, program 0) and the beats given as octal escapes.
song() {
  printf '\375\014\000\000\000Memo\r\nTitle\000'
  head -c 120 /dev/zero
  printf '\001\144\020\000'
  printf "$1"
}
# Measure 1, played twice: C with the repeat start, G on beat 3, the repeat end on beat 4.
# Measure 2: F with tempo 90. Measure 3: the end mark.
beats='\074\001\375\146\000\000\000\000\067\001\000\000\000\000\375\000'
beats+='\065\001\376\132\000\000\000\000\000\000\000\000\000\000\000\000'
beats+='\000\000\377\000\000\000\000\000\000\000\000\000\000\000\000\000'
song "$beats" >"$dir/song.kva"
song '' >"$dir/empty.kva"
printf '\375\377\377\377\377' >"$dir/bad.kva"

check() {
  local expected="$1"
  shift
  local out
  out=$("$cli" song-timeline "$@")
  echo "$out"
  [ "$out" = "$expected" ]
}

check "beat 1 1:1 chord 60 1
beat 2 1:2
beat 3 1:3 chord 55 1
beat 4 1:4
beat 5 1:1 jump repeat chord 60 1
beat 6 1:2
beat 7 1:3 chord 55 1
beat 8 1:4
beat 9 2:1 tempo 90 chord 53 1
beat 10 2:2
beat 11 2:3
beat 12 2:4
stop end-mark" "$dir/song.kva"

check "beat 1 2:1 jump start tempo 90 chord 53 1
beat 2 2:2
stop beat-limit" "$dir/song.kva" --start-measure 2 --beats 2

check "beat 1 1:1
beat 2 1:2
beat 3 1:3
beat 4 1:4
beat 5 2:1 jump start tempo 90 chord 53 1
beat 6 2:2
beat 7 2:3
beat 8 2:4
beat 9 2:1 jump loop tempo 90 chord 53 1
beat 10 2:2
stop beat-limit" "$dir/song.kva" --loop 2 2 --beats 10

check "empty" "$dir/empty.kva"

# A repeat inside a loop plays on every pass: measure 1 twice, then measure 2, and again.
loop=$("$cli" song-timeline "$dir/song.kva" --loop 1 2 --beats 24 | grep -o ' [0-9]*:1 ' | cut -d: -f1 | tr -d ' \n')
[ "$loop" = "112112" ] || { echo "loop passes: $loop"; exit 1; }

# Two measures and no end mark: the song ends with its chord block, as song-info counts it.
song '\074\001\000\000\000\000\000\000\000\000\000\000\000\000\000\000\067\001\000\000' >"$dir/noend.kva"
head -c 12 /dev/zero >>"$dir/noend.kva"
"$cli" song-info "$dir/noend.kva" | grep -qx "last-measure 2"
"$cli" song-timeline "$dir/noend.kva" | tail -2 | tr '\n' '|' | grep -qx "beat 8 2:4|stop end-mark|"
out=$("$cli" song-render "$dir/noend.kva" --style "$styles/rock1.kvs" --out "$dir/noend.mid")
clocks=${out#clocks }
[ "$clocks" -ge $((8 * 24)) ] && [ "$clocks" -lt $((9 * 24)) ] || { echo "$out"; exit 1; }

# A measure of 28 sixteenths is no metre: refused, whatever reads it.
{
  printf '\375\014\000\000\000Memo\r\nTitle\000'
  head -c 120 /dev/zero
  printf '\001\144\034\000\074\001\000\000'
  head -c 24 /dev/zero
  printf '\000\000\377\000'
  head -c 24 /dev/zero
} >"$dir/long.kva"
for command in song-info song-timeline; do
  if "$cli" $command "$dir/long.kva" >"$dir/out" 2>"$dir/err"; then
    echo "$command took a measure of 28 sixteenths"
    exit 1
  fi
  grep -q "measure length of 28 sixteenths" "$dir/err"
done

if "$cli" song-timeline "$dir/bad.kva" >"$dir/out" 2>"$dir/err"; then
  echo "a damaged file was accepted"
  exit 1
fi
[ ! -s "$dir/out" ]
grep -q "bad.kva: " "$dir/err"

# Twelve beats of rock with the song's ending mark; the clock runs until the song stops.
out=$("$cli" song-render "$dir/song.kva" --style "$styles/rock1.kvs" --out "$dir/song.mid")
echo "$out"
clocks=${out#clocks }
[ "$clocks" -ge $((12 * 24)) ] && [ "$clocks" -lt $((13 * 24)) ]
[ "$(head -c 4 "$dir/song.mid")" = "MThd" ]

# Without a style of its own and none given there is nothing to play.
if "$cli" song-render "$dir/song.kva" --out "$dir/none.mid" 2>"$dir/err"; then
  echo "a song without a style was rendered"
  exit 1
fi
grep -q "no style to play the song with" "$dir/err"

# The shipped demo finds its own style beside its folder and plays its repeat and ending:
# 19 measures, 4 of them twice.
out=$("$cli" song-render "$styles/../SONGS/demo3.kva" --out "$dir/demo3.mid")
echo "$out"
clocks=${out#clocks }
[ "$clocks" -ge $((21 * 96)) ] && [ "$clocks" -le $((23 * 96 + 24)) ]
