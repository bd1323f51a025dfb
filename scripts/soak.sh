#!/usr/bin/env bash
# Runs the fault soak by hand: both programs, every automated command, with
# emulator faults drawn from the seed, two runs at a time. Prints the counts
# and every failed run with the options that replay it alone.
# Usage: scripts/soak.sh [--windows] [RUNS, default 300] [SEED, default the time] [PRESET, default normal]
# Extra options for the runner (--quick, --verbose, --parallel 1) go in SOAK_OPTIONS.
#
# --windows (or SOAK_WINDOWS=1) soaks su_utility.exe and cu_utility.exe of the
# windows preset instead, under Wine through the test driver route, one run
# at a time (one prefix is one lane PC), with the same checks and bounds but
# without the open faults, which cannot fail an open under Wine. It
# builds what it needs of both presets and uses the prefix
# build/windows/wineprefix (made on first use).
set -euo pipefail
cd "$(dirname "$0")/.."

windows="${SOAK_WINDOWS:-0}"
if [[ "${1:-}" == "--windows" ]]; then
  windows=1
  shift
fi
runs="${1:-300}"
seed="${2:-$(date +%s)}"
preset="${3:-normal}"

export ASAN_OPTIONS="${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1}"
export UBSAN_OPTIONS="${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}"
export TSAN_OPTIONS="${TSAN_OPTIONS:-halt_on_error=1:second_deadlock_stack=1}"

cmake --preset "${preset}" >/dev/null
cmake --build --preset "${preset}" --target fault_soak board-relay -- -j2

if [[ "${windows}" == 1 ]]; then
  windows_build="$PWD/build/windows"
  cmake --preset windows >/dev/null
  cmake --build --preset windows --target su_utility cu_utility board-driver board-driver-helper -- -j2
  export WINEPREFIX="${windows_build}/wineprefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
  unset DISPLAY WAYLAND_DISPLAY
  # A prefix never booted can hang its first program: boot it first.
  if [[ ! -f "${WINEPREFIX}/system.reg" ]]; then
    wineboot -i </dev/null >/dev/null 2>&1
    timeout 120 wineserver -w
  fi
  # The runner starts the route in the prefix unless one runs there.
  export UTILITY_E2E_WINE="${windows_build}" UTILITY_E2E_WINE_PREFIXES="${WINEPREFIX}"
fi

# shellcheck disable=SC2086
exec "build/${preset}/tests/soak/fault_soak" --gtest_filter='FaultSoak.*' \
  --runs "${runs}" --seed "${seed}" ${SOAK_OPTIONS:-}
