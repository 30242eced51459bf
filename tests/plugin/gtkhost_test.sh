#!/usr/bin/env bash
# The plug-in in the GTK host under a virtual X server (Xvfb), driven through the X server
# as a person would (xdotool), the host's own commands on its standard input.
#   gtkhost_test.sh HOST DEMO_REGISTER TMPDIR CASE [SHOTDIR]
# CASE drive: the statement window is mapped and transient for the host's window; a
#   click on "Pobierz osoby" fills the subject grid, one on "Zestawienie" brings up the
#   preview; the plug-in is unloaded with both open, the host's loop runs on, exit 0.
# CASE reload: an owner handle that names no window; unload with the window closed and
#   never opened; a second load works; a call from another thread shows nothing.
# CASE midrun: a register on the Firebird server behind a slow link ($ZEST_SLOWLINK); while
#   a run shows its progress, `open` with other credentials waits for the run's end (the
#   run's statements all recorded, under the connection it began on) and then connects;
#   `unload` during the next run: no crash, the windows go and the library is unmapped
#   once the run has ended, and a new load works. The register of disclosures is read
#   with the command-line tool ($ZEST_CLI).
# Exit 77 (skipped) when a tool is missing, no X server can be started or (midrun) no
# Firebird server is configured (ZEST_FB_SERVER_HOST).
set -uo pipefail
HOST=$1 DEMO=$2 TMP=$3 CASE=$4 SHOTS=${5:-}

skip() { echo "SKIPPED: $*"; exit 77; }
fail() { echo "FAILED: $*"; [ -f "$OUT" ] && sed 's/^/  host: /' "$OUT" "$ERR"; exit 1; }
for tool in Xvfb xdotool xprop xwininfo convert; do
  command -v $tool >/dev/null || skip "$tool is not installed"
done

WORK=$(mktemp -d "$TMP/gtkhost-$CASE-XXXXXX")
OUT=$WORK/out ERR=$WORK/err
XVFB_PID= HOST_PID= LINK_PID= SERVER_FILE=
cleanup() {
  exec 3>&- 2>/dev/null
  [ -n "$HOST_PID" ] && kill "$HOST_PID" 2>/dev/null
  [ -n "$XVFB_PID" ] && kill "$XVFB_PID" 2>/dev/null
  [ -n "$LINK_PID" ] && kill "$LINK_PID" 2>/dev/null
  [ -n "$SERVER_FILE" ] && rm -f "$SERVER_FILE"
  rm -rf "$WORK"
}
trap cleanup EXIT

Xvfb -displayfd 4 -screen 0 1280x900x24 -nolisten tcp 4>"$WORK/display" >"$WORK/xvfb.log" 2>&1 &
XVFB_PID=$!
for _ in $(seq 50); do [ -s "$WORK/display" ] && break; sleep 0.1; done
[ -s "$WORK/display" ] || skip "no X server could be started: $(head -c 300 "$WORK/xvfb.log")"
export DISPLAY=:$(cat "$WORK/display")
unset QT_QPA_PLATFORM WAYLAND_DISPLAY

"$DEMO" "$WORK/register.fdb" --subjects 40 --seed 1 >/dev/null || fail "no demo register"

# Waits until the host has answered N commands; prints the last answer.
answers=0
expect() {
  answers=$((answers + 1))
  for _ in $(seq 200); do
    [ "$(grep -c '^ok\|^error' "$OUT")" -ge $answers ] && break
    kill -0 "$HOST_PID" 2>/dev/null || fail "the host ended while waiting for '$1'"
    sleep 0.05
  done
  grep '^ok\|^error' "$OUT" | sed -n "${answers}p" | grep -qx "$1" || fail "expected '$1'"
}
send() { echo "$1" >&3; expect "${2:-ok ${1%% *}}"; }
# The mapped top-level windows with this exact title (waits up to 10 s for the first).
mapped() {
  for _ in $(seq 100); do
    ids=$(xdotool search --onlyvisible --name "^$1\$" 2>/dev/null)
    [ -n "$ids" ] && { echo "$ids"; return; }
    sleep 0.1
  done
}
transient_for() { xprop -id "$1" WM_TRANSIENT_FOR | grep -o '0x[0-9a-f]*'; }
# Clicks at a point of a window, relative to its top-left corner (the form's layout).
click() {
  local x y
  eval "$(xdotool getwindowgeometry --shell "$1" | grep '^[XY]=')"
  xdotool mousemove $((X + $2)) $((Y + $3)) click 1
}
# Distinct colours in a part of a window: an empty grid has its background and a border
# line, rows of text many shades more.
colours() { convert "x:$1" -crop "$2" -format %k info: 2>/dev/null; }
shot() { [ -n "$SHOTS" ] && send "screenshot $SHOTS/$1"; }

