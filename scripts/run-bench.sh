#!/usr/bin/env bash
# Runs every benchmark program of a build, then prints one summary table of every
# figure against its baseline measured in the same run. A program reports a figure
# with a line (bench/bench_ratio.h prints them):
#   RATIO <figure> vs <baseline>: <ratio>x (target <op> <limit>x) PASS|MISS
# and a throughput against a fixed bar with a line
#   FIGURE <name>: <value> <unit> (bar <op> <bar>) PASS|MISS
# (INFO instead of PASS|MISS: shown, no target).
#   scripts/run-bench.sh BUILD_DIR [extra Google Benchmark flags]
set -euo pipefail
build=${1:-build}
shift || true
cd "$(dirname "$0")/.."
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT

programs=$(find "$build/bench" -maxdepth 1 -type f -perm -u+x -name 'bench_*' 2>/dev/null | sort)
if [ -z "$programs" ]; then
  echo "run-bench: no benchmark programs in $build/bench (is libbenchmark-dev installed?)" >&2
  exit 1
fi
for program in $programs; do
  name=$(basename "$program")
  echo "== $name"
  # Colour codes stripped, so the report lines read the same on a terminal.
  "$program" "$@" | tee "$out/$name.raw"
  sed 's/\x1b\[[0-9;]*m//g' "$out/$name.raw" > "$out/$name.log"
  echo
done

echo "== summary"
{
  printf 'program\tfigure\tbaseline\tvalue\ttarget\tresult\n'
  for log in "$out"/*.log; do
    name=$(basename "$log" .log)
    sed -n -e 's/^RATIO \([^ ]*\) vs \([^:]*\): \([^ ]*\) (target \([^)]*\)) \([A-Z]*\).*$/\1\t\2\t\3\t\4\t\5/p' \
      -e 's/^FIGURE \([^:]*\): \([^ ]* [^ ]*\) (bar \([^)]*\)) \([A-Z]*\).*$/\1\t-\t\2\t\3\t\4/p' "$log" |
      sed "s/^/$name\t/"
  done
} | awk -F'\t' '{ for (i = 1; i <= NF; i++) { cell[NR, i] = $i; if (length($i) > w[i]) w[i] = length($i) }
              if (NF > n) n = NF }
        END { for (r = 1; r <= NR; r++) { line = ""
                for (i = 1; i <= n; i++) line = line sprintf("%-" (w[i] + 2) "s", cell[r, i])
                sub(/ +$/, "", line); print line } }'
figures=$(cat "$out"/*.log | grep -E '^(RATIO|FIGURE) ' | grep -cv ' INFO$' || true)
missed=$(cat "$out"/*.log | grep -E '^(RATIO|FIGURE) ' | grep -c ' MISS$' || true)
echo "$figures figures with a target, $((figures - missed)) within it"
