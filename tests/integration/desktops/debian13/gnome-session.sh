#!/bin/bash
# SPDX-License-Identifier: GPL-3.0-or-later
# gnome-session.sh WORKDIR       starts a private headless GNOME 48 Wayland session
# gnome-session.sh stop WORKDIR  ends every process of it (by PID)
# RIG_GLOBAL_SHORTCUTS=none: a GNOME as 46/47 are, with no GlobalShortcuts portal, and
# gnome-settings-daemon's media-keys plugin, which runs the custom keyboard shortcuts.
# Runs INSIDE the root:  enter.sh ROOT /rig/gnome-session.sh /tmp/gnome
# Then a test does:      enter.sh ROOT sh -c '. /tmp/gnome/env; my-test'
# Started here: session bus + stand-in system bus, PulseAudio (null sink/source), gnome-shell
# --headless (virtual monitor 1280x800, Xwayland), xdg-desktop-portal + -gnome and
# gnome-control-center's global-shortcuts provider (D-Bus activated, PIDs recorded), and
# the key injector daemon of keys.py. Logs: WORKDIR/log/*.log.
set -u
. "$(dirname "$(realpath "$0")")/lib.sh"
session_main gnome-session "$@"
export RIG_DESKTOP=gnome XDG_CURRENT_DESKTOP=GNOME XDG_SESSION_DESKTOP=gnome

# before anything starts the portal (the shell's X11 frames helper does, early)
if [ "${RIG_GLOBAL_SHORTCUTS:-}" = none ]; then
  mkdir -p "$XDG_CONFIG_HOME/xdg-desktop-portal"
  printf '[preferred]\ndefault=gnome;gtk;\norg.freedesktop.impl.portal.GlobalShortcuts=none\n' \
    > "$XDG_CONFIG_HOME/xdg-desktop-portal/gnome-portals.conf"
fi

start_buses; say "buses up"
start_pulse; say "pulseaudio up"

# settings read at shell start: no animations, no idle blanking or lock
gsettings set org.gnome.desktop.interface enable-animations false
gsettings set org.gnome.desktop.session idle-delay 0
gsettings set org.gnome.desktop.screensaver lock-enabled false

start_bg shell env -u WAYLAND_DISPLAY gnome-shell --headless --wayland \
  --virtual-monitor 1280x800 --wayland-display "$WAYLAND_DISPLAY"
SHELL_PID=$(awk '$1=="shell"{print $2}' "$W/pids")
wait_for 180 grep -q "GNOME Shell started" "$W/log/shell.log" || die "gnome-shell did not start" "$W/log/shell.log"
say "gnome-shell $(gnome-shell --version | awk '{print $3}') up"
wait_for 30 find_xwayland "$SHELL_PID" && say "Xwayland on $DISPLAY" || say "no Xwayland found"

# the shell starts in the overview; close it, so that windows (the portal's dialog) show
shell_prop() { dbus-send --session --print-reply --dest=org.gnome.Shell /org/gnome/Shell org.freedesktop.DBus.Properties."$@"; }
overview_closed() { shell_prop Get string:org.gnome.Shell string:OverviewActive | grep -q 'boolean false'; }
shell_prop Set string:org.gnome.Shell string:OverviewActive variant:boolean:false > /dev/null
wait_for 15 overview_closed && say "overview closed" || say "WARNING: overview still open"

# portals and the global-shortcuts provider: D-Bus activated (PIDs recorded)
activate org.freedesktop.impl.portal.desktop.gnome || die "xdg-desktop-portal-gnome" "$W/log/bus.log"
if [ "${RIG_GLOBAL_SHORTCUTS:-}" = none ]; then
  activate org.freedesktop.portal.Desktop || die "xdg-desktop-portal" "$W/log/bus.log"
  wait_for 30 dbus-send --session --print-reply --dest=org.freedesktop.portal.Desktop \
    /org/freedesktop/portal/desktop org.freedesktop.DBus.Peer.Ping || die "no xdg-desktop-portal" "$W/log/bus.log"
  [ -z "$(gs_version)" ] || die "the GlobalShortcuts portal is still offered" "$W/log/bus.log"
  start_bg media-keys /usr/libexec/gsd-media-keys
  wait_for 30 dbus-send --session --print-reply --dest=org.gnome.SettingsDaemon.MediaKeys \
    /org/gnome/SettingsDaemon/MediaKeys org.freedesktop.DBus.Peer.Ping || die "gsd-media-keys" "$W/log/media-keys.log"
  say "xdg-desktop-portal without GlobalShortcuts, gsd-media-keys up"
else
  activate org.gnome.Settings.GlobalShortcutsProvider || die "no global-shortcuts provider" "$W/log/bus.log"
  activate org.freedesktop.portal.Desktop || die "xdg-desktop-portal" "$W/log/bus.log"
  wait_for 30 test -n "$(gs_version)" || die "no GlobalShortcuts portal" "$W/log/bus.log"
  say "xdg-desktop-portal $(dpkg-query -W -f='${Version}' xdg-desktop-portal) + -gnome $(dpkg-query -W -f='${Version}' xdg-desktop-portal-gnome) up, GlobalShortcuts version $(gs_version)"
fi

start_keys gnome; say "key injector up"
write_env
say "session ready: . $W/env"
