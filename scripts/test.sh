#!/usr/bin/env bash
# Builds everything and runs the whole test suite (unit, integration and end-to-end).
# Tests that need a display start their own Xvfb; those that need the reference server
# start their own on a free loopback port. Extra arguments go to ctest (e.g. -L unit).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/build.sh default
cd build
ctest --output-on-failure -j 2 --timeout 600 "$@"
cd ..

# clang-tidy over app/, core/ and libs/ with build/'s compile database; a finding fails the run.
echo "== clang-tidy (.clang-tidy) on app/, core/ and libs/"
bash scripts/tidy.sh build

# The unit and integration tests again, built with clang (its warnings are errors) and with
# AddressSanitizer and UndefinedBehaviorSanitizer (the asan preset, in build-asan/); the same
# extra arguments apply.
echo "== Unit and integration tests built with clang, under AddressSanitizer and UndefinedBehaviorSanitizer (build-asan/)"
bash scripts/build.sh asan
ctest --preset asan "$@"
