#!/usr/bin/env bash
# Builds Larkspan and runs it. Without a screen (no DISPLAY) it starts a virtual one:
# Xvfb with the openbox window manager. Ctrl+C (SIGINT) quits Larkspan cleanly.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/build.sh default

pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
}
trap cleanup EXIT

if [ -n "${WAYLAND_DISPLAY:-}" ] && [ -z "${DISPLAY:-}" ]; then
  echo "Larkspan tracks X11 windows only; this Wayland session has no X display." >&2
fi

if [ -z "${DISPLAY:-}" ]; then
  # -displayfd lets Xvfb pick a free display number and tell us which.
  exec 3< <(Xvfb -displayfd 1 -screen 0 1280x800x24 -noreset -nolisten tcp 2>/dev/null)
  read -r -t 15 num <&3 || { echo "Xvfb did not start" >&2; exit 1; }
  pids+=($!)
  export DISPLAY=":$num"
  openbox >/dev/null 2>&1 &
  pids+=($!)
  echo "Virtual display $DISPLAY (Xvfb + openbox)"
fi

if [ -x build/bin/larkspan-devserver ] && [ -z "${LARKSPAN_SERVER_URL:-}" ]; then
  port="${LARKSPAN_DEVSERVER_PORT:-18080}"
  build/bin/larkspan-devserver --dev-endpoints --port "$port" --data "${XDG_DATA_HOME:-$HOME/.local/share}/larkspan-devserver" &
  pids+=($!)
  export LARKSPAN_SERVER_URL="http://127.0.0.1:$port" LARKSPAN_INGRESS_URL="http://127.0.0.1:$port"
  echo "Reference server on $LARKSPAN_SERVER_URL"
fi

build/bin/Larkspan "$@"
