#!/usr/bin/env bash
# korvel-cli tap-tempo: a bar of taps in milliseconds gives its tempo, too few or too fast taps
# give none.
set -euo pipefail
cli="$1"
check() {
  local expected="$1"
  shift
  local got
  got=$("$cli" tap-tempo "$@")
  [ "$got" = "$expected" ] || { echo "tap-tempo $*: '$got', expected '$expected'"; exit 1; }
}
check "tempo 120" 0 500 1000 1500
check "tempo 100" -- 0 600 1200 1800
check "tempo 150" --taps 3 0 400 800
check "tempo 120" --eighths --taps 6 0 250 500 750 1000 1250
check "no tempo" 0 500 1000
check "no tempo" 0 20 40 60
check $'tempo 120\ntempo 100' 0 500 1000 1500 2000 2600 3200 3800
echo ok
