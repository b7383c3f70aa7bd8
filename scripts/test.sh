#!/usr/bin/env bash
# Builds everything and runs the whole test suite (unit, integration and end-to-end).
# Tests that need a display start their own Xvfb; those that need the reference server
# start their own on a free loopback port. Extra arguments go to ctest (e.g. -L unit).
set -euo pipefail
cd "$(dirname "$0")/.."
# Each step says how long the run has taken so far, so a slow step shows in CI's log.
phase() { echo "== [$((SECONDS / 60)) min $((SECONDS % 60)) s] $*"; }
phase "Build (default preset)"
bash scripts/build.sh default
# The sources as .clang-format lays them out (build.sh has installed clang-format).
bash scripts/format.sh --check

# Most of the default suite's time is the end-to-end tests waiting on the program's minute
# and 90-second cycles, with the processors idle. clang-tidy and the sanitizer build use
# that time, at the lowest priority, so the tests still get the processors when they want
# them (they allow for a busy machine). Their output follows the tests'.
side_log=$(mktemp /tmp/larkspan-test-side-XXXXXX.log)
trap 'pkill -TERM -P "${side:-0}" 2>/dev/null || true; rm -f "$side_log"' EXIT
nice -n 19 bash -euo pipefail -c '
  # clang-tidy over app/, core/ and libs/ with build/s compile database; a finding fails.
  echo "-- clang-tidy (.clang-tidy) on app/, core/ and libs/"
  bash scripts/tidy.sh build
  # The unit and integration tests run again below, built with clang (its warnings are
  # errors) and with AddressSanitizer and UndefinedBehaviorSanitizer (build-asan/).
  echo "-- Build (asan preset: clang, AddressSanitizer, UndefinedBehaviorSanitizer)"
  bash scripts/build.sh asan
' >"$side_log" 2>&1 &
side=$!

phase "Unit, integration and end-to-end tests; clang-tidy and the sanitizer build beside them"
status=0
ctest --preset default "$@" || status=$?

phase "clang-tidy and the sanitizer build"
side_status=0
wait "$side" || side_status=$?
grep -v -E '^\[[0-9]+/[0-9]+\] |^Updating |^Generating |^dpkg-deb: ' "$side_log" || true
[ "$status" -eq 0 ] || { echo "The default suite failed." >&2; exit "$status"; }
[ "$side_status" -eq 0 ] || { echo "clang-tidy or the sanitizer build failed." >&2; exit "$side_status"; }

phase "Unit and integration tests built with clang, under AddressSanitizer and UndefinedBehaviorSanitizer (build-asan/)"
ctest --preset asan "$@"
phase "Done"
