#!/usr/bin/env bash
# cmake --install puts the programs, the styles, songs and instrument lists, the menu entry and
# the icon where the freedesktop conventions say, and the installed programs find their files.
set -euo pipefail
build="$1"
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
cmake --install "$build" --prefix "$prefix" >/dev/null
for file in bin/korvel bin/korvel-cli share/korvel/STYLES/rock1.kvs share/korvel/SONGS/demo3.kva \
  share/korvel/gm.kvi share/korvel/help/index.html share/applications/korvel.desktop \
  share/icons/hicolor/scalable/apps/korvel.svg; do
  [ -e "$prefix/$file" ] || { echo "missing $file"; exit 1; }
done
grep -qx 'Exec=korvel' "$prefix/share/applications/korvel.desktop"
grep -qx 'Icon=korvel' "$prefix/share/applications/korvel.desktop"
"$prefix/bin/korvel-cli" style-info "$prefix/share/korvel/STYLES/rock1.kvs" | grep -q '^name ROCK1$'
"$prefix/bin/korvel-cli" song-info "$prefix/share/korvel/SONGS/demo3.kva" >/dev/null
echo ok
