#!/usr/bin/env bash
# The static checks of the programs, the board emulator and the board relay: clang-tidy
# (.clang-tidy) and cppcheck (scripts/cppcheck-suppressions.txt) over their
# sources, the include order of the layers (scripts/check-layers.py), then the
# layout check of scripts/format.sh over every C++ file.
# Fails on any finding. Needs only a configure of preset "normal" for its
# compile commands, no build. Installs the Debian packages it needs when they
# are missing.
# Usage: scripts/static-checks.sh
set -euo pipefail
cd "$(dirname "$0")/.."

source scripts/lib/packages.sh
install_missing_packages static clang-tidy cppcheck clang-format python3

# The compile commands of the checked sources only: the programs (the Windows
# platform files build under MinGW only) and the emulator, not the tests.
cmake --preset normal >/dev/null
checked=build/static-checks
mkdir -p "${checked}"
python3 - build/normal/compile_commands.json "${checked}/compile_commands.json" <<'PY'
import json, os, re, sys
root = os.getcwd()
wanted = re.compile(r'(base|frame|trace|config|link|commands|platform|emulator|driver)/')
seen, kept = set(), []
for entry in json.load(open(sys.argv[1])):
    name = os.path.relpath(entry['file'], root)
    if wanted.match(name) and name not in seen:
        seen.add(name)
        kept.append(entry)
json.dump(kept, open(sys.argv[2], 'w'), indent=1)
print('static: %d source files checked' % len(kept))
PY

failed=()
echo "=== static: clang-tidy ==="
# run-clang-tidy runs one process per file: clang-tidy 14's analyser can
# carry state from one file into the next within a process.
tidy_log="${checked}/clang-tidy.log"
run-clang-tidy -p "${checked}" -j 2 -quiet > "${tidy_log}" 2>&1 || failed+=(clang-tidy)
# Without the command lines, the counts and the colours run-clang-tidy asks for.
sed -e 's/\x1b\[[0-9;]*m//g' "${tidy_log}" |
  grep -v -e '^clang-tidy[-0-9]* ' -e ' generated\.$' -e ' treated as errors\.*$' || true

echo "=== static: cppcheck ==="
mkdir -p "${checked}/cppcheck"
cppcheck --project="${checked}/compile_commands.json" --std=c++17 --library=posix \
  --enable=warning,style,performance,portability --inline-suppr \
  --suppressions-list=scripts/cppcheck-suppressions.txt --cppcheck-build-dir="${checked}/cppcheck" \
  --template=gcc --error-exitcode=1 --quiet -j 2 || failed+=(cppcheck)

echo "=== static: layers ==="
python3 scripts/check-layers.py || failed+=(layers)

echo "=== static: layout ==="
scripts/format.sh --check || failed+=(layout)

if [ ${#failed[@]} -gt 0 ]; then
  echo "=== static: findings from ${failed[*]} ==="
  exit 1
fi
echo "=== static: clean ==="
