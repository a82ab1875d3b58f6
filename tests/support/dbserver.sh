#!/usr/bin/env bash
# Starts and stops a PostgreSQL or MariaDB server for the tests and benchmarks: on loopback, in a
# folder of its own, as the packages' unprivileged user when run as root (neither server runs as
# root). The server gets the database "fibu" and the user "fibu" with the password "geheim".
#   dbserver.sh start postgres|mariadb FOLDER PORT [PID]   with PID: stopped when that process ends
#   dbserver.sh stop FOLDER
set -euo pipefail

as_owner() { # runs a command as the owner of the server folder
  if [ "$(id -u)" -eq 0 ]; then runuser -u "$owner" -- "$@"; else "$@"; fi
}

stop() {
  local dir=$1
  if [ -f "$dir/kind" ] && [ "$(cat "$dir/kind")" = postgres ]; then
    owner=$(stat -c %U "$dir")
    as_owner "$(cat "$dir/bin")/pg_ctl" -D "$dir/data" -m immediate -w stop >/dev/null 2>&1 || true
  elif [ -f "$dir/mariadb.pid" ]; then
    local pid
    pid=$(cat "$dir/mariadb.pid")
    kill "$pid" 2>/dev/null || true
    for _ in $(seq 100); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
    kill -9 "$pid" 2>/dev/null || true
  fi
}

start_postgres() {
  local dir=$1 port=$2 bin
  bin=$(ls -d /usr/lib/postgresql/*/bin | sort -V | tail -1)
  echo "$bin" >"$dir/bin"
  echo geheim >"$dir/password"
  as_owner "$bin/initdb" -D "$dir/data" -U postgres -A trust --auth-host=scram-sha-256 \
    --pwfile="$dir/password" -E UTF8 --locale=C --no-sync >"$dir/initdb.log" 2>&1
  as_owner "$bin/pg_ctl" -D "$dir/data" -l "$dir/server.log" -w -o \
    "-p $port -k $dir -c listen_addresses=127.0.0.1 -c fsync=off -c full_page_writes=off" start >/dev/null
  as_owner "$bin/psql" -q -h "$dir" -p "$port" -U postgres -d postgres \
    -c "CREATE ROLE fibu LOGIN PASSWORD 'geheim'" -c "CREATE DATABASE fibu OWNER fibu" >/dev/null
}

start_mariadb() {
  local dir=$1 port=$2 user=()
  [ "$(id -u)" -eq 0 ] && user=(--user="$owner")
  mariadb-install-db --no-defaults "${user[@]}" --datadir="$dir/data" --auth-root-authentication-method=normal \
    --skip-test-db >"$dir/install.log" 2>&1
  setsid mariadbd --no-defaults "${user[@]}" --datadir="$dir/data" --port="$port" --bind-address=127.0.0.1 \
    --socket="$dir/mariadb.sock" --pid-file="$dir/mariadb.pid" --skip-log-bin --innodb-buffer-pool-size=64M \
    --innodb-flush-log-at-trx-commit=2 --character-set-server=utf8mb4 --log-error="$dir/server.log" \
    </dev/null >/dev/null 2>&1 &
  for _ in $(seq 300); do [ -S "$dir/mariadb.sock" ] && [ -f "$dir/mariadb.pid" ] && break; sleep 0.1; done
  mariadb --no-defaults -S "$dir/mariadb.sock" -u root -e "CREATE DATABASE fibu;
    CREATE USER 'fibu'@'%' IDENTIFIED BY 'geheim'; CREATE USER 'fibu'@'localhost' IDENTIFIED BY 'geheim';
    GRANT ALL ON fibu.* TO 'fibu'@'%'; GRANT ALL ON fibu.* TO 'fibu'@'localhost';"
}

case ${1:-} in
start)
  kind=$2 dir=$3 port=$4 watched=${5:-}
  owner=$(id -un)
  if [ "$(id -u)" -eq 0 ]; then
    owner=$([ "$kind" = postgres ] && echo postgres || echo mysql)
    chown "$owner" "$dir"
  fi
  chmod 755 "$dir"
  echo "$kind" >"$dir/kind"
  "start_$kind" "$dir" "$port"
  if [ -n "$watched" ]; then # a test that dies must not leave its server behind
    setsid bash -c "while kill -0 $watched 2>/dev/null; do sleep 1; done; '$0' stop '$dir'; rm -rf '$dir'" \
      </dev/null >/dev/null 2>&1 &
  fi
  ;;
stop) stop "$2" ;;
*) echo "Aufruf: $0 start postgres|mariadb ORDNER PORT [PID] | stop ORDNER" >&2; exit 2 ;;
esac
