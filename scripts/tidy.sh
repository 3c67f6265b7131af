#!/usr/bin/env bash
# Runs clang-tidy (the checks of .clang-tidy) over every source file of the default build, or
# over the files given (regular expressions over full paths). A file whose preprocessed source,
# compile command and checks passed before is not checked again (scripts/tidy_cache.py; the
# cache outlasts build folders, KQ_TIDY_CACHE=0 checks everything). CI runs it.
set -euo pipefail
cd "$(dirname "$0")/.."
[ -f build/default/compile_commands.json ] || cmake --preset default >/dev/null
exec python3 scripts/tidy_cache.py "$@"
