#!/usr/bin/env bash
# Databases through the real program: 1 000 000 bookings CSV -> SQLite file -> CSV, and 100 000
# bookings into PostgreSQL and MariaDB and back (servers started on loopback for the run, as the
# tests do). Reports wall time, records/s and peak memory of each run of pelko.
#   bench/db.sh [BOOKINGS [SERVER_BOOKINGS]]
set -euo pipefail
cd "$(dirname "$0")/.."
count=${1:-1000000}
serverCount=${2:-100000}
source bench/run-pelko.sh
work=$(mktemp -d)
servers=()
cleanup() {
  for dir in "${servers[@]}"; do tests/support/dbserver.sh stop "$dir"; done
  rm -rf "$work" "${servers[@]}"
}
trap cleanup EXIT
export PELKO_DATA_DIR=$work/data

"$build/BenchCsv" generate "$work/gross.csv" "$count"
"$build/BenchCsv" generate "$work/klein.csv" "$serverCount"
echo "$count Buchungen (SQLite), $serverCount Buchungen (Server); Last: $(cut -d' ' -f1-3 /proc/loadavg)"
run "CSV -> CSV (Vergleich)" "$count" "/in:csv:bu:$work/gross.csv" "/out:csv:$work/direkt.csv"
run "CSV -> SQLite" "$count" "/in:csv:bu:$work/gross.csv" "/out:mdb:$work/buchungen.sqlite"
run "SQLite -> CSV" "$count" "/in:mdb:bu:$work/buchungen.sqlite" "/out:csv:$work/zurueck.csv"
cmp -s "$work/direkt.csv" "$work/zurueck.csv" && echo "  Zurückgelesen gleicht es Byte für Byte CSV -> CSV."

run "CSV -> CSV (Vergleich)" "$serverCount" "/in:csv:bu:$work/klein.csv" "/out:csv:$work/direkt.csv"
for kind in postgres mariadb; do
  dir=$(mktemp -d /tmp/pelko-bench-XXXXXX)
  servers+=("$dir")
  port=$((20000 + RANDOM % 20000))
  tests/support/dbserver.sh start "$kind" "$dir" "$port" $$
  if [ "$kind" = postgres ]; then
    connection="DRIVER={PostgreSQL Unicode};SERVER=127.0.0.1;PORT=$port;DATABASE=fibu;UID=fibu;PWD=geheim;"
  else
    connection="DRIVER={MariaDB Unicode};SERVER=127.0.0.1;PORT=$port;DATABASE=fibu;USER=fibu;PASSWORD=geheim;"
  fi
  run "CSV -> $kind" "$serverCount" "/in:csv:bu:$work/klein.csv" "/out:sql:$connection" /tblBuchungsdaten
  run "$kind -> CSV" "$serverCount" "/in:sql:bu:$connection" /tblBuchungsdaten "/out:csv:$work/zurueck.csv"
  cmp -s "$work/direkt.csv" "$work/zurueck.csv" && echo "  Zurückgelesen gleicht es Byte für Byte CSV -> CSV."
done
