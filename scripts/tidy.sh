#!/usr/bin/env bash
# Runs clang-tidy (the checks in .clang-tidy) over our own sources in app/, core/ and libs/ with
# the compile database of a configured and built tree (build/ unless given; the build makes the
# generated moc/uic headers the sources include). Any finding fails the run: .clang-tidy makes
# every warning an error, and run-clang-tidy fails when any file does.
# Usage: scripts/tidy.sh [build-dir] [file pattern, default: everything in app/, core/, libs/]
set -euo pipefail
cd "$(dirname "$0")/.."
build="${1:-build}"
pattern="${2:-^$PWD/(app|core|libs)/}"
if [ ! -f "$build/compile_commands.json" ]; then
  echo "tidy.sh: no $build/compile_commands.json; build first (scripts/build.sh)" >&2
  exit 2
fi
# run-clang-tidy names every file it starts and counts the warnings it hid; only findings pass.
set +e
run-clang-tidy -p "$build" -j "$(nproc)" -quiet "$pattern" 2>&1 \
  | grep -v -E '^clang-tidy(-[0-9]+)? |^Running clang-tidy|warnings? (and [0-9]+ errors? )?generated\.$|^Suppressed [0-9]+ warnings|^Use -header-filter|^$'
status=${PIPESTATUS[0]}
set -e
exit "$status"