start_host() {
  mkfifo "$WORK/in"
  "$HOST" --database "${DATABASE:-$WORK/register.fdb}" --user SYSDBA --password "${PASSWORD:-masterkey}" --commands "$@" \
    <"$WORK/in" >"$OUT" 2>"$ERR" &
  HOST_PID=$!
  exec 3>"$WORK/in"
  for _ in $(seq 100); do grep -q '^ready' "$OUT" && break; sleep 0.1; done
  HOST_WINDOW=$(sed -n 's/^ready window=//p' "$OUT")
  [ -n "$HOST_WINDOW" ] || fail "the host did not start"
}
finish() {
  send quit
  exec 3>&-
  wait "$HOST_PID"
  local rc=$?
  HOST_PID=
  [ $rc -eq 0 ] || fail "the host exited with $rc"
  ! grep -q 'Zestawienia:' "$ERR" || [ "${1:-}" = allow-refusal ] || fail "the plug-in reported a problem"
}

# Waits up to $2 tenths of a second for the shell condition $1.
until_true() {
  for _ in $(seq "$2"); do eval "$1" && return 0; sleep 0.1; done
  eval "$1"
}
visible() { xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | wc -l; }
# A run's progress dialog has the statement window's title.
progress_up() { [ "$(visible Zestawienia)" -ge 2 ]; }
# Rows of the register of disclosures for what the preview showed from database $1.
shown_rows() {
  "$ZEST_CLI" disclosures | awk -F';' -v db="$1" '$5 == db && $8 == "preview"' | wc -l
}

case "$CASE" in
drive)
  start_host
  send open
  form=$(mapped Zestawienia)
  [ -n "$form" ] || fail "no statement window"
  [ "$(transient_for "$form")" = "$HOST_WINDOW" ] || fail "not transient for the host's window $HOST_WINDOW"
  grid="785x280+1+332"
  [ "$(colours "$form" "$grid")" -le 2 ] || fail "the subject grid is not empty at first"
  click "$form" 378 267 # Pobierz osoby
  for _ in $(seq 50); do [ "$(colours "$form" "$grid")" -gt 10 ] && break; sleep 0.2; done
  [ "$(colours "$form" "$grid")" -gt 10 ] || fail "Pobierz osoby left the grid empty"
  shot gtkhost-statement.png
  click "$form" 683 292 # Zestawienie
  preview=$(mapped "Wizualizacja wyników analizy")
  [ -n "$preview" ] || fail "no preview window"
  [ "$(transient_for "$preview")" = "$HOST_WINDOW" ] || fail "the preview is not transient for the host's window"
  shot gtkhost-preview.png
  send unload
  ! xwininfo -id "$form" >/dev/null 2>&1 || fail "the statement window outlived the unload"
  ! xwininfo -id "$preview" >/dev/null 2>&1 || fail "the preview window outlived the unload"
  xdotool mousemove 100 100 click 1 # events and repaints after the plug-in is gone
  sleep 1
  kill -0 "$HOST_PID" || fail "the host died after the unload"
  finish
  ;;
reload)
  start_host --owner 0x3fffff0
  send unload # never opened
  send load
  send open
  form=$(mapped Zestawienia)
  [ -n "$form" ] || fail "no statement window after a reload"
  [ -z "$(transient_for "$form")" ] || fail "owned by a handle that names no window"
  send "close $form"
  for _ in $(seq 50); do [ -z "$(xdotool search --onlyvisible --name '^Zestawienia$')" ] && break; sleep 0.1; done
  [ -z "$(xdotool search --onlyvisible --name '^Zestawienia$')" ] || fail "the window did not close"
  send unload # closed
  send load
  send open
  [ -n "$(mapped Zestawienia)" ] || fail "no statement window after the second reload"
  send open-thread
  grep -q '^Zestawienia: .*thread' "$ERR" || fail "no line on standard error for a call from another thread"
  [ "$(grep -c '^Zestawienia:' "$ERR")" = 1 ] || fail "more than one line for the refused call"
  finish allow-refusal
  ;;
