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
# With a server configured (ZEST_FB_SERVER_HOST), the runs through it and over the slow
# link too, on two sizes for the county figures; a link of a width, the wire compressed
# and not, and two clerks at once.
sizes=300
server=()
if [ -n "${ZEST_FB_SERVER_HOST:-}" ]; then
  sizes=100,300
  server=(--server --rtt-ms 1 --mbit 100 --compare-compression --clerks 2)
fi
out=$("$bench" --subjects $sizes --text-mb 1 --pages 5 --reps 1 "${server[@]}" 2>&1)
status=$?
if [ $status -ne 0 ]; then
  printf '%s\n' "$out"
  echo "zestawienia-bench exited with $status"
  exit 1
fi
missing=0
keys=()
for key in subjects run_s bare_s run_over_bare text_mb read_decode_s preview_load_s preview_load_over_read \
  preview_peak_rss_mb find_end_ms pdf_pages pdf_s prepares_per_run max_prepares_per_text append_1mb_ms \
  commune_file_mb commune_load_s disclosure_overhead disclosure_wait_s; do
  keys+=("$key")
done
if [ ${#server[@]} -gt 0 ]; then
  keys+=(server_run_s net_rtt_ms net_run_s net_floor_s net_run_over_floor net_statements_per_run
    net_roundtrips_per_run net_county_run_s net_county_floor_s net_county_over_commune
    net_mbit net_bytes_per_run net_floor_bytes net_other_bytes_per_run server_compressed_over_uncompressed
    clerks clerks_wall_s)
fi
for key in "${keys[@]}"; do
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
# Every statement of a run crosses the link at least once.
if [ ${#server[@]} -gt 0 ]; then
  statements=$(printf '%s\n' "$out" | sed -n 's/^net_statements_per_run=//p')
  trips=$(printf '%s\n' "$out" | sed -n 's/^net_roundtrips_per_run=//p')
  if [ "${statements:-0}" -lt 1 ] || [ "${trips:-0}" -lt "${statements:-0}" ]; then
    echo "round trips ($trips) fewer than statements ($statements)"
    missing=1
  fi
fi
# The same statements whatever the wire, and every clerk's the same, nothing lost.
if [ ${#server[@]} -gt 0 ]; then
  for line in "compression_identical=1" "clerks_identical=1"; do
    printf '%s\n' "$out" | grep -qx "$line" || { echo "not printed: $line"; missing=1; }
  done
  printf '%s\n' "$out" | grep -Eqx "net_compression=(on|off)" || { echo "no net_compression"; missing=1; }
  rows=$(printf '%s\n' "$out" | sed -n 's/^clerks_disclosures=//p')
  expected=$(printf '%s\n' "$out" | sed -n 's/^clerks_disclosures_expected=//p')
  if [ -z "$rows" ] || [ "$rows" != "$expected" ] || [ "${expected:-0}" -lt 1 ]; then
    echo "the clerks recorded $rows disclosures, not $expected"
    missing=1
  fi
fi
if [ $missing -ne 0 ]; then
  printf '%s\n' "$out"
  exit 1
fi
echo "all figures printed"
