#!/usr/bin/env bash
# Formats our C++ sources with .clang-format, or with --check says which differ and fails.
# Usage: scripts/format.sh [--check]
set -euo pipefail
cd "$(dirname "$0")/.."
mapfile -t files < <(git ls-files 'app/*.cpp' 'app/*.h' 'core/*.cpp' 'core/*.h' 'libs/*.cpp' 'libs/*.h' \
                                  'tools/*.cpp' 'tools/*.h' 'tests/*.cpp' 'tests/*.h')
if [ "${1:-}" = "--check" ]; then
  clang-format --style=file --dry-run --Werror "${files[@]}"
else
  clang-format --style=file -i "${files[@]}"
fi
