#!/usr/bin/env bash
# Checks that a long scale stream keeps su_utility's memory flat: runs the
# Scale Test's display of scale values against the emulated board streaming
# at the scale's real rate (85 readings a second) and reads the utility's
# peak memory (VmHWM) and resident memory (VmRSS) after one minute and after
# ten. Passes when the peak after ten minutes is within 1 MiB of the peak
# after one. Not part of CI: it takes as long as it measures.
# Usage: scripts/scale-memory.sh [PRESET]   (default normal)
# FIRST_SECONDS and LAST_SECONDS (default 60 and 600) change the two points.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)

preset="${1:-normal}"
first="${FIRST_SECONDS:-60}"
last="${LAST_SECONDS:-600}"
limit_kib=1024

cmake --preset "${preset}" >/dev/null
cmake --build --preset "${preset}" --target su_utility board-emulator -- -j2 >/dev/null
build="${root}/build/${preset}"

work=$(mktemp -d)
emulator_pid=""
cleanup() {
  exec 3>&- 2>/dev/null || true
  if [ -n "${emulator_pid}" ] && kill -0 "${emulator_pid}" 2>/dev/null; then
    kill "${emulator_pid}" 2>/dev/null || true
    wait "${emulator_pid}" 2>/dev/null || true
  fi
  rm -rf "${work}"
}
trap cleanup EXIT

# Keys go through a pipe held open until the end, so that the test keeps
# running with no key pressed.
mkfifo "${work}/keys"
"${build}/emulator/board-emulator" --board su --set version=043912152010 \
  --set scale.config=21.5,12 --set scale.rate=85 \
  -- "${build}/su_utility" <"${work}/keys" >"${work}/output.txt" 2>"${work}/errors.txt" &
emulator_pid=$!
exec 3>"${work}/keys"

utility_pid=""
for _ in $(seq 100); do
  utility_pid=$(pgrep -P "${emulator_pid}" -x su_utility || true)
  [ -n "${utility_pid}" ] && break
  sleep 0.1
done
[ -n "${utility_pid}" ] || { echo "su_utility did not start" >&2; exit 1; }

# Test menu, Scale Testing, Display/Capture Scale Values, any key to start.
printf 'T41 ' >&3

status_kib() { awk -v key="$1:" '$1 == key { print $2 }' "/proc/${utility_pid}/status"; }
sample() {
  sleep "$1"
  kill -0 "${utility_pid}" 2>/dev/null || { echo "su_utility ended early" >&2; exit 1; }
  echo "$(status_kib VmHWM) $(status_kib VmRSS)"
}

started=$(date +%s)
read -r first_hwm first_rss < <(sample "${first}")
echo "after ${first}s: VmHWM ${first_hwm} KiB, VmRSS ${first_rss} KiB"
read -r last_hwm last_rss < <(sample $(( last - ($(date +%s) - started) )))
echo "after ${last}s: VmHWM ${last_hwm} KiB, VmRSS ${last_rss} KiB"

# X ends the test, the end of the input leaves the menus.
printf 'X' >&3
exec 3>&-
wait "${emulator_pid}" || true
emulator_pid=""
readings=$(grep -c "STABLE" "${work}/output.txt" || true)
echo "lines of readings shown: ${readings}"
if [ -s "${work}/errors.txt" ]; then
  echo "standard error of the run:" >&2
  cat "${work}/errors.txt" >&2
fi

growth=$(( last_hwm - first_hwm ))
if [ "${growth}" -gt "${limit_kib}" ]; then
  echo "FAIL: peak memory grew by ${growth} KiB (limit ${limit_kib} KiB)"
  exit 1
fi
echo "PASS: peak memory grew by ${growth} KiB (limit ${limit_kib} KiB)"
