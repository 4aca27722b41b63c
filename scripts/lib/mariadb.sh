# Private MariaDB server for tests and the demo. Source this file, then:
#   db_start <dir> <root-password> [port]
#                                    starts a server whose data and socket live in <dir>, on the given
#                                    port when it is free (else on another free one); sets DB_PORT,
#                                    DB_SOCKET, DB_PID; creates database "vestra"
#   db_stop                          stops it again
# The server listens on 127.0.0.1 only, on a free port.

db_free_port() {
  local p
  for _ in $(seq 1 200); do
    p=$(( 20000 + RANDOM % 30000 ))
    if db_port_free "$p"; then echo "$p"; return 0; fi
  done
  return 1
}

db_port_free() { ! (exec 3<>"/dev/tcp/127.0.0.1/$1") 2>/dev/null; }

db_start() {
  local dir=$1 pass=$2 wanted=${3:-}
  mkdir -p "$dir"
  dir=$(cd "$dir" && pwd)
  DB_SOCKET="$dir/mysqld.sock"
  local user_opt=()
  if [ "$(id -u)" -eq 0 ]; then user_opt=(--user=root); fi
  local fresh=0
  # The server's temporary tables stay in its own folder, away from what tests clean up in $TMPDIR.
  mkdir -p "$dir/tmp"
  if [ ! -d "$dir/data/mysql" ]; then
    fresh=1
    mariadb-install-db --no-defaults "${user_opt[@]}" --datadir="$dir/data" --tmpdir="$dir/tmp" \
      --auth-root-authentication-method=normal --skip-test-db >"$dir/install.log" 2>&1 \
      || { cat "$dir/install.log"; return 1; }
  fi
  if [ -n "$wanted" ] && db_port_free "$wanted"; then DB_PORT=$wanted; else DB_PORT=$(db_free_port); fi
  mariadbd --no-defaults "${user_opt[@]}" --datadir="$dir/data" --tmpdir="$dir/tmp" --socket="$DB_SOCKET" \
    --port="$DB_PORT" --bind-address=127.0.0.1 --pid-file="$dir/mysqld.pid" \
    --skip-name-resolve --innodb-buffer-pool-size=64M --innodb-log-file-size=16M \
    --innodb-flush-log-at-trx-commit=2 --sync-binlog=0 --skip-log-bin \
    --max-connections=400 --log-error="$dir/error.log" >/dev/null 2>&1 &
  DB_PID=$!
  for _ in $(seq 1 300); do
    if mariadb-admin --no-defaults --socket="$DB_SOCKET" -uroot ${pass:+-p"$pass"} ping >/dev/null 2>&1 \
       || mariadb-admin --no-defaults --socket="$DB_SOCKET" -uroot ping >/dev/null 2>&1; then
      break
    fi
    if ! kill -0 "$DB_PID" 2>/dev/null; then echo "mariadbd did not start:"; tail -20 "$dir/error.log"; return 1; fi
    sleep 0.1
  done
  if [ $fresh -eq 1 ]; then
    mariadb --no-defaults --socket="$DB_SOCKET" -uroot <<SQL
ALTER USER 'root'@'localhost' IDENTIFIED BY '$pass';
CREATE USER IF NOT EXISTS 'root'@'127.0.0.1' IDENTIFIED BY '$pass';
ALTER USER 'root'@'127.0.0.1' IDENTIFIED BY '$pass';
GRANT ALL PRIVILEGES ON *.* TO 'root'@'127.0.0.1' WITH GRANT OPTION;
FLUSH PRIVILEGES;
SQL
  fi
  mariadb --no-defaults --socket="$DB_SOCKET" -uroot -p"$pass" \
    -e "CREATE DATABASE IF NOT EXISTS vestra CHARACTER SET utf8mb4 COLLATE utf8mb4_general_ci"
}

db_stop() {
  if [ -n "${DB_PID:-}" ] && kill -0 "$DB_PID" 2>/dev/null; then
    kill "$DB_PID" 2>/dev/null || true
    for _ in $(seq 1 100); do kill -0 "$DB_PID" 2>/dev/null || break; sleep 0.1; done
    kill -9 "$DB_PID" 2>/dev/null || true
  fi
  DB_PID=
}
