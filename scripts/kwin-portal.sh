#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The global shortcut on a real KDE Plasma 5.27 Wayland desktop: KWin headless with
# xdg-desktop-portal-kde, a real key press injected through KWin's fake-input protocol, and
# the source's mute on a private PulseAudio, in toggle and push-to-talk modes. Not part of
# the test command: it needs about 150 KDE packages (installed here when run as root).
# Usage: kwin-portal.sh [QUIETLANE_BINARY]   (default: build-test/bin/quietlane)
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
binary=${1:-$root/build-test/bin/quietlane}
desktops=$root/tests/integration/desktops

packages=(kwin-wayland xdg-desktop-portal xdg-desktop-portal-kde qtwayland5 libwayland-dev
  plasma-wayland-protocols)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  [ "$(id -u)" -eq 0 ] || { echo "kwin-portal: missing packages: ${missing[*]}" >&2; exit 1; }
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi
[ -x "$binary" ] || { echo "kwin-portal: no program at $binary; build it first" >&2; exit 1; }

source "$root/scripts/private-session.sh"
private_bus -- "$binary"
private_session kwin
export XDG_DATA_HOME=$work/data XDG_CACHE_HOME=$work/cache XDG_CURRENT_DESKTOP=KDE
export XDG_SESSION_TYPE=wayland
say() { echo "kwin-portal: $*"; }

# Key injection: KWin offers fake input only to a program a desktop file names.
mkdir -p "$work/bin" "$XDG_DATA_HOME/applications"
proto=/usr/share/plasma-wayland-protocols/fake-input.xml
wayland-scanner client-header "$proto" "$work/bin/fake-input-client.h"
wayland-scanner private-code "$proto" "$work/bin/fake-input-protocol.c"
gcc -O1 -I"$work/bin" -o "$work/bin/kwinkey" "$desktops/kwinkey.c" \
  "$work/bin/fake-input-protocol.c" -lwayland-client
cat >"$XDG_DATA_HOME/applications/kwinkey.desktop" <<DESKTOP
[Desktop Entry]
Type=Application
Name=kwinkey
Exec=$work/bin/kwinkey
NoDisplay=true
X-KDE-Wayland-Interfaces=org_kde_kwin_fake_input
DESKTOP
kbuildsycoca5 >/dev/null 2>&1 || true

# The copy drops a file capability this sandbox refuses; KWin checks its own name.
cp /usr/bin/kwin_wayland "$work/bin/kwin_wayland"
KWIN_COMPOSE=Q "$work/bin/kwin_wayland" --virtual --socket wayland-test --width 1280 \
  --height 800 --no-lockscreen >"$work/kwin.log" 2>&1 &
pids+=($!)
export WAYLAND_DISPLAY=wayland-test
wait_for 30 test -S "$work/wayland-test" || { tail "$work/kwin.log"; exit 1; }
say "$("$work/bin/kwin_wayland" --version 2>&1 | head -n1) up"

QT_QPA_PLATFORM=wayland /usr/lib/x86_64-linux-gnu/libexec/xdg-desktop-portal-kde \
  >"$work/portal-kde.log" 2>&1 &
pids+=($!)
wait_for 20 busctl --user status org.freedesktop.impl.portal.desktop.kde >/dev/null 2>&1 ||
  { say "xdg-desktop-portal-kde did not start"; tail "$work/portal-kde.log"; exit 1; }
/usr/libexec/xdg-desktop-portal -r >"$work/portal.log" 2>&1 &
pids+=($!)
wait_for 20 sh -c 'busctl --user get-property org.freedesktop.portal.Desktop \
  /org/freedesktop/portal/desktop org.freedesktop.portal.GlobalShortcuts version \
  >/dev/null 2>&1' || { say "no GlobalShortcuts portal"; tail "$work/portal.log"; exit 1; }
say "portal offers GlobalShortcuts"

private_pulseaudio || { say "PulseAudio did not start"; exit 1; }
mute_state() { pactl get-source-mute mic1 | awk '{print $2}'; }
is() { [ "$(mute_state)" = "$1" ]; }
# The program has seen the source's state (a change by pactl reaches it a moment later).
seen() { [ "$("$binary" --status 2>/dev/null)" = "$1" ]; }
press() { "$work/bin/kwinkey" "$1" 29 56 125 50 2>/dev/null; } # Ctrl+Alt+Meta+M, held $1 ms

program=
run_program() { # mode, the state it starts in
  [ -z "$program" ] || { kill "$program"; wait "$program" 2>/dev/null || true; }
  mkdir -p "$XDG_CONFIG_HOME/quietlane"
  echo "{\"hotkeyMode\": \"$1\", \"showHUD\": false}" >"$XDG_CONFIG_HOME/quietlane/preferences.json"
  QT_QPA_PLATFORM=wayland "$binary" >>"$work/quietlane.log" 2>&1 &
  program=$!
  pids+=("$program")
  wait_for 30 seen "$2" || say "the program did not start"
  # The portal's session and binding offer nothing to wait on from here.
  sleep 3
}

status=0
check() { # what expected
  local got
  wait_for 5 is "$2" || true
  got=$(mute_state)
  if [ "$got" = "$2" ]; then say "$1: source mute $got (ok)"; else say "$1: source mute $got, expected $2"; status=1; fi
}

pactl set-source-mute mic1 0
run_program toggle unmuted
say "toggle mode, starting unmuted"
press 100; check "after one press" yes
press 100; check "after a second press" no
press 1500; check "after a 1.5 s hold (KWin repeats Activated)" yes

pactl set-source-mute mic1 1
run_program pushToTalk muted
say "push-to-talk mode, starting muted"
press 1500 &
check "while held" no
wait $!; check "after the release" yes
pactl set-source-mute mic1 0
wait_for 5 seen unmuted || true
press 1000 &
check "held from unmuted" yes
wait $!; check "after the release" no
exit $status
