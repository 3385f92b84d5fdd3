"""A desktop notification service (org.freedesktop.Notifications) for the tests, on
the session bus of DBUS_SESSION_BUS_ADDRESS. It answers as a real service does
(Notify, CloseNotification, GetCapabilities, GetServerInformation), prints each call
as a line of JSON, and lets a test act as the user through its own interface
org.sweepwise.TestNotifications: Act(id, action) invokes an action, which closes the
notification as a service does; Dismiss(id) closes it unused."""
import json
import sys

import dbus
import dbus.service
from dbus.mainloop.glib import DBusGMainLoop
from gi.repository import GLib

NAME = "org.freedesktop.Notifications"
PATH = "/org/freedesktop/Notifications"
TEST = "org.sweepwise.TestNotifications"
DISMISSED, CLOSED_BY_CALL = 2, 3


def say(method, **arguments):
    print(json.dumps({"method": method, **arguments}), flush=True)


class Notifications(dbus.service.Object):
    def __init__(self, bus):
        super().__init__(bus, PATH)
        self.last = 0
        self.open = set()

    @dbus.service.method(NAME, in_signature="", out_signature="as")
    def GetCapabilities(self):
        say("GetCapabilities")
        return ["actions", "body", "body-markup"]

    @dbus.service.method(NAME, in_signature="", out_signature="ssss")
    def GetServerInformation(self):
        return ["test-notifications", "sweepwise", "1", "1.2"]

    @dbus.service.method(NAME, in_signature="susssasa{sv}i", out_signature="u")
    def Notify(self, app, replaces, icon, summary, body, actions, hints, timeout):
        if replaces and replaces in self.open:
            number = int(replaces)
        else:
            self.last += 1
            number = self.last
        self.open.add(number)
        say("Notify", id=number, app=str(app), replaces=int(replaces), summary=str(summary),
            body=str(body), actions=[str(a) for a in actions], timeout=int(timeout),
            hints=sorted(str(k) for k in hints))
        return number

    @dbus.service.method(NAME, in_signature="u", out_signature="")
    def CloseNotification(self, number):
        say("CloseNotification", id=int(number))
        self._close(number, CLOSED_BY_CALL)

    @dbus.service.signal(NAME, signature="uu")
    def NotificationClosed(self, number, reason):
        pass

    @dbus.service.signal(NAME, signature="us")
    def ActionInvoked(self, number, action):
        pass

    @dbus.service.method(TEST, in_signature="us", out_signature="")
    def Act(self, number, action):
        self.ActionInvoked(number, action)
        self._close(number, DISMISSED)

    @dbus.service.method(TEST, in_signature="u", out_signature="")
    def Dismiss(self, number):
        self._close(number, DISMISSED)

    def _close(self, number, reason):
        if number in self.open:
            self.open.discard(number)
            self.NotificationClosed(number, reason)


def main():
    DBusGMainLoop(set_as_default=True)
    bus = dbus.SessionBus()
    service = Notifications(bus)
    name = dbus.service.BusName(NAME, bus, do_not_queue=True)
    print("ready", file=sys.stderr, flush=True)
    try:
        GLib.MainLoop().run()
    finally:
        del name, service


if __name__ == "__main__":
    main()
