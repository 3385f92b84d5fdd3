"""The helper in Wayland sessions, under Debian's headless compositors: GNOME's mutter
and sway. Where the session has XWayland the panel stands in the top-right corner,
above the window the user works in, takes clicks, and leaves the keyboard focus with
the user's window, whether or not Qt's Wayland platform is installed. Without XWayland the helper offers the
application as a desktop notification whose "Uninstall" hands the leftovers over as
the panel's button does. With no display at all, or no notification service, it
keeps watching and broadcasting and says so once in its log."""
import re
import subprocess
import time

from desktop_case import DesktopCase, desktop, main, wait_for  # (puts scripts/ on the path)

import wayland_desktop  # noqa: E402
from wayland_desktop import NotificationServer, WaylandDesktop  # noqa: E402

PANEL = (401, 139)
CORNER = (desktop.SCREEN[0] - 20 - PANEL[0], 40)
OPACITY_WARNING = "does not support setting window opacity"


class WaylandCase(DesktopCase):
    def setUp(self):
        self.sandbox = desktop.Sandbox(prefix="sweepwise-e2e-")
        self.desktop = None
        self.moves, self.created, self.before = [], [], None
        self.sandbox.grant_full_disk_access()
        self.apps = [self.sandbox.install(app) for app in (desktop.NOTEPAD, desktop.PIXELPAINT)]
        self.snapshot()

    def session(self, compositor, xwayland=True, bus=True):
        self.desktop = WaylandDesktop(self.sandbox, compositor, xwayland, bus)
        self.addCleanup(self.desktop.close)
        return self.desktop

    def start_user_window(self):
        """An X11 window of another program, as big as most of the screen and lying
        under the panel's corner, active."""
        self.desktop.start("xmessage", ["xmessage", "-geometry", "900x400+340+0",
                                        "-buttons", "", "The window the user works in"])
        return wait_for(lambda: self.x_windows("xmessage")[:1], 20, "the user's window")[0]

    def x_windows(self, name):
        status, out, _ = self.desktop.xdotool("search", "--onlyvisible", "--class", name)
        return out.split() if status == 0 else []

    def assert_said_once(self, helper, text):
        self.assertEqual(helper.output().count(text), 1, helper.output())


