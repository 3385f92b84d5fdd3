"""The login item starts the helper from wherever the application was put: for folders
whose names hold spaces, quotes, backslashes, "$", "%" and letters beyond ASCII, the
autostart entry that `Sweepwise login-item on` writes passes desktop-file-validate,
and `gio launch` starts the helper of that copy."""
import os
import shutil
import signal

from desktop_case import DesktopCase, desktop, main, wait_for

FOLDERS = (
    "Sweep wise",
    "Quotes \"one\" and 'two'",
    "Back\\slash and $HOME and `date`",
    "100% and %f",
    "Grüße ε 日本",
)
ENTRY = ".config/autostart/com.halvorn.Sweepwise-SIII-Helper.desktop"


class LoginItem(DesktopCase):
    def setUp(self):
        super().setUp()
        for tool in ("desktop-file-validate", "gio"):
            if not shutil.which(tool):
                raise RuntimeError(f"missing {tool}: run scripts/install-deps")
        self.snapshot()

    def helper_pid(self):
        status, out, _ = self.desktop.run([
            "dbus-send", "--session", "--print-reply", "--dest=org.freedesktop.DBus",
            "/org/freedesktop/DBus", "org.freedesktop.DBus.GetConnectionUnixProcessID",
            f"string:{desktop.HELPER_ID}"])
        return int(out.split()[-1]) if status == 0 else None

    def stop(self, pid):
        try:
            os.kill(pid, signal.SIGTERM)
        except ProcessLookupError:
            return
        wait_for(lambda: not self.desktop.name_owned(desktop.HELPER_ID), 20,
                 "the launched helper gone")

    def test_the_entry_starts_the_helper_wherever_it_lies(self):
        entry = self.sandbox.home / ENTRY
        for folder in FOLDERS:
            with self.subTest(folder=folder):
                bundle = self.sandbox.path / "installed" / folder / "Sweepwise.app"
                shutil.copytree(desktop.main_bundle(), bundle, symlinks=True)
                status, out, err = self.desktop.run(
                    [bundle / "Contents/MacOS/Sweepwise", "login-item", "on"])
                self.assertEqual(status, 0, out + err)

                status, out, err = self.desktop.run(["desktop-file-validate", entry])
                self.assertEqual((status, out + err), (0, ""), entry.read_text())
                # The helper inherits gio's output, so it goes to a log, not to a pipe.
                launch = self.desktop.start("gio", ["gio", "launch", entry])
                self.assertEqual(launch.wait(20), 0, launch.output() + entry.read_text())
                pid = wait_for(self.helper_pid, 30, "the launched helper on the bus")
                self.addCleanup(self.stop, pid)
                executable = desktop.helper_executable(
                    bundle / "Contents/Library/LoginItems/SweepwiseHelper.app")
                self.assertEqual(os.readlink(f"/proc/{pid}/exe"), str(executable))
                self.stop(pid)
                shutil.rmtree(bundle)

        status, out, err = self.desktop.main_app("login-item", "off")
        self.assertEqual(status, 0, out + err)
        self.assertFalse(entry.exists())
        # The folders that "on" made stay, empty.
        entry.parent.rmdir()
        entry.parent.parent.rmdir()
        self.finish()


if __name__ == "__main__":
    main()
