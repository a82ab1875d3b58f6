#!/usr/bin/env bash
# Every bookings file pair (CSV, KNE, DATEVpro in each direction) through the real pelko binary,
# best of 3, side by side with `cat` of the same input and a standard-library Python converter
# (bench/reference_convert.py, CSV -> CSV). Prints seconds, MB/s, bookings/s, peak RSS and the
# ratios to cat and to Python.
#   bench/pairs.sh [COUNT]            COUNT bookings (default 1 000 000; 10000000 for the large run)
#   PROFILE=1 bench/pairs.sh [COUNT]  also one `perf record -g` (cpu-clock) per pair: top functions
#   PELKO_BASE=FILE bench/pairs.sh    each pair run alternately with the binary FILE (an older
#                                     build) and this one, best of 3 each: a before/after in one run
# Not a timed test: the figures depend on the machine and its load, which is printed with them.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
count=${1:-1000000}
build=${PELKO_BENCH_BUILD:-build-bench}
# A build folder of your own (PELKO_BENCH_BUILD) keeps its settings; it needs PELKO_BENCH=ON and Release.
[ -f "$build/CMakeCache.txt" ] ||
  cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DPELKO_BENCH=ON -DPELKO_TESTS=OFF -DPELKO_GUI=OFF >/dev/null
cmake --build "$build" -j2 --target pelko BenchCsv >/dev/null
# PELKO_BIN=path measures another pelko binary (an older build, for a before/after table).
pelko=${PELKO_BIN:-$root/$build/pelko}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export PELKO_DATA_DIR=$work/data
dv=/dv:$root/examples/angaben_datev.txt

# Inputs: the CSV of the default layout, and the KNE and DATEVpro files pelko makes of it. A KNE
# data file holds at most 99 999 blocks of 256 bytes (about 300 000 bookings of this kind): pairs
# with KNE run on a smaller set (KNE_COUNT), the first bookings of the same kind. pelko writes at most
# 99 999 bookings into one DATEVpro file (a larger export goes into parts) but reads a file of any
# size, as other programs write them: the DATEVpro input of a set repeats the data lines of one
# written file up to the set's count, so that the header's date range holds every booking.
kneCount=${KNE_COUNT:-250000}
[ "$kneCount" -gt "$count" ] && kneCount=$count
proCount=99999
[ "$proCount" -gt "$kneCount" ] && proCount=$kneCount
make_set() { # name, count, formats beside CSV
  mkdir -p "$work/$1/kne" "$work/$1/out-kne" "$work/$1/out-pro"
  "$build/BenchCsv" generate "$work/$1/in.csv" "$2"
  case $3 in *kne*) "$pelko" /AUTO "/in:csv:bu:$work/$1/in.csv" "/out:datev:$work/$1/kne/" "$dv" >/dev/null ;; esac
}
make_set large "$count" ""
make_set small "$kneCount" kne
"$build/BenchCsv" generate "$work/pro.csv" "$proCount"
"$pelko" /AUTO "/in:csv:bu:$work/pro.csv" "/out:datevpro:$work/EXTF_pro.csv" "$dv" >/dev/null
repeat_pro() { # set, count
  awk -v n="$2" 'NR <= 2 { print; next } { line[++k] = $0 } END { for (i = 0; i < n; i++) print line[i % k + 1] }' \
    "$work/EXTF_pro.csv" >"$work/$1/EXTF_in.csv"
}
repeat_pro large "$count"
repeat_pro small "$kneCount"
mb() { echo $(($(stat -c %s "$1") / 1000000)); }
echo "$count Buchungen: CSV $(mb "$work/large/in.csv") MB, DATEVpro $(mb "$work/large/EXTF_in.csv") MB;" \
  "$kneCount (Paare mit KNE): KNE $(mb "$work/small/kne/ED00001") MB"
echo "$(nproc) Kerne; Last vorher: $(cut -d' ' -f1-3 /proc/loadavg)"

inputFile() { # set, format
  case $2 in csv) echo "$work/$1/in.csv" ;; kne) echo "$work/$1/kne/ED00001" ;; datevpro) echo "$work/$1/EXTF_in.csv" ;; esac
}
switches() { # set, from, to
  case $2 in csv) echo "/in:csv:bu:$(inputFile "$1" csv)" ;; kne) echo "/in:datev:$(inputFile "$1" kne)" ;;
    datevpro) echo "/in:datevpro:$(inputFile "$1" datevpro)" ;; esac
  case $3 in csv) echo "/out:csv:$work/$1/out.csv" ;; kne) echo "/out:datev:$work/$1/out-kne/" ;;
    datevpro) echo "/out:datevpro:$work/$1/out-pro/EXTF_out.csv" ;; esac
  echo "$dv"
}

