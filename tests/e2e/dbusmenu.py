#!/usr/bin/python3
"""Tavo's tray menu as a tray host sees it over D-Bus.

  dbusmenu.py item            the bus name of the registered tray item
  dbusmenu.py pid             the process id of the program behind it
  dbusmenu.py icon            the item's title and the sizes of its icon pixmaps
  dbusmenu.py layout          the whole menu, one line per entry, a ">" per submenu level
  dbusmenu.py click LABEL     sends the "clicked" event of the entry with this label
  dbusmenu.py open | close    the host shows the menu (AboutToShow) or closes it ("closed" event)"""
import sys

import gi

gi.require_version("Gio", "2.0")
from gi.repository import Gio, GLib  # noqa: E402

bus = Gio.bus_get_sync(Gio.BusType.SESSION, None)


def call(name, path, interface, method, args, reply_type=None):
    return bus.call_sync(name, path, interface, method, args,
                         GLib.VariantType(reply_type) if reply_type else None,
                         Gio.DBusCallFlags.NONE, 5000, None).unpack()


def item():
    items = call("org.kde.StatusNotifierWatcher", "/StatusNotifierWatcher", "org.freedesktop.DBus.Properties",
                 "Get", GLib.Variant("(ss)", ("org.kde.StatusNotifierWatcher", "RegisteredStatusNotifierItems")),
                 "(v)")[0]
    if not items:
        sys.exit(1)
    return items[-1].split("/")[0]


def entries():
    name = item()
    menu = call(name, "/StatusNotifierItem", "org.freedesktop.DBus.Properties", "Get",
                GLib.Variant("(ss)", ("org.kde.StatusNotifierItem", "Menu")), "(v)")[0]
    layout = call(name, menu, "com.canonical.dbusmenu", "GetLayout", GLib.Variant("(iias)", (0, -1, [])))[1]

    def walk(node, depth):
        for child in node[2]:
            ident, props, _ = child
            label = "---" if props.get("type") == "separator" else props.get("label", "")
            yield depth, ident, label
            yield from walk(child, depth + 1)

    return name, menu, list(walk(layout, 0))


command = sys.argv[1]
if command == "item":
    print(item())
elif command == "pid":
    print(call("org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus",
               "GetConnectionUnixProcessID", GLib.Variant("(s)", (item(),)), "(u)")[0])
elif command == "icon":
    def get(prop):
        return call(item(), "/StatusNotifierItem", "org.freedesktop.DBus.Properties", "Get",
                    GLib.Variant("(ss)", ("org.kde.StatusNotifierItem", prop)), "(v)")[0]
    print(get("Title"), " ".join("%dx%d" % (w, h) for w, h, _ in get("IconPixmap")))
elif command == "layout":
    for depth, _, label in entries()[2]:
        print(">" * depth + label)
elif command == "open":
    name, menu, _ = entries()
    call(name, menu, "com.canonical.dbusmenu", "AboutToShow", GLib.Variant("(i)", (0,)))
else:
    name, menu, found = entries()
    if command == "click":
        ident, event = next(ident for _, ident, label in found if label == sys.argv[2]), "clicked"
    else:
        ident, event = 0, "closed"
    # Sent without waiting: an entry may open a modal dialog before Tavo answers.
    message = Gio.DBusMessage.new_method_call(name, menu, "com.canonical.dbusmenu", "Event")
    message.set_body(GLib.Variant("(isvu)", (ident, event, GLib.Variant("s", ""), 0)))
    message.set_flags(Gio.DBusMessageFlags.NO_REPLY_EXPECTED)
    bus.send_message(message, Gio.DBusSendMessageFlags.NONE)
    bus.flush_sync(None)
