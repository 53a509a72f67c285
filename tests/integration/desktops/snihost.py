#!/usr/bin/python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""A stand-in StatusNotifierWatcher with a host registered, as waybar or swaybar offer it.
Prints "registered SERVICE" for every item that registers, and the item's Id property."""
import sys, dbus, dbus.service, dbus.mainloop.glib
from gi.repository import GLib
dbus.mainloop.glib.DBusGMainLoop(set_as_default=True)
bus = dbus.SessionBus()
W = 'org.kde.StatusNotifierWatcher'
items = []

class Watcher(dbus.service.Object):
    @dbus.service.method(W, in_signature='s', out_signature='', sender_keyword='sender')
    def RegisterStatusNotifierItem(self, service, sender=None):
        items.append(str(service) if str(service).startswith(':') else str(sender))
        print("registered", service, flush=True)
        self.StatusNotifierItemRegistered(service)
        GLib.idle_add(describe, str(sender), str(service))
    @dbus.service.method(W, in_signature='s', out_signature='')
    def RegisterStatusNotifierHost(self, service): pass
    @dbus.service.signal(W, signature='s')
    def StatusNotifierItemRegistered(self, s): pass
    @dbus.service.signal(W, signature='')
    def StatusNotifierHostRegistered(self): pass
    @dbus.service.method(dbus.PROPERTIES_IFACE, in_signature='ss', out_signature='v')
    def Get(self, iface, prop):
        return self.GetAll(iface)[prop]
    @dbus.service.method(dbus.PROPERTIES_IFACE, in_signature='s', out_signature='a{sv}')
    def GetAll(self, iface):
        return {'RegisteredStatusNotifierItems': dbus.Array(items, signature='s'),
                'IsStatusNotifierHostRegistered': True, 'ProtocolVersion': dbus.Int32(0)}
    @dbus.service.method('org.freedesktop.DBus.Introspectable', in_signature='', out_signature='s')
    def Introspect(self):
        # Qt's dynamic interface reads properties only when introspection lists them.
        return """<node><interface name="org.kde.StatusNotifierWatcher">
  <method name="RegisterStatusNotifierItem"><arg name="service" type="s" direction="in"/></method>
  <method name="RegisterStatusNotifierHost"><arg name="service" type="s" direction="in"/></method>
  <property name="RegisteredStatusNotifierItems" type="as" access="read"/>
  <property name="IsStatusNotifierHostRegistered" type="b" access="read"/>
  <property name="ProtocolVersion" type="i" access="read"/>
  <signal name="StatusNotifierItemRegistered"><arg type="s"/></signal>
  <signal name="StatusNotifierItemUnregistered"><arg type="s"/></signal>
  <signal name="StatusNotifierHostRegistered"/>
 </interface></node>"""

def describe(sender, service):
    path = service if service.startswith('/') else '/StatusNotifierItem'
    props = dbus.Interface(bus.get_object(sender, path), dbus.PROPERTIES_IFACE)
    print("item Id", props.Get('org.kde.StatusNotifierItem', 'Id'), flush=True)
    return False

name = dbus.service.BusName(W, bus)
watcher = Watcher(bus, '/StatusNotifierWatcher')
watcher.StatusNotifierHostRegistered()
print("watcher up", flush=True)
GLib.MainLoop().run()
