#!/usr/bin/env bash
# Fails when any of the given executables loads SDL, SDL_mixer, SDL_ttf or FluidSynth: the
# rules', screens' and core's tests must run on the memory doubles alone.
set -uo pipefail
status=0
for exe in "$@"; do
  if libs=$(ldd "$exe" | grep -iE 'libSDL2|fluidsynth'); then
    echo "$(basename "$exe") loads: $(awk '{print $1}' <<<"$libs" | tr '\n' ' ')"
    status=1
  fi
done
[ $status -eq 0 ] && echo "no SDL in: $(for e in "$@"; do basename "$e"; done | tr '\n' ' ')"
exit $status
