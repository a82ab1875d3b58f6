#!/usr/bin/env bash
# Installs what the build needs, builds pelko and converts the shipped examples.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release -DPELKO_TESTS=OFF >/dev/null
cmake --build build -j"$(nproc)" --target pelko
out=${PELKO_DEMO_OUT:-demo-out}
mkdir -p "$out"
export PELKO_DATA_DIR=${PELKO_DATA_DIR:-$PWD/$out/settings}
mkdir -p "$PELKO_DATA_DIR"
[ -f "$PELKO_DATA_DIR/csv.ini" ] || cp examples/csv.ini "$PELKO_DATA_DIR/" # column layout of the examples
build/pelko --version
build/pelko /AUTO "/in:csv:bu:examples/buchungen.csv" "/out:csv:$out/buchungen.csv" "/out:error:$out/fehler.txt" \
  || echo "Die Beispielumwandlung endete mit Status $? (Meldungen: $out/fehler.txt)"
build/pelko /AUTO "/in:csv:st:examples/stammdaten.csv" "/out:csv:$out/stammdaten.csv" "/out:error:$out/fehler-stamm.txt" \
  || echo "Die Beispielumwandlung endete mit Status $? (Meldungen: $out/fehler-stamm.txt)"
echo "Ergebnisse in $out/"
