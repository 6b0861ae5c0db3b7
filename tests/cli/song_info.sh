#!/usr/bin/env bash
# korvel-cli song-info describes an arrangement file one field per line, and refuses a damaged
# one on standard error with a non-zero exit.
set -euo pipefail
cli="$1"
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT

# Text block (marker 253, length 12 with the closing zero), 120 reserved bytes, a style block
# with a Windows path, then the chord block: header (first measure 1, tempo 100, 16 sixteenths,
# program 0), C on beat 1, the end mark on the next measure, one measure past it.
song() {
  local tempo="$1"
  printf '\375\014\000\000\000Memo\r\nTitle\000'
  head -c 120 /dev/zero
  local name='C:\STYLES\ROCK1.KVS'
  printf '\374%s' "$name"
  head -c $((160 - ${#name})) /dev/zero
  printf "\\001\\$(printf '%03o' "$tempo")\\020\\000"
  printf '\074\001\000\000'
  head -c 12 /dev/zero
  printf '\000\000\377\000'
  head -c 12 /dev/zero
}
song 100 >"$dir/good.kva"
song 0 >"$dir/bad.kva"

expected="style C:\\STYLES\\ROCK1.KVS
tempo 100
measure-sixteenths 16
first-measure 1
last-measure 2
song-end 36
melody-events 0
text-lines 2"
out=$("$cli" song-info "$dir/good.kva")
echo "$out"
[ "$out" = "$expected" ]

if "$cli" song-info "$dir/bad.kva" >"$dir/out" 2>"$dir/err"; then
  echo "a damaged file was accepted"
  exit 1
fi
cat "$dir/err"
[ ! -s "$dir/out" ]
grep -q "bad.kva: the song's tempo 0 is outside 25..250" "$dir/err"
