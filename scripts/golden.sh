#!/usr/bin/env bash
# Regenerates the golden runs under tests/fixtures/golden on purpose, after a change that is
# meant to change how the game plays: records the one-player game (kq_solo_autoplay) and the
# versus game again and rewrites every stored dump and trace. Review `git diff` before committing:
# only what the change meant to change may differ. Normal test runs never write these files.
set -euo pipefail
cd "$(dirname "$0")/.."
cmake --preset default >/dev/null
cmake --build --preset default --target kq001 kq_solo_autoplay app_golden_tests
KQ_GOLDEN_UPDATE=1 ctest --preset default -R '^GoldenRuns\.' -j2
git status --short tests/fixtures/golden
