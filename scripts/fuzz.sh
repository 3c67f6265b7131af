#!/usr/bin/env bash
# Builds the libFuzzer targets (preset "fuzz", clang) and runs every one of them for N seconds
# (default 60), printing the executions reached. Everything generated stays inside build/fuzz;
# the committed seeds under fuzz/corpus/ are only read.
set -euo pipefail

seconds=${1:-60}
cd "$(dirname "$0")/.."

# Every fuzz/<name>_fuzz.cpp is a target, so a new one cannot be left out of the run.
targets=()
for src in fuzz/*_fuzz.cpp; do
  name=$(basename "$src" _fuzz.cpp)
  targets+=("$name")
done
cmake --preset fuzz >/dev/null
cmake --build build/fuzz -j2 --target "${targets[@]/#/fuzz_}"

# The parsers allocate little and free it at once: a small quarantine and no fill of new blocks
# keep ASan's use-after-free and overflow checks while the runs stay cheap (about twice as many
# runs a second for the INI and level-table targets).
export ASAN_OPTIONS=${ASAN_OPTIONS:-quarantine_size_mb=16:max_malloc_fill_size=0:malloc_context_size=8}

# Seeds kept outside fuzz/corpus (the same as the SEEDS of fuzz/CMakeLists.txt), comma-separated.
declare -A extra_seeds=([level_table]=data/LevelUp.def)

status=0
for t in "${targets[@]}"; do
  opts=()
  # The whole default table is 15 KB; its first 4 KB (some sixty levels) already reach every
  # rule of the reader, and short inputs keep the runs many.
  if [[ -n ${extra_seeds[$t]:-} ]]; then opts=(-seed_inputs="${extra_seeds[$t]}" -max_len=4096); fi
  # A target may come with a dictionary of the tokens its format is made of.
  if [[ -f fuzz/$t.dict ]]; then opts+=(-dict="fuzz/$t.dict"); fi
  work=build/fuzz/corpus/$t
  artifacts=build/fuzz/artifacts/$t
  log=build/fuzz/fuzz_$t.log
  mkdir -p "$work" "$artifacts"
  if ! build/fuzz/bin/fuzz_$t -max_total_time="$seconds" -timeout=10 -print_final_stats=1 \
      -artifact_prefix="$artifacts/" "${opts[@]}" "$work" "fuzz/corpus/$t" >"$log" 2>&1; then
    status=1
    echo "fuzz_$t: FAILED (see $log, inputs in $artifacts)"
    tail -n 30 "$log"
  fi
  execs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n 1)
  echo "fuzz_$t: ${execs:-0} executions in ${seconds} s ($(( ${execs:-0} / seconds )) a second)"
done
exit $status
