#!/usr/bin/env bash
# The plug-in in the Win32 host under wine, on a virtual X server (Xvfb), driven through the
# X server as a person would (xdotool), the host's own commands on its standard input.
#   winhost_test.sh WINE_RUN HOST DEMO_REGISTER TMPDIR CASE [SHOTDIR]
# CASE drive: the statement window appears owned by the host's window; a click on "Pobierz
#   osoby" fills the subject grid, one on "Zestawienie" brings up the preview, owned too;
#   the plug-in is unloaded with both open and they are gone, the host's loop runs on; it
#   is loaded again and opens its window again; a call from another thread shows nothing
#   and says so; the host quits with the window open and exits 0.
# The register is a demo register on the loopback server (ZEST_FB_SERVER_HOST; there is no
# embedded engine for Windows here), dropped at the end. The host runs on a wine desktop of
# its own (explorer /desktop=...), so that its windows reach this X server whatever wine's
# other programs run on. SHOTDIR (or ZEST_WINHOST_SHOTS): screenshots of the statement
# window and the preview.
# Exit 77 (skipped) when a tool is missing, no server is configured or no X server starts.
set -uo pipefail
WINE=$1 HOST=$2 DEMO=$3 TMP=$4 CASE=$5 SHOTS=${6:-${ZEST_WINHOST_SHOTS:-}}

skip() { echo "SKIPPED: $*"; exit 77; }
fail() { echo "FAILED: $*"; [ -f "$OUT" ] && sed 's/^/  host: /' "$OUT" "$ERR"; exit 1; }
for tool in Xvfb xdotool xwininfo convert import; do
  command -v $tool >/dev/null || skip "$tool is not installed"
done
[ -n "${ZEST_FB_SERVER_HOST:-}" ] || skip "no Firebird server configured (ZEST_FB_SERVER_HOST)"
PASSWORD=${ZEST_FB_SYSDBA_PASSWORD:-masterkey}

mkdir -p "$TMP"
WORK=$(mktemp -d "$TMP/winhost-$CASE-XXXXXX")
OUT=$WORK/out ERR=$WORK/err
REGISTER=$ZEST_FB_SERVER_HOST:${ZEST_FB_SERVER_DIR:-/var/lib/firebird/3.0/data}/win-host-$CASE-$$.fdb
XVFB_PID= HOST_PID=
cleanup() {
  exec 3>&- 2>/dev/null
  [ -n "$HOST_PID" ] && kill "$HOST_PID" 2>/dev/null
  [ -n "$XVFB_PID" ] && kill "$XVFB_PID" 2>/dev/null
  command -v isql-fb >/dev/null &&
    echo "drop database;" | isql-fb -q -user SYSDBA -password "$PASSWORD" "$REGISTER" >/dev/null 2>&1
  rm -rf "$WORK"
}
trap cleanup EXIT

Xvfb -displayfd 4 -screen 0 1280x900x24 -nolisten tcp 4>"$WORK/display" >"$WORK/xvfb.log" 2>&1 &
XVFB_PID=$!
for _ in $(seq 50); do [ -s "$WORK/display" ] && break; sleep 0.1; done
[ -s "$WORK/display" ] || skip "no X server could be started: $(head -c 300 "$WORK/xvfb.log")"
export DISPLAY=:$(cat "$WORK/display")
# Qt's windows platform plug-in, not the offscreen one of the other Windows tests.
unset WINEQT_QPA_PLATFORM QT_QPA_PLATFORM

"$WINE" "$DEMO" "$REGISTER" --subjects 40 --seed 1 --user SYSDBA --password "$PASSWORD" >/dev/null ||
  fail "no demo register"

# Waits until the host has answered N commands; checks the last answer.
answers=0
expect() {
  answers=$((answers + 1))
  for _ in $(seq 300); do
    [ "$(grep -c '^ok\|^error' "$OUT")" -ge $answers ] && break
    kill -0 "$HOST_PID" 2>/dev/null || fail "the host ended while waiting for '$1'"
    sleep 0.1
  done
  grep '^ok\|^error' "$OUT" | sed -n "${answers}p" | grep -qx "$1" || fail "expected '$1'"
}
send() { echo "$1" >&3; expect "${2:-ok ${1%% *}}"; }
# The X window of the visible window with this exact title (waits up to 20 s).
window() {
  for _ in $(seq 200); do
    id=$(xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | head -1)
    [ -n "$id" ] && { echo "$id"; return; }
    sleep 0.1
  done
}
# Clicks at a point of a window, relative to its top-left corner (wine's frame included).
click() {
  local x y
  x=$(xwininfo -id "$1" | sed -n 's/.*Absolute upper-left X: *//p')
  y=$(xwininfo -id "$1" | sed -n 's/.*Absolute upper-left Y: *//p')
  xdotool mousemove $((x + $2)) $((y + $3)) click 1
}
# Distinct colours in a part of a window: an empty grid has its background and a border
# line, rows of text many shades more.
colours() { convert "x:$1" -crop "$2" -format %k info: 2>/dev/null || echo 0; }
shot() { [ -n "$SHOTS" ] && import -window root "$SHOTS/$1"; }

mkfifo "$WORK/in"
"$WINE" explorer "/desktop=zest$$,1280x900" "$HOST" --database "$REGISTER" --user SYSDBA \
  --password "$PASSWORD" --commands <"$WORK/in" >"$OUT" 2>"$ERR" &
HOST_PID=$!
exec 3>"$WORK/in"
for _ in $(seq 300); do grep -q '^ready' "$OUT" && break; sleep 0.1; done
grep -q '^ready' "$OUT" || fail "the host did not start"

case "$CASE" in
drive)
  send open
  form=$(window Zestawienia)
  [ -n "$form" ] || fail "no statement window"
  send "owned Zestawienia"
  grid="770x270+10+355"
  [ "$(colours "$form" "$grid")" -le 3 ] || fail "the subject grid is not empty at first"
  click "$form" 382 290 # Pobierz osoby
  for _ in $(seq 100); do [ "$(colours "$form" "$grid")" -gt 10 ] && break; sleep 0.2; done
  [ "$(colours "$form" "$grid")" -gt 10 ] || fail "Pobierz osoby left the grid empty"
  shot winhost-statement.png
  click "$form" 687 315 # Zestawienie
  preview=$(window "Wizualizacja wyników analizy")
  [ -n "$preview" ] || fail "no preview window"
  send "owned Wizualizacja wyników analizy"
  sleep 1
  shot winhost-preview.png
  send unload
  send "gone Zestawienia"
  send "gone Wizualizacja wyników analizy"
  xdotool mousemove 100 100 click 1 # events and repaints after the library is gone
  sleep 1
  kill -0 "$HOST_PID" || fail "the host died after the unload"
  send load
  send open
  [ -n "$(window Zestawienia)" ] || fail "no statement window after loading again"
  send "owned Zestawienia"
  send open-thread
  grep -q '^Zestawienia: .*thread' "$ERR" || fail "no line on standard error for a call from another thread"
  [ "$(grep -c '^Zestawienia:' "$ERR")" = 1 ] || fail "more than one line from the plug-in"
  send quit # with the window open: FreeLibrary at the end
  exec 3>&-
  wait "$HOST_PID"
  rc=$?
  HOST_PID=
  [ $rc -eq 0 ] || fail "the host exited with $rc"
  ;;
*)
  echo "unknown case: $CASE" >&2
  exit 2
  ;;
esac
echo "PASSED: $CASE"
