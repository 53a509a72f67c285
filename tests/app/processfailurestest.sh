#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Runs that cannot do their job end in failure with a line that says why, and leave nothing
# behind: a device listing or a rendering that cannot reach its file (standard output
# closed; a full or read-only file system, made as a private tmpfs since /dev/full may be a
# plain file in a container), and a plain start without a display.
set -euo pipefail
program=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export XDG_CONFIG_HOME=$work/config

expect_failure() { # name, expected part of the message, command...
    local name=$1 message=$2
    shift 2
    if "$@" 2>"$work/err"; then
        echo "FAIL: $name: exit status 0" >&2
        exit 1
    fi
    grep -qF -- "$message" "$work/err" || {
        echo "FAIL: $name: the message does not say \"$message\":" >&2
        cat "$work/err" >&2
        exit 1
    }
}

"$program" --audio-backend=sim --list-devices >"$work/listing"
grep -q $'\t' "$work/listing"
expect_failure "listing, standard output closed" \
    "cannot write the device listing to standard output: Bad file descriptor" \
    "$program" --audio-backend=sim --list-devices >&-

# The mounts live in a namespace of their own and go with it, also when a step fails.
if unshare -m sh -c "mount -t tmpfs -o size=4k tmpfs \"$work\"" 2>/dev/null; then
    on_full_disk='mount -t tmpfs -o size=4k tmpfs "$1" && { head -c 65536 /dev/zero >"$1/fill" || true; }'
    expect_failure "listing, full file system" \
        "cannot write the device listing to standard output: No space left on device" \
        unshare -m sh -c "$on_full_disk"'
            exec "$2" --audio-backend=sim --list-devices >"$1/listing"' sh "$work" "$program"
    expect_failure "rendering, full file system" "No space left on device" \
        unshare -m sh -c "$on_full_disk"'
            exec "$2" --render "$1/dropdown.png"' sh "$work" "$program"
    expect_failure "rendering, read-only file system" "Read-only file system" \
        unshare -m sh -c 'mount -t tmpfs -o ro tmpfs "$1" && exec "$2" --render "$1/dropdown.png"' \
        sh "$work" "$program"
else
    echo "full and read-only file systems: skipped (no private mounts here)"
fi

# No display: said at once, before the sound server is asked (its library would create
# its own configuration directory under ours). Any socket that accepts stands in for the
# server: a bus daemon's will do.
mkdir -p "$XDG_CONFIG_HOME"
server=$(dbus-daemon --session --address="unix:path=$work/server" --fork --print-pid)
trap 'kill "$server"; rm -rf "$work"' EXIT
expect_failure "no display" "no graphical session found" \
    env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM PULSE_SERVER="unix:$work/server" \
    "$program"
if [ -e "$XDG_CONFIG_HOME/pulse" ]; then
    echo "FAIL: no display: the sound server's library was started ($XDG_CONFIG_HOME/pulse)" >&2
    exit 1
fi
echo "process failures: passed"
