#!/bin/sh
# Release build of the KNE bookings benchmark; writer throughput and peak memory of 1 000 000 bookings.
set -e
root=$(cd "$(dirname "$0")/.." && pwd)
build="$root/build-bench"
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DPELKO_BENCH=ON -DPELKO_TESTS=OFF >/dev/null
cmake --build "$build" -j2 --target BenchKne >/dev/null
out=$(mktemp -d)
export PELKO_DATA_DIR="$out/data"
/usr/bin/time -v "$build/BenchKne" "$out" "${1:-1000000}" 2>"$out/time.txt"
grep -E "Maximum resident set size|Elapsed \(wall clock\)" "$out/time.txt"
rm -rf "$out"
