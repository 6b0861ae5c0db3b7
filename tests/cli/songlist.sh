#!/usr/bin/env bash
# korvel-cli songlist lists a song list's entries with their settings, and reports damaged lines
# and settings on standard error by line number.
set -euo pipefail
cli="$1"
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT

# Title (50 columns), a blank, the path (80 columns), a blank, then the settings.
entry() {
  printf '%-50.50s %-80.80s %s\r\n' "$1" "$2" "$3"
}
# Channel boxes, keyboard mode, six boxes, live channel twice, octave, transpose, instrument,
# eight mixer values, the instrument keys and the "Minus One" channel.
settings=1111111110111111'2101010'003003-02-11048007017027037047057067077
settings+=128001002003004005006007008009010011012005
{
  entry "Autumn Waltz" "/home/musician/My Songs/waltz.kva" "$settings"
  printf '\r\n'
  printf 'just a line\r\n'
  entry "Tango" "tango.mid" "${settings:0:26}x${settings:27}"
} >"$dir/set.kvl"

"$cli" songlist "$dir/set.kvl" >"$dir/out" 2>"$dir/err"
cat "$dir/out" "$dir/err"
head -1 "$dir/out" | grep -q '^song 1 Autumn Waltz|/home/musician/My Songs/waltz.kva channels=1111111110111111 mode=2 chords=1 '
grep -q 'channel=4 octave=-2 transpose=-11 instrument=48 volume=7 ' "$dir/out"
grep -q '^song 2 Tango|tango.mid ' "$dir/out"
sed -n 2p "$dir/out" | grep -vq " channel="
grep -q '^line 3: no song file, skipped$' "$dir/err"
grep -q '^line 4: channel cannot be read and is left as it is$' "$dir/err"
[ "$(wc -l <"$dir/err")" -eq 2 ]

if "$cli" songlist "$dir/missing.kvl" 2>/dev/null; then exit 1; fi

# A list written by hand elsewhere: a byte order mark, CR LF, Windows paths in capitals, a
# UTF-8 title of 50 characters (49 and an accented one) and an accented title, both padded by
# characters; a line shifted by a leading blank is refused in words, not read askew.
title50="$(printf 'A%.0s' $(seq 49))é"
{
  printf '\357\273\277'
  printf '%s %-80.80s %s\r\n' "$title50" 'C:\KORVEL\SONGS\DEMO3.KVA' "$settings"
  printf '%s%46s %-80.80s %s\r\n' "Café" "" 'C:\KORVEL\SONGS\TANGO.MID' "$settings"
  printf ' %-50.50s %-80.80s %s\r\n' "Shifted" 'C:\KORVEL\SONGS\WALTZ.KVA' "$settings"
} >"$dir/hand.kvl"
"$cli" songlist "$dir/hand.kvl" >"$dir/out" 2>"$dir/err"
cat "$dir/out" "$dir/err"
[ "$(cut -d' ' -f1-3 "$dir/out" | cut -d'|' -f1)" = "song 1 $title50
song 2 Café" ]
grep -qF "song 1 $title50|C:\\KORVEL\\SONGS\\DEMO3.KVA channels=1111111110111111 mode=2 " "$dir/out"
grep -qF 'song 2 Café|C:\KORVEL\SONGS\TANGO.MID channels=1111111110111111 mode=2 ' "$dir/out"
[ "$(grep -c ' channel=4 octave=-2 transpose=-11 instrument=48 ' "$dir/out")" -eq 2 ]
grep -qx 'line 3: the columns do not line up (the song file does not start in column 52), skipped' \
  "$dir/err"
[ "$(wc -l <"$dir/err")" -eq 1 ]
