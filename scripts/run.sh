#!/usr/bin/env bash
# Builds Larkspan and runs it against the reference server (started here unless
# LARKSPAN_SERVER_URL names another service).
#
# With a screen (DISPLAY set) this is the program a person uses: the tray icon, the login
# page in their own browser, tracking until "Quit" in the tray menu.
#
# Without one it shows the whole job on a virtual display (Xvfb + openbox + trayer): a
# fresh demo user logs in through the login page (a stand-in browser, first on PATH as
# xdg-open, fetches it and presses its button), some typing and clicking goes to two xterm
# windows, and once Larkspan has built and uploaded its time logs (its minute and 90-second
# cycles) the script prints what the server received and the console's address. Larkspan
# then runs on until Ctrl+C.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
bash scripts/build.sh default

if [ -n "${WAYLAND_DISPLAY:-}" ] && [ -z "${DISPLAY:-}" ]; then
  echo "Larkspan tracks X11 windows only; this Wayland session has no X display." >&2
fi

work=$(mktemp -d /tmp/larkspan-run-XXXXXX)
pids=()         # helpers, stopped last to first
larkspan_pid=""
cleanup() {
  trap - EXIT INT TERM
  if [ -n "$larkspan_pid" ] && kill -0 "$larkspan_pid" 2>/dev/null; then
    # Like Quit from the tray: threads stop in order, nothing tracked is lost.
    kill -TERM "$larkspan_pid" 2>/dev/null || true
    wait "$larkspan_pid" 2>/dev/null || true
  fi
  for ((i = ${#pids[@]} - 1; i >= 0; i--)); do kill "${pids[$i]}" 2>/dev/null || true; done
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 130' INT TERM
# shellcheck source=lib/desktop.sh
source scripts/lib/desktop.sh

# Waits up to $2 seconds for the command in $1 to succeed.
wait_for() {
  local tries=$(($2 * 5))
  until eval "$1"; do
    tries=$((tries - 1))
    [ "$tries" -gt 0 ] || return 1
    sleep 0.2
  done
}

headless=0
if [ -z "${DISPLAY:-}" ]; then
  headless=1
  start_virtual_desktop 1280x800
  echo "Virtual display $DISPLAY (Xvfb + openbox + trayer)"
fi

if [ -z "${LARKSPAN_SERVER_URL:-}" ]; then
  port="${LARKSPAN_DEVSERVER_PORT:-18080}"
  # The demo starts from an empty server; a person's runs keep theirs.
  data="${XDG_DATA_HOME:-$HOME/.local/share}/larkspan-devserver"
  [ "$headless" = 0 ] || data="$work/server"
  # The crash collector takes a free port; Larkspan is told which.
  build/bin/larkspan-devserver --dev-endpoints --quiet --port "$port" --crash-port 0 --data "$data" \
    >"$work/server.out" &
  pids+=($!)
  server_pid=$!
  if ! wait_for "grep -q '^listening on' '$work/server.out' || ! kill -0 $server_pid 2>/dev/null" 15 \
     || ! kill -0 "$server_pid" 2>/dev/null; then
    echo "The reference server did not start (is port $port taken?)" >&2
    exit 1
  fi
  export LARKSPAN_SERVER_URL="http://127.0.0.1:$port" LARKSPAN_INGRESS_URL="http://127.0.0.1:$port"
  LARKSPAN_CRASH_URL=$(sed -n 's/^crash collector listening on //p' "$work/server.out")
  export LARKSPAN_CRASH_URL
  echo "Reference server on $LARKSPAN_SERVER_URL (crash collector $LARKSPAN_CRASH_URL)"
fi

if [ "$headless" = 0 ]; then
  build/bin/Larkspan "$@" &
  larkspan_pid=$!
  wait "$larkspan_pid" || true
  exit 0
fi

# --- The demo on the virtual display, in a home of its own ---
demo="$work/home"
mkdir -p "$demo/browser" && chmod 700 "$demo"
cp tests/e2e/xdg-open "$demo/browser/xdg-open"
user=demo
conf="$demo/.config/Corvane/Larkspan.conf"

HOME="$demo" XDG_CONFIG_HOME="$demo/.config" XDG_DATA_HOME="$demo/.local/share" \
  XDG_CACHE_HOME="$demo/.cache" XDG_RUNTIME_DIR="$demo" \
  PATH="$demo/browser:$PATH" LARKSPAN_E2E_LOGIN_USER="$user" LARKSPAN_E2E_OPENED="$demo/opened" \
  DBUS_SESSION_BUS_ADDRESS="unix:path=$demo/no-bus" \
  build/bin/Larkspan "$@" >"$work/larkspan.out" 2>&1 &
larkspan_pid=$!
echo "Larkspan started (log: $demo/.local/share/Corvane/Larkspan/Larkspan.log)"

if ! wait_for "grep -q 'cvUserId.*$user' '$conf' 2>/dev/null" 30; then
  echo "The demo login did not complete; Larkspan said:" >&2
  cat "$work/larkspan.out" >&2
  exit 1
fi
echo "Logged in as \"$user\" through the login page $(head -n1 "$demo/opened")"

# Two windows to work in; typing, clicks and pointer moves are what Larkspan samples.
xterm -T "Quarterly report - notes" -geometry 80x20+40+60 -e cat >/dev/null 2>&1 &
pids+=($!)
xterm -T "Inbox - mail" -geometry 80x20+620+360 -e cat >/dev/null 2>&1 &
pids+=($!)
report=$(xdotool search --sync --name "^Quarterly report - notes$" | head -n1)
inbox=$(xdotool search --sync --name "^Inbox - mail$" | head -n1)

received() {
  curl -s --max-time 5 "$LARKSPAN_SERVER_URL/dev/activities?user=$user" | jq '.activities | length' 2>/dev/null || echo 0
}
echo -n "Typing and clicking in two xterm windows until the first upload (about 100 s)"
deadline=$((SECONDS + 180))
round=0
until [ "$(received)" -gt 0 ] 2>/dev/null; do
  [ "$SECONDS" -lt "$deadline" ] || { echo; echo "Nothing arrived at the server in time" >&2; exit 1; }
  kill -0 "$larkspan_pid" 2>/dev/null || { echo; echo "Larkspan ended" >&2; cat "$work/larkspan.out" >&2; exit 1; }
  if [ $((round % 4)) -lt 2 ]; then window=$report; else window=$inbox; fi
  # The pointer goes into the window first, so the click lands there and not in the other.
  xdotool windowactivate --sync "$window" mousemove --window "$window" 200 120 2>/dev/null || true
  xdotool type --delay 60 "line $round " key Return mousemove_relative -- 12 7 click 1 2>/dev/null || true
  sleep 2
  xdotool mousemove_relative -- -12 -7 2>/dev/null || true
  sleep 2
  round=$((round + 1))
  echo -n "."
done
echo

echo "The server received these time logs for \"$user\":"
curl -s "$LARKSPAN_SERVER_URL/dev/activities?user=$user" | jq -r '
  ["start (UTC)", "end (UTC)", "active", "application", "window"],
  (.activities[] | [.start_time, .end_time, (.active_count | tostring), .app_name, .activity_description])
  | @tsv' | awk -F '\t' '{ printf "  %-15s %-15s %-7s %-10s %s\n", $1, $2, $3, $4, $5 }'
token=$(sed -n 's/.*refreshToken\\":\\"\([^\\]*\)\\".*/\1/p' "$conf")
echo
echo "Console (the user's timeline): $LARKSPAN_SERVER_URL/console/login/r/$token"
echo "Larkspan runs on, on display $DISPLAY; Ctrl+C quits."
wait "$larkspan_pid" || true
