#!/usr/bin/env bash
# Installs every package the build, the tests, the benchmarks, the fuzzers and the .deb need.
# Idempotent: packages already present are skipped, so a warm machine pays nothing.
set -euo pipefail

packages=(
  cmake make g++ pkg-config
  libgtest-dev libgmock-dev libbenchmark-dev
  clang libclang-rt-14-dev
  qt6-base-dev qt6-svg-dev qt6-charts-dev libqt6opengl6-dev fonts-dejavu-core
  util-linux python3 ccache
  g++-aarch64-linux-gnu
  dpkg-dev help2man desktop-file-utils
  libcli11-dev nlohmann-json3-dev
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

if [ "$(id -u)" -ne 0 ]; then
  SUDO=sudo
else
  SUDO=
fi
echo "install-deps: installing ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
