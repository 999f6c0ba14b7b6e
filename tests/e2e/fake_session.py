#!/usr/bin/python3
"""logind on the system bus (give it a private one through DBUS_SYSTEM_BUS_ADDRESS)
and both screen savers on the session bus, driven from standard input:

  locked true|false    the session's LockedHint
  active true|false    the session's Active (false: another user switched in)
  saver true|false     org.freedesktop.ScreenSaver ActiveChanged
  gnome true|false     org.gnome.ScreenSaver ActiveChanged

Prints "ready" once it owns every name and "looked up" when the session is asked for."""
import sys

import gi

gi.require_version("Gio", "2.0")
from gi.repository import Gio, GLib  # noqa: E402

SESSION = "/org/freedesktop/login1/session/_31"
MANAGER_XML = """<node><interface name="org.freedesktop.login1.Manager">
<method name="GetSession"><arg type="s" direction="in"/><arg type="o" direction="out"/></method>
</interface></node>"""
system = Gio.bus_get_sync(Gio.BusType.SYSTEM, None)
session = Gio.bus_get_sync(Gio.BusType.SESSION, None)


def on_call(conn, sender, path, interface, method, params, invocation):
    print("looked up", flush=True)
    invocation.return_value(GLib.Variant("(o)", (SESSION,)))


system.register_object("/org/freedesktop/login1", Gio.DBusNodeInfo.new_for_xml(MANAGER_XML).interfaces[0],
                       on_call, None, None)
for bus, name in ((system, "org.freedesktop.login1"), (session, "org.freedesktop.ScreenSaver"),
                  (session, "org.gnome.ScreenSaver")):
    reply = bus.call_sync("org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus", "RequestName",
                          GLib.Variant("(su)", (name, 4)), None, Gio.DBusCallFlags.NONE, -1, None)
    if reply.unpack()[0] != 1:
        sys.exit("could not own " + name)
print("ready", flush=True)


def on_line(channel, condition):
    line = channel.readline()
    if not line:
        GLib.MainLoop.quit(loop)
        return False
    what, value = line.split()
    value = value == "true"
    if what in ("locked", "active"):
        changed = {"LockedHint" if what == "locked" else "Active": GLib.Variant("b", value)}
        system.emit_signal(None, SESSION, "org.freedesktop.DBus.Properties", "PropertiesChanged",
                           GLib.Variant("(sa{sv}as)", ("org.freedesktop.login1.Session", changed, [])))
        system.flush_sync(None)
    else:
        service = "org.freedesktop.ScreenSaver" if what == "saver" else "org.gnome.ScreenSaver"
        path = "/org/freedesktop/ScreenSaver" if what == "saver" else "/org/gnome/ScreenSaver"
        session.emit_signal(None, path, service, "ActiveChanged", GLib.Variant("(b)", (value,)))
        session.flush_sync(None)
    return True


loop = GLib.MainLoop()
GLib.io_add_watch(GLib.IOChannel.unix_new(sys.stdin.fileno()), GLib.IO_IN | GLib.IO_HUP, on_line)
loop.run()
