#!/usr/bin/env bash
# Resident memory of the windows and the embedded console under Xvfb + openbox, with the
# program's graphics setup and, for comparison, with Qt's default GL integration.
# Usage: tests/bench/ui_footprint.sh [build-dir]
set -euo pipefail
build="$(realpath "${1:-build}")"
pids=()
trap 'kill "${pids[@]}" 2>/dev/null || true' EXIT
exec 3< <(Xvfb -displayfd 1 -screen 0 1600x1000x24 -noreset -nolisten tcp 2>/dev/null)
read -r -t 15 num <&3
pids+=($!)
export DISPLAY=":$num" LARKSPAN_BUILD_DIR="$build" QTWEBENGINE_DISABLE_SANDBOX=1
unset QT_QPA_PLATFORM QT_XCB_GL_INTEGRATION
openbox >/dev/null 2>&1 & pids+=($!)
sleep 1
echo "== as the program runs (GraphicsSetup)"
"$build/bin/bench_ui_footprint" 2>/dev/null
echo "== Qt's default GL integration"
"$build/bin/bench_ui_footprint" --default-gl 2>/dev/null
