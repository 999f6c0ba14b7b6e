#!/usr/bin/python3
"""A StatusNotifierWatcher with a tray host registered, as a panel provides one.

Makes Qt export Tavo's tray icon as a StatusNotifierItem; prints each item
that registers, and forgets it when its program ends."""
import sys

import gi

gi.require_version("Gio", "2.0")
from gi.repository import Gio, GLib  # noqa: E402

XML = """<node><interface name="org.kde.StatusNotifierWatcher">
<method name="RegisterStatusNotifierItem"><arg type="s" direction="in"/></method>
<method name="RegisterStatusNotifierHost"><arg type="s" direction="in"/></method>
<property name="RegisteredStatusNotifierItems" type="as" access="read"/>
<property name="IsStatusNotifierHostRegistered" type="b" access="read"/>
<property name="ProtocolVersion" type="i" access="read"/>
<signal name="StatusNotifierItemRegistered"><arg type="s"/></signal>
<signal name="StatusNotifierItemUnregistered"><arg type="s"/></signal>
<signal name="StatusNotifierHostRegistered"/>
</interface></node>"""
items = []


def on_call(conn, sender, path, interface, method, params, invocation):
    if method == "RegisterStatusNotifierItem":
        name = params.unpack()[0]
        # An object path alone names an item on the caller's own connection.
        item = sender + name if name.startswith("/") else name
        items.append(item)
        print("registered", item, flush=True)
        conn.emit_signal(None, path, interface, "StatusNotifierItemRegistered", GLib.Variant("(s)", (item,)))
        Gio.bus_watch_name_on_connection(conn, item.split("/")[0], Gio.BusNameWatcherFlags.NONE, None,
                                         lambda conn, name: forget(item))
    invocation.return_value(None)


def forget(item):
    if item in items:
        items.remove(item)
        print("gone", item, flush=True)


def on_get(conn, sender, path, interface, name):
    return {
        "RegisteredStatusNotifierItems": GLib.Variant("as", items),
        "IsStatusNotifierHostRegistered": GLib.Variant("b", True),
        "ProtocolVersion": GLib.Variant("i", 0),
    }[name]


def on_bus(conn, name):
    interface = Gio.DBusNodeInfo.new_for_xml(XML).interfaces[0]
    conn.register_object("/StatusNotifierWatcher", interface, on_call, on_get, None)


Gio.bus_own_name(Gio.BusType.SESSION, "org.kde.StatusNotifierWatcher", Gio.BusNameOwnerFlags.NONE,
                 on_bus, lambda conn, name: print("watcher ready", flush=True), lambda conn, name: sys.exit(1))
GLib.MainLoop().run()
