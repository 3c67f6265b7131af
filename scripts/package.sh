#!/usr/bin/env bash
# Builds the Debian packages from a copy of the working tree in build/deb/ (the .deb files land
# there), checks them with lintian and runs tests/install/deb_test.sh on them. The unit tests
# and benchmarks are left out of this build: the suite runs on its own.
# usage: scripts/package.sh
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
out=$root/build/deb
src=$out/kq001
start=$(date +%s)

rm -rf "$out"
mkdir -p "$src"
# Tracked and new files, as they are now; the copy keeps the repository free of build output.
git ls-files -z --cached --others --exclude-standard |
  while IFS= read -r -d '' f; do [ -e "$f" ] && printf '%s\0' "$f"; done |
  tar --null -T - -cf - | tar -xf - -C "$src"

# A fixed source path keeps ccache's results usable from one run to the next.
if command -v ccache >/dev/null; then
  export CMAKE_C_COMPILER_LAUNCHER=ccache CMAKE_CXX_COMPILER_LAUNCHER=ccache
fi
(cd "$src" && DEB_BUILD_OPTIONS="nocheck parallel=$(nproc)" DEB_BUILD_PROFILES=nocheck dpkg-buildpackage -us -uc -b) >"$out/build.log" 2>&1 || {
  tail -n 60 "$out/build.log"
  echo "package build failed; the whole log is $out/build.log" >&2
  exit 1
}
built=$(date +%s)

changes=$(ls "$out"/kq001_*.changes)
lintian --fail-on error,warning --display-info "$changes" | tee "$out/lintian.log"
bash tests/install/deb_test.sh "$out"
echo "package: built in $((built - start)) s, checked in $(($(date +%s) - built)) s"
