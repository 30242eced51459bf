#!/usr/bin/env bash
# Starts or stops a Firebird server that listens on 127.0.0.1 only, for the tests
# that need a real server (passwords, roles, lost connections). Run as root.
#   tools/firebird-server.sh start|stop|status
set -euo pipefail

CONF=/etc/firebird/3.0/firebird.conf
RUNDIR=/run/firebird3.0
PIDFILE=$RUNDIR/zest-test.pid
LOCKDIR=$RUNDIR/lock
PORT=3050
SYSDBA_PASSWORD=${ZEST_FB_SYSDBA_PASSWORD:-masterkey}
SECURITY_DB=/var/lib/firebird/3.0/system/security3.fdb

listening() { (exec 3<>/dev/tcp/127.0.0.1/$PORT) 2>/dev/null; }

start() {
  if listening; then
    echo "firebird-server: already listening on 127.0.0.1:$PORT"
    return 0
  fi
  # Loopback only.
  if grep -q '^RemoteBindAddress' "$CONF"; then
    sed -i 's/^RemoteBindAddress.*/RemoteBindAddress = 127.0.0.1/' "$CONF"
  else
    echo 'RemoteBindAddress = 127.0.0.1' >>"$CONF"
  fi
  # Make the SYSDBA password known, whatever the package install set (done through
  # the embedded engine on the security database, before the server holds it).
  local lockdir
  lockdir=$(mktemp -d)
  echo "create or alter user SYSDBA password '$SYSDBA_PASSWORD' using plugin Srp; commit;" |
    FIREBIRD_LOCK=$lockdir isql-fb -q -user SYSDBA "$SECURITY_DB" >/dev/null
  rm -rf "$lockdir"
  chown firebird:firebird "$SECURITY_DB"

  # A lock directory of the server's own: embedded engines of other users (root's
  # tests, the demo) keep theirs in /tmp/firebird, with files the server could not open.
  install -d -o firebird -g firebird -m 0770 "$RUNDIR" "$LOCKDIR"
  FIREBIRD_LOCK=$LOCKDIR start-stop-daemon --start --background --make-pidfile --pidfile "$PIDFILE" \
    --chuid firebird:firebird --exec /usr/sbin/firebird
  for _ in $(seq 1 100); do
    if listening; then
      echo "firebird-server: listening on 127.0.0.1:$PORT"
      return 0
    fi
    sleep 0.1
  done
  echo "firebird-server: the server did not start" >&2
  stop >/dev/null
  return 1
}

stop() {
  if [ -f "$PIDFILE" ]; then
    start-stop-daemon --stop --oknodo --retry TERM/15/KILL/5 --pidfile "$PIDFILE" >/dev/null || true
    rm -f "$PIDFILE"
  fi
  echo "firebird-server: stopped"
}

case "${1:-}" in
start) start ;;
stop) stop ;;
status) if listening; then echo running; else echo stopped; exit 1; fi ;;
*) echo "usage: $0 start|stop|status" >&2; exit 2 ;;
esac
