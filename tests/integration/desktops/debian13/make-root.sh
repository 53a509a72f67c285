#!/bin/bash
# SPDX-License-Identifier: GPL-3.0-or-later
# make-root.sh DIR : builds (or completes) a Debian 13 "trixie" root in DIR with what it takes
# to build Quietlane (with ccache, so repeat runs recompile little) and to run GNOME 48 and
# Plasma 6.3 Wayland sessions headless. Idempotent: on a finished root it only checks
# (seconds), and a package added to the lists below is installed on the next run.
# Run as root on Debian 12 (or newer). MIRROR=... picks the archive (default deb.debian.org).
set -euo pipefail
DIR=${1:?usage: make-root.sh DIR}
MIRROR=${MIRROR:-http://deb.debian.org/debian}
HERE=$(dirname "$(realpath "$0")")
BUILD_PKGS="cmake g++ ninja-build pkg-config qt6-base-dev qt6-tools-dev qt6-tools-dev-tools
 qt6-l10n-tools qt6-qpa-plugins qt6-wayland libgl-dev libpulse-dev libsystemd-dev libx11-dev
 libxtst-dev libxkbcommon-dev libxkbcommon-x11-dev libxcb1-dev libxcb-xkb-dev libxcb-xtest0-dev
 libxcb-keysyms1-dev libx11-xcb-dev nlohmann-json3-dev libgtest-dev libgmock-dev ccache"
RUN_PKGS="pulseaudio pulseaudio-utils dbus python3-dbus python3-gi gir1.2-glib-2.0 kwin-wayland
 xdg-desktop-portal xdg-desktop-portal-kde plasma-wayland-protocols libwayland-dev gnome-shell
 xdg-desktop-portal-gnome gnome-control-center gnome-settings-daemon sway xwayland weston xvfb
 openbox xdotool fonts-inter"

PKGS=$(echo $BUILD_PKGS $RUN_PKGS)   # one line
T_ALL=$EPOCHREALTIME
step() {  # step TITLE CMD... : runs CMD and prints how long it took
  local t0=$EPOCHREALTIME title=$1; shift
  "$@"
  elapsed "$title" "$t0"
}
elapsed() { awk -v t="$1" -v a="$2" -v b="$EPOCHREALTIME" 'BEGIN { printf "[make-root] %-36s %7.1f s\n", t, b - a }'; }
[ "$(id -u)" = 0 ] || { echo "make-root.sh: run as root" >&2; exit 1; }

host_tools() {  # debootstrap (and unshare, from util-linux) on the host
  command -v debootstrap >/dev/null && return
  apt-get install -y -qq debootstrap || { apt-get update -qq && apt-get install -y -qq debootstrap; }
}

bootstrap() {  # debootstrap minbase, unless DIR already holds a finished one
  if [ -x "$DIR/usr/bin/apt-get" ] && [ ! -d "$DIR/debootstrap" ]; then echo "  (root exists)"; return; fi
  mkdir -p "$DIR"
  # own mount namespace: debootstrap's /proc and /sys mounts never show on the host
  unshare --mount --propagation private debootstrap --variant=minbase trixie "$DIR" "$MIRROR" \
    > "$DIR.debootstrap.log" 2>&1 || { tail -20 "$DIR.debootstrap.log"; exit 1; }
  rm -f "$DIR.debootstrap.log"
}

configure() {  # apt source, DNS, no service starts from package scripts, a machine id
  echo "deb $MIRROR trixie main" > "$DIR/etc/apt/sources.list"
  cp -L /etc/resolv.conf "$DIR/etc/resolv.conf" 2>/dev/null || true
  printf '#!/bin/sh\nexit 101\n' > "$DIR/usr/sbin/policy-rc.d"; chmod 755 "$DIR/usr/sbin/policy-rc.d"
  [ -s "$DIR/etc/machine-id" ] || cat /proc/sys/kernel/random/uuid | tr -d - > "$DIR/etc/machine-id"
}

missing_pkgs() {  # prints the packages of the lists that are not installed in DIR
  local p
  for p in $PKGS; do
    dpkg-query --admindir="$DIR/var/lib/dpkg" -W -f='${db:Status-Abbrev}' "$p" 2>/dev/null | grep -q '^ii' || echo "$p"
  done
}

install_pkgs() {
  local missing; missing=$(missing_pkgs | tr '\n' ' ')
  if [ -z "$missing" ]; then echo "  (all $(echo $PKGS | wc -w) packages installed)"; return; fi
  echo "  installing: $missing"
  "$HERE/enter.sh" "$DIR" env DEBIAN_FRONTEND=noninteractive sh -c \
    "apt-get update -qq && apt-get install -y -q --no-install-recommends $PKGS" \
    > "$DIR.apt.log" 2>&1 || { tail -30 "$DIR.apt.log"; exit 1; }
  grep -E '^(Need to get|[0-9]+ upgraded)' "$DIR.apt.log" | sed 's/^/  /' || true
  [ -z "$(missing_pkgs)" ] || { echo "still missing: $(missing_pkgs)"; exit 1; }
}

step "host: debootstrap present"        host_tools
step "debootstrap trixie minbase"       bootstrap
step "configure apt/dns/policy-rc.d"    configure
step "apt-get install (build + desktops)" install_pkgs
elapsed total "$T_ALL"
"$HERE/enter.sh" "$DIR" sh -c 'echo "root ready: Debian $(cat /etc/debian_version), gnome-shell $(dpkg-query -W -f="\${Version}" gnome-shell), kwin-wayland $(dpkg-query -W -f="\${Version}" kwin-wayland)"'
