#!/usr/bin/env bash
# CPU share of one core that Larkspan uses while idle and under a storm of pointer motion.
# Usage: tests/bench/cpu_under_input.sh [build-dir] [seconds]
set -euo pipefail
build="${1:-build}"
secs="${2:-30}"
home=$(mktemp -d)
cleanup() { kill "${pids[@]}" 2>/dev/null || true; rm -rf "$home"; }
pids=()
trap cleanup EXIT

exec 3< <(Xvfb -displayfd 1 -screen 0 1280x800x24 -noreset -nolisten tcp 2>/dev/null)
read -r -t 15 num <&3
pids+=($!)
export DISPLAY=":$num" HOME="$home" XDG_CONFIG_HOME="$home/.config" XDG_DATA_HOME="$home/.local/share"
openbox >/dev/null 2>&1 & pids+=($!)
sleep 1
xterm -T "bench window" >/dev/null 2>&1 & pids+=($!)
sleep 1
"$build/bin/Larkspan" & larkspan=$!
pids+=($larkspan)
sleep 8   # start-up settles

ticks() { awk '{print $14 + $15}' "/proc/$larkspan/stat"; }
hz=$(getconf CLK_TCK)
measure() {
  local before after
  before=$(ticks); sleep "$secs"; after=$(ticks)
  awk -v d=$((after - before)) -v hz="$hz" -v s="$secs" 'BEGIN { printf "%.3f%% of one core\n", 100 * d / hz / s }'
}
echo -n "idle: "; measure
"$build/bin/input_storm" 1000 "$secs" >/dev/null & storm=$!
echo -n "1000 motion events/s: "; measure
wait "$storm" || true
grep VmHWM "/proc/$larkspan/status"
kill -TERM "$larkspan"; wait "$larkspan" || true
