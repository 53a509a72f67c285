#!/bin/bash
# SPDX-License-Identifier: GPL-3.0-or-later
# enter.sh DIR CMD... : runs CMD as root inside the root DIR (made by make-root.sh) with a clean
# environment, in a PRIVATE mount namespace: every mount below lives only as long as the
# processes of this call (and what they leave running), the host's mounts are never touched,
# and concurrent calls do not see each other's mounts. Inside the root:
#   /proc /sys /dev /dev/pts (/dev/shm)  bound from the host
#   /run/systemd                          an empty tmpfs (no logind: gnome-shell runs headless)
#   /sys/fs/cgroup                        cgroup2 (xdg-desktop-portal reads app ids from scopes)
#   /tmp/.X11-unix                        mode 1777 (Xwayland sockets)
#   /rig                                  this folder (the session scripts, keys.py and the
#                                         real-session checks), read-only
# RIG_BIND="HOSTDIR[:DIR_IN_ROOT] ..." binds more folders (e.g. your source tree).
set -euo pipefail
[ $# -ge 2 ] || { echo "usage: enter.sh DIR CMD..." >&2; exit 2; }
R=$(realpath "$1"); shift
[ -x "$R/usr/bin/env" ] || { echo "enter.sh: $R is not a Debian root (run make-root.sh)" >&2; exit 1; }
export R RIG=$(dirname "$(realpath "$0")") RIG_BIND=${RIG_BIND:-} TERM=${TERM:-dumb}
exec unshare --mount --propagation private -- /bin/bash -euo pipefail -c '
  for m in proc sys dev dev/pts; do mount --bind "/$m" "$R/$m"; done
  ! mountpoint -q /dev/shm || mount --bind /dev/shm "$R/dev/shm"
  mkdir -p "$R/run/systemd" "$R/rig"
  mount -t tmpfs -o mode=755 tmpfs "$R/run/systemd"
  mount -t cgroup2 cgroup2 "$R/sys/fs/cgroup" 2>/dev/null || echo "enter.sh: no cgroup2 mount (app ids from scopes will not work)" >&2
  mkdir -p "$R/tmp/.X11-unix" && chmod 1777 "$R/tmp" "$R/tmp/.X11-unix"
  mount --bind "$RIG" "$R/rig" && mount -o remount,bind,ro "$R/rig"
  for b in $RIG_BIND; do
    src=${b%%:*}; dst=${b#*:}; [ "$dst" != "$b" ] || dst=$src
    mkdir -p "$R/$dst" && mount --bind "$src" "$R/$dst"
  done
  exec chroot "$R" /usr/bin/env -i HOME=/root LANG=C.UTF-8 TERM="$TERM" \
    PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin "$@"
' enter.sh "$@"
