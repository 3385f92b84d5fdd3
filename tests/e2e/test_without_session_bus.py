"""Without a session bus the helper still watches, offers and hands over: the main
application is then started with the message file."""
import re

from desktop_case import DesktopCase, desktop, main, wait_for


class WithoutSessionBus(DesktopCase):
    session_bus = False

    def test_the_panel_still_shows_and_uninstall_starts_the_main_application(self):
        self.sandbox.grant_full_disk_access()
        notepad = self.sandbox.install(desktop.NOTEPAD)
        self.snapshot()
        # The helper takes the files it was started with only once it watches; a
        # file of another kind is named in its log and otherwise left alone.
        marker = self.sandbox.tmp / "started.txt"
        helper = self.desktop.start_helper(arguments=[marker])
        helper.wait_for_output(f"sweepwise: app: open {marker}", 20)
        self.assertIn("sweepwise: app: warning: no session bus (", helper.output())

        in_trash = self.trash(notepad)
        window = self.desktop.wait_for_panel()
        self.desktop.click_uninstall(window)
        # The main application's side, started by the helper, prints into the
        # helper's output, which it inherits.
        wait_for(lambda: re.search(r"\.trforsa: \d+ leftovers", helper.output()), 20,
                 "leftovers printed by the main application")
        self.desktop.wait_until_hidden(window)
        messages = desktop.parse_leftovers(helper.output())
        self.assertEqual(len(messages), 1, helper.output())
        self.assertEqual(messages[0][0][3], str(in_trash))
        self.assertTrue(helper.running())
        self.finish(received=[len(messages[0])])


if __name__ == "__main__":
    main()
