#!/usr/bin/env bash
# Runs a command (a Windows program under Wine) against the board that serves
# the device sockets of DEVICE_DIR (board-emulator, a test harness, any board
# of the device-socket protocol): starts board-relay on a free loopback port
# and board-bridge.exe in the Wine prefix, which serves \\.\SecModuleDevice0
# and \\.\ConvUnitDevice0; runs the command; then stops both. Exits with the
# command's exit status (125 when the bridge could not start).
#
# Usage: scripts/wine-board.sh DEVICE_DIR -- COMMAND [ARGUMENT...]
#   e.g. scripts/wine-board.sh /tmp/lane-dev -- wine build/windows/su_utility.exe -GetVersion
# Uses WINEPREFIX as Wine does; BOARD_RELAY and BOARD_BRIDGE override the
# programs' paths (default: build/normal/bridge/board-relay and
# build/windows/bridge/board-bridge.exe of this tree).
set -euo pipefail

root="$(cd "$(dirname "$0")/.." && pwd)"
relay_program="${BOARD_RELAY:-${root}/build/normal/bridge/board-relay}"
bridge_program="${BOARD_BRIDGE:-${root}/build/windows/bridge/board-bridge.exe}"

if [ $# -lt 3 ] || [ "$2" != "--" ]; then
  echo "usage: $0 DEVICE_DIR -- COMMAND [ARGUMENT...]" >&2
  exit 2
fi
device_dir="$1"
shift 2
for program in "${relay_program}" "${bridge_program}"; do
  [ -f "${program}" ] || { echo "wine-board: ${program} is missing (build it first)" >&2; exit 125; }
done

export WINEDEBUG="${WINEDEBUG:--all}"
work="$(mktemp -d)"
relay_pid=""
bridge_pid=""

stop_bridge() {
  # The bridge ends when its input ends; the relay on SIGTERM.
  exec 7>&-
  [ -z "${bridge_pid}" ] || wait "${bridge_pid}" 2>/dev/null || true
  [ -z "${relay_pid}" ] || { kill "${relay_pid}" 2>/dev/null || true; wait "${relay_pid}" 2>/dev/null || true; }
  rm -rf "${work}"
}
trap stop_bridge EXIT

# wait_for_line FILE TEXT: waits up to 60 s for TEXT in FILE.
wait_for_line() {
  local tries=0
  until grep -q -- "$2" "$1" 2>/dev/null; do
    tries=$((tries + 1))
    if [ "${tries}" -gt 600 ]; then
      echo "wine-board: no '$2' from $(basename "$1" .out); its messages:" >&2
      cat "$1" "${1%.out}.err" >&2 2>/dev/null || true
      exit 125
    fi
    sleep 0.1
  done
}

"${relay_program}" "${device_dir}" >"${work}/relay.out" 2>"${work}/relay.err" &
relay_pid=$!
wait_for_line "${work}/relay.out" "board-relay: port "
port="$(sed -n 's/^board-relay: port \([0-9]*\)$/\1/p' "${work}/relay.out")"

mkfifo "${work}/bridge.in"
wine "${bridge_program}" "${port}" SecModuleDevice0 ConvUnitDevice0 \
  <"${work}/bridge.in" >"${work}/bridge.out" 2>"${work}/bridge.err" &
bridge_pid=$!
exec 7>"${work}/bridge.in"
wait_for_line "${work}/bridge.out" "board-bridge: ready"

set +e
"$@" 7>&-
status=$?
set -e
exit "${status}"
