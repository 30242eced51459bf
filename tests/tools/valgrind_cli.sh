#!/usr/bin/env bash
# One statement run of zestawienia-cli over a small demo register under valgrind's leak
# check, with every output the tool can write (statements, PDF, summary); fails on a
# definite leak or any other memory error valgrind reports.
#   valgrind_cli.sh VALGRIND CLI DEMO_REGISTER_TOOL SCRATCH_DIR
set -euo pipefail
valgrind=$1 cli=$2 demo=$3
dir=$(mktemp -d "$4/valgrind-cli.XXXXXX")
trap 'rm -rf "$dir"' EXIT

"$demo" "$dir/register.fdb" --subjects 30 >/dev/null
status=0
"$valgrind" --leak-check=full --show-leak-kinds=definite --errors-for-leak-kinds=definite \
  --error-exitcode=99 --log-file="$dir/valgrind.log" \
  "$cli" --database "$dir/register.fdb" --threshold 0 --marks all --encoding utf-8 \
  --output "$dir/out.txt" --pdf "$dir/out.pdf" --page-numbers --summary-csv "$dir/summary.csv" \
  2>"$dir/stderr.txt" || status=$?
grep -E 'definitely lost|ERROR SUMMARY' "$dir/valgrind.log" || true
if [ $status -ne 0 ]; then
  echo "zestawienia-cli under valgrind exited with $status" >&2
  cat "$dir/stderr.txt" "$dir/valgrind.log" >&2
  exit 1
fi
[ -s "$dir/out.txt" ] && [ -s "$dir/out.pdf" ] || { echo "the run wrote no statements" >&2; exit 1; }
echo "no definite leak, no memory error"
