#!/usr/bin/env bash
# korvel-cli pads lists every pad with its chord or control key; chord-code encode and decode
# agree, and refuse what is no chord code.
set -euo pipefail
cli="$1"

notes=(C C# D Eb E F F# G Ab A Bb B)
types=(- maj min 7th min7 dim sus4 add9 5b M7 aug 6th mM7 min6 min9 m5b aug7 sus7)
# The pads' roots lie in 44..55 with the pad's own pitch class: C is 48, Ab 44, G 55.
table() {
  local slots=("$@") row pc
  for row in 0 1 2 3 4 5 6 7 8 9 10; do
    local letter
    letter=$(printf "\\$(printf '%03o' $((65 + row)))")
    local type=${slots[$row]}
    for pc in 0 1 2 3 4 5 6 7 8 9 10 11; do
      printf '%s%02d chord %d %d %s %s\n' "$letter" "$pc" $((44 + (pc + 4) % 12)) "$type" \
        "${notes[$pc]}" "${types[$type]}"
    done
  done
  printf 'L00 control 36 12 Fill in - F1\nL01 control 39 12 Basic - F3\n'
  printf 'L02 control 38 12 Ending - F4\nL03 control 37 12 Ext. - F2\nL04 control 35 12 Intro\n'
}
diff <(table 1 2 3 4 5 6 7 8 9 10 11) <("$cli" pads)
diff <(table 1 17 16 15 14 13 12 11 10 9 8) <("$cli" pads --chord-types 17161514131211100908)
"$cli" pads | grep -qx 'B07 chord 55 2 G min'
if "$cli" pads --chord-types 0102 >/dev/null 2>&1; then
  echo "a short slot string is refused"
  exit 1
fi

[ "$("$cli" chord-code encode 55 4)" = "controller 20 value 43" ]
[ "$("$cli" chord-code encode 50 12)" = "controller 19 value 14" ]
# Every type once, each on another root (the unit tests go through the whole table).
for type in $(seq 1 17); do
  for root in $((36 + (type * 5) % 12)); do
    read -r _ c _ v < <("$cli" chord-code encode "$root" "$type")
    expected="chord $((root % 12)) $type ${notes[$((root % 12))]} ${types[$type]}"
    got=$("$cli" chord-code decode "$c" "$v")
    [ "$got" = "$expected" ] || { echo "$root $type: $got, not $expected"; exit 1; }
  done
done
for type in 0 18 -1; do
  if "$cli" chord-code encode 48 "$type" >/dev/null 2>&1; then
    echo "type $type has no code"
    exit 1
  fi
done

# What is no chord code is named "invalid" and fails, as encode fails for what has none.
decode() {
  local got status=0
  got=$("$cli" chord-code decode "$1" "$2") || status=$?
  [ "$got" = "$3" ] || { echo "$1 $2: $got"; exit 1; }
  [ "$status" = "$([ "$3" = invalid ] && echo 1 || echo 0)" ] || { echo "$1 $2 exits $status"; exit 1; }
}
decode 20 119 "chord 11 10 B aug"
decode 19 83 "chord 11 17 B sus7"
decode 19 84 invalid
decode 19 119 invalid
decode 20 120 "adlib off"
decode 19 121 "adlib on"
decode 20 122 refresh
decode 19 127 refresh
decode 21 0 invalid
decode 20 128 invalid
decode 20 -1 invalid
echo ok