class PanelThroughXWayland(WaylandCase):
    def assert_panel_on_top_without_focus(self, window, editor):
        """The panel is in the corner, above the user's window in the X server's
        stacking, and the keyboard focus stayed where it was."""
        session = self.desktop
        self.assertEqual(session.geometry(window), (*CORNER, *PANEL))
        wait_for(lambda: self.x_stacking().index(window) > self.x_stacking().index(
            self.top_level(editor)), 10, "panel above the user's window")
        self.assertEqual(session.xdotool("getactivewindow")[1].strip(), editor)

    def x_stacking(self):
        """The root window's children from bottom to top, as decimal ids (xwininfo
        names the topmost first)."""
        out = self.desktop.run(["xwininfo", "-root", "-children"])[1]
        return [str(int(m, 16)) for m in re.findall(r"^\s+(0x[0-9a-f]+) ", out, re.M)][::-1]

    def top_level(self, window):
        """The child of the root window that holds `window` (its frame, if any)."""
        while True:
            out = self.desktop.run(["xwininfo", "-id", window, "-tree"])[1]
            parent = re.search(r"Parent window id: (0x[0-9a-f]+)( \(the root window\))?", out)
            if parent is None or parent.group(2):
                return window
            window = str(int(parent.group(1), 16))

    def test_mutter_corner_above_the_users_window_without_focus(self):
        session = self.session("mutter")
        editor = self.start_user_window()
        wait_for(lambda: session.xdotool("getactivewindow")[1].strip() == editor, 20,
                 "the user's window active")
        listener = session.start_main_listener()
        helper = session.start_helper()
        in_trash = self.trash(self.apps[0])
        window = session.wait_for_panel()
        self.assert_panel_on_top_without_focus(window, editor)
        # It takes clicks where it stands.
        session.click_uninstall(window)
        wait_for(lambda: re.search(r"\.trforsa: \d+ leftovers", listener.output()), 20,
                 "leftovers at the main application")
        session.wait_until_hidden(window)
        messages = desktop.parse_leftovers(listener.output())
        self.assertEqual(messages[0][0][3], str(in_trash))
        self.assertNotIn(OPACITY_WARNING, helper.output())
        self.assertTrue(helper.running())
        self.finish(received=[len(messages[0])])

    def test_sway_corner_above_without_focus_with_and_without_qt_wayland(self):
        session = self.session("sway")
        editor = self.start_user_window()
        wait_for(lambda: [w["name"] for w in session.sway_windows() if w["focused"]] ==
                 ["xmessage"], 20, "the user's window focused")
        without = wayland_desktop.plugins_without_wayland(self.sandbox.path)
        variants = [("Qt's Wayland platform installed", {}),
                    ("no Wayland platform", {"QT_PLUGIN_PATH": str(without),
                                             "QT_QPA_PLATFORM_PLUGIN_PATH":
                                                 str(without / "platforms")})]
        for (what, variables), app in zip(variants, self.apps):
            with self.subTest(what):
                before = session.grim(self.sandbox.path / "before.png")
                helper = session.start("helper", [desktop.helper_executable()], variables)
                self.addCleanup(helper.stop)
                wait_for(lambda: session.name_owned(desktop.HELPER_ID), 20, "helper on the bus")
                self.trash(app)
                window = session.wait_for_panel()
                self.assert_panel_on_top_without_focus(window, editor)
                # sway still gives the keyboard to the user's window.
                self.assertEqual([w["name"] for w in session.sway_windows() if w["focused"]],
                                 ["xmessage"])
                # On screen, once faded in: the corner shows the panel over the user's
                # window, and the rest of the screen is as it was.
                time.sleep(1.5)
                after = session.grim(self.sandbox.path / "after.png")
                self.assertGreater(differing_pixels(before, after, (*CORNER, *PANEL)),
                                   PANEL[0] * PANEL[1] // 2)
                self.assertEqual(differing_pixels(before, after, (0, 300, 1280, 500)), 0)
                self.assertNotIn(OPACITY_WARNING, helper.output())
                session.click_ignore(window)
                session.wait_until_hidden(window)
                helper.stop()
        self.finish()


class WithoutXWayland(WaylandCase):
    def test_mutter_offers_a_desktop_notification_whose_uninstall_hands_over(self):
        session = self.session("mutter", xwayland=False)
        server = NotificationServer(session)
        listener = session.start_main_listener()
        helper = session.start_helper()
        self.assert_said_once(helper, "cannot show panels (this Wayland session has no XWayland")

        in_trash = self.trash(self.apps[0])
        shown = wait_for(server.shown, 20, "a desktop notification")
        first = shown[-1]
        self.assertRegex(first["summary"], r"^Would you like to uninstall \S.* completely\?$")
        self.assertNotIn("<", first["summary"])
        self.assertRegex(first["body"], r"\d")
        self.assertEqual(first["actions"], ["uninstall", "Uninstall", "ignore", "Ignore"])
        self.assertEqual(first["timeout"], 0)
        server.act("Act", first["id"], "string:uninstall")
        wait_for(lambda: re.search(r"\.trforsa: \d+ leftovers", listener.output()), 20,
                 "leftovers at the main application")
        messages = desktop.parse_leftovers(listener.output())
        self.assertEqual(messages[0][0][3], str(in_trash))

        # A dismissed notification is "Ignore": nothing is handed over.
        self.trash(self.apps[1])
        second = wait_for(lambda: [n for n in server.shown() if n["id"] != first["id"]], 20,
                          "a second notification")[0]
        self.assertEqual(second["replaces"], 0)
        server.act("Dismiss", second["id"])
        # Size reports that came in meanwhile updated the notification in place.
        updates = [n for n in server.shown() if n["id"] == second["id"]][1:]
        self.assertEqual({n["replaces"] for n in updates} - {second["id"]}, set())
        self.assertNotIn(OPACITY_WARNING, helper.output())
        self.assertTrue(helper.running())
        self.finish(received=[len(messages[0])])


class WithoutDisplay(WaylandCase):
    def test_it_keeps_watching_without_display_notification_service_or_bus(self):
        # The bus case offers two applications, one after the other.
        third = self.sandbox.install(desktop.sample_app("Jotter.app", "com.example.Jotter",
                                                        "Jotter"))
        self.snapshot()
        for apps, bus in (((self.apps[0], third), True), ((self.apps[1],), False)):
            with self.subTest(bus=bus):
                session = self.session(None, bus=bus)
                monitor = desktop.BusMonitor(session) if bus else None
                helper = session.start_helper()
                helper.wait_for_output("watching the Trash", 20)
                why = "org.freedesktop.DBus.Error.ServiceUnknown" if bus else "no session bus"
                for app in apps:
                    target = self.trash(app)
                    helper.wait_for_output(f"offering {target}", 20)
                    if monitor:
                        wait_for(lambda: str(target) in monitor.moved_to_trash(), 10,
                                 "broadcast")
                    helper.wait_for_output(f"cannot show a desktop notification ({why}", 20)
                self.assert_said_once(helper, "cannot show a desktop notification")
                self.assert_said_once(helper, "cannot show panels (no display")
                self.assertTrue(helper.running())
                session.close()
        self.finish()


def differing_pixels(first, second, area):
    """How many pixels of `area` (x, y, width, height) differ between two screenshots."""
    x, y, width, height = area
    done = subprocess.run(["compare", "-metric", "AE", "-extract", f"{width}x{height}+{x}+{y}",
                           str(first), str(second), "null:"], capture_output=True, text=True)
    return int(float(done.stderr.split()[0]))


if __name__ == "__main__":
    try:
        main()
    finally:
        wayland_desktop.remove_made_users()
