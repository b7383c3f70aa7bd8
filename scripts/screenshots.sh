#!/usr/bin/env bash
# Captures Larkspan's windows under a private Xvfb with openbox into PNG files.
# Usage: scripts/screenshots.sh [output folder, default build/screenshots]
set -euo pipefail
cd "$(dirname "$0")/.."
out="$(realpath -m "${1:-build/screenshots}")"
bash scripts/build.sh default >/dev/null

pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
}
trap cleanup EXIT

exec 3< <(Xvfb -displayfd 1 -screen 0 1600x1000x24 -noreset -nolisten tcp 2>/dev/null)
read -r -t 15 num <&3 || { echo "Xvfb did not start" >&2; exit 1; }
pids+=($!)
export DISPLAY=":$num"
openbox >/dev/null 2>&1 &
pids+=($!)
sleep 1

mkdir -p "$out"
LARKSPAN_BUILD_DIR="$PWD/build" QTWEBENGINE_DISABLE_SANDBOX=1 build/bin/window_gallery "$out"
