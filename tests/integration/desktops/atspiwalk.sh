#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The program as a screen reader meets it: a private X desktop with a tray, an
# accessibility bus, and atspiwalk.py walking and acting through the tree.
# Usage: atspiwalk.sh QUIETLANE_BINARY
set -euo pipefail
binary=$1
here=$(cd "$(dirname "$0")" && pwd)

source "$here/../../../scripts/private-session.sh"
private_bus "$here/private-bus.conf" -- "$@"
private_session atspi
logs+=(a11y.log quietlane.log walk.log)

private_xvfb || fail "Xvfb did not start"
/usr/libexec/at-spi-bus-launcher --launch-immediately >"$work/a11y.log" 2>&1 &
pids+=($!)
wait_for 10 dbus-send --session --print-reply --dest=org.a11y.Bus /org/a11y/bus \
  org.a11y.Bus.GetAddress >/dev/null 2>&1 || fail "the accessibility bus did not start"
trayer --edge top --align right --width 10 --height 24 >/dev/null 2>&1 &
pids+=($!)
wait_for 10 sh -c 'xdotool search --class trayer >/dev/null' || fail "trayer did not start"

QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 QT_QPA_PLATFORM=xcb "$binary" --audio-backend=sim \
  --open-settings >"$work/quietlane.log" 2>&1 &
pids+=($!)

/usr/bin/python3 "$here/atspiwalk.py" "$XDG_CONFIG_HOME" >"$work/walk.log" 2>&1 &
walker=$!
wait_for 90 grep -q "open the dropdown" "$work/walk.log" ||
  { wait "$walker" || true; fail "the walk through the settings window did not finish"; }

# The tray icon: quietlane's small window inside trayer's panel.
icon=
for id in $(xdotool search --onlyvisible --class quietlane); do
  eval "$(xdotool getwindowgeometry --shell "$id")"
  if [ "$HEIGHT" -le 24 ] && [ "$Y" -le 24 ]; then icon="$((X + WIDTH / 2)) $((Y + HEIGHT / 2))"; fi
done
[ -n "$icon" ] || fail "no tray icon"
# shellcheck disable=SC2086
xdotool mousemove $icon click 1
wait "$walker" || fail "the accessibility walk found problems"
cat "$work/walk.log"
