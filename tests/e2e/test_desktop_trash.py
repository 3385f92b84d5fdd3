"""The freedesktop Trash as Linux users fill it: `gio trash` and `trash-put` move the
bundle, under whatever name the Trash gives it, into the home Trash or a volume's own;
gdbus hears the broadcast. Also a session where only HOME says whose it is."""
import os
import time

from desktop_case import DesktopCase, desktop, desktop_clients, main, wait_for

NOTEPAD, PIXELPAINT = desktop.NOTEPAD, desktop.PIXELPAINT


class FreedesktopTrash(DesktopCase):
    def setUp(self):
        missing = desktop_clients.missing_tools()
        if missing:
            self.fail(f"missing {', '.join(missing)}: run scripts/install-deps")
        super().setUp()

    def see_offered(self, helper, monitor, in_trash, count):
        self.assertEqual(monitor.wait_for_moved(count)[-1], str(in_trash))
        window = self.desktop.wait_for_panel()
        helper.wait_for_output(f"offering {in_trash}\n", 20)
        self.desktop.click_ignore(window)
        self.desktop.wait_until_hidden(window)

    def test_gio_and_trash_put_reach_the_helper_under_any_name(self):
        first = self.sandbox.install(NOTEPAD)
        # Further copies of the same name wait outside the applications folders, where
        # they do not count as installed.
        copies = [self.sandbox.install(NOTEPAD, with_leftovers=False,
                                       folder=self.sandbox.home / "Downloads" / str(n))
                  for n in (1, 2)]
        scribe = self.sandbox.install(desktop.sample_app("Scribe.app", "com.example.Scribe",
                                                         "Scribe"))
        stick = self.sandbox.volume("Stick")
        volume_trash = self.sandbox.volume_trash(stick)
        volume_trash.mkdir(parents=True)
        (volume_trash.parent / "info").mkdir()
        on_stick = self.sandbox.install(PIXELPAINT, folder=stick)
        self.snapshot()
        helper = self.desktop.start_helper()
        monitor = desktop_clients.GdbusMonitor(self.desktop)
        for line in (f"watching the Trash {self.sandbox.trash} (with Full Disk Access)\n",
                     f"watching a volume's Trash {volume_trash} (with Full Disk Access)\n"):
            self.assertIn(line, helper.output())

        _, in_trash = self.trash_with("gio", first)
        self.assertEqual(in_trash, self.sandbox.trash / NOTEPAD.folder)
        self.see_offered(helper, monitor, in_trash, 1)

        # The same name again: gio gives it a new one in the Trash.
        _, in_trash = self.trash_with("gio", copies[0])
        self.assertEqual(in_trash.name, "Notepad Deluxe.2.app")
        self.see_offered(helper, monitor, in_trash, 2)

        _, in_trash = self.trash_with("trash-put", scribe)
        self.assertEqual(in_trash, self.sandbox.trash / "Scribe.app")
        self.see_offered(helper, monitor, in_trash, 3)
        # trash-put puts its number after the extension; the .trashinfo tells.
        _, in_trash = self.trash_with("trash-put", copies[1])
        self.assertEqual(in_trash.name, "Notepad Deluxe.app_1")
        self.see_offered(helper, monitor, in_trash, 4)

        # The Trash of the volume the bundle lies on; the helper's own Trash is
        # nowhere in this: the bundle is renamed within its volume.
        in_volume_trash = self.trash(on_stick, trash=volume_trash)
        self.see_offered(helper, monitor, in_volume_trash, 5)
        self.finish()

    def test_a_desktop_session_with_only_home_set(self):
        """The helper as a user's session starts it: no sandbox variables, HOME is the
        test's home, and the Trash is wherever gio and trash-put put things. Prints
        how long after the quiet delay the panel came."""
        apps = self.sandbox.home / "Applications"
        bundles = {client: self.sandbox.install(app, folder=apps)
                   for client, app in (("gio", NOTEPAD), ("trash-put", PIXELPAINT))}
        helper = desktop_clients.start_in_session(self.desktop, self.sandbox.home)
        wait_for(lambda: desktop_clients.name_owned(self.desktop), 20, "helper on the bus")
        trash = self.sandbox.home / ".local/share/Trash/files"
        self.assertIn(f"watching the Trash {trash} (with Full Disk Access)\n", helper.output())
        monitor = desktop_clients.GdbusMonitor(self.desktop)
        session = {"HOME": str(self.sandbox.home),
                   "XDG_DATA_HOME": str(self.sandbox.home / ".local/share")}

        for count, (client, bundle) in enumerate(bundles.items(), start=1):
            done, in_trash = desktop_clients.trash_with(self.desktop, client, bundle, session)
            window = self.desktop.wait_for_panel(interval=0.005)
            shown = time.monotonic()
            # The helper lists the Trash once it has been quiet for 2 seconds.
            print(f"\n{client}: panel {1000 * (shown - done - 2.0):.0f} ms after the quiet "
                  "delay", flush=True)
            self.assertEqual(monitor.wait_for_moved(count)[-1], str(in_trash))
            self.desktop.click_ignore(window)
            self.desktop.wait_until_hidden(window)

        desktop_clients.ask_full_disk_access(self.desktop)
        self.assertEqual(wait_for(monitor.access_answers, 20, "answer"),
                         ["{'isAccessGranted': <true>}"])
        self.assertTrue(helper.running())
        self.assertEqual(self.desktop.failed_programs(), [])

    def test_the_log_says_what_is_watched_and_warns_when_nothing_is(self):
        self.sandbox.grant_full_disk_access(False)
        os.rmdir(self.sandbox.applications)
        helper = self.desktop.start_helper()
        for folder in (self.sandbox.home / "Applications", self.sandbox.applications):
            self.assertIn(f"watching the applications folder {folder} (without Full Disk "
                          "Access: applications moved from it to the Trash), not there yet\n",
                          helper.output())
        self.assertIn("warning: none of the watched folders exists", helper.output())
        self.snapshot()
        self.finish()


if __name__ == "__main__":
    main()
