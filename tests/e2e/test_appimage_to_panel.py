"""An AppImage moved to the Trash with gio is offered as a bundle is: the panel comes,
and "Uninstall" hands over the AppImage, what an integration tool made for it, and its
settings, caches and data; nothing of the user's or of another application."""
import hashlib
import re
import subprocess
import sys
import tempfile
import urllib.parse
from pathlib import Path

from desktop_case import DesktopCase, desktop, main, wait_for

sys.path.insert(0, str(Path(__file__).resolve().parents[1] / "realistic"))
import linux_home  # noqa: E402  (the AppImage maker of the realistic Linux home)

FOO = {"entry": "foo", "id": "org.example.Foo", "name": "Foo", "exe": "foo-bin"}


class AppImageToPanel(DesktopCase):
    def test_uninstall_hands_over_the_appimage_and_its_leftovers(self):
        home = self.sandbox.home
        appimage = home / "Applications" / "Foo-1.0-x86_64.AppImage"
        with tempfile.TemporaryDirectory() as work:
            linux_home.make_appimage(appimage, FOO, work)
        uri = "file://" + urllib.parse.quote(str(appimage), safe="/-_.!~*'()")
        digest = hashlib.md5(uri.encode()).hexdigest()
        # What is offered, each with a file made inside it (or itself when None).
        own = {".config/foo": "settings.ini", ".cache/org.example.Foo": "blob",
               ".local/share/Foo": "data", ".local/state/foo-bin": "history",
               f".cache/thumbnails/normal/{digest}.png": None,
               f".local/share/applications/appimagekit_{digest}-Foo.desktop": None}
        others = [".config/foobar/settings.ini", ".local/share/applications/other.desktop",
                  "Documents/Foo/notes.txt", ".config/Foo.old/x"]
        files = [f"{path}/{inner}" if inner else path for path, inner in own.items()]
        for relative in files + others:
            (home / relative).parent.mkdir(parents=True, exist_ok=True)
            (home / relative).write_text("x\n")
        self.sandbox.grant_full_disk_access()
        self.snapshot()
        listener = self.desktop.start_main_listener()
        helper = self.desktop.start_helper()

        _, in_trash = self.trash_with("gio", appimage)
        window = self.desktop.wait_for_panel()
        helper.wait_for_output(f"leftovers ready for {in_trash}\n", 60)
        # The panel fades in; its icon is Foo's own once it is fully there.
        wait_for(lambda: self.icon_colour(window) == linux_home.ICON_COLOUR, 10,
                 "Foo's own icon on the panel")
        self.desktop.click_uninstall(window)
        messages = wait_for(lambda: desktop.parse_leftovers(listener.output()), 20,
                            "message at the main application")
        self.desktop.wait_until_hidden(window)
        items = messages[0]
        self.assertEqual(items[0][0::3], ("binaries", str(in_trash)))
        offered = {path for _, _, _, path in items[1:]}
        expected = {str(home / relative) for relative in own}
        self.assertEqual(offered, expected)
        self.assertTrue(all(item[2] == "org.example.foo" for item in items), items)
        # gio keeps metadata of the file it trashed (it is executable) in the user's data.
        self.created += [relative for relative in self.sandbox.listing()
                         if "/gvfs-metadata" in relative]
        self.finish(received=[len(items)])

    def icon_colour(self, window):
        """The colour in the middle of the panel's application icon, as "#RRGGBB"."""
        x, y, _, _ = self.desktop.geometry(window)
        with tempfile.TemporaryDirectory() as folder:
            shot = Path(folder) / "screen.png"
            self.desktop.screenshot(shot)
            out = subprocess.run(["convert", str(shot), "-crop", f"1x1+{x + 36}+{y + 50}",
                                  "txt:-"], capture_output=True, text=True, check=True).stdout
        return re.search(r"#[0-9A-Fa-f]{6}", out).group(0).upper()


if __name__ == "__main__":
    main()
