#!/usr/bin/env bash
# Workbooks through the real program: 100 000 bookings CSV -> xlsx -> CSV, and the same into a
# second sheet of that workbook (read, extended and written whole). Reports wall time,
# records/s and peak memory of each run of pelko.
#   bench/workbook.sh [BOOKINGS]
set -euo pipefail
cd "$(dirname "$0")/.."
count=${1:-100000}
source bench/run-pelko.sh
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export PELKO_DATA_DIR=$work/data

"$build/BenchCsv" generate "$work/buchungen.csv" "$count"
echo "$count Buchungen; Last: $(cut -d' ' -f1-3 /proc/loadavg)"
run "CSV -> CSV (Vergleich)" "$count" "/in:csv:bu:$work/buchungen.csv" "/out:csv:$work/direkt.csv"
run "CSV -> xlsx" "$count" "/in:csv:bu:$work/buchungen.csv" "/out:mdb:$work/buchungen.xlsx"
echo "  Arbeitsmappe: $(($(stat -c %s "$work/buchungen.xlsx") / 1024)) KB"
run "xlsx -> CSV" "$count" "/in:mdb:bu:$work/buchungen.xlsx" "/out:csv:$work/zurueck.csv"
cmp -s "$work/direkt.csv" "$work/zurueck.csv" && echo "  Zurückgelesen gleicht es Byte für Byte CSV -> CSV."
run "CSV -> zweites Blatt" "$count" "/in:csv:bu:$work/buchungen.csv" "/out:mdb:$work/buchungen.xlsx" /tblZweites
