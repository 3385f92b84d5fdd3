"""Under a real window manager (openbox) the panel stands on top of the window the user
works in, in the primary screen's top-right corner, and leaves the keyboard focus where
it was: for the first notification and for every one after a dismissed one. The
scenarios of test_trash_to_panel run under it as well."""
import test_trash_to_panel as plain
from desktop_case import DesktopCase, desktop, main, wait_for


class TrashToPanelUnderOpenbox(plain.TrashToPanel):
    window_manager = "openbox"


class PanelUnderOpenbox(DesktopCase):
    window_manager = "openbox"

    def setUp(self):
        super().setUp()
        self.sandbox.grant_full_disk_access()
        self.apps = [self.sandbox.install(app) for app in (desktop.NOTEPAD, desktop.PIXELPAINT)]
        self.snapshot()
        self.helper = self.desktop.start_helper()
        # The user's window, active and lying under the panel's corner.
        self.desktop.start("xmessage", ["xmessage", "-geometry", "900x400+340+0",
                                        "-buttons", "", "The window the user works in"])
        self.editor = wait_for(lambda: self.windows_of_class("xmessage")[:1], 20,
                               "the user's window")[0]
        wait_for(lambda: self.active_window() == self.editor, 20, "the user's window active")

    def windows_of_class(self, name):
        status, out, _ = self.desktop.xdotool("search", "--onlyvisible", "--class", name)
        return out.split() if status == 0 else []

    def active_window(self):
        status, out, _ = self.desktop.xdotool("getactivewindow")
        return out.strip() if status == 0 else None

    def stacking(self):
        """The managed windows from bottom to top, as decimal ids like xdotool's."""
        _, out, _ = self.desktop.run(["xprop", "-root", "_NET_CLIENT_LIST_STACKING"])
        return [str(int(word.strip(","), 16)) for word in out.split("#")[-1].split()]

    def above(self, window, other):
        order = self.stacking()
        return window in order and other in order and order.index(window) > order.index(other)

    def test_every_notification_is_on_top_and_leaves_the_focus(self):
        for number, app in enumerate(self.apps, 1):
            with self.subTest(notification=number):
                self.trash(app)
                window = self.desktop.wait_for_panel()
                wait_for(lambda: self.above(window, self.editor), 10, "panel above the window")
                self.assert_panel_at_top_right(window, (401, 139))
                self.assertEqual(self.active_window(), self.editor)
                # A click lands on the panel, not on the window under it.
                self.desktop.click_ignore(window)
                self.desktop.wait_until_hidden(window)
                # The user goes back to work: their window comes to the front.
                self.desktop.xdotool("windowactivate", "--sync", self.editor)
                wait_for(lambda: self.stacking()[-1:] == [self.editor], 10,
                         "the user's window on top")
        self.assertTrue(self.helper.running())
        self.finish()


if __name__ == "__main__":
    main()
