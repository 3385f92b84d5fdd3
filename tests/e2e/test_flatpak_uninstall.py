"""A Flatpak application uninstalled with the real `flatpak` command is offered in the
panel, named as its menu entry names it; "Uninstall" hands its sandbox data and its
overrides to the main application. The application is built offline into a local
repository; the test runs in the normal build only and needs `flatpak`."""
import base64
import os
import shutil
import subprocess
import time
import unittest
from pathlib import Path

from desktop_case import DesktopCase, desktop, main, wait_for

APP_ID = "org.test.Hello"
# A 1x1 PNG, which flatpak's icon check accepts.
ICON = base64.b64decode("iVBORw0KGgoAAAANSUhEUgAAAAEAAAABCAYAAAAfFcSJAAAADUlEQVR42mNkYPhf"
                        "DwAChwGA60e6kgAAAABJRU5ErkJggg==")


def sanitized_build():
    cache = Path(os.environ.get("SWEEPWISE_BUILD_DIR", "")) / "CMakeCache.txt"
    return cache.exists() and "SWEEPWISE_SANITIZE:STRING=\n" not in cache.read_text()


def sandboxing_works():
    """flatpak checks exported icons inside bwrap, which needs user namespaces."""
    try:
        return subprocess.run(["bwrap", "--ro-bind", "/", "/", "true"], timeout=20,
                              capture_output=True).returncode == 0
    except (OSError, subprocess.TimeoutExpired):
        return False


@unittest.skipIf(shutil.which("flatpak") is None, "flatpak is not installed")
@unittest.skipIf(not sandboxing_works(), "bwrap cannot make a sandbox here")
@unittest.skipIf(sanitized_build(), "the real-tool tests run in the normal build only")
class FlatpakUninstall(DesktopCase):
    def flatpak(self, *arguments):
        env = dict(os.environ, HOME=str(self.sandbox.home),
                   XDG_DATA_HOME=str(self.sandbox.data_home),
                   FLATPAK_SYSTEM_DIR=str(self.build / "system"),
                   FLATPAK_CONFIG_DIR=str(self.build / "config"))
        run = subprocess.run(["flatpak", *arguments], env=env, timeout=120, text=True,
                             stdout=subprocess.PIPE, stderr=subprocess.STDOUT)
        self.assertEqual(run.returncode, 0, f"flatpak {' '.join(arguments)}: {run.stdout}")

    def setUp(self):
        super().setUp()
        self.build = Path(self.sandbox.tmp) / "flatpak-build"
        runtime, app, repo = self.build / "runtime", self.build / "app", self.build / "repo"
        (runtime / "files/bin").mkdir(parents=True)
        (runtime / "usr").mkdir()
        (runtime / "metadata").write_text(
            "[Runtime]\nname=org.test.Platform\nruntime=org.test.Platform/x86_64/stable\n"
            "sdk=org.test.Platform/x86_64/stable\n")
        self.flatpak("build-export", "--runtime", "--files=files", str(repo), str(runtime),
                     "stable")
        self.flatpak("--user", "remote-add", "--no-gpg-verify", "test-repo", str(repo))
        self.flatpak("--user", "install", "-y", "--noninteractive", "test-repo",
                     "org.test.Platform")
        self.flatpak("build-init", str(app), APP_ID, "org.test.Platform", "org.test.Platform",
                     "stable")
        share = app / "files/share"
        (share / "applications").mkdir(parents=True)
        (share / "icons/hicolor/64x64/apps").mkdir(parents=True)
        (app / "files/bin").mkdir(parents=True, exist_ok=True)
        (app / "files/bin/hello").write_text("#!/bin/sh\necho hello\n")
        (share / "applications" / f"{APP_ID}.desktop").write_text(
            f"[Desktop Entry]\nType=Application\nName=Hello World\nExec=hello\nIcon={APP_ID}\n")
        (share / "icons/hicolor/64x64/apps" / f"{APP_ID}.png").write_bytes(ICON)
        self.flatpak("build-finish", str(app), "--command=hello", "--filesystem=~/.hello")
        self.flatpak("build-export", str(repo), str(app), "stable")
        self.app, self.repo = app, repo

    def test_uninstalling_offers_sandbox_data_and_overrides(self):
        listener = self.desktop.start_main_listener()
        helper = self.desktop.start_helper()
        self.flatpak("--user", "install", "-y", "--noninteractive", "test-repo", APP_ID)
        data = self.sandbox.home / ".var/app" / APP_ID
        (data / "config").mkdir(parents=True)
        (data / "config/settings.ini").write_text("[main]\n")
        self.flatpak("--user", "override", "--nofilesystem=home", APP_ID)
        overrides = self.sandbox.data_home / "flatpak/overrides" / APP_ID
        # Remembered once the quiet delay after the install has passed.
        wait_for(lambda: any(APP_ID in path.read_text() for path in
                             (self.sandbox.home / ".cache").glob("*/flatpak/applications.json")),
                 20, "the application remembered")
        (self.sandbox.home / ".hello").mkdir()
        # An update (a new commit deployed) is not an uninstall.
        (self.app / "files/bin/hello").write_text("#!/bin/sh\necho hello again\n")
        self.flatpak("build-export", str(self.repo), str(self.app), "stable")
        self.flatpak("--user", "update", "-y", "--noninteractive", APP_ID)
        time.sleep(desktop.DEBOUNCE_SECONDS + 1)
        self.assertEqual(self.desktop.panel_windows(), [])
        self.flatpak("--user", "uninstall", "-y", "--noninteractive", APP_ID)

        # The dry run names what the offer will hold, the folder it was let write too.
        status, out, err = self.desktop.main_app("leftovers", "--flatpak", APP_ID)
        self.assertEqual(status, 0, err)
        self.assertIn(str(self.sandbox.home / ".hello"), out)
        window = self.desktop.wait_for_panel()
        installation = self.sandbox.data_home / "flatpak/app" / APP_ID
        helper.wait_for_output(f"leftovers ready for {installation}\n", 60)
        self.desktop.click_uninstall(window)
        messages = wait_for(lambda: desktop.parse_leftovers(listener.output()), 20,
                            "message at the main application")
        paths = {path for _, _, _, path in messages[0]}
        self.assertIn(str(data), paths)
        self.assertIn(str(overrides), paths)
        hello = str(self.sandbox.home / ".hello")
        for path in paths:
            self.assertTrue(path in (str(data), str(overrides), hello)
                            or path.startswith(str(data) + "/"), path)
        self.assertTrue(helper.running())


if __name__ == "__main__":
    main()
