#!/usr/bin/env bash
# The Windows stage: cross-builds su_utility.exe, cu_utility.exe, the unit
# tests and the test driver (board-driver.sys, board-driver-helper.exe) with
# MinGW-w64, runs the unit tests under Wine, then runs both programs from a
# folder on the Wine prefix's drive C: (so that the current drive is C:, as
# on a lane) and checks what they do, then runs the end-to-end tests against
# them through the test driver route (two at a time, each worker with its own
# prefix and route). Every test passes the first time or the stage fails.
# Installs the Debian packages it needs when they are missing. Builds what it
# needs of the normal preset (e2e_tests, board-relay). Needs no standard
# input.
# Usage: scripts/windows-stage.sh
set -euo pipefail

# Everything the stage starts gets the fixed address layout: a randomised one
# now and then puts something where Wine maps the shared user data, and that
# Wine process ends at once ("failed to map the shared user data: c0000018").
if [ -z "${WINDOWS_STAGE_FIXED_LAYOUT:-}" ] && command -v setarch >/dev/null; then
  export WINDOWS_STAGE_FIXED_LAYOUT=1
  exec setarch "$(uname -m)" -R "$0" "$@"
fi

cd "$(dirname "$0")/.."

stage_start=$(date +%s)
build_dir="$PWD/build/windows"

# ------------------------------------------------------------------ packages

packages=(g++-mingw-w64-x86-64-posix wine wine64)
source scripts/lib/packages.sh

# ----------------------------------------------------------------------- Wine

# The prefix lives in the build folder; ctest's preset points there too.
export WINEPREFIX="${build_dir}/wineprefix"
export WINEDEBUG=-all
# No Mono or Gecko installer prompts; no display needed.
export WINEDLLOVERRIDES="mscoree,mshtml="
unset DISPLAY WAYLAND_DISPLAY

# The end-to-end tests run two at a time; C:\FirmwareUpdate is one folder per
# drive C:, and the board device names are one set per prefix, so each worker
# takes a prefix of its own (the tests lock one), with its own route.
e2e_prefixes=("${WINEPREFIX}" "${build_dir}/wineprefix2")
route_dirs="${build_dir}/board-routes"

stop_wine() {
  local prefix
  for prefix in "${e2e_prefixes[@]}"; do
    WINEPREFIX="${prefix}" scripts/wine-board.sh stop >/dev/null 2>&1 || true
    WINEPREFIX="${prefix}" wineserver -k >/dev/null 2>&1 || true
  done
  rm -rf "${route_dirs}"
}

start_wine() {
  mkdir -p "${build_dir}"
  stop_wine  # servers of these prefixes left by an interrupted run
  trap stop_wine EXIT
  # Create or update the prefix, and let everything that started finish.
  wineboot -i </dev/null >"${build_dir}/wineboot.log" 2>&1
  timeout 120 wineserver -w
  # One server for the whole stage, and the session's background processes
  # started here with their output away from the tests: a process started by
  # a test would hold that test's output open and keep the test running.
  wineserver -p </dev/null >/dev/null 2>&1
  wine cmd /c exit </dev/null >>"${build_dir}/wineboot.log" 2>&1
}

