#!/usr/bin/env bash
# Runs the static checks (clang-tidy, cppcheck, layout), then builds and runs
# every test: the normal build, then the address+undefined
# sanitizer build, then the thread sanitizer build, then a short run of every
# fuzz target, then the Windows programs cross-built and run under Wine.
# Prints each stage's time.
# Usage: [TEST_JOBS=N] scripts/run-tests.sh [stage...]
#   stages: static normal asan tsan fuzz windows
#   TEST_JOBS: how many tests run at a time (default: the number of cores).
#   The Windows stage runs its unit tests one at a time whatever it says
#   (they share the Wine prefix's drive C: and registry); its end-to-end
#   tests take TEST_JOBS, each holding one of the stage's Wine prefixes.
set -euo pipefail
cd "$(dirname "$0")/.."

test_jobs="${TEST_JOBS:-$(nproc)}"
case "${test_jobs}" in
  '' | *[!0-9]* | 0) echo "TEST_JOBS must be a number of at least 1, not '${test_jobs}'" >&2; exit 2 ;;
esac

stages=("$@")
[ ${#stages[@]} -gt 0 ] || stages=(static normal asan tsan fuzz windows)

export ASAN_OPTIONS="${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1}"
export UBSAN_OPTIONS="${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}"
export TSAN_OPTIONS="${TSAN_OPTIONS:-halt_on_error=1:second_deadlock_stack=1}"

summary=()
overall_start=$(date +%s)
for stage in "${stages[@]}"; do
  start=$(date +%s)
  if [ "${stage}" = static ]; then
    echo "=== stage static: clang-tidy, cppcheck and the layout check ==="
    scripts/static-checks.sh
  elif [ "${stage}" = windows ]; then
    echo "=== stage windows: MinGW-w64 cross-build; unit tests, smoke runs and end-to-end tests under Wine ==="
    scripts/windows-stage.sh
  elif [ "${stage}" = fuzz ]; then
    echo "=== stage fuzz: every fuzz target for ${FUZZ_SECONDS:-6}s ==="
    scripts/fuzz.sh "${FUZZ_SECONDS:-6}"
  else
    echo "=== stage ${stage}: configure and build ==="
    cmake --preset "${stage}" >/dev/null
    cmake --build --preset "${stage}" -- -j2
    echo "=== stage ${stage}: tests, ${test_jobs} at a time ==="
    ctest --preset "${stage}" --parallel "${test_jobs}" < /dev/null
  fi
  took=$(( $(date +%s) - start ))
  echo "=== stage ${stage} took ${took}s ==="
  summary+=("${stage}: ${took}s")
done
echo "=== stage times: ${summary[*]}; total $(( $(date +%s) - overall_start ))s ==="
