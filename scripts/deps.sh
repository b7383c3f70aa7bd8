#!/usr/bin/env bash
# Installs what building, running and testing Larkspan needs on Debian 12.
# Quick when everything is already there: dpkg is asked first, apt-get only for what is missing.
set -euo pipefail

PACKAGES=(
  build-essential cmake ninja-build ccache pkg-config clang libclang-rt-14-dev clang-tidy clang-format
  qtbase5-dev libqt5sql5-sqlite qttools5-dev qttools5-dev-tools qtwebengine5-dev
  libspdlog-dev libfmt-dev libsqlite3-dev libcpp-httplib-dev libssl-dev zlib1g-dev liblzma-dev
  libx11-dev libxi-dev libxres-dev libxtst-dev libdw-dev
  xvfb openbox xdotool x11-utils xterm trayer imagemagick dunst
  sqlite3 curl procps openssl dbus-daemon dbus-session-bus-common
  file xdg-utils jq
  libwayland-dev libwayland-bin wayland-protocols plasma-wayland-protocols
  sway foot wtype xwayland weston dbus-daemon dbus-bin util-linux passwd qtwayland5
  kwin-wayland
  gnome-shell gjs
)

missing=()
for p in "${PACKAGES[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

echo "Installing: ${missing[*]}"
SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
