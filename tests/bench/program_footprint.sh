#!/usr/bin/env bash
# Resident memory of Larkspan, logged in and idle for 60 s under a tray host, against a bare
# tray program in the same run; then CPU, wake-ups and threads over the next idle seconds.
# Once without and once with a notification service.
# Usage: tests/bench/program_footprint.sh [build-dir] [idle-seconds]
set -euo pipefail
build=$(cd "${1:-build}" && pwd)
idle="${2:-120}"
export LARKSPAN_BUILD_DIR="$build"
summary=()
for mode in "" --session-bus; do
  label=${mode:+with a notification service}
  label=${label:-without a notification service}
  echo "== $label"
  out=$("$build/bin/bench_program_footprint" --quiet-only --idle-seconds "$idle" $mode)
  echo "$out"
  summary+=("$label:" "$(grep -E '^RSS ratio|^Larkspan +idle' <<<"$out" | sed 's/^/  /')")
done
echo
echo "== summary"
printf '%s\n' "${summary[@]}"
