#!/bin/sh
# Builds the Debian package and checks it:
#   tools/package.sh [BUILD_DIR [OUT_DIR]]
# BUILD_DIR (default build/) is configured if needed; the program is built in
# it and packaged with CPack into OUT_DIR (default dist/) as
# tavelin2_<version>_amd64.deb. Then the package's contents are checked
# against the build's list (res/package-contents.txt in BUILD_DIR), its menu
# entry with desktop-file-validate, and the whole package with lintian.
# Exits non-zero when a check fails.
set -eu
cd "$(dirname "$0")/.."
BUILD=${1:-build}
OUT=${2:-dist}

if [ ! -f "$BUILD/CMakeCache.txt" ]; then
  cmake -S . -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
fi
cmake --build "$BUILD" -j "$(nproc)" --target tavelin2 t2_install_docs
rm -rf "$BUILD/package"
(cd "$BUILD" && cpack -G DEB >cpack.log 2>&1) || { cat "$BUILD/cpack.log" >&2; exit 1; }
deb=$(ls "$BUILD"/package/tavelin2_*_amd64.deb)
mkdir -p "$OUT"
rm -f "$OUT"/tavelin2_*_amd64.deb
cp "$deb" "$OUT/"
deb="$OUT/$(basename "$deb")"
echo "package: $deb ($(du -h "$deb" | cut -f1))"

status=0
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

# Contents: every file the build says the package must hold, as a regular
# file (a link could point nowhere).
dpkg-deb -c "$deb" | awk '/^-/ {print $6}' | sed 's|^\./||' >"$scratch/contents"
while read -r path; do
  grep -qx "$path" "$scratch/contents" || { echo "MISSING from the package (or not a regular file): $path" >&2; status=1; }
done <"$BUILD/res/package-contents.txt"
dpkg-deb -f "$deb" Package Version Architecture Depends

# The menu entry.
dpkg-deb -x "$deb" "$scratch/root"
desktop-file-validate "$scratch/root/usr/share/applications/tavelin2.desktop" || status=1

# lintian: errors and warnings fail the check; what is accepted is listed, with
# the reason, in res/lintian-overrides (installed with the package).
lintian --fail-on error,warning --display-info "$deb" || status=1

[ "$status" -eq 0 ] && echo "package checks passed"
exit "$status"
