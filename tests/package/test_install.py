"""The programs as users get them: `cmake --install` into a prefix whose name holds
spaces, and the Debian package installed with apt-get, upgraded, and removed again
while its helper runs, leaving nothing of itself on the system.

Installing the package changes the machine, so that test runs only as root and only
where it is asked for (CI=true, or SWEEPWISE_PACKAGE_TEST=1), and is skipped otherwise."""
import os
import re
import shutil
import signal
import subprocess
import sys
import tempfile
import unittest
from pathlib import Path

sys.dont_write_bytecode = True
sys.path.insert(0, str(Path(__file__).resolve().parents[1] / "e2e"))

from desktop_case import DesktopCase, desktop, main, wait_for  # noqa: E402

REPO = Path(__file__).resolve().parents[2]
PACKAGE = "sweepwise"
APP_ID = "com.halvorn.Sweepwise-SIII"
ENTRY = f".config/autostart/{desktop.HELPER_ID}.desktop"
HELPER_IN_BUNDLE = "Contents/Library/LoginItems/SweepwiseHelper.app"
# Where a package could leave something behind, searched before and after.
SEARCHED = ("/usr", "/etc", "/opt", "/var/lib/dpkg/info")
ALLOWED = os.geteuid() == 0 and (os.environ.get("CI") == "true" or
                                 os.environ.get("SWEEPWISE_PACKAGE_TEST") == "1")


def run(argv, **kwargs):
    done = subprocess.run([str(a) for a in argv], capture_output=True, text=True,
                          stdin=subprocess.DEVNULL, **kwargs)
    if done.returncode != 0:
        raise AssertionError(f"{' '.join(map(str, argv))}: status {done.returncode}\n"
                             f"{done.stdout}{done.stderr}")
    return done.stdout


def apt_get(*arguments):
    # Another apt run (a developer's install-deps) may hold the lock for a while.
    return run(["apt-get", "-y", "-q", "-o", "DPkg::Lock::Timeout=300", *arguments],
               env=os.environ | {"DEBIAN_FRONTEND": "noninteractive"}, timeout=600)


def ours_on_the_system():
    """Every path below the searched folders whose name is one of ours."""
    found = set()
    for top in SEARCHED:
        for folder, folders, files in os.walk(top):
            for name in folders + files:
                if "sweepwise" in name.lower():
                    found.add(os.path.join(folder, name))
    return found


def known_to_dpkg():
    return subprocess.run(["dpkg", "-L", PACKAGE], capture_output=True).returncode == 0


def entry_target(entry):
    """The program the autostart entry starts: its Exec line's first argument."""
    exec_line = re.search(r"^Exec=(.*)$", entry.read_text(), re.M).group(1)
    return Path(exec_line.split('"')[1].replace("\\\\", "\\"))


