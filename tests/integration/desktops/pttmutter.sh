#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Push-to-talk on a real Wayland desktop (headless mutter with XWayland): the key is held
# while an X11 window has the focus, then the focus moves to a Wayland window and the key
# is let go. XWayland never reports that release; the microphone must still be back in its
# state from before the press. Everything runs on a private session bus, sound server and
# runtime folder. Usage: pttmutter.sh QUIETLANE_BINARY
set -euo pipefail
binary=$1
here=$(cd "$(dirname "$0")" && pwd)

source "$here/../../../scripts/private-session.sh"
private_bus "$here/private-bus.conf" -- "$@"
private_session mutter
logs+=(mutter.log quietlane.log)

# A private PulseAudio whose one source starts muted.
private_pulseaudio || fail "PulseAudio did not start"
pactl set-source-mute mic1 1

mutter --wayland --headless --virtual-monitor 1280x800 --wayland-display wayland-test \
  >"$work/mutter.log" 2>&1 &
pids+=($!)
wait_for 20 grep -q "public X11 display" "$work/mutter.log" || fail "mutter did not start XWayland"
export WAYLAND_DISPLAY=wayland-test
DISPLAY=$(grep -o "public X11 display :[0-9]*" "$work/mutter.log" | grep -o ":[0-9]*")
export DISPLAY
XAUTHORITY=$(ls "$work"/.mutter-Xwaylandauth.*)
export XAUTHORITY
wait_for 20 xdpyinfo >/dev/null 2>&1 || fail "XWayland does not answer"

mkdir -p "$XDG_CONFIG_HOME/quietlane"
echo '{"hotkeyMode": "pushToTalk", "showHUD": false}' >"$XDG_CONFIG_HOME/quietlane/preferences.json"
QT_QPA_PLATFORM=xcb "$binary" >"$work/quietlane.log" 2>&1 &
pids+=($!)
# The widget's window shows the program is up and its shortcut taken.
wait_for 60 sh -c 'xwininfo -root -tree | grep -qi quietlane' || fail "quietlane did not start"

xmessage -geometry +300+300 "X11 focus target" &
pids+=($!)
wait_for 10 sh -c 'xdotool getwindowfocus getwindowname 2>/dev/null | grep -q xmessage' ||
  fail "the X11 window did not get the focus"

mkfifo "$work/keys"
/usr/bin/python3 "$here/rdkeys.py" "$work/keys" >"$work/keys.log" 2>&1 &
pids+=($!)
exec 3>"$work/keys"

# A short press with the X11 window focused works in both directions.
echo "press 50 0.5" >&3
wait_for 5 unmuted || fail "holding the shortcut did not unmute"
wait_for 5 muted || fail "releasing the shortcut did not mute again"

# Held while the focus moves to a Wayland window, released there.
echo "press 50 2.5" >&3
wait_for 5 unmuted || fail "holding the shortcut did not unmute"
weston-flower >/dev/null 2>&1 &
pids+=($!)
wait_for 10 sh -c "grep -c released '$work/keys.log' | grep -q 2" || fail "the key injection stalled"
# The goal is 300 ms after the release; the rest of the deadline is slack for a loaded
# machine.
wait_for 2 muted || fail "the microphone stayed open after the key was let go"
echo "push-to-talk ended after the lost release: microphone muted again"
