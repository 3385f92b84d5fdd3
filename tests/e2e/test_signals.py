"""SIGTERM, SIGINT and SIGHUP end the helper the ordinary way: exit status 0, its
bus name released, its temporary files gone, message files it handed over kept."""
import signal

from desktop_case import DesktopCase, desktop, desktop_clients, main, wait_for

HELPER_MESSAGES = desktop.HELPER_ID  # the helper's message folder in the temporary folder


class QuitSignals(DesktopCase):
    def files_in(self, folder):
        return sorted(str(p.relative_to(folder)) for p in folder.rglob("*") if not p.is_dir())

    def test_each_quit_signal_ends_the_helper_cleanly(self):
        apps = {number: self.sandbox.install(desktop.sample_app(
                    f"Signal{number.value}.app", f"com.example.Signal{number.value}",
                    f"Signal{number.value}"))
                for number in (signal.SIGTERM, signal.SIGINT, signal.SIGHUP)}
        self.snapshot()
        messages = self.sandbox.tmp / HELPER_MESSAGES
        for number, bundle in apps.items():
            with self.subTest(signal=number.name):
                helper = self.desktop.start_helper()
                # A message handed over earlier is the main application's to take.
                messages.mkdir(mode=0o700, exist_ok=True)
                handed_over = messages / "handed-over.trforsa"
                handed_over.write_text("already handed over\n")
                in_trash = self.trash(bundle)
                if number == signal.SIGTERM:
                    # While the knowledge-base search still runs: quitting must wait for
                    # it rather than free what it uses.
                    helper.wait_for_output(f"offering {in_trash}\n", 30)
                else:
                    # With the panel on screen, its search done.
                    helper.wait_for_output(f"leftovers ready for {in_trash}\n", 30)
                helper.process.send_signal(number)
                self.assertEqual(helper.wait(20), 0, helper.output())
                self.assertIn(f"quitting on signal {number.value}\n", helper.output())
                self.assertFalse(desktop_clients.name_owned(self.desktop))
                self.assertEqual(self.files_in(self.sandbox.tmp),
                                 [f"{HELPER_MESSAGES}/handed-over.trforsa"])
                handed_over.unlink()
        self.finish()


if __name__ == "__main__":
    main()
