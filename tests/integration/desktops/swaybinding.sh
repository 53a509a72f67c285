#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The README's sway recipe on a real sway (headless, with XWayland): its lines, taken from
# the README as they are, run the launcher while a native Wayland window has the focus. The
# toggle chord mutes and unmutes; the push-to-talk pair opens the microphone while held and
# closes it on release, in either shortcut mode of the program; the widget appears without
# taking the focus. Sway refuses to run as root, so as root everything that talks to each
# other runs as nobody: sway, a private PulseAudio, a private session bus, the program and
# the commands of the bindings.
# Usage: swaybinding.sh QUIETLANE_LAUNCHER README
set -euo pipefail
launcher=$1
stage=${QUIETLANE_SWAY_STAGE:-}
if [ -z "$stage" ]; then
  here=$(cd "$(dirname "$0")" && pwd)
  # shellcheck source=scripts/private-session.sh
  source "$here/../../../scripts/private-session.sh"

  # What the user needs, in a folder of its own that it alone can read; the user may not
  # reach the build tree (a clone under a folder of root's): then it runs a copy, laid out
  # as the launcher expects to find the program beside it.
  stage=$(mktemp -d /tmp/quietlane-sway-stage-XXXXXX)
  trap 'rm -rf "$stage"' EXIT
  chmod 700 "$stage"
  as_user=()
  [ "$(id -u)" -ne 0 ] || as_user=(setpriv --reuid=65534 --regid=65534 --clear-groups)
  if ! "${as_user[@]}" test -x "$launcher"; then
    mkdir -p "$stage/bin" "$stage/libexec/quietlane"
    cp "$launcher" "$stage/bin/"
    cp "$(dirname "$launcher")"/../libexec/quietlane/quietlane-* "$stage/libexec/quietlane/"
    launcher=$stage/bin/$(basename "$launcher")
  fi
  cp "$0" "$here/private-bus.conf" "$here/../../../scripts/private-session.sh" "$stage/"
  wayland-scanner client-header "$here/virtual-keyboard-unstable-v1.xml" \
    "$stage/virtual-keyboard-client.h"
  wayland-scanner private-code "$here/virtual-keyboard-unstable-v1.xml" "$stage/virtual-keyboard.c"
  read -ra wayland_flags < <(pkg-config --cflags --libs wayland-client xkbcommon)
  gcc -O1 -I"$stage" -o "$stage/swaykeys" "$here/swaykeys.c" "$stage/virtual-keyboard.c" \
    "${wayland_flags[@]}"

  # The recipe exactly as the README shows it, with the launcher's full path.
  fence='```'
  sed -n '/^- sway, toggle and push-to-talk/,/^- /p' "$2" |
    sed -n "/^ *$fence\$/,/^ *$fence\$/{/$fence/d;s/^ *//;s| exec quietlane | exec $launcher |;p}" \
      >"$stage/recipe"
  [ "$(grep -c "^bindsym.* exec $launcher --" "$stage/recipe")" -eq 3 ] || {
    echo "FAIL: the README's sway recipe does not have its three bindings:" >&2
    cat "$stage/recipe" >&2
    exit 1
  }
  [ "$(id -u)" -ne 0 ] || chown -R 65534:65534 "$stage"
  status=0
  "${as_user[@]}" env QUIETLANE_SWAY_STAGE="$stage" bash "$stage/$(basename "$0")" "$launcher" ||
    status=$?
  exit $status
fi

# shellcheck source=scripts/private-session.sh
source "$stage/private-session.sh"
private_bus "$stage/private-bus.conf" -- "$@"
private_session sway
unset WAYLAND_DISPLAY SWAYSOCK
logs+=(sway.log quietlane.log)

private_pulseaudio || fail "PulseAudio did not start"
pactl set-source-mute mic1 1

cat - "$stage/recipe" >"$work/sway.conf" <<CONF
output HEADLESS-1 resolution 1280x800 position 0,0
xwayland enable
exec echo "\$DISPLAY \$WAYLAND_DISPLAY" >$work/display
CONF
WLR_BACKENDS=headless WLR_LIBINPUT_NO_DEVICES=1 WLR_RENDERER=pixman \
  sway -c "$work/sway.conf" >"$work/sway.log" 2>&1 &
pids+=($!)
wait_for 20 test -s "$work/display" || fail "sway did not start"
read -r DISPLAY WAYLAND_DISPLAY <"$work/display"
SWAYSOCK=$(echo "$work"/sway-ipc.*.sock)
export DISPLAY WAYLAND_DISPLAY SWAYSOCK
if [ -z "$WAYLAND_DISPLAY" ] || [ ! -S "$SWAYSOCK" ]; then fail "sway did not start its displays"; fi

