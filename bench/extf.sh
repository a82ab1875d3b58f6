#!/bin/sh
# DATEVpro write/read (versions 510 and 700) and RTF write of 1 000 000 bookings: records/s, MB/s and
# peak RSS per phase.
set -e
root=$(cd "$(dirname "$0")/.." && pwd)
build="$root/build-bench"
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DPELKO_BENCH=ON -DPELKO_TESTS=OFF >/dev/null
cmake --build "$build" -j2 --target BenchExtf >/dev/null
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export PELKO_DATA_DIR="$work/data"
count=${1:-1000000}
for version in 510 700; do
    rm -f "$work"/EXTF_*
    for phase in write read; do
        /usr/bin/time -v "$build/BenchExtf" $phase "$work/EXTF_Buchungen.csv" "$count" $version 2>"$work/time.txt"
        grep -E 'Maximum resident set size' "$work/time.txt" | sed "s/^\s*/  $version $phase: /"
    done
done
/usr/bin/time -v "$build/BenchExtf" rtf "$work/liste.rtf" "$count" 2>"$work/time.txt"
grep -E 'Maximum resident set size' "$work/time.txt" | sed "s/^\s*/  rtf: /"
