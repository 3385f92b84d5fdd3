"""The uninstall finished all the way: an application goes to the Trash, "Uninstall" in
the panel opens the main application's window, "Move to Trash" moves the leftovers to
the freedesktop Trash, and the desktop's own clients list them and put one back."""
import hashlib
import os
import re
import shutil
import subprocess
import urllib.parse
from pathlib import Path

from desktop_case import DesktopCase, desktop, main, wait_for

NOTEPAD = desktop.NOTEPAD


def journal_moves(sandbox):
    """(original, in the Trash) of every item the newest journal says was moved."""
    folder = sandbox.home / "Library/Application Support/Sweepwise/Uninstalls"
    journal = sorted(folder.glob("*.journal"))[-1]
    moves = []
    for line in journal.read_bytes().split(b"\n"):
        fields = line.split(b"\t")
        if fields[0] == b"moving":
            original, trash, name = (urllib.parse.unquote_to_bytes(f) for f in fields[1:])
            moves.append((Path(os.fsdecode(original)), Path(os.fsdecode(trash)) / "files" /
                          os.fsdecode(name)))
    return journal, moves


def fingerprint(path):
    status = os.lstat(path)
    return (hashlib.sha256(Path(path).read_bytes()).hexdigest(), status.st_mode,
            status.st_mtime_ns)


class UninstallWindow(DesktopCase):
    def setUp(self):
        super().setUp()
        missing = [tool for tool in ("trash-list", "trash-restore", "gio") if not shutil.which(tool)]
        if missing:
            self.skipTest(f"missing {missing} (scripts/install-deps installs them)")
        self.sandbox.grant_full_disk_access()
        self.notepad = self.sandbox.install(NOTEPAD)
        self.sandbox.place(desktop.BYSTANDERS)
        self.snapshot()
        self.helper = self.desktop.start_helper()

    def test_move_to_trash_then_list_and_restore_with_the_desktops_clients(self):
        listener = self.desktop.start_main_listener(window=True)
        log_file = self.sandbox.library / f"Logs/{NOTEPAD.executable}.log"
        before = fingerprint(log_file)
        bundle = self.trash(self.notepad)
        panel = self.desktop.wait_for_panel()
        self.helper.wait_for_output(f"leftovers ready for {bundle}\n", 60)
        self.desktop.click_uninstall(panel)

        window = self.desktop.wait_for_uninstall_window()
        items = wait_for(lambda: desktop.parse_leftovers(listener.output()), 20,
                         "message received")[0]
        leftovers = [path for _, _, _, path in items if path != str(bundle)]
        shot = Path(os.environ.get("SWEEPWISE_SCREENSHOT_DIR", self.sandbox.path)) / \
            "uninstall-window.png"
        self.desktop.screenshot(shot)
        # "Move to Trash" is the default button: the keyboard alone finishes the uninstall.
        self.desktop.press(window, "Return")
        # The run is over once the last of them has left and the folder size cache, its
        # last step, is written.
        wait_for(lambda: not any(os.path.lexists(p) for p in leftovers), 20,
                 "leftovers in the Trash")
        wait_for(lambda: (self.sandbox.trash.parent / "directorysizes").exists(), 10,
                 "folder size cache")

        journal, moves = journal_moves(self.sandbox)
        originals = {str(original) for original, _ in moves}
        self.assertIn(str(log_file), originals)
        # The application bundle stays where it is in the Trash; only its leftovers move.
        self.assertNotIn(str(bundle), originals)
        self.assertTrue(bundle.exists())
        for original, trashed in moves:
            self.assertFalse(os.path.lexists(original), original)
            self.assertTrue(os.path.lexists(trashed), trashed)
            self.moves.append((self.sandbox.relative(original), self.sandbox.relative(trashed)))
            self.created.append(self.sandbox.relative(self.sandbox.trash_info_of(trashed)))

        # trash-cli and gio read the same Trash: every item with its place and date.
        client = self.sandbox.client_environment()
        status, out, err = self.desktop.run(["trash-list"], extra_env=client)
        self.assertEqual(status, 0, err)
        for original in originals:
            self.assertRegex(out, r"\d{4}-\d\d-\d\d \d\d:\d\d:\d\d " + re.escape(original) + "\n")
        status, out, err = self.desktop.run(
            # gio reads trash:// through the gvfs daemon, which the bus starts with its own
            # environment: a bus of its own makes the sandbox's home the daemon's.
            ["dbus-run-session", "--", "gio", "list", "-a",
             "trash::orig-path,trash::deletion-date", "trash://"],
            extra_env={**client, "GIO_USE_VFS": "gvfs"})
        self.assertEqual(status, 0, err)
        for original in originals:
            self.assertIn(f"trash::orig-path={original} trash::deletion-date=", out)

        # trash-restore puts one item back as it was, bytes, mode and times.
        restore = subprocess.run(["trash-restore", str(log_file)], input="0\n", text=True,
                                 capture_output=True, env=self.desktop.environment(client),
                                 timeout=30)
        self.assertEqual(restore.returncode, 0, restore.stdout + restore.stderr)
        self.assertEqual(fingerprint(log_file), before)
        for pair in [m for m in self.moves if m[0] == self.sandbox.relative(log_file)]:
            self.moves.remove(pair)
            self.created.remove(self.sandbox.relative(self.sandbox.trash_info_of(
                self.sandbox.path / pair[1])))

        # What the uninstall itself left: its journal, the lock and the folder size cache.
        uninstalls = journal.parent
        for path in (uninstalls.parent, uninstalls, uninstalls / ".lock", journal,
                     self.sandbox.trash.parent / "directorysizes",
                     self.sandbox.home / "Library/Application Support"):
            if os.path.lexists(path):
                self.created.append(self.sandbox.relative(path))
        listener.stop()
        self.finish(received=[len(desktop.parse_leftovers(listener.output())[0])])


if __name__ == "__main__":
    main()
