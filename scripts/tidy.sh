#!/usr/bin/env bash
# Runs clang-tidy (the checks in .clang-tidy) over our own sources in app/, core/ and libs/ with
# the compile database of a configured and built tree (build/ unless given; the build makes the
# generated moc/uic headers the sources include). Any finding fails the run.
# Usage: scripts/tidy.sh [build-dir]
set -euo pipefail
cd "$(dirname "$0")/.."
root="$PWD"
build="${1:-build}"
if [ ! -f "$build/compile_commands.json" ]; then
  echo "tidy.sh: no $build/compile_commands.json; build first (scripts/build.sh)" >&2
  exit 2
fi
# Two at a time: CI machines and ours have two cores.
jq -r '.[].file' "$build/compile_commands.json" \
  | grep -E "^$root/(app|core|libs)/" | sort -u \
  | xargs -r -P 2 -n 1 clang-tidy -p "$build" --quiet 2> >(grep -v ' warnings\? generated\.$' >&2)
