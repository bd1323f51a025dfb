#!/usr/bin/env bash
# Runs the fault soak by hand: both programs, every automated command, with
# emulator faults drawn from the seed, two runs at a time. Prints the counts
# and every failed run with the options that replay it alone.
# Usage: scripts/soak.sh [RUNS, default 300] [SEED, default the time] [PRESET, default normal]
# Extra options for the runner (--quick, --verbose, --parallel 1) go in SOAK_OPTIONS.
set -euo pipefail
cd "$(dirname "$0")/.."

runs="${1:-300}"
seed="${2:-$(date +%s)}"
preset="${3:-normal}"

export ASAN_OPTIONS="${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1}"
export UBSAN_OPTIONS="${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}"
export TSAN_OPTIONS="${TSAN_OPTIONS:-halt_on_error=1:second_deadlock_stack=1}"

cmake --preset "${preset}" >/dev/null
cmake --build --preset "${preset}" --target fault_soak -- -j2
# shellcheck disable=SC2086
exec "build/${preset}/tests/soak/fault_soak" --gtest_filter='FaultSoak.*' \
  --runs "${runs}" --seed "${seed}" ${SOAK_OPTIONS:-}
