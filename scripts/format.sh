#!/usr/bin/env bash
# Applies the layout of .clang-format (clang-format 14, Debian's) to every C++
# file of the repository: the ones git tracks and new ones it does not ignore.
# With --check it changes nothing, lists the files whose layout differs and
# fails when there is any.
# Usage: scripts/format.sh [--check]
set -euo pipefail
cd "$(dirname "$0")/.."

check=false
case "${1:-}" in
  "") ;;
  --check) check=true ;;
  *) echo "usage: scripts/format.sh [--check]" >&2; exit 2 ;;
esac
command -v clang-format >/dev/null ||
  { echo "format: clang-format is missing (Debian package clang-format)" >&2; exit 2; }

files=()
while IFS= read -r file; do
  [ -f "${file}" ] && files+=("${file}")
done < <(git ls-files --cached --others --exclude-standard -- '*.cpp' '*.h' | sort -u)

if ! ${check}; then
  clang-format -i --style=file "${files[@]}"
  echo "format: ${#files[@]} files laid out"
  exit 0
fi

# One diagnostic per differing spot; list each file once.
differing=$(clang-format --dry-run --style=file "${files[@]}" 2>&1 |
  sed -n 's/^\([^ :]*\):[0-9]*:[0-9]*: warning: code should be clang-formatted.*/\1/p' | sort -u)
if [ -n "${differing}" ]; then
  echo "${differing}"
  echo "format: $(echo "${differing}" | wc -l) of ${#files[@]} files differ from .clang-format" \
    "(scripts/format.sh lays them out)"
  exit 1
fi
echo "format: ${#files[@]} files match .clang-format"
