#!/usr/bin/env bash
# The version check agrees with this tree and stops a release that changed only one of the
# three places.
# usage: versions_test.sh SOURCE_DIR VERSION
set -euo pipefail
src=$1 version=$2
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }
check() { cmake -DKQ_SOURCE_DIR="$1" -DKQ_VERSION="$2" -P "$src/cmake/versions.cmake" >"$tmp/log" 2>&1; }

check "$src" "$version" || fail "this tree: $(cat "$tmp/log")"
check "$src" "$version.1" && fail "a project version the changelogs do not name passed"

mkdir -p "$tmp/t/debian"
copy() { cp "$src/CHANGELOG.md" "$tmp/t/"; cp "$src/debian/changelog" "$tmp/t/debian/"; }
copy
sed -i "0,/^## \[/s/^## \[[^]]*\]/## [9.9.9]/" "$tmp/t/CHANGELOG.md"
check "$tmp/t" "$version" && fail "a newer CHANGELOG.md entry passed"
grep -q "CHANGELOG.md 9.9.9" "$tmp/log" || fail "the message does not name the versions: $(cat "$tmp/log")"
copy
sed -i "1s/($version)/($version-1)/" "$tmp/t/debian/changelog"
check "$tmp/t" "$version" && fail "a Debian revision passed"
copy
printf '# Changelog\n\nNothing yet.\n' >"$tmp/t/CHANGELOG.md"
check "$tmp/t" "$version" && fail "a CHANGELOG.md without entries passed"
echo "versions agree"
