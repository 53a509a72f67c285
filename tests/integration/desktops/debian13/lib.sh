# SPDX-License-Identifier: GPL-3.0-or-later
# lib.sh: shared by gnome-session.sh and kde-session.sh (sourced; runs inside the root).
# A session lives in a work dir W: W/run (XDG_RUNTIME_DIR), W/home (HOME and XDG dirs),
# W/log/*.log, W/pids ("name pid" per line) and W/env (what a test sources).
RIG=$(dirname "$(realpath "${BASH_SOURCE[0]}")")
T0=$EPOCHREALTIME
say() { awk -v t0="$T0" -v t="$EPOCHREALTIME" -v m="$*" -v n="$RIG_NAME" 'BEGIN { printf "[%s %5.1fs] %s\n", n, t - t0, m }'; }
die() { say "FAILED: $*"; [ -n "${2:-}" ] && tail -n 15 "$2"; stop_session; exit 1; }

wait_for() {  # wait_for SECONDS CMD... : retries CMD every 0.2 s
  local end=$(( SECONDS + $1 )); shift
  until "$@" >/dev/null 2>&1; do [ $SECONDS -lt $end ] || return 1; sleep 0.2; done
}

start_bg() {  # start_bg NAME CMD... : own process group, log W/log/NAME.log, PID into W/pids
  local name=$1; shift
  setsid "$@" > "$W/log/$name.log" 2>&1 < /dev/null &
  echo "$name $!" >> "$W/pids"
}

session_env() {  # private dirs and environment; RIG_SESSION marks every process of this session
  [ ! -s "$W/pids" ] || { echo "$W holds a running session (stop it first)" >&2; exit 1; }
  mkdir -p "$W/run" "$W/home" "$W/log" "$W/bin"; chmod 700 "$W/run"; : > "$W/pids"
  export RIG_WORK=$W RIG_SESSION="$W:$(cat /proc/sys/kernel/random/uuid)"
  export XDG_RUNTIME_DIR=$W/run HOME=$W/home XDG_CONFIG_HOME=$W/home/.config \
    XDG_DATA_HOME=$W/home/.local/share XDG_CACHE_HOME=$W/home/.cache XDG_STATE_HOME=$W/home/.local/state \
    XDG_DATA_DIRS=/usr/local/share:/usr/share XDG_CONFIG_DIRS=/etc/xdg XDG_SESSION_TYPE=wayland \
    DBUS_SESSION_BUS_ADDRESS=unix:path=$W/run/bus DBUS_SYSTEM_BUS_ADDRESS=unix:path=$W/run/system_bus \
    PULSE_SERVER=unix:$W/run/pulse/native WAYLAND_DISPLAY=wayland-rig
  unset DISPLAY XAUTHORITY
  mkdir -p "$XDG_CONFIG_HOME" "$XDG_DATA_HOME/applications" "$XDG_CACHE_HOME" "$XDG_STATE_HOME" "$W/run/pulse"
}

start_buses() {  # session bus (standard service dirs: portals etc. are D-Bus activated) and a
                 # stand-in "system" bus with no services (nothing answers for logind & co.)
  cat > "$W/system-bus.conf" <<EOF
<busconfig><type>system</type><listen>unix:path=$W/run/system_bus</listen><auth>EXTERNAL</auth>
<policy context="default"><allow send_destination="*" eavesdrop="true"/><allow eavesdrop="true"/><allow own="*"/></policy></busconfig>
EOF
  start_bg bus dbus-daemon --session --address="$DBUS_SESSION_BUS_ADDRESS" --nofork --nopidfile
  start_bg system-bus dbus-daemon --config-file="$W/system-bus.conf" --nofork --nopidfile
  wait_for 10 dbus-send --session --dest=org.freedesktop.DBus / org.freedesktop.DBus.GetId || die "no session bus" "$W/log/bus.log"
  wait_for 10 dbus-send --system --dest=org.freedesktop.DBus / org.freedesktop.DBus.GetId || die "no system bus" "$W/log/system-bus.log"
}

start_pulse() {  # a private PulseAudio with a null sink and a null source (rig_sink, rig_mic)
  start_bg pulse pulseaudio -n --daemonize=no --exit-idle-time=-1 --use-pid-file=no --disallow-exit \
    -L "module-native-protocol-unix socket=$W/run/pulse/native auth-anonymous=1" \
    -L "module-null-sink sink_name=rig_sink" -L "module-null-source source_name=rig_mic" \
    -L "module-always-sink"
  wait_for 15 pactl info || die "no pulseaudio" "$W/log/pulse.log"
  pactl set-default-source rig_mic; pactl set-default-sink rig_sink
}