# On a shared machine the CPU time (user + system) of a run says more than its wall-clock time.
once() { # runs the command, prints "seconds rss_kb cpu_seconds"
  /usr/bin/time -f '%e %M %U %S' -o "$work/time.txt" "$@" >/dev/null 2>"$work/stderr.txt" || {
    echo "FEHLGESCHLAGEN: $*" >&2; cat "$work/stderr.txt" >&2; exit 1; }
  awk '{ print $1, $2, $3 + $4 }' "$work/time.txt"
}
faster() { # of two "seconds rss cpu" lines (the first may be empty), the faster one
  if [ -z "$1" ] || awk -v a="${2%% *}" -v b="${1%% *}" 'BEGIN { exit !(a < b) }'; then echo "$2"; else echo "$1"; fi
}
best() { # "seconds rss_kb cpu_seconds" of the fastest of 3 runs of the command
  local fastest=""
  for _ in 1 2 3; do fastest=$(faster "$fastest" "$(once "$@")"); done
  echo "$fastest"
}
# A pair run 3 times with each binary, in turns, so that both see the same load: prints this
# binary's fastest run and the seconds of the base binary's fastest.
bestBeside() { # pelko arguments
  local fastest="" fastestBase=""
  for _ in 1 2 3; do
    fastestBase=$(faster "$fastestBase" "$(once "$PELKO_BASE" "$@")")
    fastest=$(faster "$fastest" "$(once "$pelko" "$@")")
  done
  echo "$fastest ${fastestBase%% *}"
}

read -r python pythonRss pythonCpu <<<"$(best python3 bench/reference_convert.py "$work/large/in.csv" "$work/python.csv")"
printf '%-20s %9s %8s %6s %7s %12s %7s %6s %8s%s\n' Lauf Buchungen Sekunden CPU-s MB/s Buchungen/s "RSS MB" "x cat" \
  "Python/x" "${PELKO_BASE:+   Basis-s  x Basis}"
row() { # label, bookings, input file, seconds, rss_kb, cpu seconds, cat seconds[, base seconds]
  awk -v l="$1" -v n="$2" -v b="$(stat -c %s "$3")" -v s="$4" -v r="$5" -v u="$6" -v c="$7" -v p="$python" \
    -v pn="$count" -v base="${8:-}" 'BEGIN {
    if (s < 0.005) s = 0.005
    if (c < 0.005) c = 0.005
    printf "%-20s %9d %8.2f %6.2f %7.1f %12.0f %7.0f %6.1f %8.1f", l, n, s, u, b / 1e6 / s, n / s, r / 1024, s / c,
      p / pn * n / s
    if (base != "") printf " %9.2f %8.2f", base, s / (base < 0.005 ? 0.005 : base)
    printf "\n" }'
}
for from in csv kne datevpro; do
  for to in csv kne datevpro; do
    set=large n=$count
    if [ $from = kne ] || [ $to = kne ]; then set=small n=$kneCount; fi
    in=$(inputFile $set $from)
    if [ "$in" != "${catInput:-}" ]; then # cat of each input, before its first pair
      read -r catSeconds catRss catCpu <<<"$(best sh -c "cat '$in' >'$work/copy'")"
      row "cat ($from)" "$n" "$in" "$catSeconds" "$catRss" "$catCpu" "$catSeconds"
      catInput=$in
    fi
    if [ $from$to = csvcsv ]; then
      row "Python csv -> csv" "$n" "$in" "$python" "$pythonRss" "$pythonCpu" "$catSeconds"
    fi
    mapfile -t args < <(switches $set $from $to)
    base=""
    if [ -n "${PELKO_BASE:-}" ]; then
      read -r seconds rss cpu base <<<"$(bestBeside /AUTO "${args[@]}")"
    else
      read -r seconds rss cpu <<<"$(best "$pelko" /AUTO "${args[@]}")"
    fi
    row "$from -> $to" "$n" "$in" "$seconds" "$rss" "$cpu" "$catSeconds" "$base"
    if [ $from$to = csvcsv ] && ! cmp -s "$in" "$work/large/out.csv"; then
      echo "  CSV -> CSV gibt die Eingabe nicht Byte für Byte wieder" >&2
    fi
  done
done
echo "Last nachher: $(cut -d' ' -f1-3 /proc/loadavg)"

if [ "${PROFILE:-0}" = 1 ]; then
  for from in csv kne datevpro; do
    for to in csv kne datevpro; do
      set=large
      if [ $from = kne ] || [ $to = kne ]; then set=small; fi
      mapfile -t args < <(switches $set $from $to)
      perf record -q -e cpu-clock -g -o "$work/perf.data" "$pelko" /AUTO "${args[@]}" >/dev/null 2>&1
      echo "== Profil $from -> $to (Selbstanteil, die ersten 12)"
      perf report -i "$work/perf.data" --no-children --stdio --percent-limit 1.5 -g none 2>/dev/null |
        grep -E '^ +[0-9]' | head -12
    done
  done
fi
