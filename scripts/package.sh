#!/usr/bin/env bash
# Builds a release tree (build-release/, without tests) and the Debian package from it.
# Usage: scripts/package.sh [output folder]   (default build-release/packages)
# The package installs to /usr: the program and its helpers in /usr/lib/larkspan, the
# command /usr/bin/larkspan, data in /usr/share. Symbol tables are kept (crash reports).
set -euo pipefail
cd "$(dirname "$0")/.."
out="${1:-build-release/packages}"
bash scripts/deps.sh
cmake --preset release -DCMAKE_INSTALL_PREFIX=/usr -DLARKSPAN_EXCLUDE_DIRS=tools/devserver >/dev/null
cmake --build --preset release -j "$(nproc)"
cpack -G DEB --config build-release/CPackConfig.cmake -B "$out"
rm -rf "$out/_CPack_Packages"
ls -l "$out"/*.deb
