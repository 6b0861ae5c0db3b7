#!/usr/bin/env bash
# cmake --install puts the programs, the styles, songs and instrument lists, the menu entry with
# its file types, the icon, the AppStream description, the manual pages and the licence where the
# freedesktop and Debian conventions say, each valid, and the installed programs find their files.
set -euo pipefail
build="$1"
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
cmake --install "$build" --prefix "$prefix" >/dev/null
for file in bin/korvel bin/korvel-cli share/korvel/STYLES/rock1.kvs share/korvel/SONGS/demo3.kva \
  share/korvel/gm.kvi share/korvel/help/index.html share/applications/korvel.desktop \
  share/icons/hicolor/scalable/apps/korvel.svg share/mime/packages/korvel.xml \
  share/metainfo/org.korvel.Korvel.metainfo.xml share/man/man1/korvel.1.gz \
  share/man/man1/korvel-cli.1.gz share/doc/korvel/copyright; do
  [ -e "$prefix/$file" ] || { echo "missing $file"; exit 1; }
done
grep -qx 'Exec=korvel %f' "$prefix/share/applications/korvel.desktop"
desktop-file-validate "$prefix/share/applications/korvel.desktop"
appstreamcli validate --no-net "$prefix/share/metainfo/org.korvel.Korvel.metainfo.xml" >/dev/null
update-mime-database "$prefix/share/mime" >/dev/null 2>&1
[ -e "$prefix/share/mime/application/x-korvel-arrangement.xml" ]
zcat "$prefix/share/man/man1/korvel-cli.1.gz" | grep -q '^\.SH DESCRIPTION'
zcat "$prefix/share/man/man1/korvel.1.gz" | grep -q 'use FILE as the settings file'
"$prefix/bin/korvel" --version | grep -q "^korvel [0-9]"
grep -qx 'Icon=korvel' "$prefix/share/applications/korvel.desktop"
"$prefix/bin/korvel-cli" style-info "$prefix/share/korvel/STYLES/rock1.kvs" | grep -q '^name ROCK1$'
"$prefix/bin/korvel-cli" song-info "$prefix/share/korvel/SONGS/demo3.kva" >/dev/null
echo ok
