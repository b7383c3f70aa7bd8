#!/usr/bin/env bash
# Captures Larkspan's windows, the open tray menu and the tray's start balloon under a private
# Xvfb with openbox and an XEmbed tray (trayer), once per language, into <window>-<locale>.png.
# Usage: scripts/screenshots.sh [output folder, default build/screenshots] [locale ...]
#   default locales: en de; e.g. "scripts/screenshots.sh docs/screenshots en de" refreshes
#   the README's pictures, "scripts/screenshots.sh build/shots ko zh_CN zh_TW" the CJK ones
#   (they need a CJK font: apt-get install fonts-noto-cjk).
set -euo pipefail
cd "$(dirname "$0")/.."
out="$(realpath -m "${1:-build/screenshots}")"
shift || true
locales=("$@")
[ ${#locales[@]} -gt 0 ] || locales=(en de)
bash scripts/build.sh default >/dev/null

for locale in "${locales[@]}"; do
  case "$locale" in
    ko*|zh*)
      if [ -z "$(fc-list ":lang=${locale%%_*}" family 2>/dev/null)" ]; then
        echo "warning: no font for $locale is installed (fonts-noto-cjk); its texts will show as boxes" >&2
      fi ;;
  esac
done

pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
}
trap cleanup EXIT

# shellcheck source=lib/desktop.sh
source scripts/lib/desktop.sh
start_virtual_desktop 1600x1000

# No session bus: the balloon is drawn by the program next to its tray icon, where it can be
# captured, instead of by a desktop notification service.
export DBUS_SESSION_BUS_ADDRESS="unix:path=/nonexistent"
unset QT_QPA_PLATFORM
mkdir -p "$out"
for locale in "${locales[@]}"; do
  echo "== $locale"
  LARKSPAN_BUILD_DIR="$PWD/build" QTWEBENGINE_DISABLE_SANDBOX=1 \
    build/bin/window_gallery "$out" --language "$locale" 2> >(grep -v '^\(GET\|POST\) ' >&2)
done

# Small files for the repository: no metadata, and a 256-colour palette (enough for these
# flat windows).
for png in "$out"/*.png; do
  convert "$png" -strip +dither -colors 256 "PNG8:$png"
done
du -ch "$out"/*.png | tail -1
