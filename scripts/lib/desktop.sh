# Sourced by the scripts that show Larkspan on a virtual display (run.sh, screenshots.sh).
#
# start_virtual_desktop WIDTHxHEIGHT
#   Starts Xvfb on a free display number (-displayfd tells which), openbox as the window
#   manager and trayer as an XEmbed tray along the top edge; exports DISPLAY and appends the
#   three processes to the caller's `pids` array, so its clean-up stops them.
start_virtual_desktop() {
  local size=$1 num
  exec 3< <(Xvfb -displayfd 1 -screen 0 "${size}x24" -noreset -nolisten tcp 2>/dev/null)
  pids+=($!)
  read -r -t 15 num <&3 || { echo "Xvfb did not start" >&2; return 1; }
  exec 3<&-
  export DISPLAY=":$num"
  openbox >/dev/null 2>&1 &
  pids+=($!)
  trayer --edge top --align right --widthtype request --height 24 --SetDockType true >/dev/null 2>&1 &
  pids+=($!)
  # The tray must own its selection before a program looks for it, or the icon goes nowhere.
  local tries=50
  until xprop -root -display "$DISPLAY" 2>/dev/null | grep -q '^_NET_SUPPORTING_WM_CHECK' \
        && xdotool search --classname trayer >/dev/null 2>&1; do
    tries=$((tries - 1))
    [ "$tries" -gt 0 ] || break
    sleep 0.2
  done
}
