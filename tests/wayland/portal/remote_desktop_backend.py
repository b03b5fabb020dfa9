#!/usr/bin/python3
# Test backend of the desktop portal's remote desktop: grants or refuses a keyboard session as
# told, hands out a restore token and accepts it on the next start without asking, and records
# every keysym it is sent, one "keysym state" line each, to a file.
#
# Usage: remote_desktop_backend.py <bus name> <record file> grant|refuse
# Each session start appends "asked" (a dialog would have been shown) or "restored" to
# <record file>.starts.
import sys

import dbus
import dbus.service
from dbus.mainloop.glib import DBusGMainLoop
from gi.repository import GLib

IFACE = "org.freedesktop.impl.portal.RemoteDesktop"
TOKEN = "tarvolin-test-token"
KEYBOARD = 1

bus_name, record, mode = sys.argv[1:4]


class Session(dbus.service.Object):
    def __init__(self, bus, path):
        super().__init__(bus, path)
        self.path = path

    @dbus.service.method("org.freedesktop.impl.portal.Session", in_signature="", out_signature="")
    def Close(self):
        self.remove_from_connection()

    @dbus.service.signal("org.freedesktop.impl.portal.Session", signature="")
    def Closed(self):
        pass


class RemoteDesktop(dbus.service.Object):
    def __init__(self, bus):
        super().__init__(bus, "/org/freedesktop/portal/desktop")
        self.bus = bus
        self.sessions = {}
        self.selected = {}

    @dbus.service.method(IFACE, in_signature="oosa{sv}", out_signature="ua{sv}")
    def CreateSession(self, handle, session_handle, app_id, options):
        self.sessions[str(session_handle)] = Session(self.bus, session_handle)
        return dbus.UInt32(0), dbus.Dictionary({"session_id": "test"}, signature="sv")

    @dbus.service.method(IFACE, in_signature="oosa{sv}", out_signature="ua{sv}")
    def SelectDevices(self, handle, session_handle, app_id, options):
        self.selected[str(session_handle)] = dict(options)
        return dbus.UInt32(0), dbus.Dictionary({}, signature="sv")

    @dbus.service.method(IFACE, in_signature="ooss" + "a{sv}", out_signature="ua{sv}")
    def Start(self, handle, session_handle, app_id, parent_window, options):
        selected = self.selected.get(str(session_handle), {})
        restored = str(selected.get("restore_token", "")) == TOKEN
        with open(record + ".starts", "a") as out:
            out.write(("restored" if restored else "asked") + "\n")
        if mode == "refuse" and not restored:
            return dbus.UInt32(1), dbus.Dictionary({}, signature="sv")
        results = {"devices": dbus.UInt32(KEYBOARD)}
        if int(selected.get("persist_mode", 0)) != 0:
            results["restore_token"] = TOKEN
            results["persist_mode"] = dbus.UInt32(int(selected["persist_mode"]))
        return dbus.UInt32(0), dbus.Dictionary(results, signature="sv")

    @dbus.service.method(IFACE, in_signature="oa{sv}iu", out_signature="")
    def NotifyKeyboardKeysym(self, session_handle, options, keysym, state):
        with open(record, "a") as out:
            out.write("%d %d\n" % (keysym, state))

    @dbus.service.method(IFACE, in_signature="oa{sv}iu", out_signature="")
    def NotifyKeyboardKeycode(self, session_handle, options, keycode, state):
        pass

    @dbus.service.method(dbus.PROPERTIES_IFACE, in_signature="ss", out_signature="v")
    def Get(self, interface, prop):
        return self.GetAll(interface)[prop]

    @dbus.service.method(dbus.PROPERTIES_IFACE, in_signature="s", out_signature="a{sv}")
    def GetAll(self, interface):
        return {"AvailableDeviceTypes": dbus.UInt32(KEYBOARD), "version": dbus.UInt32(2)}


DBusGMainLoop(set_as_default=True)
session_bus = dbus.SessionBus()
backend = RemoteDesktop(session_bus)
name = dbus.service.BusName(bus_name, session_bus)
GLib.MainLoop().run()
