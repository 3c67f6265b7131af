#!/usr/bin/env bash
# Checks the built Debian packages without installing them: apt could install kq001, its files
# are where Debian keeps games, the program is stripped with its symbols in the -dbgsym package,
# and the game unpacked into a throw-away root starts headless and finds its data.
# usage: deb_test.sh DIR_WITH_DEBS
set -euo pipefail
dir=$(cd "$1" && pwd)
tmp=$(mktemp -d)
chmod 755 "$tmp"
trap 'rm -rf "$tmp"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

deb=$(ls "$dir"/kq001_*.deb)
dbgsym=$(ls "$dir"/kq001-dbgsym_*.deb) || fail "no -dbgsym package"
version=$(dpkg-deb -f "$deb" Version)

dpkg-deb -c "$deb" | awk '{print $6}' | sed 's|^\./|/|' >"$tmp/files"
for f in /usr/games/kq001 /usr/share/games/kq001/GRP/TITLE.PNG /usr/share/games/kq001/SND/ \
         /usr/share/games/kq001/BGM/ /usr/share/applications/org.kq001.kq001.desktop \
         /usr/share/metainfo/org.kq001.kq001.metainfo.xml /usr/share/man/man6/kq001.6.gz \
         /usr/share/icons/hicolor/scalable/apps/org.kq001.kq001.svg /usr/share/doc/kq001/copyright \
         /usr/share/locale/ja/LC_MESSAGES/kq001.mo /usr/share/mime/packages/org.kq001.kq001.xml; do
  grep -qx "$f" "$tmp/files" || fail "kq001 lacks $f"
done
! grep -E '^/usr/(bin|share/kq001)/' "$tmp/files" || fail "files outside the games folders"
[[ "$(dpkg-deb -f "$deb" Depends)" == *libsdl2* ]] || fail "no library dependencies: $(dpkg-deb -f "$deb" Depends)"
apt-get install --simulate "$deb" >"$tmp/apt.log" 2>&1 || { cat "$tmp/apt.log"; fail "apt would not install $deb"; }

root=$tmp/root
dpkg-deb -x "$deb" "$root"
exe=$root/usr/games/kq001
readelf -S "$exe" >"$tmp/sections"
grep -q '\.debug_info' "$tmp/sections" && fail "the program is not stripped"
build_id=$(readelf -n "$exe" | sed -n 's/.*Build ID: \([0-9a-f]*\).*/\1/p')
[ -n "$build_id" ] || fail "the program has no build id"
dpkg-deb -c "$dbgsym" >"$tmp/dbgsym"
grep -q "/usr/lib/debug/.build-id/${build_id:0:2}/${build_id:2}.debug" "$tmp/dbgsym" ||
  fail "the -dbgsym package lacks the symbols of build $build_id"

# Run as an ordinary user: root would write anywhere.
as_user=()
user_id=$(id -u)
if [ "$user_id" -eq 0 ]; then
  as_user=(setpriv --reuid=nobody --regid=nogroup --clear-groups)
  user_id=$(id -u nobody)
fi
mkdir -p "$tmp/home" "$tmp/out"
chown "$user_id" "$tmp/home" "$tmp/out"
run() {
  (cd "$tmp/out" && "${as_user[@]}" env -i PATH=/usr/bin:/bin HOME="$tmp/home" SDL_AUDIODRIVER=dummy \
     SDL_VIDEODRIVER=dummy XDG_DATA_DIRS=/nonexistent "$exe" "$@")
}
[ "$(run --version)" = "kq001 $version" ] || fail "--version says $(run --version), the package $version"
run --headless --frames 30 --dump "$tmp/out/state.json" 2>"$tmp/stderr" || fail "headless run: $(cat "$tmp/stderr")"
grep -q '"screen_state":1' "$tmp/out/state.json" || fail "the title screen was not reached"
run --help >"$tmp/help"
grep -q "asset pack *$root/usr/share/games/kq001/" "$tmp/help" || fail "pack not found: $(grep pack "$tmp/help")"
[ -f "$tmp/home/.config/kq001/kq001.INI" ] && [ -f "$tmp/home/.local/share/kq001/kq001.HI" ] ||
  fail "settings and scores not in the user folders"
echo "deb test passed: kq001 $version"
