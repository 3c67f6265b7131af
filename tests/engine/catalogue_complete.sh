#!/usr/bin/env bash
# Every text the code marks for translation (Tr, _ and N_) has a Japanese translation in po/ja.po.
set -euo pipefail
cd "$1"
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
find src -name '*.cpp' -o -name '*.h' | sort >"$tmp/files"
xgettext --from-code=UTF-8 -k -k_ -kN_ -kTr -C --no-wrap -f "$tmp/files" -o "$tmp/kq001.pot"
msgcmp po/ja.po "$tmp/kq001.pot"
msgfmt --check -o /dev/null po/ja.po
