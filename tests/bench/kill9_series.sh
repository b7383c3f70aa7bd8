#!/usr/bin/env bash
# Kills Larkspan with SIGKILL at random moments while a user works in one window, restarts
# it after a random pause, and reports what the crashes did to the tracked time:
#   - corrupt databases: PRAGMA integrity_check after each kill, and damaged files set aside;
#   - logs lost: logs stored before a kill that are gone once the next run has started;
#   - seconds credited while the program was down (logs overlapping the downtime);
#   - seconds lost per crash: of each run's trackable time (from its first sample, 3 s
#     after start, to the kill), what no log covers. That is what was still in memory:
#     the events since the last build, which runs once a minute.
# Usage: tests/bench/kill9_series.sh [build-dir] [kills] [max-uptime-s] [max-downtime-s] [seed]
set -euo pipefail
build=$(realpath "${1:-build}")
kills="${2:-20}"
maxup="${3:-90}"
maxdown="${4:-20}"
seed="${5:-$$}"
RANDOM=$seed

home=$(mktemp -d)
data="$home/.local/share/Corvane/Larkspan"
db="$data/larkspan.db"
pids=()
larkspan=""
cleanup() {
  [ -n "$larkspan" ] && kill -9 "$larkspan" 2>/dev/null || true
  kill "${pids[@]}" 2>/dev/null || true
  rm -rf "$home"
}
trap cleanup EXIT

exec 3< <(Xvfb -displayfd 1 -screen 0 1280x800x24 -noreset -nolisten tcp 2>/dev/null)
read -r -t 15 num <&3
pids+=($!)
export DISPLAY=":$num" HOME="$home" XDG_CONFIG_HOME="$home/.config" XDG_DATA_HOME="$home/.local/share"
export XDG_CACHE_HOME="$home/.cache" XDG_RUNTIME_DIR="$home"
# Offscreen: no window of the program's own takes the focus; capture still reads the X server.
export QT_QPA_PLATFORM=offscreen LARKSPAN_SERVER_URL=http://127.0.0.1:9 LARKSPAN_INGRESS_URL=http://127.0.0.1:9
openbox >/dev/null 2>&1 & pids+=($!)
sleep 1
cp "$build/bin/x11_test_window" "$home/kill9-bench-window"
"$home/kill9-bench-window" --title "kill -9 series" >/dev/null & pids+=($!)
sleep 1
xdotool search --name "kill -9 series" windowactivate --sync >/dev/null 2>&1 || true

# The user: a key or a small move every half second, for the whole series.
( while kill -0 $$ 2>/dev/null; do
    xdotool key shift; sleep 0.5
    xdotool mousemove_relative -- 4 0; sleep 0.5
    xdotool mousemove_relative -- -4 0
  done ) >/dev/null 2>&1 & pids+=($!)

now() { date +%s.%N; }
stored() { [ -f "$db" ] && sqlite3 -readonly -cmd ".timeout 3000" "$db" "SELECT start_time||'|'||end_time||'|'||app_name FROM time_logs" 2>/dev/null | sort || true; }

lives="$home/lives"
: > "$lives"
corrupt=0
lost=0
before="$home/before"
: > "$before"
echo "seed $seed, $kills kills, up 5..$maxup s, down 3..$maxdown s"
for ((i = 1; i <= kills + 1; i++)); do
  start=$(now)
  "$build/bin/Larkspan" 2>/dev/null & larkspan=$!
  sleep 4
  # Carried over at start: nothing stored before the kill may be missing now.
  missing=$(comm -23 "$before" <(stored) | wc -l)
  lost=$((lost + missing))
  if ((i > kills)); then
    sleep 30
    kill -TERM "$larkspan"; wait "$larkspan" || true
    echo "$start $(now)" >> "$lives"
    break
  fi
  up=$((RANDOM % (maxup - 4) + 5))
  sleep $((up > 4 ? up - 4 : 1))
  kill -KILL "$larkspan"; wait "$larkspan" 2>/dev/null || true
  killed=$(now)
  larkspan=""
  echo "$start $killed" >> "$lives"
  if [ -f "$db" ] && [ "$(sqlite3 -readonly "$db" 'PRAGMA integrity_check' 2>&1)" != "ok" ]; then
    corrupt=$((corrupt + 1))
  fi
  stored > "$before"
  awk -v i="$i" -v a="$start" -v b="$killed" 'BEGIN { printf "run %2d: up %5.1f s\n", i, b - a }'
  sleep $((RANDOM % (maxdown - 2) + 3))
done

damaged=$(find "$data" -maxdepth 1 -name 'larkspan.db.damaged-*' | wc -l)
epoch() { echo "strftime('%s', substr($1,1,4)||'-'||substr($1,5,2)||'-'||substr($1,7,2)||' '||substr($1,9,2)||':'||substr($1,11,2)||':'||substr($1,13,2))"; }
sqlite3 -readonly "$db" "SELECT $(epoch start_time), $(epoch end_time) FROM time_logs ORDER BY start_time" | tr '|' ' ' > "$home/logs"

echo "corrupt databases: $corrupt (damaged files set aside: $damaged)"
echo "logs lost across restarts: $lost"
awk -v crashes="$kills" '
  FNR == NR { ls[++n] = $1; le[n] = $2; next }
  { rs[++r] = $1; re[r] = $2 }
  function overlap(a, b, c, d,   lo, hi) { lo = a > c ? a : c; hi = b < d ? b : d; return hi > lo ? hi - lo : 0 }
  END {
    for (j = 1; j < r; j++)                        # downtime between kill j and start j+1
      for (k = 1; k <= n; k++) down += overlap(ls[k], le[k], re[j], rs[j + 1])
    for (j = 1; j <= crashes; j++) {
      span = re[j] - (rs[j] + 3); if (span < 0) span = 0
      covered = 0
      for (k = 1; k <= n; k++) covered += overlap(ls[k], le[k], rs[j] + 3, re[j])
      miss = span - covered; if (miss < 0) miss = 0
      total += miss; if (miss > worst) worst = miss
      if (re[j] - rs[j] < 60) short++
    }
    for (k = 1; k <= n; k++) logged += le[k] - ls[k]
    for (j = 1; j <= r; j++) ran += re[j] - rs[j]
    printf "seconds credited while the program was down: %d\n", down
    printf "seconds lost per crash: mean %.1f, worst %.1f (%d of %d runs ended before their first build)\n", total / crashes, worst, short, crashes
    printf "logs: %d covering %d s; the program ran %.0f s\n", n, logged, ran
  }' "$home/logs" "$lives"
