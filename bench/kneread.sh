#!/usr/bin/env bash
# Reads 1 000 000 bookings back from a KNE data file ("ED00001"): bookings/s, MB/s and peak memory.
# CPU times are shown too: on a busy machine they say more than the wall-clock time.
set -euo pipefail
cd "$(dirname "$0")/.."
count=${1:-1000000}
build=${PELKO_BENCH_BUILD:-build-bench}
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DPELKO_BENCH=ON -DPELKO_TESTS=OFF >/dev/null
cmake --build "$build" -j2 --target BenchKneRead >/dev/null
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export PELKO_DATA_DIR=$work/data
"$build"/BenchKneRead write "$work" "$count"
/usr/bin/time -v "$build"/BenchKneRead read "$work" 2>"$work/time.txt"
grep -E "User time|System time|Maximum resident set size|Elapsed \(wall clock\)" "$work/time.txt"
