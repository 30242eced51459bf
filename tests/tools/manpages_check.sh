#!/usr/bin/env bash
# The programs that are installed, against their manual pages: --version prints the
# project's version, the page names every option that --help lists, and man renders the
# page without a warning (when man is installed).
#   manpages_check.sh VERSION MANDIR PROGRAM...
set -u
version=$1 mandir=$2
shift 2
failed=0
fail() {
  echo "$*"
  failed=1
}
for program in "$@"; do
  name=$(basename "$program")
  page=$mandir/$name.1
  out=$(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$program" --version 2>&1)
  [ "$(printf '%s\n' "$out" | head -1)" = "$name $version" ] || fail "$name --version: $out"
  [ -f "$page" ] || { fail "$name: no manual page $page"; continue; }
  help=$(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$program" --help 2>&1)
  [ "$name" = zestawienia-cli ] && help+=$(env -u DISPLAY "$program" disclosures --help 2>&1)
  for option in $(printf '%s\n' "$help" | grep -oE -- '--[a-z][a-z0-9-]*' | sort -u); do
    # The page writes an option's hyphens as \-.
    grep -qF -- "${option//-/\\-}" "$page" || fail "$name: the manual page does not name $option"
  done
  if command -v man >/dev/null; then
    warnings=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -E UTF-8 -l -Tutf8 -Z "$page" 2>&1 >/dev/null)
    [ -z "$warnings" ] || fail "$name: man warns: $warnings"
  fi
done
[ $failed -eq 0 ] && echo "every program prints version $version and its manual page names its options"
exit $failed
