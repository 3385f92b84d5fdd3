"""The main application's exclusions silence the helper for the applications it
removes itself, and the clear command lifts them five seconds later."""
import time

from desktop_case import DesktopCase, desktop, main, wait_for

CLEARING_DELAY = 5.0


class Exclusions(DesktopCase):
    def setUp(self):
        super().setUp()
        self.sandbox.grant_full_disk_access()
        install = self.sandbox.install
        self.apps = {
            "PixelPaint": install(desktop.PIXELPAINT),
            "Notepad": install(desktop.NOTEPAD),
        }
        for name in ("PixelPaint Beta", "PixelPaint 2", "PixelPaint Pro", "Scribe"):
            identifier = "com.example." + name.replace(" ", "")
            self.apps[name] = install(desktop.sample_app(f"{name}.app", identifier,
                                                         name.replace(" ", "")))
        self.snapshot()
        self.monitor = desktop.BusMonitor(self.desktop)
        self.helper = self.desktop.start_helper()

    def main_app(self, *arguments):
        status, out, err = self.desktop.main_app(*arguments)
        self.assertEqual(status, 0, err)
        return out

    def announced_with(self, control, count):
        """Waits until `control` is announced and its panel shows, dismisses the
        panel, and answers the announcements from `count` on and when `control`'s
        was seen."""
        wait_for(lambda: str(control) in self.monitor.moved_to_trash(), 20,
                 f"announcement of {control.name}")
        seen = time.monotonic()
        window = self.desktop.wait_for_panel()
        self.desktop.click_ignore(window)
        self.desktop.wait_until_hidden(window)
        return self.monitor.moved_to_trash()[count:], seen

    def test_exclusions_silence_names_until_cleared(self):
        out = self.main_app("exclude", "/Applications/PixelPaint.app")
        self.assertEqual(out, "sent an exclusion of 1 path to the helper\n")
        wait_for(lambda: not self.sandbox.message_files(), 10, "command taken by the helper")

        # The excluded name and a longer one that begins with it are silenced; an
        # application moved in the same burst shows that the helper did look.
        self.trash(self.apps["PixelPaint"])
        self.trash(self.apps["PixelPaint Beta"])
        notepad = self.trash(self.apps["Notepad"])
        self.assertEqual(self.announced_with(notepad, 0)[0], [str(notepad)])

        # The clear command takes effect five seconds after it arrived ...
        self.main_app("clear-exclusions")
        cleared_at = time.monotonic()
        self.trash(self.apps["PixelPaint 2"])
        scribe = self.trash(self.apps["Scribe"])
        announced, seen = self.announced_with(scribe, 1)
        self.assertLess(seen - cleared_at, CLEARING_DELAY,
                        "the helper looked too late for this test to tell")
        self.assertEqual(announced, [str(scribe)])

        # ... and then the name is announced and offered again.
        time.sleep(max(0.0, cleared_at + CLEARING_DELAY + 0.5 - time.monotonic()))
        pro = self.trash(self.apps["PixelPaint Pro"])
        self.assertEqual(self.announced_with(pro, 2)[0], [str(pro)])
        self.finish()


if __name__ == "__main__":
    main()
