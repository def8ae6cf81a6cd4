#!/usr/bin/env bash
# `make run`: opens Quillet's window on the bundled samples/, with fresh settings whose
# search filter points there (the user's own settings are left alone). Without a
# display it says so and shows the samples through quillet-cli instead.
set -euo pipefail
build=${1:-build}
cd "$(dirname "$0")/.."
gui="$build/src/gui/quillet"
cli="$build/src/cli/quillet-cli"

if [ -x "$gui" ] && { [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; }; then
  config=$(mktemp -d)
  trap 'rm -rf "$config"' EXIT
  mkdir -p "$config/Brindle Software/Quillet"
  # Imported into the new settings file at the first start.
  printf '[Search]\nLimit=1\nName=%s\n' "$PWD/samples" \
    > "$config/Brindle Software/Quillet/Quillet.INI"
  echo "Opening Quillet on $PWD/samples"
  XDG_CONFIG_HOME="$config" "$gui"
  exit 0
fi

if [ -x "$gui" ]; then
  echo "No display (DISPLAY and WAYLAND_DISPLAY are unset), so Quillet's window cannot open;"
  echo "showing the bundled samples with quillet-cli instead."
else
  echo "Quillet's window is not built (Qt 6 missing); showing the bundled samples with quillet-cli."
fi
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
