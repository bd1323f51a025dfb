#!/usr/bin/env bash
# Builds the release packages from this checkout:
#   windows: build/package-windows/SecurityModuleUtilities-<version>-win64.zip
#            (Bin\su_utility.exe, Bin\cu_utility.exe, the documents)
#   linux:   build/package-linux/security-module-utilities_<version>_<arch>.deb
#            and SecurityModuleUtilities-<version>-linux-<arch>.tar.gz
#            (su_utility, cu_utility, board-emulator, the documents)
# The programs are stripped; their debug information stays in the build
# folder beside them (<program>.debug) and is packed apart, into
# ...-debug.tar.gz, for crash analysis. Installs the Debian packages it
# needs when they are missing. Needs no standard input.
# Usage: scripts/package.sh windows|linux
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/lib/packages.sh

target="${1:-}"
case "${target}" in
  windows)
    install_missing_packages package g++-mingw-w64-x86-64-posix
    programs=(su_utility.exe cu_utility.exe)
    ;;
  linux)
    install_missing_packages package dpkg-dev file
    programs=(su_utility cu_utility emulator/board-emulator)
    ;;
  *)
    echo "usage: scripts/package.sh windows|linux" >&2
    exit 2
    ;;
esac

build_dir="build/package-${target}"
cmake --workflow --preset "package-${target}"

# The debug information, named after the package it belongs to.
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "${build_dir}/CMakeCache.txt")
suffix=$([ "${target}" = windows ] && echo win64 || echo "linux-$(uname -m)")
debug_archive="SecurityModuleUtilities-${version}-${suffix}-debug.tar.gz"
debug_files=()
for program in "${programs[@]}"; do debug_files+=("${program}.debug"); done
tar -C "${build_dir}" -czf "${build_dir}/${debug_archive}" "${debug_files[@]}"

echo "=== package ${target}: ==="
for file in "${build_dir}"/*.zip "${build_dir}"/*.deb "${build_dir}"/*.tar.gz; do
  if [ -e "${file}" ]; then ls -l "${file}"; fi
done
