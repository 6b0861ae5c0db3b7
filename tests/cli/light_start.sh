#!/usr/bin/env bash
# Commands that write files or list things never load the synthesizer library: it is opened
# only when sound is made through it. The file player, which hosts FluidSynth's MIDI file
# player, shows that the check sees the library when it is loaded.
set -euo pipefail
cli="$1"
styles="$2"
song="$3"
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT

# The libraries the dynamic loader opened for a command, by name, into $dir/loaded.
loaded() {
  LD_DEBUG=files LD_DEBUG_OUTPUT="$dir/ld" "$cli" "$@" >/dev/null
  cat "$dir"/ld.* | sed -n 's/.*file=\([^ ]*\).*/\1/p' | sort -u >"$dir/loaded"
  rm -f "$dir"/ld.*
}
no_synth() {
  loaded "$@"
  if grep -i fluidsynth "$dir/loaded"; then
    echo "korvel-cli $* loaded the synthesizer library" >&2
    exit 1
  fi
}

no_synth --help
no_synth play "$styles/rock1.kvs" --chords "C 4 | F 4 | G7 4 | C 4" --out "$dir/rock.mid"
[ -s "$dir/rock.mid" ]
no_synth style-info "$styles/rock1.kvs"

loaded file-play "$song" --out "$dir/song.mid"
grep -qx 'libfluidsynth\.so\.3' "$dir/loaded"
