#!/usr/bin/env bash
# korvel-cli import-midi reads a Standard MIDI File as the style generator does and lists the
# material; a file it refuses gives the reader's message on standard error and a non-zero exit.
set -euo pipefail
cli="$1"
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT

# Division 96, one track: 3/4, tempo 500,000 us, program 33, a note of two beats. The last
# note-off stands alone before the end-of-track event.
header='MThd\000\000\000\006\000\000\000\001\000\140'
track='\000\377\130\004\003\002\030\010\000\377\121\003\007\241\040\000\300\041'
track+='\000\220\074\144\201\100\200\074\000\000\377\057\000'
printf "${header}MTrk\\000\\000\\000\\037${track}" >"$dir/song.mid"

expected="format 0
tracks 1
division 96
tempo 120
metre 3/4
clocks 48
event 0 192 33 0
event 0 144 60 100
event 48 128 60 0
end"
out=$("$cli" import-midi "$dir/song.mid" --dump)
echo "$out"
[ "$out" = "$expected" ]
# Without --dump only the fields.
[ "$("$cli" import-midi "$dir/song.mid")" = "$(echo "$expected" | head -n 6)" ]

smf() { python3 "$(dirname "$0")/smf.py" "$@"; }

# The metre comes from numerator and denominator, whatever the metronome's clocks per click.
printf '0 0 FF 58 03 02 30 08\n0 0 90 3C 64\n0 480 80 3C 00\n' | smf "$dir/waltz.mid" 480
"$cli" import-midi "$dir/waltz.mid" | grep -qx 'metre 3/4'

# Division 256: a note on every bar line for 16 bars lies on every 96th clock.
for ((bar = 0; bar < 16; bar++)); do
  echo "0 $((bar * 1024)) 90 3C 64"
  echo "0 $((bar * 1024 + 512)) 80 3C 00"
done | smf "$dir/d256.mid" 256
[ "$("$cli" import-midi "$dir/d256.mid" --dump | awk '$1 == "event" && $3 == 144 { printf "%d ", $2 }')" = \
  "$(for ((bar = 0; bar < 16; bar++)); do printf '%d ' $((bar * 96)); done)" ]

# Optimised timing leaves out the whole measures of leading silence: a note at measure 3,
# beat 3 comes to measure 1, beat 3.
printf '0 0 B0 07 64\n0 4800 90 3C 64\n0 5280 80 3C 00\n' | smf "$dir/late.mid" 480
[ "$("$cli" import-midi "$dir/late.mid" --optimize-timing --dump | awk '$1 == "event" && $3 == 144 { print $2 }')" = 48 ]

# SMPTE division, then a file that is no MIDI file at all.
printf 'MThd\000\000\000\006\000\000\000\001\347\050' >"$dir/smpte.mid"
printf 'RIFF' >"$dir/riff.mid"
for file in smpte riff; do
  if "$cli" import-midi "$dir/$file.mid" --dump >"$dir/out" 2>"$dir/err"; then
    echo "$file.mid was accepted"
    exit 1
  fi
  cat "$dir/err"
  [ ! -s "$dir/out" ]
done
grep -qx "This File is not MTC-decoded !" <("$cli" import-midi "$dir/smpte.mid" 2>&1 || true)
grep -qx "This is not a Standard MIDI-File !" "$dir/err"
