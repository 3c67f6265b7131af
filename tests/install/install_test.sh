#!/usr/bin/env bash
# Installs the build into a temporary DESTDIR, moves the prefix elsewhere, makes it read-only and
# runs the installed game headless from another folder as an ordinary user: it must find its
# pack relative to itself and keep settings and scores in the XDG user folders.
# usage: install_test.sh BUILD_DIR APP_ID VERSION
set -euo pipefail
build=$1 id=$2 version=$3
tmp=$(mktemp -d)
chmod 755 "$tmp"
cleanup() { chmod -R u+w "$tmp" 2>/dev/null || true; rm -rf "$tmp"; }
trap cleanup EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

DESTDIR="$tmp/dest" cmake --install "$build" --prefix /usr >"$tmp/install.log" 2>&1 || { cat "$tmp/install.log"; fail "install"; }
prefix=$tmp/moved
mv "$tmp/dest/usr" "$prefix"  # a relocated prefix must still work

for f in bin/kq001 share/kq001/GRP/TITLE.PNG share/kq001/GRP/ICON.PNG share/kq001/SND share/kq001/BGM \
         "share/applications/$id.desktop" "share/metainfo/$id.metainfo.xml" share/man/man6/kq001.6 \
         "share/icons/hicolor/scalable/apps/$id.svg"; do
  [ -e "$prefix/$f" ] || fail "not installed: $f"
done
for s in 32 48 64 128 256; do
  [ -s "$prefix/share/icons/hicolor/${s}x${s}/apps/$id.png" ] || fail "no ${s}px icon"
done
[ ! -e "$prefix/bin/GRP" ] || fail "the pack went to bindir"

# Run as an ordinary user: root ignores the read-only tree.
as_user=()
user_id=$(id -u)
if [ "$user_id" -eq 0 ]; then
  command -v setpriv >/dev/null || { echo "setpriv missing: cannot drop root" >&2; exit 77; }
  as_user=(setpriv --reuid=nobody --regid=nogroup --clear-groups)
  user_id=$(id -u nobody)
fi
mkdir -p "$tmp/home" "$tmp/home2" "$tmp/cwd" "$tmp/out"
chown -R "$user_id" "$tmp/home" "$tmp/home2" "$tmp/cwd" "$tmp/out" "$prefix/bin"
run() {  # run ENV... -- ARGS...: exit status in $rc, output in $tmp/out/{stdout,stderr}
  local envs=()
  while [ "$1" != "--" ]; do envs+=("$1"); shift; done
  shift
  rc=0
  (cd "$tmp/cwd" && "${as_user[@]}" env -i PATH=/usr/bin:/bin SDL_AUDIODRIVER=dummy SDL_VIDEODRIVER=dummy \
     "${envs[@]}" "$prefix/bin/kq001" "$@" >"$tmp/out/stdout" 2>"$tmp/out/stderr") || rc=$?
}

# A prefix the player owns (cmake --install --prefix ~/.local): bin/ is writable, yet the
# player's files go to the user folders and bin/ holds only the program.
run HOME="$tmp/home2" -- --headless --frames 2
[ "$rc" -eq 0 ] || fail "writable prefix run exit $rc: $(cat "$tmp/out/stderr")"
[ -f "$tmp/home2/.config/kq001/kq001.INI" ] && [ -f "$tmp/home2/.local/share/kq001/kq001.HI" ] ||
  fail "a writable prefix kept its files elsewhere: bin/ has $(ls -A "$prefix/bin")"
for f in kq001.INI kq001.HI replays; do [ ! -e "$prefix/bin/$f" ] || fail "$f left in bin/"; done
chmod -R a-w "$prefix"

run HOME="$tmp/home" -- --version
[ "$rc" -eq 0 ] && [ "$(cat "$tmp/out/stdout")" = "kq001 $version" ] || fail "--version: $rc $(cat "$tmp/out/stdout")"

run HOME="$tmp/home" -- --headless --frames 5 --dump "$tmp/out/d.json"
[ "$rc" -eq 0 ] || fail "headless run exit $rc: $(cat "$tmp/out/stderr")"
grep -q '"screen_state":1' "$tmp/out/d.json" || fail "no title screen"
[ -f "$tmp/home/.config/kq001/kq001.INI" ] || fail "settings not in ~/.config/kq001"
[ "$(stat -c %s "$tmp/home/.local/share/kq001/kq001.HI")" -eq 129 ] || fail "scores not in ~/.local/share/kq001"
for d in .config/kq001 .local/share/kq001 .config .local; do
  [ "$(stat -c %a "$tmp/home/$d")" = 700 ] || fail "$d is not mode 0700"
done
[ -z "$(ls -A "$tmp/cwd")" ] || fail "files left in the working folder: $(ls -A "$tmp/cwd")"

# Absolute XDG folders win; a relative one is ignored.
run HOME="$tmp/home" XDG_CONFIG_HOME="$tmp/home/cfg" XDG_DATA_HOME=relative/data -- --headless --frames 2
[ "$rc" -eq 0 ] || fail "XDG run exit $rc: $(cat "$tmp/out/stderr")"
[ -f "$tmp/home/cfg/kq001/kq001.INI" ] || fail "XDG_CONFIG_HOME not used"
[ ! -e "$tmp/cwd/relative" ] || fail "relative XDG_DATA_HOME used"

# --help lists the paths it resolved.
run HOME="$tmp/home" -- --help
grep -q "$tmp/home/.local/share/kq001/kq001.HI" "$tmp/out/stdout" || fail "--help does not show the score file"
grep -q "asset pack *$prefix/share/kq001/" "$tmp/out/stdout" || fail "--help does not show the pack: $(cat "$tmp/out/stdout")"

# Nowhere to save: still playable, one warning, the saves name file and reason, exit status 1.
chmod -R a-w "$tmp/home"
run HOME="$tmp/home" XDG_CONFIG_HOME="$tmp/home/none" XDG_DATA_HOME="$tmp/home/none" -- --headless --frames 2
[ "$rc" -eq 1 ] || fail "a run that could not save exits $rc"
[ "$(grep -c '^kq001: cannot write the user folders' "$tmp/out/stderr")" -eq 1 ] || fail "warning: $(cat "$tmp/out/stderr")"
grep -Eq "(Cannot write .*kq001.HI|kq001.HI に書き込めません): Permission denied" "$tmp/out/stderr" || fail "no reason given: $(cat "$tmp/out/stderr")"
echo "install test passed"
