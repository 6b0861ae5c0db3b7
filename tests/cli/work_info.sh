#!/usr/bin/env bash
# korvel-cli work-info describes a work file one field per line, across the chunks of its
# material, and refuses a damaged one in words with a non-zero exit; capture names a missing
# input.
set -euo pipefail
cli="$1"
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT

# 16 sixteenths, chord memory ending at 4 (8 bytes: the header and C major), a channel table
# with notes on channel 10, an empty part table, and two chunks of material.
work() {
  local length="$1"
  printf '\020\000'
  printf "\\$(printf '%03o' "$length")\\000"
  printf '\000\000\000\000\074\001\000\000'
  head -c 1577 /dev/zero
  printf '\001'
  head -c $((1593 - 1578)) /dev/zero
  head -c 528 /dev/zero
  printf '\220\074\144\377\377\200\074\000\377\377'
  printf '\360'
  printf '\231\044\144\377'
}
work 4 >"$dir/good.kvw"
work 6 >"$dir/bad.kvw"

out=$("$cli" work-info "$dir/good.kvw")
head=$(printf '%s\n' "$out" | head -n 5)
expected="work-sixteenths 16
chord-memory-bytes 8
material-bytes 14
chunks 2
has-notes 10"
if [[ "$head" != "$expected" ]]; then
  echo "work-info printed:"
  echo "$out"
  exit 1
fi
for part in 0 7; do
  grep -qx "part $part empty" <<<"$out" || { echo "no line for part $part"; echo "$out"; exit 1; }
done

if "$cli" work-info "$dir/bad.kvw" 2>"$dir/err"; then
  echo "a damaged work file was accepted"
  exit 1
fi
grep -q "not on an entry" "$dir/err" || { cat "$dir/err"; exit 1; }

if "$cli" capture --in "no such input" --measures 4 -o "$dir/take.kvw" 2>"$dir/err" >/dev/null; then
  echo "capture from a missing input succeeded"
  exit 1
fi
grep -q 'No MIDI input "no such input"' "$dir/err" || { cat "$dir/err"; exit 1; }
[[ ! -e "$dir/take.kvw" ]]
echo ok