# The second worker's prefix: a copy of the first made of hard links (the
# prefix's files are only read by the tests; the registry files, which Wine
# rewrites, are real copies). Costs no disk and a few seconds instead of a
# wineboot. Each gets its own persistent server.
start_second_prefix() {
  local second="${e2e_prefixes[1]}"
  rm -rf "${second}"
  cp -al "${WINEPREFIX}" "${second}"
  rm -rf "${second}"/*.reg "${second}/e2e.lock" "${second}/board-route"
  cp "${WINEPREFIX}"/*.reg "${second}/"
  WINEPREFIX="${second}" wineserver -p </dev/null >/dev/null 2>&1
}

# One test driver route per prefix for all the end-to-end tests (they use
# the one running in their prefix): board-relay on a device folder of its
# own, board-driver-helper.exe, which loads board-driver.sys.
start_routes() {
  local prefix index=0
  rm -rf "${route_dirs}"
  for prefix in "${e2e_prefixes[@]}"; do
    mkdir -p "${route_dirs}/${index}"
    WINEPREFIX="${prefix}" scripts/wine-board.sh start "${route_dirs}/${index}"
    index=$((index + 1))
  done
}

# -------------------------------------------------------------- smoke checks
#
# Each check is one function named check_*; run_checks runs those listed in
# CHECKS. A check runs a program with run_program and judges the result with
# the expect_* helpers, which print what went wrong and count the failure.

drive_c="${WINEPREFIX}/drive_c"
lane_bin="${drive_c}/Lane/Bin"
lane_config="${drive_c}/Lane/Config"
capture_file="${drive_c}/FirmwareUpdate/Utility01.Txt"
failures=0
run_output=""
run_status=0

# A fresh lane: the programs in C:\Lane\Bin, an empty C:\Lane\Config, no
# capture files, no lane registry key.
prepare_lane() {
  rm -rf "${drive_c}/Lane" "${drive_c}/FirmwareUpdate"
  mkdir -p "${lane_bin}" "${lane_config}"
  cp "${build_dir}/su_utility.exe" "${build_dir}/cu_utility.exe" "${lane_bin}/"
  wine reg delete 'HKLM\SOFTWARE\Morvane\Orvik750\Lane' /f </dev/null >/dev/null 2>&1 || true
}

# run_program PROGRAM.exe ARGS...: runs it in C:\Lane\Bin with no input;
# sets run_output (carriage returns removed) and run_status.
run_program() {
  set +e
  run_output=$(cd "${lane_bin}" && timeout 120 wine "$@" </dev/null 2>&1)
  run_status=$?
  set -e
  run_output=${run_output//$'\r'/}
}

fail() {
  echo "windows: FAILED $1"
  failures=$((failures + 1))
}

expect_status() {
  [ "${run_status}" -eq "$1" ] || fail "${check}: exit status ${run_status}, expected $1"
}

expect_output_line() {
  grep -qxF -- "$1" <<<"${run_output}" || fail "${check}: no output line '$1'"
}

expect_output_contains() {
  grep -qF -- "$1" <<<"${run_output}" || fail "${check}: output lacks '$1'"
}

expect_capture_contains() {
  [ -f "${capture_file}" ] || { fail "${check}: no capture file C:\\FirmwareUpdate\\Utility01.Txt"; return; }
  grep -qF -- "$1" "${capture_file}" || fail "${check}: capture file lacks '$1'"
}

# set_lane_registry NAME TEXT: a text value under HKLM\SOFTWARE\Morvane\Orvik750\Lane.
set_lane_registry() {
  wine reg add 'HKLM\SOFTWARE\Morvane\Orvik750\Lane' /v "$1" /t REG_SZ /d "$2" /f \
    </dev/null >/dev/null 2>&1
}

# write_lane_config FILE LINES...: C:\Lane\Config\FILE with Windows line ends.
write_lane_config() {
  local file="$1"
  shift
  printf '%s\r\n' "$@" >"${lane_config}/${file}"
}

check_su_utility_version() {
  run_program su_utility.exe -GetUtilityVersion
  expect_status 0
  expect_output_line "SU Utility Version 0.2.3.1  02/09/2011"
}

check_cu_utility_version() {
  run_program cu_utility.exe -GetUtilityVersion
  expect_status 0
  expect_output_line "CU Utility Version 0.2.4.1  03/23/2011"
}

check_su_version_without_driver() {
  run_program su_utility.exe -GetVersion
  expect_status 202
  expect_output_contains "ERROR 1A, Initializing Security Module."
  expect_capture_contains "Error Opending Security Module ( hDevice_Write_SystemPortIo ) RtnValue: 0x2 )"
}

check_cu_version_without_driver() {
  run_program cu_utility.exe -GetVersion
  expect_status 202
  expect_capture_contains "Argument 1 Value:-GetVersion"
}

check_invalid_module_type() {
  set_lane_registry SecurityModuleType NOT_A_MODULE
  run_program su_utility.exe -GetVersion
  expect_status 1
  expect_capture_contains "Invalid Setting for Security Module Type, ( 'NOT_A_MODULE' )'."
}

check_invalid_country_code() {
  write_lane_config LaneConfig.Ini "[Common]" "CountryCode=MARS"
  run_program su_utility.exe -GetVersion
  expect_status 1
  expect_capture_contains "Invalid Setting for Country Code, ( 'MARS' )'."
}

CHECKS=(check_su_utility_version check_cu_utility_version check_su_version_without_driver
  check_cu_version_without_driver check_invalid_module_type check_invalid_country_code)

run_checks() {
  for check in "${CHECKS[@]}"; do
    prepare_lane
    "${check}"
  done
  [ "${failures}" -eq 0 ] || return 1
  echo "windows: ${#CHECKS[@]} smoke checks passed"
}

# ---------------------------------------------------------------------- stage

step() {
  echo "=== windows: $1 ($(($(date +%s) - stage_start))s so far) ==="
}

step "packages"
install_missing_packages windows "${packages[@]}"
step "Wine prefix"
start_wine
step "cross-build"
cmake --preset windows >/dev/null
cmake --build --preset windows -- -j2
step "unit tests under Wine"
ctest --preset windows </dev/null
wineserver -p </dev/null >/dev/null 2>&1  # the tests' fixture stopped it
step "smoke checks under Wine"
run_checks
step "end-to-end tests under Wine"
# The programs the tests run come from this build; the tests themselves, the
# board emulator and board-relay from the normal preset.
cmake --preset normal >/dev/null
cmake --build --preset normal --target e2e_tests -- -j2
start_second_prefix
start_routes
prefix_list="$(IFS=:; echo "${e2e_prefixes[*]}")"
UTILITY_E2E_WINE_PREFIXES="${prefix_list}" \
  ctest --test-dir build/normal -L wine --parallel "${TEST_JOBS:-$(nproc)}" --output-on-failure </dev/null
echo "=== windows: stage took $(($(date +%s) - stage_start))s ==="
