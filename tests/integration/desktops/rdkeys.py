#!/usr/bin/python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Presses keys through mutter's RemoteDesktop D-Bus API, one session kept on one bus
connection. Reads lines "press EVDEVCODE HOLD_SECONDS" from the FIFO given as argv[1] and
presses Ctrl+Alt+Super+CODE for that long; "quit" ends it."""
import sys, time, dbus
bus = dbus.SessionBus()
rd = bus.get_object('org.gnome.Mutter.RemoteDesktop', '/org/gnome/Mutter/RemoteDesktop')
path = dbus.Interface(rd, 'org.gnome.Mutter.RemoteDesktop').CreateSession()
s = dbus.Interface(bus.get_object('org.gnome.Mutter.RemoteDesktop', path),
                   'org.gnome.Mutter.RemoteDesktop.Session')
s.Start()
print("remote desktop session", path, "started", flush=True)
def key(k, down): s.NotifyKeyboardKeycode(dbus.UInt32(k), dbus.Boolean(down)); time.sleep(0.03)
while True:
    with open(sys.argv[1]) as fifo:
        for line in fifo:
            cmd = line.split()
            if cmd[0] == 'quit': sys.exit(0)
            code = int(cmd[1])
            for k in (29, 56, 125, code): key(k, True)
            time.sleep(float(cmd[2]) if len(cmd) > 2 else 0.3)
            for k in (code, 125, 56, 29): key(k, False)
            print("released Ctrl+Alt+Super+%d" % code, flush=True)
