#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The tray icon on a StatusNotifierItem-only bar (waybar, swaybar) that starts after the
# program, as in a login where autostart wins the race. The program runs on a private X
# server, told that the session is Wayland, with a private session bus on which a stand-in
# watcher+host appears later. Usage: traysni.sh QUIETLANE_BINARY
set -euo pipefail
binary=$1
here=$(cd "$(dirname "$0")" && pwd)

source "$here/../../../scripts/private-session.sh"
private_bus "$here/private-bus.conf" -- "$@"
private_session sni
logs+=(watcher.log quietlane.log)

private_xvfb || fail "Xvfb did not start"

# The host must come after the program has looked for one and found none: it then starts
# watching for the host's name, which the bus shows.
dbus-monitor --session "interface='org.freedesktop.DBus',member='AddMatch'" \
  >"$work/matches.log" 2>&1 &
pids+=($!)
wait_for 10 grep -q "NameAcquired" "$work/matches.log" || fail "no bus monitor"
XDG_SESSION_TYPE=wayland QT_QPA_PLATFORM=xcb "$binary" --audio-backend=sim \
  >"$work/quietlane.log" 2>&1 &
pids+=($!)
wait_for 60 grep -q "org.kde.StatusNotifierWatcher" "$work/matches.log" ||
  fail "quietlane did not start watching for a tray host"

/usr/bin/python3 "$here/snihost.py" >"$work/watcher.log" 2>&1 &
pids+=($!)
wait_for 15 grep -q "item Id" "$work/watcher.log" ||
  fail "no tray icon registered with the StatusNotifierItem host that started later"
echo "tray icon registered with the late host: $(grep 'item Id' "$work/watcher.log")"
