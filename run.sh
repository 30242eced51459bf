#!/usr/bin/env bash
# Set-up and entry point on a Debian 12 machine (run as root on a fresh machine, so
# that missing packages can be installed).
#   ./run.sh demo [--gtk] [--screenshot FILE.png]
#                                           build, make the demo register, start the host
#                                           (--gtk: the GTK host, which is not a Qt program)
#   ./run.sh test [--no-sanitize] [--no-fuzz]
#                                           build, start a loopback server, run every test,
#                                           again built with ASan/UBSan, then each fuzz
#                                           target for a few seconds (tools/run-fuzzers.sh)
#   ./run.sh package [--no-lintian]         the Debian package into build/package/
#                                           (dpkg-buildpackage), checked by lintian
#   ./run.sh windows [--screenshots DIR]    cross-build for Windows with the SDK folder
#                                           (ZEST_WINSDK, default ../shared/winsdk), run the
#                                           Windows tests under wine, pack the zip
#   ./run.sh windows --32 [--quick] [--screenshots DIR]
#                                           the same for 32-bit hosts: i686, the 32-bit SDK
#                                           folder (ZEST_WINSDK32, default ../shared/winsdk32),
#                                           32-bit wine (--quick: only the tests labelled
#                                           bitness, and what they need; CI runs it so)
set -euo pipefail
cd "$(dirname "$(readlink -f "$0")")"
ROOT=$PWD

PACKAGES=(
  cmake ninja-build g++ pkg-config locales
  qt6-base-dev qt6-tools-dev qt6-tools-dev-tools qt6-l10n-tools libgl-dev
  libfbclient2 firebird-dev firebird3.0-server-core firebird3.0-utils firebird3.0-server
  libgtest-dev googletest
  clang libclang-rt-14-dev valgrind
  libgtk-3-dev libxcb1-dev libsqlite3-dev
  xvfb xauth x11-utils xdotool imagemagick poppler-utils
  fonts-urw-base35 fonts-liberation2 fonts-dejavu-core
)
# The Windows build: the posix compilers of mingw-w64, wine to run the tests, Debian's Qt
# 6.4.2 as the host tools (moc, uic, rcc) of the SDK's Qt of the same version.
WINDOWS_PACKAGES=(
  cmake ninja-build mingw-w64 wine64 qt6-base-dev qt6-base-dev-tools
  firebird3.0-server-core firebird3.0-utils firebird3.0-server
  xvfb xauth x11-utils xdotool imagemagick fonts-liberation2 fonts-dejavu-core
)
# The 32-bit build also needs 32-bit wine (the i386 architecture is enabled for it).
WINDOWS32_PACKAGES=("${WINDOWS_PACKAGES[@]}" wine32:i386)

log() { printf '== %s\n' "$*" >&2; }

