#!/usr/bin/env bash
# Renders the main window on the bundled samples to docs/quillet-main-window.png
# (offscreen: no display needed), with fresh settings whose filter points at samples/;
# the dialogs and the help window go to BUILD/screenshots/ for a look.
set -euo pipefail
build=${1:-build}
cd "$(dirname "$0")/.."
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
mkdir -p "$tmp/settings" "$tmp/runtime" "$build/screenshots"
chmod 700 "$tmp/runtime"
printf '[Search]\nLimit=1\nName=%s\n' "$PWD/samples" > "$tmp/settings/Quillet.INI"
# A desktop-sized screen, so the window takes its usual size.
cat > "$tmp/screen.json" <<'JSON'
{ "screens": [ { "name": "shot", "x": 0, "y": 0, "width": 1280, "height": 860,
                 "logicalDpi": 96, "logicalBaseDpi": 96, "dpr": 1 } ] }
JSON
QT_QPA_PLATFORM="offscreen:configfile=$tmp/screen.json" XDG_RUNTIME_DIR="$tmp/runtime" \
  "$build/src/gui/quillet-screenshot" "$tmp/settings" docs/quillet-main-window.png \
  "$build/screenshots" 2>/dev/null
for shot in symbol-edit symbol-delete symbol-move split-search; do
  cp "$build/screenshots/$shot.png" docs/
done
echo "wrote docs/quillet-main-window.png, docs/quillet-chart.png, docs/{symbol-*,split-search}.png and $build/screenshots/*.png"
QT_QPA_PLATFORM="offscreen:configfile=$tmp/screen.json" XDG_RUNTIME_DIR="$tmp/runtime" \
  "$build/src/gui/quillet-dialog-screenshots" samples docs 2>/dev/null
echo "wrote docs/dialog-*.png"
