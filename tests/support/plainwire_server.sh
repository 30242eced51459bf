#!/usr/bin/env bash
# A Firebird server of a test's own whose wire is never encrypted (WireCrypt = Disabled),
# on a free port of 127.0.0.1. It shares nothing with the loopback server that other tests
# use at the same time: its own root with its own firebird.conf, security database
# (SYSDBA, password masterkey) and lock directory, all inside DIR.
#   plainwire_server.sh start DIR   prints the port; fails with the reason otherwise
#   plainwire_server.sh stop DIR    stops it and removes DIR
set -uo pipefail
action=${1:-} dir=${2:-}
[ -n "$dir" ] || { echo "usage: $0 start|stop DIR" >&2; exit 2; }

fail() { echo "$*"; exit 1; }
listening() { (exec 3<>"/dev/tcp/127.0.0.1/$1") 2>/dev/null; }

start() {
  local server=/usr/sbin/firebird isql root
  isql=$(command -v isql-fb || command -v isql) || fail "no isql"
  [ -x "$server" ] || fail "no $server"
  root=$(dirname "$(ls /usr/lib/*/firebird/3.0/firebird.msg 2>/dev/null | head -1)")
  [ -f "$root/firebird.msg" ] || fail "no Firebird 3 root directory"
  mkdir -p "$dir/lock" "$dir/intl" || fail "cannot make $dir"
  for part in firebird.msg plugins lib UDF plugins.conf; do ln -s "$root/$part" "$dir/$part"; done
  # The character sets' module is found beside its own configuration: a copy, not a link.
  cp "$root/intl/libfbintl.so" "$dir/intl/" && cp -L "$root/intl/fbintl.conf" "$dir/intl/" ||
    fail "no character sets module"
  local port
  for _ in $(seq 20); do
    port=$((20000 + RANDOM % 20000))
    listening $port || break
  done
  cat >"$dir/firebird.conf" <<CONF
RemoteServicePort = $port
RemoteBindAddress = 127.0.0.1
WireCrypt = Disabled
SecurityDatabase = $dir/security3.fdb
CONF
  : >"$dir/databases.conf"
  export FIREBIRD=$dir FIREBIRD_LOCK=$dir/lock
  echo "create database '$dir/security3.fdb' user 'SYSDBA';
create user SYSDBA password 'masterkey' using plugin Srp; commit;" |
    "$isql" -q >"$dir/isql.log" 2>&1 || fail "no security database: $(cat "$dir/isql.log")"
  setsid "$server" </dev/null >"$dir/server.log" 2>&1 &
  echo $! >"$dir/server.pid"
  for _ in $(seq 100); do
    kill -0 "$(cat "$dir/server.pid")" 2>/dev/null || fail "the server ended: $(cat "$dir/server.log")"
    listening $port && { echo "$port"; return 0; }
    sleep 0.1
  done
  stop
  fail "the server did not listen on $port"
}

stop() {
  if [ -f "$dir/server.pid" ]; then
    local pid
    pid=$(cat "$dir/server.pid")
    kill -TERM "$pid" 2>/dev/null
    for _ in $(seq 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
    kill -KILL "$pid" 2>/dev/null
  fi
  rm -rf "$dir"
}

case "$action" in
start) start ;;
stop) stop ;;
*) echo "usage: $0 start|stop DIR" >&2; exit 2 ;;
esac
