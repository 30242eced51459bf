#!/usr/bin/env bash
# Builds the libFuzzer targets with clang in build/fuzz and runs each one for a bounded
# time over a scratch copy of its committed corpus (fuzz/corpus/<target> is never
# written). A crash, a broken check, a leak or undefined behaviour fails the script; the
# failing input is kept in build/fuzz/artifacts. Prints one line of figures per target.
#   tools/run-fuzzers.sh [SECONDS_PER_TARGET]        (default 10)
set -euo pipefail
cd "$(dirname "$(readlink -f "$0")")/.."
ROOT=$PWD
SECONDS_PER_TARGET=${1:-10}
BUILD=$ROOT/build/fuzz
TARGETS=(fuzz_namedparams fuzz_format fuzz_address fuzz_cliargs fuzz_wintext fuzz_streamin)

log() { printf '== %s\n' "$*" >&2; }

log "building the fuzz targets (clang, $BUILD)"
CC=clang CXX=clang++ cmake -S "$ROOT" -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DZEST_FUZZ=ON -DZEST_TESTS=OFF >/dev/null
cmake --build "$BUILD" -j "$(nproc)" --target "${TARGETS[@]}"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$BUILD/artifacts"
export QT_QPA_PLATFORM=offscreen
# The process-wide caches of the linked libraries (Qt's, fontconfig's) are not ours.
export LSAN_OPTIONS=suppressions=$ROOT/tests/lsan.supp:print_suppressions=0
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1

failed=()
for t in "${TARGETS[@]}"; do
  corpus=$work/$t
  mkdir -p "$corpus"
  cp "$ROOT/fuzz/corpus/$t/"* "$corpus/" 2>/dev/null || true
  log "fuzzing $t for ${SECONDS_PER_TARGET}s"
  status=0
  "$BUILD/fuzz/$t" "$corpus" -max_total_time="$SECONDS_PER_TARGET" -timeout=30 -rss_limit_mb=2048 \
    -print_final_stats=1 -artifact_prefix="$BUILD/artifacts/$t-" >"$work/$t.log" 2>&1 || status=$?
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$work/$t.log" | tail -1)
  rate=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$work/$t.log" | tail -1)
  cov=$(grep -oE 'cov: [0-9]+' "$work/$t.log" | tail -1 | cut -d' ' -f2)
  printf 'fuzz %-18s executions=%s exec_per_s=%s coverage=%s corpus=%s status=%s\n' \
    "$t" "${runs:-?}" "${rate:-?}" "${cov:-?}" "$(ls "$corpus" | wc -l)" "$status"
  if [ "$status" -ne 0 ]; then
    tail -60 "$work/$t.log" >&2
    failed+=("$t")
  fi
done
if [ ${#failed[@]} -ne 0 ]; then
  echo "fuzzing found faults in: ${failed[*]} (inputs in $BUILD/artifacts)" >&2
  exit 1
fi
echo "fuzzing: all ${#TARGETS[@]} targets ran without a finding"
