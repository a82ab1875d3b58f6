#!/usr/bin/env bash
# CSV throughput: 1 000 000 bookings (about 120 MB). Import, export and the whole automatic run
# CSV -> CSV are measured each on its own; wc -l over the same file is the baseline.
# Every figure is taken twice: as the system comes, and with glibc's malloc asking for transparent
# huge pages (GLIBC_TUNABLES=glibc.malloc.hugetlb=1), because on virtual machines where a page
# fault is expensive the record list's first touch dominates the time.
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
echo "Datei: $count Buchungen, $size Bytes; Last: $(cut -d' ' -f1-3 /proc/loadavg)"

measure() { # label, command...
  local label=$1; shift
  /usr/bin/time -f '%e %U %S %M' -o "$work/time.txt" "$@" | grep -v '^Daten\|^Konvertierung' || true
  read -r wall user sys rss <"$work/time.txt"
  awk -v l="$label" -v w="$wall" -v u="$user" -v s="$sys" -v r="$rss" -v b="$size" -v c="$count" 'BEGIN {
    printf "  %-32s %6.2f s Wanduhr (%5.1f MB/s, %7.0f Buchungen/s), %5.2f s CPU, Spitzenspeicher %4.0f MB\n",
      l, w, b / 1e6 / w, c / w, u + s, r / 1024 }'
}

for tunables in "" "glibc.malloc.hugetlb=1"; do
  echo "GLIBC_TUNABLES=${tunables:-(leer)}"
  export GLIBC_TUNABLES=$tunables
  measure "wc -l (Vergleich)" wc -l "$in"
  measure "Import" "$build/BenchCsv" import "$in"
  measure "Export" "$build/BenchCsv" export "$work/export.csv" "$count"
  measure "Lauf CSV -> CSV (pelko /AUTO)" "$build/pelko" /AUTO "/in:csv:bu:$in" "/out:csv:$work/out.csv" \
    "/out:error:$work/fehler.txt"
  cmp -s "$in" "$work/out.csv" && echo "  Ausgabe des Laufs gleicht der Eingabe Byte für Byte."
done
