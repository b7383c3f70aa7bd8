#!/usr/bin/env bash
# Idle cost of the two capture backends side by side: CPU share of one core and wake-ups per
# second (context switches of all of Larkspan's threads) while nobody types, and while a
# user types ten keys a second. X11: Xvfb + openbox + xterm, input through XTEST.
# Wayland: a headless sway as an unprivileged user (as root: "larkspan-wl", created if
# missing), a foot window, input through the virtual keyboard.
# Usage: tests/bench/capture_backends.sh [build-dir] [seconds]
set -euo pipefail
build="$(cd "${1:-build}" && pwd)"
secs="${2:-30}"
hz=$(getconf CLK_TCK)
pids=()
homes=()
cleanup() {
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
  for h in "${homes[@]}"; do rm -rf "$h"; done
}
trap cleanup EXIT

ticks() { awk '{print $14 + $15}' "/proc/$1/stat"; }
switches() { cat /proc/"$1"/task/*/status | awk '/ctxt_switches/ { n += $2 } END { print n }'; }
# measure <pid> <label> [command typing meanwhile...]
measure() {
  local pid=$1 label=$2; shift 2
  local t0 s0 t1 s1 typist=""
  if [ $# -gt 0 ]; then "$@" >/dev/null 2>&1 & typist=$!; fi
  t0=$(ticks "$pid"); s0=$(switches "$pid")
  sleep "$secs"
  t1=$(ticks "$pid"); s1=$(switches "$pid")
  if [ -n "$typist" ]; then kill "$typist" 2>/dev/null || true; wait "$typist" 2>/dev/null || true; fi
  awk -v l="$label" -v d=$((t1 - t0)) -v w=$((s1 - s0)) -v hz="$hz" -v s="$secs" \
    'BEGIN { printf "%-28s %7.3f%% of one core  %7.1f wake-ups/s\n", l, 100 * d / hz / s, w / s }'
}
# Ten keys a second for the whole measurement.
text=$(head -c $((secs * 10 + 20)) /dev/zero | tr '\0' 'a')

# --- X11 ---
home=$(mktemp -d); homes+=("$home")
exec 3< <(Xvfb -displayfd 1 -screen 0 1280x800x24 -noreset -nolisten tcp 2>/dev/null)
read -r -t 15 num <&3
pids+=($!)
(
  export DISPLAY=":$num" HOME="$home" XDG_CONFIG_HOME="$home/.config" XDG_DATA_HOME="$home/.local/share" \
         XDG_RUNTIME_DIR="$home" DBUS_SESSION_BUS_ADDRESS="unix:path=$home/no-bus"
  unset WAYLAND_DISPLAY XDG_SESSION_TYPE
  openbox >/dev/null 2>&1 & echo $! > "$home/wm.pid"
  sleep 1
  xterm -T "bench window" -e cat >/dev/null 2>&1 & echo $! > "$home/term.pid"
  sleep 1
  "$build/bin/Larkspan" >/dev/null 2>&1 & echo $! > "$home/larkspan.pid"
)
pids+=("$(cat "$home/wm.pid")" "$(cat "$home/term.pid")")
larkspan=$(cat "$home/larkspan.pid"); pids+=("$larkspan")
sleep 8
echo "X11 (XInput 2 hooks):"
measure "$larkspan" "  idle"
measure "$larkspan" "  typing 10 keys/s" env DISPLAY=":$num" xdotool type --delay 100 "$text"
kill -TERM "$larkspan"; wait "$larkspan" 2>/dev/null || true

# --- Wayland (sway) ---
home=$(mktemp -d); homes+=("$home")
launch=()
if [ "$(id -u)" -eq 0 ]; then
  id larkspan-wl >/dev/null 2>&1 || useradd --system --user-group --no-create-home --home-dir /nonexistent \
    --shell /usr/sbin/nologin larkspan-wl
  chown larkspan-wl: "$home"
  launch=(setpriv --reuid="$(id -u larkspan-wl)" --regid="$(id -g larkspan-wl)" --clear-groups --)
fi
chmod 700 "$home"
printf 'xwayland enable\noutput HEADLESS-1 resolution 1280x800\n' > "$home/sway.conf"
wl_env=(env -i PATH="$PATH" HOME="$home" XDG_CONFIG_HOME="$home/.config" XDG_DATA_HOME="$home/.local/share"
        XDG_RUNTIME_DIR="$home" DBUS_SESSION_BUS_ADDRESS="unix:path=$home/no-bus" XDG_SESSION_TYPE=wayland)
"${wl_env[@]}" WLR_BACKENDS=headless WLR_LIBINPUT_NO_DEVICES=1 WLR_RENDERER=pixman \
  "${launch[@]}" sway -c "$home/sway.conf" >"$home/sway.log" 2>&1 & sway=$!
pids+=("$sway")
for _ in $(seq 100); do [ -S "$home/wayland-1" ] && ls "$home"/sway-ipc.*.sock >/dev/null 2>&1 && break; sleep 0.1; done
sock=$(ls "$home"/sway-ipc.*.sock)
as_user() { "${wl_env[@]}" WAYLAND_DISPLAY=wayland-1 SWAYSOCK="$sock" "${launch[@]}" "$@"; }
as_user swaymsg exec "foot --title='bench window' cat" >/dev/null
sleep 1
as_user swaymsg exec "'$build/bin/Larkspan'" >/dev/null
sleep 8
larkspan=$(pgrep -n -f "^$build/bin/Larkspan") || { echo "Larkspan did not start under sway"; exit 1; }
as_user swaymsg '[title="bench window"] focus' >/dev/null
echo "Wayland (sway, org_kde_kwin_idle):"
measure "$larkspan" "  idle"
measure "$larkspan" "  typing 10 keys/s" "${wl_env[@]}" WAYLAND_DISPLAY=wayland-1 "${launch[@]}" wtype -d 100 "$text"
as_user swaymsg exit >/dev/null 2>&1 || true
wait "$sway" 2>/dev/null || true
