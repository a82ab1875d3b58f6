# Sourced by the database benchmarks: builds pelko and BenchCsv in Release, and run() times one
# automatic run of pelko and prints wall time, bookings/s and peak memory.
#   run LABEL RECORDS SWITCHES...   (needs $work; stops the script when the run fails)
build=build-bench
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DPELKO_BENCH=ON -DPELKO_TESTS=OFF >/dev/null
cmake --build "$build" -j2 --target pelko BenchCsv >/dev/null

run() {
  local label=$1 records=$2; shift 2
  /usr/bin/time -f '%e %M' -o "$work/time.txt" "$build/pelko" /AUTO "$@" "/out:error:$work/fehler.txt" >/dev/null ||
    { echo "  $label: fehlgeschlagen"; cat "$work/fehler.txt"; exit 1; }
  read -r wall rss <"$work/time.txt"
  awk -v l="$label" -v w="$wall" -v r="$rss" -v c="$records" \
    'BEGIN { printf "  %-28s %6.2f s, %8.0f Buchungen/s, Spitzenspeicher %4.0f MB\n", l, w, c / w, r / 1024 }'
}
