#!/usr/bin/env bash
# Builds Pelko with its tests and runs all of them. Extra arguments go to cmake (e.g. -DPELKO_SANITIZE=ON).
set -euo pipefail
cd "$(dirname "$0")/.."
build=${PELKO_BUILD_DIR:-build}
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=${PELKO_BUILD_TYPE:-Release} -DPELKO_TESTS=ON "$@" >/dev/null
cmake --build "$build" -j"$(nproc)"
ctest --test-dir "$build" --output-on-failure -j"$(nproc)"
