#!/usr/bin/env bash
# Unpacks the .deb into a scratch root, as dpkg would install it, and runs what it holds.
# Usage: check-deb.sh PACKAGE.deb VERSION
set -euo pipefail
deb=$1
version=$2
fail() {
  echo "check-deb: $*" >&2
  exit 1
}
root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
dpkg-deb --info "$deb" > /dev/null || fail "$deb is not a Debian package"
dpkg -x "$deb" "$root"

[ "$(ls "$root")" = usr ] || fail "files outside /usr: $(ls "$root")"
got=$("$root/usr/bin/quillet-cli" --version) || fail "quillet-cli --version failed"
[ "$got" = "quillet-cli $version" ] || fail "quillet-cli --version printed '$got'"
zcat "$root/usr/share/man/man1/quillet-cli.1.gz" | grep -q '^\.TH QUILLET-CLI' ||
  fail "no manual page for quillet-cli"
[ -s "$root/usr/share/doc/quillet/copyright" ] || fail "no copyright file"
depends=$(dpkg-deb --field "$deb" Depends)
grep -q 'libc6' <<< "$depends" || fail "Depends names no libc6: '$depends'"

if [ -e "$root/usr/bin/quillet" ]; then
  grep -q 'libqt6widgets6' <<< "$depends" || fail "Depends names no libqt6widgets6: '$depends'"
  missing=$(ldd "$root/usr/bin/quillet" | grep 'not found' || true)
  [ -z "$missing" ] || fail "quillet needs libraries that are not installed: $missing"
  desktop-file-validate "$root/usr/share/applications/quillet.desktop" ||
    fail "the desktop entry does not validate"
  grep -q '<svg' "$root/usr/share/icons/hicolor/scalable/apps/quillet.svg" || fail "no icon"
  zcat "$root/usr/share/man/man1/quillet.1.gz" | grep -q '^\.TH QUILLET ' ||
    fail "no manual page for quillet"
fi
echo "check-deb: $(basename "$deb") unpacks; $got; Depends: $depends"
