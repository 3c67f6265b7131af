#!/usr/bin/env bash
# Regenerates the golden runs under tests/fixtures/golden on purpose: rewrites every stored dump
# and trace from the stored recordings (after a change of what the dump or trace shows), and with
# --record first records the games again (after a change meant to change how the game plays: the
# one-player game by kq_solo_autoplay, the versus game and the network round by the program).
# Review `git diff` before committing: only what the change meant to change may differ. Normal
# test runs never write these files.
set -euo pipefail
cd "$(dirname "$0")/.."
cmake --preset default >/dev/null
cmake --build --preset default --target kq001 kq_solo_autoplay app_golden_tests
update=1
[ "${1:-}" = "--record" ] && update=2
KQ_GOLDEN_UPDATE=$update ctest --preset default -R '^GoldenRuns\.' -j2
git status --short tests/fixtures/golden
