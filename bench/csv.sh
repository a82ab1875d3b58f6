#!/usr/bin/env bash
# CSV throughput: 1 000 000 bookings (about 100 MB). Import, export and the whole automatic run
# CSV -> CSV are measured each on its own; wc -l over the same file is the baseline.
set -euo pipefail
cd "$(dirname "$0")/.."
count=${1:-1000000}
build=build-bench
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DPELKO_BENCH=ON -DPELKO_TESTS=OFF >/dev/null
cmake --build "$build" -j2 --target pelko BenchCsv >/dev/null
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export PELKO_DATA_DIR=$work/data
in=$work/buchungen.csv

"$build/BenchCsv" generate "$in" "$count"
size=$(stat -c %s "$in")
echo "Datei: $count Buchungen, $size Bytes"

measure() { # label, command...
  local label=$1; shift
  /usr/bin/time -v "$@" 2>"$work/time.txt" | grep -v '^Daten\|^Konvertierung' || true
  local seconds rss
  seconds=$(awk -F': ' '/Elapsed \(wall clock\)/ {n=split($2,t,":"); s=0; for(i=1;i<=n;i++) s=s*60+t[i]; print s}' "$work/time.txt")
  rss=$(awk -F': ' '/Maximum resident set size/ {printf "%.0f", $2/1024}' "$work/time.txt")
  echo "$label: ${seconds} s Wanduhr, Spitzenspeicher ${rss} MB"
}

measure "wc -l (Vergleich)" wc -l "$in"
measure "Import" "$build/BenchCsv" import "$in"
measure "Export" "$build/BenchCsv" export "$work/export.csv" "$count"
measure "Automatischer Lauf CSV -> CSV" "$build/pelko" /AUTO "/in:csv:bu:$in" "/out:csv:$work/out.csv" \
  "/out:error:$work/fehler.txt"
cmp -s "$in" "$work/out.csv" && echo "Ausgabe des Laufs gleicht der Eingabe Byte für Byte."
awk -v s="$size" -v c="$count" -F': ' '/Elapsed \(wall clock\)/ {n=split($2,t,":"); x=0; for(i=1;i<=n;i++) x=x*60+t[i]; printf "Lauf: %.1f MB/s, %.0f Buchungen/s\n", s/1e6/x, c/x}' "$work/time.txt"
