#!/usr/bin/env bash
# Installs what is missing, configures and builds. Usage: scripts/build.sh [preset]
set -euo pipefail
cd "$(dirname "$0")/.."
preset="${1:-default}"
bash scripts/deps.sh
# Rebuilds on a machine that has ccache reuse earlier compilations; a fresh machine builds as usual.
if [ -z "${CMAKE_CXX_COMPILER_LAUNCHER:-}" ] && command -v ccache >/dev/null; then
  export CMAKE_CXX_COMPILER_LAUNCHER=ccache
fi
if [ ! -f "build/CMakeCache.txt" ] || [ "$preset" != "default" ]; then
  cmake --preset "$preset" >/dev/null
fi
cmake --build --preset "$preset" -j "$(nproc)"
