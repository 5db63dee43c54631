#!/usr/bin/env bash
# Installs the Debian packages that building, running and testing Zelvo need,
# but only those that are missing, so a second run costs nothing.
set -euo pipefail

packages=(
  cmake g++ make pkg-config
  qt6-base-dev qt6-svg-dev libqt6svg6
  fonts-liberation
  # end-to-end tests: X server, tray host, input driving, fake time, namespaces
  xvfb trayer xdotool x11-utils faketime iproute2 procps libcap2-bin
  # end-to-end tests: reading the box simulators' JSON lines, screenshots,
  # a window manager for minimising to the tray
  jq imagemagick twm
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}" >&2
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
