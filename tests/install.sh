#!/usr/bin/env bash
# Installs the build into a fresh prefix and runs the installed program: it must find its templates
# in share/pelko (the data folder is seeded from there) and the help pages beside them.
set -euo pipefail
build=$1 source=$2
prefix=$(mktemp -d) data=$(mktemp -d)
trap 'rm -rf "$prefix" "$data"' EXIT
cmake --install "$build" --prefix "$prefix" >/dev/null
test -x "$prefix/bin/pelko"
test -f "$prefix/share/pelko/help/index.html"
test -f "$prefix/share/pelko/logo.bmp"
env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM PELKO_DATA_DIR="$data" "$prefix/bin/pelko" /AUTO \
  "/in:csv:bu:$source/examples/buchungen.csv" "/out:rtf:$data/liste.rtf" >/dev/null
cmp "$data/stammdaten_umsetzung.ini" "$source/data/stammdaten_umsetzung.ini"
test -s "$data/liste.rtf"
echo "installed program finds its program folder"
