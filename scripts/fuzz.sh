#!/usr/bin/env bash
# Builds the fuzz targets of fuzz/ with clang (libFuzzer, ASan, UBSan) and runs each for SECONDS
# (default 60), as many at once as there are processors. Fails when a target crashes, leaks, hangs
# on one input for more than 10 s or runs out of memory; the input that did it is kept as
# build-fuzz/runs/<target>-crash-... (replay: build-fuzz/<target> FILE).
# Usage: scripts/fuzz.sh [SECONDS] [TARGET...]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
shift $(($# > 0 ? 1 : 0))
build=${PELKO_FUZZ_BUILD_DIR:-build-fuzz}
cmake -S . -B "$build" -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo -DPELKO_FUZZ=ON \
  -DPELKO_TESTS=OFF -DPELKO_GUI=OFF >/dev/null
cmake --build "$build" -j"$(nproc)"
runs="$build/runs"
mkdir -p "$runs"
# The folders the targets write their inputs to, on a memory file system where there is one.
export PELKO_FUZZ_TMP
PELKO_FUZZ_TMP=$(mktemp -d "$([ -d /dev/shm ] && echo /dev/shm || echo /tmp)/pelko-fuzz-runs-XXXXXX")
trap 'rm -rf "$PELKO_FUZZ_TMP"' EXIT

# One line per target in fuzz-seeds.txt: its name and the folders of inputs it starts from. New
# inputs go to runs/corpus/<target>, which later runs start from as well.
declare -A seeds
while read -r name folders; do seeds[$name]=$folders; done <"$build/fuzz-seeds.txt"
targets=("$@")
[ ${#targets[@]} -gt 0 ] || mapfile -t targets < <(printf '%s\n' "${!seeds[@]}" | sort)

run() {
  local name=$1 status=0
  mkdir -p "$runs/corpus/$name"
  # shellcheck disable=SC2086
  "$build/$name" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -max_len=16384 \
    -print_final_stats=1 -artifact_prefix="$runs/$name-" "$runs/corpus/$name" ${seeds[$name]} \
    >"$runs/$name.log" 2>&1 || status=$?
  echo "$status" >"$runs/$name.status"
}

for name in "${targets[@]}"; do
  [ -n "${seeds[$name]+set}" ] || { echo "Unbekanntes Fuzz-Ziel: $name" >&2; exit 2; }
  while [ "$(jobs -rp | wc -l)" -ge "$(nproc)" ]; do wait -n || true; done
  run "$name" &
done
wait || true

failed=0
for name in "${targets[@]}"; do
  rate=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$runs/$name.log")
  if [ "$(cat "$runs/$name.status")" != 0 ]; then
    echo "$name: FEHLER (siehe $runs/$name.log)"
    grep -E 'ERROR|SUMMARY|Eigenschaft|Test unit written|No such file' "$runs/$name.log" | head -5 || true
    failed=1
  else
    echo "$name: ${rate} Ausführungen/s"
  fi
done
exit $failed
