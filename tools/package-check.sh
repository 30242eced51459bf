#!/usr/bin/env bash
# The Debian package of build/package/ (./run.sh package) installed on this machine and
# tried with the installed files only:
#   - every program's --version gives the package's upstream version;
#   - the installed zestawienia-demo-register makes a small register, and the installed
#     zestawienia-cli writes its statements byte for byte as the build tree's tool does
#     (build/default, left by ./run.sh test);
#   - dlopen of the installed plug-in finds GetTypeName and Analiza, and the file
#     carries its version; the installed Qt host loads it without being told where;
#   - man -w finds the pages and man renders them without warnings;
# then the package is purged, and none of the files it listed may be left.
# Run as root (apt-get), after ./run.sh test and ./run.sh package.
#   tools/package-check.sh
set -euo pipefail
cd "$(dirname "$(readlink -f "$0")")/.."
ROOT=$PWD

log() { printf '== %s\n' "$*" >&2; }
fail() {
  echo "package-check: $*" >&2
  exit 1
}
installed() { dpkg-query -W -f='${Status}' zestawienia 2>/dev/null | grep -q 'install ok installed'; }

DEB=$(ls "$ROOT"/build/package/zestawienia_*_"$(dpkg --print-architecture)".deb 2>/dev/null | head -1)
[ -n "$DEB" ] || fail "no package in build/package/: run ./run.sh package first"
BUILT_CLI=$ROOT/build/default/tools/cli/zestawienia-cli
[ -x "$BUILT_CLI" ] || fail "no $BUILT_CLI: run ./run.sh test (or build the default preset) first"
VERSION=$(dpkg-deb -f "$DEB" Version)
UPSTREAM=${VERSION%-*}

export DEBIAN_FRONTEND=noninteractive
WORK=$(mktemp -d)
cleanup() {
  if installed; then apt-get purge -y -q zestawienia >/dev/null || true; fi
  rm -rf "$WORK"
}
trap cleanup EXIT

# A fresh install: an older one of the same version would not be replaced. A machine
# whose dpkg leaves out manual pages and documents (minimal images) takes ours.
if installed; then apt-get purge -y -q zestawienia >/dev/null; fi
log "installing $(basename "$DEB")"
apt-get install -y -q -o DPkg::Options::=--path-include=/usr/share/man/man1/zestawienia* \
  -o DPkg::Options::=--path-include=/usr/share/doc/zestawienia/* "$DEB"
dpkg -L zestawienia >"$WORK/files"
where() {
  grep -E "$1\$" "$WORK/files" | head -1 || true
}

log "versions"
for program in zestawienia-cli zestawienia-demo-register zestawienia-host zestawienia-gtk-host; do
  path=$(where "/bin/$program")
  [ -n "$path" ] || fail "the package holds no $program"
  got=$(env -u DISPLAY -u WAYLAND_DISPLAY "$path" --version | head -1)
  [ "$got" = "$program $UPSTREAM" ] || fail "$path --version: '$got', expected '$program $UPSTREAM'"
done
CLI=$(where /bin/zestawienia-cli)
"$CLI" --version

log "a demo register and its statements, installed against built"
export ZESTAWIENIA_DISCLOSURES=$WORK/disclosures.sqlite FIREBIRD_LOCK=$WORK/fb-lock
mkdir -p "$FIREBIRD_LOCK"
"$(where /bin/zestawienia-demo-register)" "$WORK/register.fdb" --subjects 300 --seed 7 >/dev/null
for kind in fizyczne instytucje; do
  "$CLI" --database "$WORK/register.fdb" --kind $kind --output "$WORK/installed-$kind.txt"
  "$BUILT_CLI" --database "$WORK/register.fdb" --kind $kind --output "$WORK/built-$kind.txt"
  [ -s "$WORK/built-$kind.txt" ] || fail "the built tool wrote no $kind statements"
  cmp "$WORK/installed-$kind.txt" "$WORK/built-$kind.txt" ||
    fail "the installed zestawienia-cli writes other $kind statements than the built one"
done

log "the plug-in"
PLUGIN=$(where /zestawienia/libzestawienia.so)
[ -n "$PLUGIN" ] || fail "the package holds no plug-in"
cat >"$WORK/load.c" <<'EOF'
#include <dlfcn.h>
#include <stdio.h>
int main(int argc, char** argv)
{
    void* library = dlopen(argv[1], RTLD_NOW | RTLD_LOCAL);
    if (!library) {
        fprintf(stderr, "%s\n", dlerror());
        return 1;
    }
    int missing = 0;
    for (int i = 2; i < argc; ++i)
        if (!dlsym(library, argv[i])) {
            fprintf(stderr, "%s: no %s\n", argv[1], argv[i]);
            missing = 1;
        }
    return missing;
}
EOF
cc -o "$WORK/load" "$WORK/load.c" -ldl
"$WORK/load" "$PLUGIN" GetTypeName Analiza || fail "dlopen of $PLUGIN"
grep -qa "Zestawienia $UPSTREAM" "$PLUGIN" || fail "$PLUGIN does not carry its version"
# The Qt host finds the installed plug-in by itself: a window on the offscreen platform,
# which it leaves after grabbing the screen.
QT_QPA_PLATFORM=offscreen timeout 60 "$(where /bin/zestawienia-host)" --screenshot "$WORK/host.png" \
  2>"$WORK/host.err" || { cat "$WORK/host.err" >&2; fail "the installed zestawienia-host"; }

log "manual pages"
for page in $(grep -E '/man1/.*\.1\.gz$' "$WORK/files"); do
  name=$(basename "$page" .1.gz)
  [ "$(man -w "$name")" = "$page" ] || fail "man -w $name: '$(man -w "$name" 2>&1)'"
  warnings=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -E UTF-8 -l -Tutf8 -Z "$page" 2>&1 >/dev/null)
  [ -z "$warnings" ] || fail "man warns on $page: $warnings"
done
[ "$(grep -c '/man1/' "$WORK/files")" -eq 4 ] || fail "not four manual pages"

log "purging"
apt-get purge -y -q zestawienia
left=()
while IFS= read -r path; do
  # The folders it shares with other packages stay; its own go.
  if [ -e "$path" ] && { [ ! -d "$path" ] || [[ $path == *zestawienia* ]]; }; then
    left+=("$path")
  fi
done <"$WORK/files"
[ ${#left[@]} -eq 0 ] || fail "left after the purge: ${left[*]}"
echo "package-check: zestawienia $VERSION installed, tried and purged"
