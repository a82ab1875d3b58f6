#!/usr/bin/env bash
# Installs what the build needs, builds pelko and converts the shipped examples into every file format.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build -j"$(nproc)" --target pelko
out=${PELKO_DEMO_OUT:-demo-out}
mkdir -p "$out/kne-buchungen" "$out/kne-stammdaten"
export PELKO_DATA_DIR=${PELKO_DATA_DIR:-$PWD/$out/settings}
mkdir -p "$PELKO_DATA_DIR"
[ -f "$PELKO_DATA_DIR/csv.ini" ] || cp examples/csv.ini "$PELKO_DATA_DIR/" # column layout of the examples
dv="/dv:examples/angaben_datev.txt"

convert() { # name, switches...
  local name=$1; shift
  if build/pelko /AUTO "$@" "/out:error:$out/fehler-$name.txt" >/dev/null; then
    echo "  $name: fertig"
  else
    echo "  $name: Status $? (Meldungen in $out/fehler-$name.txt)"
  fi
}

build/pelko --version
convert buchungen-csv "/in:csv:bu:examples/buchungen.csv" "/out:csv:$out/buchungen.csv"
convert buchungen-kne "/in:csv:bu:examples/buchungen.csv" "/out:datev:$out/kne-buchungen/" "$dv"
convert buchungen-extf "/in:csv:bu:examples/buchungen.csv" "/out:datevpro:$out/EXTF_Buchungsstapel.csv" "$dv"
convert buchungen-rtf "/in:csv:bu:examples/buchungen.csv" "/out:rtf:$out/buchungen.rtf"
convert kne-zurueck "/in:datev:$out/kne-buchungen/ED00001" "/out:csv:$out/buchungen-aus-kne.csv"
convert stammdaten-csv "/in:csv:st:examples/stammdaten.csv" "/out:csv:$out/stammdaten.csv"
convert stammdaten-kne "/in:csv:st:examples/stammdaten.csv" "/out:datev:$out/kne-stammdaten/" "$dv"
convert stammdaten-extf "/in:csv:st:examples/stammdaten.csv" "/out:datevpro:$out/EXTF_Stammdaten.csv" "$dv"
convert stammdaten-rtf "/in:csv:st:examples/stammdaten.csv" "/out:rtf:$out/stammdaten.rtf"
rm -f "$out/buchhaltung.sqlite" # a new database each time: exports add their rows to an existing table
convert buchungen-sqlite "/in:csv:bu:examples/buchungen.csv" "/out:mdb:$out/buchhaltung.sqlite"
convert stammdaten-sqlite "/in:csv:st:examples/stammdaten.csv" "/out:mdb:$out/buchhaltung.sqlite"
convert sqlite-zurueck "/in:mdb:bu:$out/buchhaltung.sqlite" "/out:csv:$out/buchungen-aus-sqlite.csv"
echo "Ergebnisse in $out/"