class Installed(DesktopCase):
    def valid_entry(self):
        entry = self.sandbox.home / ENTRY
        status, out, err = self.desktop.run(["desktop-file-validate", entry])
        self.assertEqual((status, out + err), (0, ""), entry.read_text())
        return entry

    def login_item_on(self, main_program):
        status, out, err = self.desktop.run([main_program, "login-item", "on"])
        self.assertEqual(status, 0, out + err)
        return self.valid_entry()

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
        wait_for(lambda: not self.desktop.name_owned(desktop.HELPER_ID), 20, "the helper gone")

    def login_item_off(self, main_program):
        status, out, err = self.desktop.run([main_program, "login-item", "off"])
        self.assertEqual(status, 0, out + err)
        (self.sandbox.home / ENTRY).parent.rmdir()
        (self.sandbox.home / ".config").rmdir()

    def trash_and_see_it_offered(self, monitor, bundle):
        in_trash = self.trash(bundle)
        wait_for(lambda: str(in_trash) in monitor.moved_to_trash(), 20, "broadcast")
        window = self.desktop.wait_for_panel()
        self.desktop.click_ignore(window)
        self.desktop.wait_until_hidden(window)

    def test_cmake_install_into_a_prefix_with_spaces(self):
        prefix = self.sandbox.path / "my programs" / "Sweep wise"
        run(["cmake", "--install", desktop.build_folder(), "--prefix", prefix], timeout=120)
        main_program = prefix / "bin/sweepwise"
        bundle = main_program.resolve().parents[2]
        self.assertEqual(bundle.name, "Sweepwise.app")
        self.assertTrue((bundle / "Contents/Resources/auth.cer").is_file())
        notepad = self.sandbox.install(desktop.NOTEPAD)
        self.snapshot()
        monitor = desktop.BusMonitor(self.desktop)

        # What the menu entry runs: the login item on, and the helper started now.
        # The helper it starts keeps its output, so that goes to a log, not to a pipe.
        starter = self.desktop.start("start", [main_program, "start"])
        self.assertEqual(starter.wait(20), 0, starter.output())
        pid = wait_for(self.helper_pid, 30, "the started helper on the bus")
        self.addCleanup(self.stop, pid)
        helper = bundle / HELPER_IN_BUNDLE / "Contents/MacOS/SweepwiseHelper"
        self.assertEqual(os.readlink(f"/proc/{pid}/exe"), str(helper))
        self.assertEqual(entry_target(self.valid_entry()), helper)
        self.trash_and_see_it_offered(monitor, notepad)
        self.stop(pid)
        self.login_item_off(main_program)
        self.finish()

    @unittest.skipUnless(ALLOWED, "changes the machine: as root, with CI=true or "
                                  "SWEEPWISE_PACKAGE_TEST=1")
    def test_the_package_installs_upgrades_and_goes_without_a_trace(self):
        self.assertFalse(known_to_dpkg(), f"{PACKAGE} is installed already")
        output = Path(tempfile.mkdtemp(prefix="sweepwise-package-"))
        self.addCleanup(shutil.rmtree, output)
        env = os.environ | {"SWEEPWISE_BUILD_DIR": str(desktop.build_folder())}
        run([REPO / "scripts/package", "--output", output], env=env, timeout=300)
        deb, = output.glob(f"{PACKAGE}_*.deb")
        self.check_package(deb, output / "contents")
        upgrade = self.upgraded_package(deb, output / "upgrade")

        # What the package holds, and which of its folders the system had already.
        contents = output / "contents"
        paths = {Path("/", p.relative_to(contents)) for p in contents.rglob("*")}
        existed = {p for p in paths if p.exists()}
        before = ours_on_the_system()
        self.addCleanup(lambda: known_to_dpkg() and apt_get("remove", PACKAGE))
        apt_get("install", deb)
        files = {Path(p) for p in run(["dpkg", "-L", PACKAGE]).split("\n") if p} - {Path("/.")}
        self.assertEqual(files, paths, "dpkg -L against the package's contents")
        main_program = Path("/usr/bin/sweepwise")
        bundle = main_program.resolve().parents[2]
        self.assertIn(bundle, files)

        notepad = self.sandbox.install(desktop.NOTEPAD)
        pixelpaint = self.sandbox.install(desktop.PIXELPAINT)
        # The main application's settings: the package never touches them (finish()).
        self.sandbox.place({f"Preferences/{APP_ID}.plist": None})
        self.snapshot()
        entry = self.login_item_on(main_program)
        self.assertEqual(entry_target(entry),
                         bundle / HELPER_IN_BUNDLE / "Contents/MacOS/SweepwiseHelper")
        monitor = desktop.BusMonitor(self.desktop)
        helper = self.desktop.start_helper(bundle / HELPER_IN_BUNDLE)
        self.trash_and_see_it_offered(monitor, notepad)

        # An upgrade replaces the files, not the bundle: the helper keeps working,
        # and the login item still starts an installed helper.
        apt_get("install", upgrade)
        self.assertTrue(os.access(entry_target(entry), os.X_OK))
        self.trash_and_see_it_offered(monitor, pixelpaint)
        self.assertTrue(helper.running())

        # Removing the package takes the helper's bundle away: the helper quits.
        apt_get("remove", PACKAGE)
        self.assertEqual(helper.wait(20), 0, helper.output())
        self.assertFalse(known_to_dpkg())
        left = sorted(str(p) for p in files if os.path.lexists(p) and p not in existed)
        self.assertEqual(left, [], "files of the package left after its removal")
        self.assertEqual(sorted(ours_on_the_system() - before), [], "left on the system")

        # The login item is the user's: it stays, naming a helper that is gone, and the
        # main program of another copy still turns it off.
        self.assertFalse(entry_target(entry).exists())
        self.login_item_off(desktop.main_executable())
        self.finish()

    def check_package(self, deb, contents):
        version, depends = (run(["dpkg-deb", "-f", deb, field]).strip()
                            for field in ("Version", "Depends"))
        self.assertEqual(version, os.environ["SWEEPWISE_VERSION"])
        # Computed from the programs' libraries, not written by hand.
        for library in ("libqt6widgets6", "libqt6dbus6", "libplist", "libssl3", "libc6"):
            self.assertIn(library, depends)
        # Also the fields, the copyright file, the manual page and the icons' sizes.
        run(["lintian", "--fail-on", "error,warning", "--tag-display-limit", "0", deb],
            timeout=300)
        run(["dpkg-deb", "-x", deb, contents])
        share = contents / "usr/share"
        run(["desktop-file-validate", share / f"applications/{APP_ID}.desktop"])
        run(["appstreamcli", "validate", "--no-net",
             share / f"metainfo/{APP_ID}.metainfo.xml"])

    @staticmethod
    def upgraded_package(deb, folder):
        """The same package under a higher version, as the next release would be."""
        version = run(["dpkg-deb", "-f", deb, "Version"]).strip()
        folder.mkdir()
        run(["dpkg-deb", "-R", deb, folder / "tree"])
        control = folder / "tree/DEBIAN/control"
        control.write_text(control.read_text().replace(f"Version: {version}",
                                                       f"Version: {version}+1"))
        upgrade = folder / f"{PACKAGE}_{version}+1.deb"
        run(["dpkg-deb", "--root-owner-group", "-b", folder / "tree", upgrade])
        return upgrade


if __name__ == "__main__":
    main()
