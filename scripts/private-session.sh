# SPDX-License-Identifier: GPL-3.0-or-later
# shellcheck shell=bash
# Sourced by the scripts that run a desktop of their own, so that nothing of the user's
# session is used or left behind.

# Runs the calling script again inside a session bus of its own (with the bus
# configuration CONFIG, if given), unless it already is. Usage: private_bus [CONFIG] -- ARGS
private_bus() {
  local config=()
  [ "$1" = -- ] || { config=(--config-file="$1"); shift; }
  shift
  [ -z "${QUIETLANE_PRIVATE_BUS:-}" ] || return 0
  exec env QUIETLANE_PRIVATE_BUS=1 dbus-run-session "${config[@]}" -- bash "$0" "$@"
}

# A runtime folder of its own ($work, mode 0700) that is also HOME and the XDG config folder,
# no display; the processes added to `pids` are stopped and the folder removed at exit, and
# `fail` shows the logs added to `logs`.
private_session() { # name
  work=$(mktemp -d "/tmp/quietlane-$1-XXXXXX")
  chmod 700 "$work"
  export XDG_RUNTIME_DIR=$work HOME=$work XDG_CONFIG_HOME=$work/config
  unset DISPLAY XAUTHORITY
  pids=()
  logs=()
  trap private_session_end EXIT
}
private_session_end() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  wait 2>/dev/null || true
  rm -rf "$work"
}

wait_for() { # seconds, command...
  local deadline=$((SECONDS + $1)); shift
  until "$@"; do [ $SECONDS -lt $deadline ] || return 1; sleep 0.1; done
}

# Ends the script with MESSAGE after the last lines of each log named in `logs` (files in
# $work), which is what tells a failure on a build machine apart from another.
fail() { # message...
  echo "FAIL: $*" >&2
  local log
  for log in "${logs[@]}"; do
    echo "--- $log" >&2
    tail -n 20 "$work/$log" >&2 || true
  done
  exit 1
}

# A PulseAudio of the session's own whose one source, mic1, is the default.
private_pulseaudio() {
  mkdir -p "$work/pulse"
  export PULSE_RUNTIME_PATH=$work/pulse PULSE_SERVER=unix:$work/pulse/native
  pulseaudio -n --daemonize=no --exit-idle-time=-1 --use-pid-file=no --disallow-exit \
    -L "module-native-protocol-unix socket=$work/pulse/native auth-anonymous=1" \
    -L "module-null-source source_name=mic1" >"$work/pulse.log" 2>&1 &
  pids+=($!)
  wait_for 10 pactl info >/dev/null 2>&1 || return 1
  pactl set-default-source mic1
}
# The state of that source, as the server reports it.
muted() { pactl get-source-mute mic1 | grep -q yes; }
unmuted() { pactl get-source-mute mic1 | grep -q no; }

# An Xvfb of the session's own on the first display number it can lock, as DISPLAY. Not
# -displayfd: with it Xvfb takes no lock and can settle on a display whose socket belongs
# to a running XWayland (mutter's, sway's).
private_xvfb() {
  local number pid
  for ((number = 20; number < 120; number++)); do
    Xvfb ":$number" -screen 0 1280x800x24 -nolisten tcp >"$work/xvfb.log" 2>&1 &
    pid=$!
    wait_for 10 xvfb_settled "$pid" "$number" || true
    if xvfb_serves "$pid" "$number"; then
      pids+=("$pid")
      export DISPLAY=":$number"
      return 0
    fi
    kill "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
  done
  return 1
}
# Whether Xvfb PID holds display NUMBER (its lock names it) and answers there; another
# server may answer on a number that it failed to take.
xvfb_serves() { # pid number
  kill -0 "$1" 2>/dev/null && [ "$(tr -d ' ' <"/tmp/.X$2-lock" 2>/dev/null)" = "$1" ] &&
    DISPLAY=":$2" xdpyinfo >/dev/null 2>&1
}
xvfb_settled() { # pid number
  ! kill -0 "$1" 2>/dev/null || xvfb_serves "$1" "$2"
}
