# SPDX-License-Identifier: GPL-3.0-or-later
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
# no display; the processes added to `pids` are stopped and the folder removed at exit.
private_session() { # name
  work=$(mktemp -d "/tmp/quietlane-$1-XXXXXX")
  chmod 700 "$work"
  export XDG_RUNTIME_DIR=$work HOME=$work XDG_CONFIG_HOME=$work/config
  unset DISPLAY XAUTHORITY
  pids=()
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
