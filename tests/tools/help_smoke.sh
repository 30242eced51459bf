#!/usr/bin/env bash
# Every tool prints its options for --help without a display and without a database:
# exit status 0 and the options on standard output.
#   help_smoke.sh TOOL...
set -u
err=$(mktemp)
trap 'rm -f "$err"' EXIT
failed=0
for tool in "$@"; do
  help=$(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$tool" --help 2>"$err")
  rc=$?
  if [ $rc -ne 0 ] || ! printf '%s\n' "$help" | grep -q -- '--'; then
    echo "$(basename "$tool") --help: exit status $rc"
    printf '%s\n' "$help"
    cat "$err"
    failed=1
  fi
done
[ $failed -eq 0 ] && echo "every tool printed its options"
exit $failed
