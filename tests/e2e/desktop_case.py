"""The base of the end-to-end tests: every test gets a fresh sandbox and a desktop of
its own (scripts/desktop.py), and ends by checking that the sandbox holds exactly the
files it should."""
import os
import signal
import sys
import unittest
from pathlib import Path

# The harness is imported from the source tree, which stays free of caches.
sys.dont_write_bytecode = True
sys.path.insert(0, str(Path(__file__).resolve().parents[2] / "scripts"))

import desktop  # noqa: E402  (found through the path above)
import desktop_clients  # noqa: E402
from desktop import wait_for  # noqa: E402,F401


class DesktopCase(unittest.TestCase):
    # Tests without a session bus set this to False.
    session_bus = True
    # Tests under a real window manager name it here ("openbox").
    window_manager = None

    def setUp(self):
        self.sandbox = desktop.Sandbox(prefix="sweepwise-e2e-")
        self.desktop = desktop.Desktop(self.sandbox, bus=self.session_bus,
                                       window_manager=self.window_manager)
        self.addCleanup(self.desktop.close)
        self.moves = []
        # Files the test's own steps make (the Trash's .trashinfo of each trashed item).
        self.created = []
        self.before = None

    def run(self, result=None):
        result = result if result is not None else self.defaultTestResult()
        failed, erred = len(result.failures), len(result.errors)
        super().run(result)
        sandbox = getattr(self, "sandbox", None)
        if sandbox is None:
            return result
        new = result.failures[failed:] + result.errors[erred:]
        if new:
            # The reason first: CI shows the beginning of a long output and its end.
            for _, reason in new:
                print(f"----- the failure\n{reason.strip()}", file=sys.stderr)
            self._print_logs(sandbox)
        if os.environ.get("SWEEPWISE_KEEP_SANDBOX"):
            print(f"sandbox kept: {sandbox.path}", file=sys.stderr)
        else:
            sandbox.remove()
        return result

    @staticmethod
    def _print_logs(sandbox):
        for log in sorted(sandbox.logs.glob("*.log")):
            text = log.read_text(errors="replace").strip()
            if text:
                print(f"----- {log.name}\n{text[-3000:]}", file=sys.stderr)

    # Steps ------------------------------------------------------------------

    def snapshot(self):
        """Remembers every file of the sandbox's home and root folders; the test's
        own moves are recorded by trash()."""
        self.before = self.sandbox.listing()

    def trash(self, bundle, name=None, trash=None):
        target = self.sandbox.move_to_trash(bundle, name, trash)
        self.moves.append((self.sandbox.relative(bundle), self.sandbox.relative(target)))
        self.created.append(self.sandbox.relative(self.sandbox.trash_info_of(target)))
        return target

    def trash_with(self, client, bundle):
        """Trashes `bundle` with a real client ("gio" or "trash-put") as the sandbox's
        user; answers when the client was done and where the bundle went."""
        done, target = desktop_clients.trash_with(self.desktop, client, bundle,
                                                  self.sandbox.client_environment())
        self.moves.append((self.sandbox.relative(bundle), self.sandbox.relative(target)))
        self.created.append(self.sandbox.relative(self.sandbox.trash_info_of(target)))
        return done, target

    def move(self, source, target):
        os.rename(source, target)
        self.moves.append((self.sandbox.relative(source), self.sandbox.relative(target)))

    def finish(self, received=()):
        """Stops every program, then checks that they deleted, created and changed
        nothing in the home and root folders, and took every message file they were
        sent. The main application's log of the messages it received is the one file
        that may appear; `received` are the numbers of items of the messages it must
        hold, in order."""
        self.assertEqual(self.desktop.failed_programs(), [], "programs that failed")
        self.desktop.close()
        self.assertIsNotNone(self.before, "the test took no snapshot")
        expected = desktop.moved_listing(self.before, self.moves)
        actual = self.sandbox.listing()
        for relative in self.created:
            expected[relative] = actual.get(relative)
        log = self.sandbox.received_log()
        if received:
            counts = [len(items) for items in desktop.parse_leftovers(log.read_text())]
            self.assertEqual(counts, list(received), "messages in the received log")
            for folder in log.relative_to(self.sandbox.home).parents[:-1]:
                expected.setdefault(self.sandbox.relative(self.sandbox.home / folder),
                                    ("folder", ""))
            expected[self.sandbox.relative(log)] = actual.get(self.sandbox.relative(log))
        self.assertEqual(sorted(set(expected) - set(actual)), [], "items that vanished")
        self.assertEqual(sorted(set(actual) - set(expected)), [], "items that appeared")
        changed = sorted(k for k in expected if expected[k] != actual[k])
        self.assertEqual(changed, [], "items that changed")
        self.assertEqual(self.sandbox.message_files(), [], "message files nobody took")

    # Observations ------------------------------------------------------------

    def assert_panel_at_top_right(self, window, size):
        x, y, width, height = self.desktop.geometry(window)
        self.assertEqual((width, height), size)
        self.assertEqual((x, y), (desktop.SCREEN[0] - 20 - width, 40))

    def assert_no_panel_for(self, seconds):
        """Nothing appears for `seconds`: a negative result needs the whole wait."""
        try:
            window = wait_for(lambda: self.desktop.panel_windows(), seconds, "panel",
                              interval=0.1)
        except desktop.Timeout:
            return
        self.fail(f"a panel appeared: {window}")


def main():
    # A test that is ended from outside (ctest's timeout sends SIGTERM) still stops
    # the programs it started, which run in sessions of their own.
    for number in (signal.SIGTERM, signal.SIGHUP):
        signal.signal(number, signal.default_int_handler)
    try:
        unittest.main(verbosity=2)
    finally:
        for session in desktop.open_desktops():
            session.close()
            if not os.environ.get("SWEEPWISE_KEEP_SANDBOX"):
                session.sandbox.remove()
