#!/usr/bin/env bash
# Runs clang-tidy (the checks of .clang-tidy) over every source file of the default build, or
# over the files given. Slow: minutes, not part of the test run.
set -euo pipefail
cd "$(dirname "$0")/.."
[ -f build/default/compile_commands.json ] || cmake --preset default >/dev/null
if [ $# -gt 0 ]; then
  run-clang-tidy -p build/default -j "$(nproc)" -quiet "$@"
else
  run-clang-tidy -p build/default -j "$(nproc)" -quiet "$PWD/(src|tools|bench|fuzz|tests)/"
fi
