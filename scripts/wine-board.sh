#!/usr/bin/env bash
# The Windows programs under Wine against the board that serves the device
# sockets of DEVICE_DIR (board-emulator, a test harness, any board of the
# device-socket protocol), through the test driver route: board-relay (Linux)
# reaches the folder's sockets, board-driver-helper.exe (in the Wine prefix)
# loads board-driver.sys when it is not loaded and serves \\.\SecModuleDevice0
# and \\.\ConvUnitDevice0 through it. One started route serves any number of
# program runs, one after another or at once, until it is stopped; the device
# names exist only while it runs.
#
# Usage:
#   scripts/wine-board.sh start DEVICE_DIR   starts the route (returns once the
#                                            device names are served)
#   scripts/wine-board.sh stop               stops it (returns once the names are gone)
#   scripts/wine-board.sh status             prints its device folder; exit 1 when none runs
#   scripts/wine-board.sh DEVICE_DIR -- COMMAND [ARGUMENT...]
#       runs the command with the route started (and stops it after, unless it
#       ran before), e.g.
#       scripts/wine-board.sh /tmp/lane-dev -- wine build/windows/su_utility.exe -GetVersion
#       Exits with the command's status.
# Exit status 125: the route could not start. One route per Wine prefix
# (WINEPREFIX, as Wine has it); its state is in $WINEPREFIX/board-route.
# BOARD_RELAY and BOARD_DRIVER_HELPER override the programs' paths (default:
# build/normal/driver/board-relay and build/windows/driver/board-driver-helper.exe
# of this tree; board-driver.sys is the one beside the helper).
set -euo pipefail

root="$(cd "$(dirname "$0")/.." && pwd)"
relay_program="${BOARD_RELAY:-${root}/build/normal/driver/board-relay}"
helper_program="${BOARD_DRIVER_HELPER:-${root}/build/windows/driver/board-driver-helper.exe}"
export WINEDEBUG="${WINEDEBUG:--all}"
state="${WINEPREFIX:-${HOME}/.wine}/board-route"

usage() {
  echo "usage: $0 start DEVICE_DIR | stop | status | DEVICE_DIR -- COMMAND [ARGUMENT...]" >&2
  exit 2
}

# alive NAME: the process NAME of the route runs (an ended one that nobody
# has reaped yet does not).
alive() {
  local stat
  [ -f "${state}/$1.pid" ] && stat="$(cat "/proc/$(cat "${state}/$1.pid")/stat" 2>/dev/null)" &&
    [ "$(sed 's/.*) \(.\).*/\1/' <<<"${stat}")" != Z ]
}

running() { alive relay && alive helper && [ -f "${state}/device-dir" ]; }

# wait_until_gone NAME: until the process NAME has ended (it was told to end).
wait_until_gone() {
  local tries=0
  while alive "$1" && [ "${tries}" -lt 500 ]; do
    sleep 0.02
    tries=$((tries + 1))
  done
}

# wait_for_line NAME TEXT: until TEXT is in NAME's output; fails with its
# messages when NAME ends first or after 60 s.
wait_for_line() {
  local tries=0
  until grep -q -- "$2" "${state}/$1.out" 2>/dev/null; do
    if ! alive "$1" || [ "${tries}" -gt 3000 ]; then
      echo "wine-board: $1 did not start; its messages:" >&2
      cat "${state}/$1.out" "${state}/$1.err" >&2 2>/dev/null || true
      return 1
    fi
    sleep 0.02
    tries=$((tries + 1))
  done
}

stop_route() {
  [ -d "${state}" ] || return 0
  if alive helper; then
    # The driver drops the names and lets the helper go before this returns.
    wine "${helper_program}" --stop </dev/null >/dev/null 2>&1 || true
    wait_until_gone helper
    alive helper && kill "$(cat "${state}/helper.pid")" 2>/dev/null
  fi
  if alive relay; then
    kill "$(cat "${state}/relay.pid")" 2>/dev/null || true
    wait_until_gone relay
  fi
  rm -rf "${state}"
}

# Every process of the route runs in a session of its own with no terminal
# and its output in the state folder: it outlives this script and holds
# nothing of its caller's open (a test's output pipes, a terminal).
start_route() {
  local device_dir="$1" port
  for program in "${relay_program}" "${helper_program}"; do
    [ -f "${program}" ] || { echo "wine-board: ${program} is missing (build it first)" >&2; return 1; }
  done
  [ -d "${device_dir}" ] || { echo "wine-board: no folder ${device_dir}" >&2; return 1; }
  if running && [ "$(cat "${state}/device-dir")" = "${device_dir}" ]; then return 0; fi
  stop_route
  mkdir -p "${state}"
  setsid "${relay_program}" "${device_dir}" </dev/null >"${state}/relay.out" 2>"${state}/relay.err" &
  echo $! >"${state}/relay.pid"
  wait_for_line relay "board-relay: port " || { stop_route; return 1; }
  port="$(sed -n 's/^board-relay: port \([0-9]*\)$/\1/p' "${state}/relay.out")"
  setsid wine "${helper_program}" "${port}" </dev/null >"${state}/helper.out" 2>"${state}/helper.err" &
  echo $! >"${state}/helper.pid"
  wait_for_line helper "board-driver-helper: ready" || { stop_route; return 1; }
  echo "${device_dir}" >"${state}/device-dir"
}

case "${1:-}" in
start)
  [ $# -eq 2 ] || usage
  start_route "$(cd "$2" 2>/dev/null && pwd || echo "$2")" || exit 125
  ;;
stop)
  [ $# -eq 1 ] || usage
  stop_route
  ;;
status)
  [ $# -eq 1 ] || usage
  running || exit 1
  cat "${state}/device-dir"
  ;;
*)
  [ $# -ge 3 ] && [ "$2" = "--" ] || usage
  device_dir="$(cd "$1" 2>/dev/null && pwd || echo "$1")"
  shift 2
  started=0
  if ! running || [ "$(cat "${state}/device-dir")" != "${device_dir}" ]; then
    start_route "${device_dir}" || exit 125
    started=1
  fi
  set +e
  "$@"
  status=$?
  set -e
  [ "${started}" -eq 0 ] || stop_route
  exit "${status}"
  ;;
esac
