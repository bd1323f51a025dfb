#!/bin/sh
# The Wine session of the unit tests run under Wine (tests/CMakeLists.txt).
# start: boots WINEPREFIX when it never was (within a bounded wait), then one
# persistent server for the whole run, and Wine's background processes
# started here with their output away from the tests: one started by a test
# would hold that test's output open and keep it running until its time-out.
# stop: ends the server.
set -u
: "${WINEPREFIX:=${HOME}/.wine}"
export WINEPREFIX
case "${1:-}" in
start)
  mkdir -p "${WINEPREFIX}"
  if [ ! -f "${WINEPREFIX}/.update-timestamp" ]; then
    echo "booting the new Wine prefix ${WINEPREFIX} (a minute or more)"
    timeout 240 wineboot -i </dev/null >"${WINEPREFIX}/wineboot.log" 2>&1 ||
      { echo "wineboot failed or took over 240 s; see ${WINEPREFIX}/wineboot.log" >&2; exit 1; }
    timeout 60 wineserver -w </dev/null >/dev/null 2>&1
  fi
  # A server already running (the windows stage's own) fails -p: it serves.
  wineserver -p </dev/null >/dev/null 2>&1 || true
  timeout 120 wine cmd /c exit </dev/null >/dev/null 2>&1 ||
    { echo "Wine did not start a program in the prefix ${WINEPREFIX} within 120 s" >&2; exit 1; }
  ;;
stop)
  wineserver -k </dev/null >/dev/null 2>&1 || true
  ;;
*)
  echo "usage: $0 start|stop" >&2
  exit 2
  ;;
esac
