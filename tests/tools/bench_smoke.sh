#!/usr/bin/env bash
# The benchmark program on tiny sizes: it must finish and print every figure that other
# programs read from it, one "key=value" line each. The values are not checked here.
#   bench_smoke.sh BENCH TMPDIR
set -u
bench=$1
export TMPDIR=$2
# Leak checking is off for the child: under the sanitizers the leak tracer faults inside
# the embedded engine once a register has been created.
export ASAN_OPTIONS="${ASAN_OPTIONS:-}:detect_leaks=0"
out=$("$bench" --subjects 300 --text-mb 1 --pages 5 --reps 1 2>&1)
status=$?
if [ $status -ne 0 ]; then
  printf '%s\n' "$out"
  echo "zestawienia-bench exited with $status"
  exit 1
fi
missing=0
for key in subjects run_s bare_s run_over_bare text_mb read_decode_s preview_load_s preview_load_over_read \
  preview_peak_rss_mb find_end_ms pdf_pages pdf_s prepares_per_run max_prepares_per_text append_1mb_ms \
  commune_file_mb commune_load_s; do
  if ! printf '%s\n' "$out" | grep -Eq "^${key}=[0-9.]+$"; then
    echo "missing or not a number: $key"
    missing=1
  fi
done
# Every statement is prepared once per run, whatever the groups.
if ! printf '%s\n' "$out" | grep -qx "max_prepares_per_text=1"; then
  echo "a statement was prepared more than once in one run"
  missing=1
fi
if [ $missing -ne 0 ]; then
  printf '%s\n' "$out"
  exit 1
fi
echo "all figures printed"
