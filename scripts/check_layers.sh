#!/usr/bin/env bash
# Each folder of src/ may include only its own headers and those of the layers under it:
#   engine <- config, media <- core <- rules (game, sprites) <- screens <- app; net <- server
# and only engine/ and media/ may include SDL. Prints every include that breaks this.
set -uo pipefail
cd "$(dirname "$0")/../src"

allowed() {
  case $1 in
    engine) echo "engine" ;;
    config) echo "engine config" ;;
    media) echo "engine media" ;;
    net) echo "net" ;;
    core) echo "engine config media core" ;;
    game | sprites) echo "engine config media core game sprites" ;;
    screens) echo "engine config media core game sprites screens" ;;
    app) echo "engine config media core game sprites screens net app" ;;
    server) echo "net server" ;;
    *) echo "" ;;
  esac
}

status=0
for dir in */; do
  dir=${dir%/}
  ok=$(allowed "$dir")
  while IFS= read -r line; do
    file=${line%%:*}
    target=$(sed -n 's/.*#include "\([a-z_]*\)\/.*/\1/p' <<<"$line")
    [ -z "$target" ] && continue
    if [[ " $ok " != *" $target "* ]]; then
      echo "src/$file: $dir must not include $target/: ${line#*:}"
      status=1
    fi
  done < <(grep -rn '#include "' "$dir" --include='*.h' --include='*.cpp' | sed 's/:[0-9]*:/:/')
  if [ "$dir" != engine ] && [ "$dir" != media ]; then
    if grep -rln '#include <SDL' "$dir" --include='*.h' --include='*.cpp' >/dev/null; then
      grep -rn '#include <SDL' "$dir" --include='*.h' --include='*.cpp' | sed 's/^/src\//; s/$/  (SDL only in engine\/ and media\/)/'
      status=1
    fi
  fi
done
[ $status -eq 0 ] && echo "layers: every include goes downward"
exit $status
