#!/usr/bin/env bash
# Until the window exists, `make run` shows the bundled samples through quillet-cli:
# the symbols of each sample Portfolio and the newest quotes of one series.
set -euo pipefail
build=${1:-build}
cli="$build/src/cli/quillet-cli"
cd "$(dirname "$0")/.."
echo "Quillet's window is not built yet; showing the bundled samples with quillet-cli."
for master in $(find samples -iname master | sort); do
  dir=$(dirname "$master")
  echo
  echo "== Portfolio $dir"
  "$cli" symbols "$dir" || true
done
first=$(find samples -iname master | sort | tail -n 1)
if [ -n "$first" ]; then
  dir=$(dirname "$first")
  symbol=$("$cli" symbols "$dir" 2>/dev/null | head -n 1 | cut -f1)
  if [ -n "$symbol" ]; then
    echo
    echo "== Newest quotes of $symbol in $dir"
    "$cli" quotes "$dir" "$symbol" | sed -n '1,10p' || true
  fi
fi
