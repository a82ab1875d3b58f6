#!/usr/bin/env bash
# Fuzzes for longer by hand: every target for SECONDS (default one hour), or only the targets named.
# The inputs found are kept in build-fuzz/runs/corpus and used by the next run. An input that
# crashed a target belongs in fuzz/corpus/<target>/ (the normal tests replay it) and in a test
# of tests/ once the fault is mended.
# Usage: scripts/fuzz-long.sh [SECONDS] [TARGET...]
exec "$(dirname "$0")/fuzz.sh" "${1:-3600}" "${@:2}"
