#!/usr/bin/env bash
# Installs what is missing, configures and builds. Usage: scripts/build.sh [preset]
# The presets in CMakePresets.json name each tree's folder and settings.
set -euo pipefail
cd "$(dirname "$0")/.."
preset="${1:-default}"
bash scripts/deps.sh
# Rebuilds on a machine that has ccache reuse earlier compilations; a fresh machine builds as usual.
if [ -z "${CMAKE_CXX_COMPILER_LAUNCHER:-}" ] && command -v ccache >/dev/null; then
  export CMAKE_CXX_COMPILER_LAUNCHER=ccache
fi
binary_dir=$(jq -r --arg p "$preset" '.configurePresets[] | select(.name == $p) | .binaryDir' CMakePresets.json)
binary_dir=${binary_dir//\$\{sourceDir\}/$PWD}
if [ -z "$binary_dir" ] || [ "$binary_dir" = null ]; then
  echo "build.sh: no configure preset \"$preset\" in CMakePresets.json" >&2
  exit 2
fi
# A configured tree reconfigures itself when a CMakeLists.txt changes.
if [ ! -f "$binary_dir/CMakeCache.txt" ]; then
  cmake --preset "$preset" >/dev/null
fi
cmake --build --preset "$preset" -j "$(nproc)"