# The focused window in sway's tree: its shell (xdg_shell or xwayland) and its name.
focused() {
  swaymsg -t get_tree | /usr/bin/python3 -c '
import json, sys
def walk(node):
    if node.get("focused"):
        return node
    for child in node.get("nodes", []) + node.get("floating_nodes", []):
        found = walk(child)
        if found:
            return found
node = walk(json.load(sys.stdin)) or {}
print(node.get("shell", "-"), node.get("app_id") or node.get("name"))'
}
on_wayland_window() { focused | grep -q '^xdg_shell '; }
widget_shown() { swaymsg -t get_tree | grep -q '"class": "quietlane"'; }
widget_gone() { ! widget_shown; }

# Starts the program with the given shortcut mode and waits until its widget is on the
# screen: the recipe keeps the focus where it was, on the Wayland window.
run() {
  mkdir -p "$XDG_CONFIG_HOME/quietlane"
  echo "{\"hotkeyMode\": \"$1\", \"showHUD\": false}" >"$XDG_CONFIG_HOME/quietlane/preferences.json"
  rm -f "$work/quietlane/instance"
  "$launcher" >"$work/quietlane.log" 2>&1 &
  quietlane_pid=$!
  pids+=("$quietlane_pid")
  wait_for 60 test -S "$work/quietlane/instance" || fail "quietlane did not start"
  wait_for 20 widget_shown || fail "the widget did not appear"
  on_wayland_window || fail "the widget took the focus: $(focused)"
}

stop() {
  kill "$quietlane_pid"
  wait "$quietlane_pid" 2>/dev/null || true
  wait_for 20 widget_gone || fail "the widget stayed after the program ended"
}

weston-flower >/dev/null 2>&1 &
pids+=($!)
wait_for 20 on_wayland_window || fail "the Wayland window did not get the focus: $(focused)"

mkfifo "$work/keys"
"$stage/swaykeys" <"$work/keys" >"$work/keys.log" 2>&1 &
pids+=($!)
exec 3>"$work/keys"
wait_for 10 grep -q ready "$work/keys.log" || fail "no virtual keyboard: $(cat "$work/keys.log")"
keys() { for key in "$@"; do echo "$key" >&3; done; }
super=125 m=50 space=57

run pushToTalk
keys "press $super" "press $m" "release $m" "release $super"
wait_for 10 unmuted || fail "the toggle chord did not unmute"
# Not a second toggle right away: toggles closer together than 150 ms are taken for a
# desktop's key repeat. The chord's second use, the other way, comes after the holds.
"$launcher" --mute >/dev/null || fail "quietlane --mute failed"

keys "press $super" "press $space"
wait_for 10 unmuted || fail "holding the push-to-talk chord did not unmute"
# Longer than the compositor's repeat delay: a repeat must not end or invert the hold.
sleep 1
unmuted || fail "the microphone closed while the push-to-talk chord was still held"
keys "release $space" "release $super"
wait_for 10 muted || fail "releasing the push-to-talk chord left the microphone open"

# Quick taps: the release's command may reach the program before the press's. Each command
# prints the state it leaves into sway's log; once both have, the microphone must be muted.
answers() { grep -cE '^(muted|unmuted)$' "$work/sway.log" || true; }
answered_beyond() { [ "$(answers)" -ge "$1" ]; }
for _ in 1 2 3 4 5; do
  expected=$(($(answers) + 2))
  keys "press $super" "press $space" "release $space" "release $super"
  wait_for 10 answered_beyond "$expected" || fail "a quick tap got no answer"
  muted || fail "a quick tap of the push-to-talk chord left the microphone open"
done
"$launcher" --unmute >/dev/null || fail "quietlane --unmute failed"
keys "press $super" "press $m" "release $m" "release $super"
wait_for 10 muted || fail "the toggle chord did not mute again"
stop

# The pair acts as push-to-talk also while the program's own shortcut toggles.
run toggle
keys "press $super" "press $space"
wait_for 10 unmuted || fail "in toggle mode, holding the push-to-talk chord did not unmute"
keys "release $space" "release $super"
wait_for 10 muted || fail "in toggle mode, releasing the push-to-talk chord left the microphone open"
on_wayland_window || fail "the focus left the Wayland window: $(focused)"
echo "sway recipe: toggle chord and push-to-talk pair work with a Wayland window focused"
