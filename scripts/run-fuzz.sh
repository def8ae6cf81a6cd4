#!/usr/bin/env bash
# Runs every fuzz target of a build for a fixed time each and prints one line per
# target: executions, corpus growth and the outcome. Exit status 1 when any target
# found a fault (its reproducer is left in fuzz/findings/).
#   scripts/run-fuzz.sh BUILD_DIR SECONDS
set -uo pipefail
build=${1:-build-fuzz}
seconds=${2:-20}
cd "$(dirname "$0")/.."
work=fuzz/corpus-work
findings=fuzz/findings
mkdir -p "$work" "$findings"

targets=$(find "$build/fuzz" -maxdepth 1 -type f -name 'fuzz_*' -perm -u+x | sort)
if [ -z "$targets" ]; then
  echo "run-fuzz: no fuzz targets in $build/fuzz" >&2
  exit 1
fi

failed=0
printf '%-22s %12s %10s %8s  %s\n' target executions exec/s corpus result
for bin in $targets; do
  name=$(basename "$bin")
  mkdir -p "$work/$name"
  seeds=fuzz/corpus/$name
  dict=()
  [ -f "fuzz/dict/$name.dict" ] && dict=(-dict="fuzz/dict/$name.dict")
  log="$work/$name.log"
  # New inputs go to the work corpus; the committed seeds are only read.
  "$bin" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
    -artifact_prefix="$findings/$name-" "${dict[@]}" "$work/$name" $( [ -d "$seeds" ] && echo "$seeds" ) \
    > "$log" 2>&1
  status=$?
  execs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n 1)
  rate=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log" | tail -n 1)
  units=$(find "$work/$name" -type f | wc -l)
  if [ $status -eq 0 ]; then
    result=ok
  else
    result="FAULT (exit $status, see $log)"
    failed=1
    grep -E 'invariant failed|ERROR: |runtime error|SUMMARY' "$log" | head -n 5 | sed 's/^/    /'
  fi
  printf '%-22s %12s %10s %8s  %s\n' "$name" "${execs:-?}" "${rate:-?}" "$units" "$result"
done
exit $failed
