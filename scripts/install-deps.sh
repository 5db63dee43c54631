#!/usr/bin/env bash
# Installs the Debian packages a make target needs, but only those that are
# missing, so a second run costs nothing.
#   install-deps.sh [--log FILE]        building, running and packaging (make build/run/deb)
#   install-deps.sh [--log FILE] test   the same plus the test tools (make test)
# apt-get's output goes to FILE (shown whole when it fails); the terminal
# gets one line.
set -euo pipefail

log=/dev/null
if [ "${1:-}" = --log ]; then
  log=${2:?--log needs a file}
  shift 2
fi

packages=(
  cmake g++ make pkg-config
  qt6-base-dev qt6-svg-dev libqt6svg6
  # the page on the home network (its HTTP server, TLS through GnuTLS, the
  # password's PBKDF2 through nettle) and the QR code of its address in the
  # window
  libmicrohttpd-dev nettle-dev libqrencode-dev
  # calendars are read with libical (the service links libical3)
  libical-dev
  # Qt's own German texts; the lists' font
  qt6-translations-l10n fonts-liberation
  # the Debian packages (make deb): dependencies computed from the binaries
  dpkg-dev file
)
if [ "${1:-}" = test ]; then
  packages+=(
    # end-to-end tests: X server, tray host, input driving, fake time, namespaces
    xvfb trayer xdotool x11-utils x11-xserver-utils faketime iproute2 procps libcap2-bin
    # end-to-end tests: reading the box simulators' JSON lines, screenshots,
    # a window manager for minimising to the tray
    jq imagemagick twm
    # the packages' test: the menu entry checked, the packages linted
    desktop-file-utils lintian
    # the page's browser test: headless Chromium driven through Selenium
    chromium chromium-driver python3-selenium
    # the page over HTTPS: a certificate made for the test
    openssl
    # the calendar subscription test: a real CalDAV server on 127.0.0.1
    radicale
  )
fi

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
if [ "$(id -u)" -ne 0 ]; then
  # Without root this needs sudo; when there is none, or it says no, one line
  # tells what to do instead of a page of apt-get errors.
  todo="as root: apt-get install --no-install-recommends ${missing[*]} (then run make again)"
  if ! command -v sudo >/dev/null 2>&1; then
    echo "Missing packages and no sudo here: install them $todo" >&2
    exit 1
  fi
  if ! sudo -v 2>/dev/null; then
    echo "Missing packages and sudo refused: install them $todo" >&2
    exit 1
  fi
  sudo="sudo"
fi
export DEBIAN_FRONTEND=noninteractive
mkdir -p "$(dirname "$log")"
: >"$log"
failed() {
  [ "$log" = /dev/null ] || cat "$log" >&2
  echo "Installing ${missing[*]} failed (apt-get's output is above and in $log)." >&2
  exit 1
}
$sudo apt-get update >>"$log" 2>&1 || failed
# The count with every dependency, as apt-get is about to install them.
plan=$($sudo apt-get install -s --no-install-recommends "${missing[@]}" 2>>"$log") || failed
count=$(grep -c '^Inst ' <<<"$plan") || true
echo "installing $count packages (log: $log)"
$sudo apt-get install -y --no-install-recommends "${missing[@]}" >>"$log" 2>&1 || failed
