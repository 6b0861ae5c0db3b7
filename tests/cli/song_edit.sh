#!/usr/bin/env bash
# korvel-cli song-edit applies the song editor's operations in order and saves the result; a
# refused operation prints the editor's message and writes nothing.
set -euo pipefail
cli="$1"
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT

# Text block, 120 reserved bytes, the chord block: header (first measure 1, tempo 100,
# 16 sixteenths), C on 1:1, G with tempo 90 on 2:1, the end mark on 3:1.
{
  printf '\375\014\000\000\000Memo\r\nTitle\000'
  head -c 120 /dev/zero
  printf '\001\144\020\000'
  printf '\074\001\000\000'
  head -c 12 /dev/zero
  printf '\067\001\376\132'
  head -c 12 /dev/zero
  printf '\000\000\377\000'
  head -c 12 /dev/zero
} >"$dir/song.kva"

"$cli" song-edit "$dir/song.kva" insert-measures 2 1 set-beat 2:1 Am7 paste-beat 2:3 3:1 \
  set-command 1:2 254 120 copy-measures 1 1 4 -o "$dir/out.kva"
out=$("$cli" song-timeline "$dir/out.kva")
echo "$out"
[ "$out" = "beat 1 1:1 chord 60 1
beat 2 1:2 tempo 120
beat 3 1:3
beat 4 1:4
beat 5 2:1 chord 45 4
beat 6 2:2
beat 7 2:3 tempo 90 chord 55 1
beat 8 2:4
beat 9 3:1 tempo 90 chord 55 1
beat 10 3:2
beat 11 3:3
beat 12 3:4
beat 13 4:1 chord 60 1
beat 14 4:2 tempo 120
beat 15 4:3
beat 16 4:4
stop end-mark" ]

for refused in "delete-measure 3:The measure with the end of the song cannot be deleted." \
  "insert-measures 2 99999999999999:There is no room for that many measures." \
  "copy-measures 1 3 749:The copied measures do not fit into the song memory." \
  "copy-measures 1 1 5:The destination lies behind the end of the song."; do
  read -ra ops <<<"${refused%%:The*}"
  message="The${refused#*:The}"
  if "$cli" song-edit "$dir/song.kva" set-beat 1:2 F "${ops[@]}" -o "$dir/refused.kva" \
    2>"$dir/err"; then
    echo "accepted: ${ops[*]}"
    exit 1
  fi
  cat "$dir/err"
  grep -qF "$message" "$dir/err"
  [ ! -e "$dir/refused.kva" ]
done

# A STOP set inside a four-measure song and cut again leaves the song as it was: the end stays
# one measure past the end mark on 5:1 and every measure is kept.
{
  printf '\375\014\000\000\000Memo\r\nTitle\000'
  head -c 120 /dev/zero
  printf '\001\144\020\000'
  for chord in '\074\001' '\067\001' '\065\001' '\074\001'; do
    printf "$chord"'\000\000'
    head -c 12 /dev/zero
  done
  printf '\000\000\377\000'
  head -c 12 /dev/zero
} >"$dir/four.kva"
"$cli" song-info "$dir/four.kva" | grep -qx "song-end 84"
"$cli" song-edit "$dir/four.kva" set-command 2:1 255 0 -o "$dir/stop.kva"
"$cli" song-info "$dir/stop.kva" | grep -qx "song-end 84"
"$cli" song-edit "$dir/stop.kva" set-command 2:1 0 0 -o "$dir/cut.kva"
"$cli" song-info "$dir/cut.kva" | grep -qx "song-end 84"
[ "$("$cli" song-timeline "$dir/cut.kva")" = "$("$cli" song-timeline "$dir/four.kva")" ]
"$cli" song-timeline "$dir/cut.kva" | grep -q "^beat 13 4:1 chord 60 1$"