ensure_packages() {
  local missing=() wanted=("${PACKAGES[@]}")
  [ $# -gt 0 ] && wanted=("$@")
  for p in "${wanted[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
      missing+=("$p")
    fi
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  if [ "$(id -u)" -ne 0 ]; then
    echo "Missing Debian packages: ${missing[*]}" >&2
    echo "Run this script as root once, or install them with apt-get." >&2
    exit 1
  fi
  log "installing ${missing[*]}"
  # A package of another architecture (wine32:i386) needs that architecture enabled
  # before the package lists are read.
  local p arch
  for p in "${missing[@]}"; do
    case "$p" in
    *:*)
      arch=${p##*:}
      if [ "$arch" != "$(dpkg --print-architecture)" ] && ! dpkg --print-foreign-architectures | grep -qx "$arch"; then
        log "enabling the $arch architecture"
        dpkg --add-architecture "$arch"
      fi
      ;;
    esac
  done
  # The server package asks for a SYSDBA password; answer it up front.
  local pw=${ZEST_FB_SYSDBA_PASSWORD:-masterkey}
  printf '%s\n' \
    "firebird3.0-server shared/firebird/sysdba_password/first_install password $pw" \
    "firebird3.0-server shared/firebird/sysdba_password/new_password password $pw" | debconf-set-selections
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -q
  apt-get install -y -q --no-install-recommends "${missing[@]}"
}

build() {
  local preset=${1:-default}
  log "building ($preset)"
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" -j "$(nproc)"
}

BIN=$ROOT/build/default

demo() {
  local shot="" gtk=0
  while [ $# -gt 0 ]; do
    case "$1" in
    --screenshot) shot=${2:?--screenshot needs a file name}; shift 2 ;;
    --gtk) gtk=1; shift ;;
    *) echo "unknown option: $1" >&2; exit 2 ;;
    esac
  done
  ensure_packages
  build default
  mkdir -p demo
  if [ ! -f demo/register.fdb ]; then
    log "creating the demo register demo/register.fdb"
    "$BIN/tools/demo_register/zestawienia-demo-register" demo/register.fdb
  fi
  local host=("$BIN/tools/host/zestawienia-host")
  if [ $gtk -eq 1 ]; then host=("$BIN/tools/gtkhost/zestawienia-gtk-host"); fi
  host+=(--library "$BIN/src/plugin/libzestawienia.so"
    --database "$ROOT/demo/register.fdb" --user SYSDBA --password masterkey)
  if [ -n "$shot" ]; then
    case "$shot" in /*) ;; *) shot=$ROOT/$shot ;; esac
    log "running under a virtual display; screenshot to $shot"
    xvfb-run -a -s "-screen 0 1280x900x24" "${host[@]}" --open --screenshot "$shot"
    echo "Screenshot written to $shot"
    return 0
  fi
  if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    echo "There is no display to show the window on (DISPLAY is not set)." >&2
    echo "Run it under a virtual display and keep a picture of it with:" >&2
    echo "  ./run.sh demo --screenshot FILE.png" >&2
    exit 1
  fi
  exec "${host[@]}"
}

run_tests() {
  local sanitize=1 fuzz=1
  while [ $# -gt 0 ]; do
    case "$1" in
    --sanitize) sanitize=1; shift ;;
    --no-sanitize) sanitize=0; shift ;;
    --no-fuzz) fuzz=0; shift ;;
    *) echo "unknown option: $1" >&2; exit 2 ;;
    esac
  done
  ensure_packages
  build default
  # The embedded engine of the tests keeps its lock files apart from the server's.
  export FIREBIRD_LOCK=$ROOT/build/fb-lock
  mkdir -p "$FIREBIRD_LOCK"
  export QT_QPA_PLATFORM=offscreen
  if [ "$(id -u)" -eq 0 ]; then
    # Stopped on every way out, also when the start itself fails half way.
    trap '"$ROOT/tools/firebird-server.sh" stop' EXIT
    trap 'exit 130' INT TERM
    "$ROOT/tools/firebird-server.sh" start
    export ZEST_FB_SERVER_HOST=127.0.0.1
    export ZEST_FB_SERVER_DIR=/var/lib/firebird/3.0/data
    export ZEST_FB_SYSDBA_PASSWORD=${ZEST_FB_SYSDBA_PASSWORD:-masterkey}
  else
    log "not root: the tests that need a Firebird server are skipped"
  fi
  ctest --preset default -j 2
  if [ $sanitize -eq 1 ]; then
    # The same tests again under AddressSanitizer and UndefinedBehaviorSanitizer; leaks of
    # the libraries we link (the Firebird client's and Qt's process-wide caches) are
    # suppressed, any report of ours fails the run.
    build asan
    export FIREBIRD_LOCK=$ROOT/build/fb-lock-asan
    mkdir -p "$FIREBIRD_LOCK"
    ASAN_OPTIONS=halt_on_error=1:exitcode=86:detect_leaks=1 \
      LSAN_OPTIONS=suppressions=$ROOT/tests/lsan.supp:print_suppressions=0:exitcode=87:use_tls=0 \
      UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
      ctest --preset asan -j 2
  fi
  if [ $fuzz -eq 1 ]; then
    "$ROOT/tools/run-fuzzers.sh" "${ZEST_FUZZ_SECONDS:-10}"
  fi
}

# The Debian package, built the Debian way from a copy of the tree in build/package/, so
# that dpkg-buildpackage leaves its files there and nothing in the tree; debian/rules
# builds only what the package installs. Then lintian, which fails on an error
# (--no-lintian: not installed and not run). The installed package is checked by
# tools/package-check.sh.
package() {
  local lintian=1
  while [ $# -gt 0 ]; do
    case "$1" in
    --no-lintian) lintian=0; shift ;;
    *) echo "unknown option: $1" >&2; exit 2 ;;
    esac
  done
  PACKAGES+=(debhelper)
  if [ $lintian -eq 1 ]; then PACKAGES+=(lintian); fi
  ensure_packages
  local out=$ROOT/build/package
  local version
  version=$(dpkg-parsechangelog -l debian/changelog -S Version)
  local src=$out/zestawienia-${version%-*}
  rm -rf "$out"
  mkdir -p "$src"
  tar -C "$ROOT" --exclude=./build --exclude=./demo --exclude=./.git -cf - . | tar -C "$src" -xf -
  log "building the Debian package $version in $out"
  (cd "$src" && dpkg-buildpackage -b -us -uc -j"$(nproc)")
  rm -rf "$src"
  if [ $lintian -eq 1 ]; then
    local changes=$out/zestawienia_${version}_$(dpkg --print-architecture).changes
    log "lintian $(basename "$changes")"
    lintian --fail-on error "$changes"
  fi
  ls -l "$out"/*.deb
}

# The Windows build and its tests under wine, then the zip. The wine prefix lives in
# build/wine (about 700 MB, made once); its server is started first, outside any pipe,
# so that each test program starts in a fraction of a second, and stopped at the end.
# --32: the same for 32-bit hosts: preset windows32, the 32-bit SDK folder, its wine-run
# (32-bit wine) and a prefix of its own, build/wine32 (a pure 32-bit one). --quick: only
# the tests labelled bitness (README, "Windows") and the programs they need.
run_windows() {
  local shots="" bits=64 quick=0
  while [ $# -gt 0 ]; do
    case "$1" in
    --screenshots) shots=${2:?--screenshots needs a folder}; shift 2 ;;
    --32) bits=32; shift ;;
    --quick) quick=1; shift ;;
    *) echo "unknown option: $1" >&2; exit 2 ;;
    esac
  done
  local preset=windows sdkvar=ZEST_WINSDK sdkdir=winsdk runner=wine64-run packages=("${WINDOWS_PACKAGES[@]}")
  if [ $bits -eq 32 ]; then
    preset=windows32 sdkvar=ZEST_WINSDK32 sdkdir=winsdk32 runner=wine-run packages=("${WINDOWS32_PACKAGES[@]}")
  fi
  local sdk=${!sdkvar:-$ROOT/../shared/$sdkdir}
  if [ ! -f "$sdk/toolchain-mingw$bits.cmake" ]; then
    echo "No $bits-bit Windows SDK folder at $sdk (set $sdkvar): the $bits-bit Windows build needs it." >&2
    exit 1
  fi
  export "$sdkvar=$(cd "$sdk" && pwd)"
  sdk=${!sdkvar}
  ensure_packages "${packages[@]}"
  if [ $bits -eq 32 ] && ! "$sdk/bin/$runner" --version </dev/null >/dev/null 2>&1; then
    # 32-bit wine is 32-bit x86 Linux code; some kernels and virtual machines do not run
    # that at all ("Exec format error"). The DLL's export table needs no wine: the DLL,
    # the tools and the host are built, their exports checked and the zip packed.
    log "this machine cannot run 32-bit x86 programs ($("$sdk/bin/$runner" --version 2>&1 </dev/null | tail -1)):"
    log "the 32-bit tests under wine are SKIPPED; checking the export table and packing the zip only"
    cmake --preset "$preset" >/dev/null
    cmake --build --preset "$preset" --target check-exports
    cmake --build --preset "$preset" --target windows-zip
    return 0
  fi
  local start=$SECONDS
  local select=()
  if [ $quick -eq 1 ]; then
    log "building ($preset, the programs of the tests labelled bitness)"
    cmake --preset "$preset" >/dev/null
    cmake --build --preset "$preset" -j "$(nproc)" --target bitness-tests
    select=(-L bitness)
  else
    build "$preset"
  fi
  log "built for Windows ($bits-bit) in $((SECONDS - start)) s"

  export WINEPREFIX=$ROOT/build/wine WINEDEBUG=-all
  [ $bits -eq 32 ] && WINEPREFIX=$ROOT/build/wine32
  local wine=$sdk/bin/$runner
  WINESERVER=/usr/lib/wine/wineserver
  [ -x "$WINESERVER" ] || WINESERVER=$(command -v wineserver)
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    log "making the wine prefix $WINEPREFIX"
    "$wine" wineboot -i </dev/null >/dev/null 2>&1
  fi
  # (Already running for this prefix: that one serves.)
  "$WINESERVER" -p </dev/null >/dev/null 2>&1 || true
  "$wine" wineboot </dev/null >/dev/null 2>&1 || true
  # A fresh prefix has none of the fonts the windows name; the nearest of Debian's.
  local font
  for font in "Tahoma" "Segoe UI" "MS Shell Dlg" "MS Shell Dlg 2"; do
    "$wine" reg add 'HKCU\Software\Wine\Fonts\Replacements' /v "$font" /d 'DejaVu Sans' /f </dev/null >/dev/null 2>&1 || true
  done
  "$wine" reg add 'HKCU\Software\Wine\Fonts\Replacements' /v 'Arial' /d 'Liberation Sans' /f </dev/null >/dev/null 2>&1 || true
  "$wine" reg add 'HKCU\Software\Wine\Fonts\Replacements' /v 'Courier New' /d 'Liberation Mono' /f </dev/null >/dev/null 2>&1 || true

  # The database tests reach their registers through the loopback server; one started
  # here is stopped again at the end, one already running is left alone.
  STARTED_SERVER=0
  trap '"$WINESERVER" -k 2>/dev/null; [ $STARTED_SERVER -eq 0 ] || "$ROOT/tools/firebird-server.sh" stop' EXIT
  trap 'exit 130' INT TERM
  if [ "$(id -u)" -eq 0 ]; then
    if ! "$ROOT/tools/firebird-server.sh" status >/dev/null 2>&1; then
      STARTED_SERVER=1
      "$ROOT/tools/firebird-server.sh" start
    fi
    export ZEST_FB_SERVER_HOST=127.0.0.1
    export ZEST_FB_SERVER_DIR=/var/lib/firebird/3.0/data
    export ZEST_FB_SYSDBA_PASSWORD=${ZEST_FB_SYSDBA_PASSWORD:-masterkey}
  else
    log "not root: no server can be started; the Windows database tests need one"
  fi
  # Wine starts the desktop's explorer.exe for the first program that needs it, and that
  # explorer inherits the program's handles: a test's output pipes would then never close.
  # Started here, outside any pipe, it serves every test (wineserver -k ends it).
  "$wine" explorer.exe /desktop </dev/null >/dev/null 2>&1 &
  start=$SECONDS
  [ -n "$shots" ] && mkdir -p "$shots" && export ZEST_WINHOST_SHOTS=$(cd "$shots" && pwd)
  ctest --preset "$preset" -j 2 "${select[@]}"
  log "Windows tests ($bits-bit) ran in $((SECONDS - start)) s"
  cmake --build --preset "$preset" --target windows-zip
}

case "${1:-}" in
demo) shift; demo "$@" ;;
test) shift; run_tests "$@" ;;
package) shift; package "$@" ;;
windows) shift; run_windows "$@" ;;
*)
  echo "usage: $0 demo [--gtk] [--screenshot FILE.png] | test [--no-sanitize] [--no-fuzz] | package [--no-lintian]" >&2
  echo "       | windows [--32 [--quick]] [--screenshots DIR]" >&2
  exit 2
  ;;
esac
