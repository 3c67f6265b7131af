#!/usr/bin/env bash
# Every option the program's parser takes (each "--name" literal in its sources) is in its
# --help and in its man page, and those two name no option the parser does not take.
# usage: options_test.sh EXECUTABLE MAN_PAGE SOURCE_DIR...
set -euo pipefail
exe=$1 man=$2
shift 2
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
names() { grep -oE -- '--[a-z][a-z0-9-]*' | sort -u; }

grep -rhoE --include='*.cpp' '"--[a-z][a-z0-9-]*' "$@" | tr -d '"' | sort -u >"$tmp/parser"
[ -s "$tmp/parser" ] || { echo "FAIL: no options found in $*" >&2; exit 1; }
HOME=$tmp XDG_DATA_DIRS=/nonexistent "$exe" --help | names >"$tmp/help"
sed 's/\\-/-/g' "$man" | names >"$tmp/man"

rc=0
for doc in help man; do
  missing=$(comm -23 "$tmp/parser" "$tmp/$doc")
  extra=$(comm -13 "$tmp/parser" "$tmp/$doc")
  [ -z "$missing" ] || { echo "FAIL: $doc does not list:" $missing >&2; rc=1; }
  [ -z "$extra" ] || { echo "FAIL: $doc names options the program does not take:" $extra >&2; rc=1; }
done
[ "$rc" -eq 0 ] && echo "$(wc -l <"$tmp/parser") options, all in --help and the man page"
exit "$rc"
