#!/bin/bash
# SPDX-License-Identifier: GPL-3.0-or-later
# kde-session.sh WORKDIR       starts a private headless Plasma 6.3 (KWin) Wayland session
# kde-session.sh stop WORKDIR  ends every process of it (by PID)
# Runs INSIDE the root:  enter.sh ROOT /rig/kde-session.sh /tmp/kde
# Then a test does:      enter.sh ROOT sh -c '. /tmp/kde/env; my-test'
# Started here: session bus + stand-in system bus, PulseAudio (null sink/source),
# kwin_wayland --virtual 1280x800 with Xwayland (kglobalaccel runs inside KWin 6),
# xdg-desktop-portal-kde + xdg-desktop-portal (D-Bus activated), the key injector daemon
# of keys.py. KWin reads the key repeat from WORKDIR/home/.config/kcminputrc at its start.
# Logs: WORKDIR/log/*.log.
set -u
. "$(dirname "$(realpath "$0")")/lib.sh"
session_main kde-session "$@"
export RIG_DESKTOP=kde XDG_CURRENT_DESKTOP=KDE XDG_SESSION_DESKTOP=KDE KDE_FULL_SESSION=true

start_buses; say "buses up"
start_pulse; say "pulseaudio up"

# KWin grants its fake-input protocol only to a program that a desktop file names
# (X-KDE-Wayland-Interfaces, matching Exec) and that KSycoca knows: that needs a menu file
# and kbuildsycoca6. keys.py compiles W/bin/rig-fakeinput on first use.
mkdir -p "$XDG_CONFIG_HOME/menus" "$XDG_CONFIG_HOME/xdg-desktop-portal"
cat > "$XDG_CONFIG_HOME/menus/applications.menu" <<'EOF'
<!DOCTYPE Menu PUBLIC "-//freedesktop//DTD Menu 1.0//EN" "http://www.freedesktop.org/standards/menu-spec/1.0/menu.dtd">
<Menu><Name>Applications</Name><DefaultAppDirs/><DefaultDirectoryDirs/><Include><All/></Include></Menu>
EOF
cat > "$XDG_DATA_HOME/applications/rig-fakeinput.desktop" <<EOF
[Desktop Entry]
Type=Application
Name=rig fake input
Exec=$W/bin/rig-fakeinput
NoDisplay=true
X-KDE-Wayland-Interfaces=org_kde_kwin_fake_input
EOF
# portal backends: KDE's for everything, no Inhibit backend (as in the runs this rig came from)
printf '[preferred]\ndefault=kde\norg.freedesktop.impl.portal.Inhibit=none\n' \
  > "$XDG_CONFIG_HOME/xdg-desktop-portal/kde-portals.conf"
kbuildsycoca6 > "$W/log/kbuildsycoca6.log" 2>&1 || die "kbuildsycoca6" "$W/log/kbuildsycoca6.log"
say "menu + kbuildsycoca6 done"

# kwin_wayland carries a file capability (cap_sys_nice=ep) that some sandboxes refuse to
# exec: run a copy (the copy drops it; the name must stay kwin_wayland)
cp /usr/bin/kwin_wayland "$W/bin/kwin_wayland"
KWIN_COMPOSE=Q start_bg kwin "$W/bin/kwin_wayland" --virtual --xwayland --no-lockscreen \
  --socket "$WAYLAND_DISPLAY" --width 1280 --height 800
KWIN_PID=$(awk '$1=="kwin"{print $2}' "$W/pids")
wait_for 120 test -S "$XDG_RUNTIME_DIR/$WAYLAND_DISPLAY" || die "kwin_wayland did not start" "$W/log/kwin.log"
wait_for 60 dbus-send --session --print-reply --dest=org.kde.KWin /KWin org.freedesktop.DBus.Peer.Ping \
  || die "KWin not on the bus" "$W/log/kwin.log"
say "$("$W/bin/kwin_wayland" --version 2>/dev/null) up"
wait_for 30 find_xwayland "$KWIN_PID" && say "Xwayland on $DISPLAY" || say "no Xwayland found"

# portals: D-Bus activated (PIDs recorded); KWin itself activates the frontend at its start
activate org.freedesktop.impl.portal.desktop.kde || die "xdg-desktop-portal-kde" "$W/log/bus.log"
activate org.freedesktop.portal.Desktop || die "xdg-desktop-portal" "$W/log/bus.log"
wait_for 30 test -n "$(gs_version)" || die "no GlobalShortcuts portal" "$W/log/bus.log"
say "xdg-desktop-portal $(dpkg-query -W -f='${Version}' xdg-desktop-portal) + -kde $(dpkg-query -W -f='${Version}' xdg-desktop-portal-kde) up, GlobalShortcuts version $(gs_version)"

start_keys kde; say "key injector up"
write_env
say "session ready: . $W/env"
