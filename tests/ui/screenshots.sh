#!/usr/bin/env bash
# Takes a screenshot of each window under Xvfb into the given folder. Without Xvfb the test is
# skipped with a message, except in CI, which must have it.
set -euo pipefail
tests=$1 out=$2
if ! command -v xvfb-run >/dev/null; then
  if [ -n "${CI:-}" ]; then echo "xvfb-run fehlt (apt-get install xvfb xauth)" >&2; exit 1; fi
  echo "SKIPPED: xvfb-run fehlt; keine Bildschirmfotos (apt-get install xvfb xauth)"
  exit 77
fi
mkdir -p "$out"
unset WAYLAND_DISPLAY
QT_QPA_PLATFORM=xcb exec xvfb-run -a -s "-screen 0 1280x1024x24" "$tests" CScreenshotTest "$out"
