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
mkdir -p "$out" "$out/200-prozent"
unset WAYLAND_DISPLAY
export QT_QPA_PLATFORM=xcb
xvfb-run -a -s "-screen 0 1280x1024x24" "$tests" CScreenshotTest "$out"
# The same windows at 200 % scaling, as on a high-resolution screen.
QT_SCALE_FACTOR=2 xvfb-run -a -s "-screen 0 2560x2048x24" "$tests" CScreenshotTest "$out/200-prozent"