find_xwayland() {  # find_xwayland COMPOSITOR_PID : exports DISPLAY (and XAUTHORITY) of the
                   # Xwayland it serves: the X lock file holding its PID (Xwayland itself may
                   # start only when the first X client connects, as with KWin)
  local f n
  for f in /tmp/.X*-lock; do
    [ -e "$f" ] && [ "$(tr -d ' \n' < "$f")" = "$1" ] || continue
    n=${f#/tmp/.X}; export DISPLAY=:${n%-lock}
    f=$(ls "$XDG_RUNTIME_DIR"/.mutter-Xwaylandauth.* 2>/dev/null | head -1)
    [ -z "$f" ] || export XAUTHORITY=$f
    return 0
  done
  return 1
}

activate() {  # activate NAME : starts a D-Bus service (if not running), appends "NAME PID" to W/pids
  dbus-send --session --print-reply --dest=org.freedesktop.DBus / org.freedesktop.DBus.StartServiceByName \
    string:"$1" uint32:0 > /dev/null || return 1
  local pid; pid=$(dbus-send --session --print-reply --dest=org.freedesktop.DBus / \
    org.freedesktop.DBus.GetConnectionUnixProcessID string:"$1" | awk '/uint32/{print $2}')
  [ -n "$pid" ] && echo "$1 $pid" >> "$W/pids"
}

gs_version() {  # the GlobalShortcuts portal version, once the portal answers
  dbus-send --session --print-reply --dest=org.freedesktop.portal.Desktop /org/freedesktop/portal/desktop \
    org.freedesktop.DBus.Properties.Get string:org.freedesktop.portal.GlobalShortcuts string:version |
    awk '/uint32/{print $3}'
}

start_keys() {  # the key injector's daemon (keys.py), kept for the whole session
  start_bg keys python3 -u "$RIG/keys.py" "$1" --daemon
  wait_for 30 test -S "$XDG_RUNTIME_DIR/rig-keys.sock" || die "key injector did not start" "$W/log/keys.log"
}

write_env() {  # W/env: everything a test needs to reach the session
  { for v in RIG_WORK RIG_SESSION RIG_DESKTOP XDG_RUNTIME_DIR HOME XDG_CONFIG_HOME XDG_DATA_HOME \
             XDG_CACHE_HOME XDG_STATE_HOME XDG_DATA_DIRS XDG_CONFIG_DIRS XDG_CURRENT_DESKTOP \
             XDG_SESSION_TYPE XDG_SESSION_DESKTOP DBUS_SESSION_BUS_ADDRESS DBUS_SYSTEM_BUS_ADDRESS \
             WAYLAND_DISPLAY DISPLAY XAUTHORITY PULSE_SERVER; do
      [ -n "${!v:-}" ] && printf 'export %s=%q\n' "$v" "${!v}"
    done
    printf 'export RIG_PIDS=%q\n' "$(awk '{printf "%s ", $2}' "$W/pids")"
  } > "$W/env"
}

session_pids() {  # session_pids ID : processes whose environment holds RIG_SESSION=ID, except
                  # this script and its ancestors (a test that sourced W/env may call "stop")
  local id=$1 d p skip=" "
  for p in $$ $(ancestors $$); do skip="$skip$p "; done
  for d in /proc/[0-9]*; do
    case "$skip" in *" ${d#/proc/} "*) continue;; esac
    grep -qzxF "RIG_SESSION=$id" "$d/environ" 2>/dev/null && echo "${d#/proc/}"
  done
}

ancestors() {  # ancestors PID : its parent, grandparent, ... (read from /proc; no procps here)
  local p=$1 s f
  while [ "$p" -gt 1 ] 2>/dev/null; do
    s=$(cat "/proc/$p/stat" 2>/dev/null) || return 0
    read -r -a f <<< "${s##*) }"; p=${f[1]}; echo "$p"
  done
}

alive() { local p; for p in "$@"; do [ -d "/proc/$p" ] && echo "$p"; done; }
marked() { grep -qzxF "RIG_SESSION=$id" "/proc/$1/environ" 2>/dev/null; }   # PID not reused?

stop_session() {  # TERM what W/pids lists (newest first), then whatever else carries the mark;
                  # a PID is only signalled while its environment holds this session's mark
  local id name pid left i p
  id=$(sed -n "s/^export RIG_SESSION=//p" "$W/env" 2>/dev/null); id=${id:-${RIG_SESSION:-}}
  [ -f "$W/pids" ] && [ -n "$id" ] || { echo "no session in $W"; return 0; }
  tac "$W/pids" | while read -r name pid; do marked "$pid" && kill "$pid" && echo "stopped $name ($pid)"; done
  for i in $(seq 15); do [ -z "$(alive $(awk '{print $2}' "$W/pids"))" ] && break; sleep 0.2; done
  left=$(session_pids "$id")
  for pid in $left; do echo "stopped $(tr '\0' ' ' < "/proc/$pid/cmdline" 2>/dev/null | cut -c1-60) ($pid)"; kill "$pid" 2>/dev/null; done
  for i in $(seq 15); do [ -z "$(alive $left)" ] && break; sleep 0.2; done
  for pid in $(session_pids "$id"); do echo "killing $pid (did not end on SIGTERM)"; kill -9 "$pid"; done
  # X lock files and sockets that our compositor left behind (gnome-shell leaves them)
  local ours=" $(awk '{printf "%s ", $2}' "$W/pids")" f n
  for f in /tmp/.X*-lock; do
    [ -e "$f" ] && p=$(tr -d ' \n' < "$f") || continue
    case "$ours" in *" $p "*) [ -d "/proc/$p" ] || { n=${f#/tmp/.X}; rm -f "$f" "/tmp/.X11-unix/X${n%-lock}"; };; esac
  done
  rm -f "$W/pids" "$W/run/rig-keys.sock"
  sleep 0.2; left=$(session_pids "$id")
  echo "processes of the session left: ${left:-none}"
}

session_main() {  # session_main NAME "$@" : handles "stop W" and "W"
  RIG_NAME=$1; shift
  if [ "${1:-}" = stop ]; then W=$(realpath -m "${2:?usage: $RIG_NAME stop WORKDIR}"); stop_session; exit 0; fi
  W=$(realpath -m "${1:?usage: $RIG_NAME WORKDIR | $RIG_NAME stop WORKDIR}")
  session_env
}
