"""The main application's Full Disk Access question, answered afresh each time, and
the watching of the applications folders by a helper that has no such access."""
from desktop_case import DesktopCase, desktop, main, wait_for


class FullDiskAccess(DesktopCase):
    def ask(self):
        status, out, err = self.desktop.main_app("fda", "--timeout", "10")
        self.assertEqual(status, 0, err)
        return out

    def test_answers_follow_the_sandbox_and_a_refused_helper_still_notices(self):
        self.sandbox.grant_full_disk_access()
        notepad = self.sandbox.install(desktop.NOTEPAD)
        self.snapshot()
        helper = self.desktop.start_helper()
        self.assertEqual(self.ask(), "Full Disk Access: granted\n")

        # Once the Trash cannot be listed any more, the same helper says so.
        away = self.sandbox.trash.with_name("files moved away")
        self.move(self.sandbox.trash, away)
        self.assertEqual(self.ask(), "Full Disk Access: not granted\n")
        helper.stop()
        wait_for(lambda: not self.desktop.name_owned(desktop.HELPER_ID), 10, "name released")
        self.move(away, self.sandbox.trash)

        # Started without access, the helper cannot watch the Trash; it follows the
        # applications that leave the applications folders instead.
        self.sandbox.grant_full_disk_access(False)
        monitor = desktop.BusMonitor(self.desktop)
        self.desktop.start_helper()
        self.assertEqual(self.ask(), "Full Disk Access: not granted\n")
        in_trash = self.trash(notepad)
        self.assertEqual(wait_for(monitor.moved_to_trash, 30, "broadcast"), [str(in_trash)])
        window = self.desktop.wait_for_panel()
        self.desktop.click_ignore(window)
        self.desktop.wait_until_hidden(window)
        self.finish()


if __name__ == "__main__":
    main()
