#!/usr/bin/env bash
# Builds the libFuzzer targets (preset "fuzz": clang, address and
# undefined-behaviour sanitizers) and runs each for the given number of
# seconds, starting from its seed corpus in fuzz/corpus/<target>/. Fails on
# the first target that finds a crash, a leak or a sanitizer report; the
# input that did it is left in build/fuzz/findings/.
# Installs clang and its sanitizer and libFuzzer runtimes when they are
# missing.
# Usage: scripts/fuzz.sh [seconds per target, default 20] [target...]
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
source scripts/lib/packages.sh
install_missing_packages fuzz clang libclang-rt-dev

seconds="${1:-20}"
shift || true
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(board_read profile registry command_line packet firmware_name ebox_reply scale_config
  identity tal2_status coupon_box curtain_results)

cmake --preset fuzz >/dev/null
cmake --build --preset fuzz -- -j2

# The targets change the current directory, so every path is absolute.
work="${root}/build/fuzz/runs"
findings="${root}/build/fuzz/findings"
mkdir -p "${work}" "${findings}"
failed=()
for target in "${targets[@]}"; do
  corpus="${work}/${target}"
  mkdir -p "${corpus}"
  echo "=== fuzz ${target}: ${seconds}s ==="
  if ! "${root}/build/fuzz/fuzz/fuzz_${target}" -max_total_time="${seconds}" -timeout=10 \
      -rss_limit_mb=2048 -print_final_stats=1 -artifact_prefix="${findings}/${target}-" \
      "${corpus}" "${root}/fuzz/corpus/${target}" > "${work}/${target}.log" 2>&1; then
    tail -n 60 "${work}/${target}.log"
    failed+=("${target}")
  fi
  grep -E '^(#[0-9]+[[:space:]]+DONE|stat::number_of_executed_units)' "${work}/${target}.log" || true
done
if [ ${#failed[@]} -gt 0 ]; then
  echo "=== fuzz: findings in ${failed[*]} (inputs in ${findings}) ==="
  exit 1
fi
echo "=== fuzz: no findings ==="
