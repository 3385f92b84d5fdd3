"""A thousand applications reach the Trash within a second. The panel fades in again
for every one that joins it while the earlier fade-ins still run, on a screen with a
compositor: the helper stays up, answers on the bus while it works through them, and
hands every one of them to the main application."""
import os
import re
import time

from desktop_case import DesktopCase, desktop, main, wait_for

# SWEEPWISE_BULK_COUNT makes a smaller or larger burst for a quick look.
COUNT = int(os.environ.get("SWEEPWISE_BULK_COUNT", "1000"))
# Every search loads the knowledge base; under the sanitizers a thousand take minutes.
SEARCHES_TIMEOUT = float(os.environ.get("SWEEPWISE_BULK_TIMEOUT", "900"))


class BulkArrivals(DesktopCase):
    def setUp(self):
        super().setUp()
        self.sandbox.grant_full_disk_access()
        self.bundles = [
            self.sandbox.install(desktop.sample_app(f"Bulk Tool {n:04}.app",
                                                    f"com.example.bulk.tool{n:04}",
                                                    f"BulkTool{n:04}"),
                                 with_leftovers=False)
            for n in range(COUNT)]
        self.snapshot()
        self.helper = self.desktop.start_helper()

    def ready(self):
        return self.helper.output().count("leftovers ready for ")

    def assert_answers_on_the_bus(self):
        status, out, err = self.desktop.main_app("fda", "--timeout", "20", timeout=60)
        self.assertEqual(status, 0, f"the helper did not answer: {out}{err}")

    def test_a_thousand_applications_at_once(self):
        listener = self.desktop.start_main_listener()
        trashed = [self.trash(bundle) for bundle in self.bundles]

        window = self.desktop.wait_for_panel(timeout=120)
        # The searches come back one by one, each fading the panel in anew.
        deadline = time.monotonic() + SEARCHES_TIMEOUT
        while self.ready() < COUNT:
            self.assertTrue(self.helper.running(), "the helper ended")
            self.assertLess(time.monotonic(), deadline,
                            f"only {self.ready()} of {COUNT} searches came back")
            self.assert_answers_on_the_bus()
            time.sleep(1)
        # The last fade-in ends a second after the last search.
        time.sleep(3)
        self.assertTrue(self.helper.running(), "the helper ended")
        self.assert_answers_on_the_bus()
        self.assert_panel_at_top_right(window, (415, 255))

        self.desktop.click_uninstall(window)

        def whole_message():
            text = listener.output()
            header = re.search(r"\.trforsa: (\d+) leftovers?$", text, re.MULTILINE)
            messages = desktop.parse_leftovers(text)
            if header and messages and len(messages[0]) == int(header.group(1)):
                return messages
            return None

        messages = wait_for(whole_message, 120, "message at the main application")
        self.desktop.wait_until_hidden(window)
        self.assertEqual(len(messages), 1)
        offered = [path for group, _, _, path in messages[0] if group == "binaries"]
        self.assertEqual(sorted(offered), sorted(str(bundle) for bundle in trashed))
        listener.stop()
        self.finish(received=[len(messages[0])])


if __name__ == "__main__":
    main()
