#!/usr/bin/env bash
# korvel-cli devices lists what the main window lists: other programs' JACK ports, Korvel's own
# virtual ports, then for outputs the built-in synthesizer and "<None>", for inputs "<None>".
set -euo pipefail
cli="$1"
jack_midi_dump >/dev/null 2>&1 &
dump=$!
trap 'kill $dump 2>/dev/null || true' EXIT
for _ in $(seq 50); do jack_lsp 2>/dev/null | grep -q '^midi-monitor:input$' && break; sleep 0.1; done

out=$("$cli" devices)
echo "$out"
expected_outputs="out 0 midi-monitor:input
out 1 Korvel virtual out
out 2 Korvel synthesizer (FluidSynth)
out 3 <None>"
expected_inputs="in 0 Korvel virtual in
in 1 <None>"
[ "$(grep '^system ' <<<"$out")" = "system JACK" ]
[ "$(grep '^out ' <<<"$out")" = "$expected_outputs" ]
[ "$(grep '^in ' <<<"$out")" = "$expected_inputs" ]
