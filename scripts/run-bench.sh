#!/usr/bin/env bash
# Runs every benchmark program of a build and prints one summary table: each
# figure against its baseline, the ratio and the target. A benchmark becomes a
# figure through its label (bench/bench_figure.h): "baseline=NAME target=X"
# (ratio = its time / NAME's time, same program, same run) or "target=X" with a
# "ratio" counter it computed itself.
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
  "$program" --benchmark_out="$out/$name.json" --benchmark_out_format=json "$@"
  echo
done

python3 - "$out" <<'PY'
import json, os, sys

def parse_label(label):
    fields = {}
    for part in (label or "").split():
        key, _, value = part.partition("=")
        fields[key] = value
    return fields

rows = []
for file in sorted(os.listdir(sys.argv[1])):
    program = file[:-len(".json")]
    with open(os.path.join(sys.argv[1], file)) as f:
        benchmarks = [b for b in json.load(f).get("benchmarks", []) if b.get("run_type", "iteration") == "iteration"]
    times = {b["name"]: b["real_time"] for b in benchmarks}
    for b in benchmarks:
        label = parse_label(b.get("label"))
        if "target" not in label:
            continue
        target = float(label["target"])
        baseline = label.get("baseline", "(own)")
        if "ratio" in b:
            ratio = float(b["ratio"])
        elif baseline in times and times[baseline] > 0:
            ratio = b["real_time"] / times[baseline]
        else:
            ratio = None
        ok = ratio is not None and ratio <= target
        figure = "%.3g %s" % (b["real_time"], b.get("time_unit", ""))
        base = "%.3g %s" % (times[baseline], b.get("time_unit", "")) if baseline in times else "-"
        rows.append((program, b["name"], figure, baseline + " " + base, "-" if ratio is None else "%.2fx" % ratio,
                     "<= %gx" % target, "ok" if ok else "MISSED"))

head = ("program", "figure", "time", "baseline", "ratio", "target", "")
widths = [max(len(str(r[i])) for r in rows + [head]) for i in range(len(head))]
print("== summary")
for r in [head] + rows:
    print("  ".join(str(c).ljust(w) for c, w in zip(r, widths)).rstrip())
if rows:
    print("%d of %d figures within their target" % (sum(r[-1] == "ok" for r in rows), len(rows)))
else:
    print("(no benchmark reports a figure)")
PY