midrun)
  [ -n "${ZEST_FB_SERVER_HOST:-}" ] || skip "no Firebird server configured (ZEST_FB_SERVER_HOST)"
  [ -x "${ZEST_SLOWLINK:-}" ] && [ -x "${ZEST_CLI:-}" ] || skip "ZEST_SLOWLINK or ZEST_CLI not given"
  PASSWORD=${ZEST_FB_SYSDBA_PASSWORD:-masterkey}
  SERVER_FILE=${ZEST_FB_SERVER_DIR:-/var/lib/firebird/3.0/data}/gtkhost-midrun-$$.fdb
  "$DEMO" "$ZEST_FB_SERVER_HOST:$SERVER_FILE" --subjects 3000 --seed 2 --user SYSDBA --password "$PASSWORD" \
    >/dev/null || fail "no register on the server"
  mkfifo "$WORK/link-in"
  "$ZEST_SLOWLINK" 3050 40 <"$WORK/link-in" >"$WORK/link" &
  LINK_PID=$!
  exec 5>"$WORK/link-in"
  until_true '[ -s "$WORK/link" ]' 50 || fail "the slow link did not start"
  port=$(sed -n 's/^port //p' "$WORK/link")
  DATABASE=127.0.0.1/$port:$SERVER_FILE
  other=127.0.0.1/$port:$(dirname "$SERVER_FILE")/./$(basename "$SERVER_FILE") # the same file, named otherwise
  export ZESTAWIENIA_DISCLOSURES=$WORK/disclosures.sqlite
  grid="785x280+1+332"
  filled() { [ "$(colours "$form" "$grid")" -gt 10 ]; }
  run_slowly() {
    click "$form" 378 267 # Pobierz osoby
    until_true filled 300 || fail "Pobierz osoby left the grid empty"
    click "$form" 683 292 # Zestawienie
    until_true progress_up 300 || fail "no progress dialog over the slow link"
  }

  start_host
  send open
  form=$(mapped Zestawienia)
  [ -n "$form" ] || fail "no statement window"
  run_slowly
  send "open $other SYSDBA $PASSWORD"
  progress_up || fail "the run ended before the open came; slow the link down"
  until_true '! progress_up' 600 || fail "the run's progress (or a box) stayed up"
  [ -n "$(mapped 'Wizualizacja wyników analizy')" ] || fail "the run was not shown"
  first=$(shown_rows "$DATABASE")
  [ "$first" -gt 1000 ] || fail "$first statements recorded of the run the open came in"
  [ "$(shown_rows "$other")" = 0 ] || fail "statements recorded under the other credentials"
  # Then the request is carried out: the list goes with the old connection.
  until_true '! filled' 300 || fail "the open was not carried out after the run"

  run_slowly
  send unload
  kill -0 "$HOST_PID" || fail "the host died at the unload"
  until_true '[ "$(visible Zestawienia)" = 0 ]' 600 || fail "the windows outlived the run after the unload"
  # The windows close one by one as the loops they ran in return.
  until_true '[ "$(visible "Wizualizacja wyników analizy")" = 0 ]' 50 || fail "the preview outlived the unload"
  [ "$(shown_rows "$other")" = "$first" ] || fail "the second run recorded $(shown_rows "$other"), not $first"
  until_true '! grep -q libzestawienia "/proc/$HOST_PID/maps"' 50 || fail "the library is still mapped"
  xdotool mousemove 100 100 click 1
  sleep 0.5
  kill -0 "$HOST_PID" || fail "the host died after the unload"
  send load
  send open
  [ -n "$(mapped Zestawienia)" ] || fail "no statement window after loading again"
  finish
  ;;
*)
  echo "unknown case: $CASE" >&2
  exit 2
  ;;
esac
echo "PASSED: $CASE"
