#!/usr/bin/env bash
# Installs everything Quietlane needs to build, run and test on Debian 12.
# Safe to run again: apt-get skips what is already there.
set -euo pipefail

packages=(
  # toolchain
  cmake g++ ninja-build pkg-config clang-14 libclang-rt-14-dev clang-format
  libgtest-dev libgmock-dev nlohmann-json3-dev
  # Qt 6 and its translation tools
  qt6-base-dev qt6-tools-dev qt6-tools-dev-tools qt6-l10n-tools qt6-qpa-plugins libgl-dev
  # sound server client and servers for the integration tests
  libpulse-dev pulseaudio pulseaudio-utils pipewire pipewire-pulse wireplumber dbus
  # journal
  libsystemd-dev
  # X11 shortcut backend
  libx11-dev libxtst-dev libxkbcommon-dev libxkbcommon-x11-dev
  libxcb1-dev libxcb-xkb-dev libxcb-xtest0-dev libxcb-keysyms1-dev libx11-xcb-dev
  # a private X desktop for tests
  xvfb openbox xdotool x11-utils trayer xauth
  # interface fonts
  fonts-inter
  # native Wayland sessions without XWayland
  qt6-wayland
  # a real Wayland desktop for the push-to-talk test: mutter with XWayland, a Wayland
  # window to move the focus to, and key injection through mutter's D-Bus API
  mutter xwayland weston python3-dbus
  # sway for its key-binding recipe, with key injection over its virtual keyboard
  sway libwayland-dev
  # a stand-in StatusNotifierItem tray
  python3-gi
  # the accessibility bus and its bindings, for the screen-reader walk
  at-spi2-core gir1.2-atspi-2.0
  # validators of the installed desktop entry and AppStream data
  desktop-file-utils appstream
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done

if [ ${#missing[@]} -gt 0 ]; then
  if [ "$(id -u)" -ne 0 ]; then
    echo "quietlane setup: missing packages: ${missing[*]}" >&2
    echo "quietlane setup: run this script as root (or install them with apt-get)" >&2
    exit 1
  fi
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi
