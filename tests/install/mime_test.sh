#!/usr/bin/env bash
# Installs the build into a temporary prefix and asks the desktop's own tools what a recording
# is: the shared-mime-info database built there must name the replay type, by the file's name
# and by its first bytes, and the desktop entry must open such files.
# usage: mime_test.sh BUILD_DIR APP_ID
set -euo pipefail
build=$1 id=$2
for tool in update-mime-database gio; do
  command -v "$tool" >/dev/null || { echo "$tool missing (scripts/setup.sh installs it)" >&2; exit 77; }
done
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

DESTDIR="$tmp/dest" cmake --install "$build" --prefix /usr >"$tmp/install.log" 2>&1 || { cat "$tmp/install.log"; fail "install"; }
share=$tmp/dest/usr/share
[ -f "$share/mime/packages/$id.xml" ] || fail "no mime package installed"
update-mime-database "$share/mime" || fail "update-mime-database"

desktop=$share/applications/$id.desktop
grep -qx 'Exec=kq001 %f' "$desktop" || fail "the desktop entry does not pass the file: $(grep Exec "$desktop")"
grep -qx 'MimeType=application/x-kq001-replay;' "$desktop" || fail "the desktop entry does not declare the type"

type_of() {  # the content type the desktop gives a file, with only the test prefix and the system's types
  env -i PATH=/usr/bin:/bin HOME="$tmp/home" XDG_DATA_HOME="$tmp/nowhere" XDG_DATA_DIRS="$share:/usr/share" \
    gio info -a standard::content-type "$1" | sed -n 's/^ *standard::content-type: //p'
}
mkdir -p "$tmp/home" "$tmp/files"
printf 'KQRP\001\000' >"$tmp/files/game.kqr"
printf 'KQRP\001\000' >"$tmp/files/renamed.bin"
printf 'plain text\n' >"$tmp/files/notes.txt"
[ "$(type_of "$tmp/files/game.kqr")" = application/x-kq001-replay ] || fail "*.kqr: $(type_of "$tmp/files/game.kqr")"
[ "$(type_of "$tmp/files/renamed.bin")" = application/x-kq001-replay ] || fail "magic: $(type_of "$tmp/files/renamed.bin")"
[ "$(type_of "$tmp/files/notes.txt")" != application/x-kq001-replay ] || fail "a text file taken for a replay"
echo "mime test passed"
