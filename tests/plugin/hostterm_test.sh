#!/usr/bin/env bash
# A host with a connected statement window ends on SIGTERM, as the desktop ends it at
# logout and a service manager at stop: the database client's own handlers for SIGINT and
# SIGTERM (installed at its first attachment) must not stay in place.
#   hostterm_test.sh qt|gtk HOST DEMO_REGISTER TMPDIR
# The Qt host runs on the offscreen platform; the GTK host needs an X server (Xvfb), and
# the case is skipped (exit 77) without one.
set -uo pipefail
KIND=$1 HOST=$2 DEMO=$3 TMP=$4

skip() { echo "SKIPPED: $*"; exit 77; }
fail() { echo "FAILED: $*"; [ -f "$WORK/err" ] && sed 's/^/  host: /' "$WORK/err"; exit 1; }

WORK=$(mktemp -d "$TMP/hostterm-$KIND-XXXXXX")
XVFB_PID= HOST_PID=
cleanup() {
  [ -n "$HOST_PID" ] && kill -KILL "$HOST_PID" 2>/dev/null
  [ -n "$XVFB_PID" ] && kill "$XVFB_PID" 2>/dev/null
  rm -rf "$WORK"
}
trap cleanup EXIT

if [ "$KIND" = gtk ]; then
  command -v Xvfb >/dev/null || skip "Xvfb is not installed"
  Xvfb -displayfd 4 -screen 0 1280x900x24 -nolisten tcp 4>"$WORK/display" >"$WORK/xvfb.log" 2>&1 &
  XVFB_PID=$!
  for _ in $(seq 50); do [ -s "$WORK/display" ] && break; sleep 0.1; done
  [ -s "$WORK/display" ] || skip "no X server could be started"
  export DISPLAY=:$(cat "$WORK/display")
  unset QT_QPA_PLATFORM WAYLAND_DISPLAY
else
  export QT_QPA_PLATFORM=offscreen
fi

register=$WORK/register.fdb
"$DEMO" "$register" --subjects 20 --seed 1 >/dev/null || fail "no demo register"
"$HOST" --database "$register" --user SYSDBA --password masterkey --open >"$WORK/out" 2>"$WORK/err" &
HOST_PID=$!

# Connected: the engine has the register file open and the attachment has returned, the
# process's own disposition of SIGTERM back in place (no handler: bit 15 of SigCgt clear).
holds_register() {
  for fd in /proc/"$HOST_PID"/fd/*; do
    [ "$(readlink "$fd" 2>/dev/null)" = "$register" ] && return 0
  done
  return 1
}
catches_term() {
  local mask
  mask=$(sed -n 's/^SigCgt:[[:space:]]*//p' /proc/"$HOST_PID"/status 2>/dev/null)
  [ $((0x${mask:-0} & 0x4000)) -ne 0 ]
}
connected=
for _ in $(seq 300); do
  kill -0 "$HOST_PID" 2>/dev/null || fail "the host ended before connecting"
  if holds_register && ! catches_term; then connected=1; break; fi
  sleep 0.1
done
[ -n "$connected" ] || echo "note: still catching SIGTERM after 30 s with the register open"

kill -TERM "$HOST_PID"
for _ in $(seq 20); do
  kill -0 "$HOST_PID" 2>/dev/null || break
  sleep 0.1
done
kill -0 "$HOST_PID" 2>/dev/null && fail "the host did not end within 2 s of SIGTERM"
wait "$HOST_PID"
status=$?
HOST_PID=
[ $status -eq $((128 + 15)) ] || fail "the host ended with status $status, not by SIGTERM"
echo "PASSED: $KIND host ended on SIGTERM"
