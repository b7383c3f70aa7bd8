#!/usr/bin/env bash
# Installs what is missing, configures and builds. Usage: scripts/build.sh [preset]
set -euo pipefail
cd "$(dirname "$0")/.."
preset="${1:-default}"
bash scripts/deps.sh
if [ ! -f "build/CMakeCache.txt" ] || [ "$preset" != "default" ]; then
  cmake --preset "$preset" >/dev/null
fi
cmake --build --preset "$preset" -j "$(nproc)"
