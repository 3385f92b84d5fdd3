"""An application moved to the Trash is announced on the bus and offered in the panel;
"Uninstall" hands its leftovers to the main application."""
from desktop_case import DesktopCase, desktop, main, wait_for

NOTEPAD, PIXELPAINT = desktop.NOTEPAD, desktop.PIXELPAINT
# A vendor's folder holds the data of several of its products.
SHARED_FOLDERS = {"Application Support/Example Software"}


class TrashToPanel(DesktopCase):
    def setUp(self):
        super().setUp()
        self.sandbox.grant_full_disk_access()
        self.notepad = self.sandbox.install(NOTEPAD)
        self.pixelpaint = self.sandbox.install(PIXELPAINT)
        self.sandbox.place(desktop.BYSTANDERS)
        self.snapshot()
        self.monitor = desktop.BusMonitor(self.desktop)
        self.helper = self.desktop.start_helper()

    def leftovers_of(self, app):
        """What the application left, as absolute paths: its files and the folders
        holding them, but none of the folders it shares with others."""
        paths = set()
        for relative in app.leftovers:
            parts = relative.split("/")
            for end in range(2, len(parts) + 1):
                if "/".join(parts[:end]) not in SHARED_FOLDERS:
                    paths.add(str(self.sandbox.library.joinpath(*parts[:end])))
        return paths

    def test_a_trashed_application_is_announced_and_offered(self):
        in_trash = self.trash(self.notepad)

        events = wait_for(self.monitor.moved_to_trash, 20, "broadcast")
        window = self.desktop.wait_for_panel()
        self.assertEqual(events, [str(in_trash)])
        self.assert_panel_at_top_right(window, (401, 139))

        self.desktop.click_ignore(window)
        self.desktop.wait_until_hidden(window)
        self.assertTrue(self.helper.running())
        self.assertEqual(self.monitor.moved_to_trash(), [str(in_trash)], "one event per move")
        self.finish()

    def test_uninstall_hands_every_leftover_to_the_main_application(self):
        listener = self.desktop.start_main_listener()
        # Two applications in one burst join one notification, which lists them.
        notepad = self.trash(self.notepad)
        pixelpaint = self.trash(self.pixelpaint)
        window = self.desktop.wait_for_panel()
        wait_for(lambda: self.desktop.geometry(window)[3] == 255, 20, "list of two applications")
        self.assert_panel_at_top_right(window, (415, 255))
        # The list names both at once, but "Uninstall" hands over an application only
        # once its knowledge-base search has come back.
        for bundle in (notepad, pixelpaint):
            self.helper.wait_for_output(f"leftovers ready for {bundle}\n", 60)

        self.desktop.click_uninstall(window)
        messages = wait_for(lambda: desktop.parse_leftovers(listener.output()), 20,
                            "message at the main application")
        self.desktop.wait_until_hidden(window)
        self.assertEqual(len(messages), 1, listener.output())
        items = messages[0]
        paths = [path for _, _, _, path in items]
        self.assertEqual(len(paths), len(set(paths)), "each path once")

        # Each application's bundle comes first, then what it left: at least the
        # standard places, never anything of another application or of the user.
        for app, bundle in ((NOTEPAD, notepad), (PIXELPAINT, pixelpaint)):
            own = [item for item in items if item[2] == app.identifier.lower()]
            self.assertEqual(own[0][0::3], ("binaries", str(bundle)))
            found = {path for _, _, _, path in own[1:]}
            for relative in app.standard:
                self.assertIn(str(self.sandbox.library / relative), found)
            self.assertLessEqual(found, self.leftovers_of(app))
        # The knowledge base packed into the built bundle adds what only it knows of.
        for relative in ("Application Support/Notepad Deluxe", "Caches/Notepad Deluxe",
                         "Application Support/Example Software/Notepad Deluxe Sync",
                         "Group Containers/group.com.example.notepaddeluxe"):
            self.assertIn(str(self.sandbox.library / relative), paths)
        self.assertEqual({item[2] for item in items},
                         {NOTEPAD.identifier.lower(), PIXELPAINT.identifier.lower()})
        for _, size, _, path in items:
            self.assertTrue(size == "-" or size.isdigit(), (size, path))

        self.assertEqual(sorted(self.monitor.moved_to_trash()),
                         sorted([str(notepad), str(pixelpaint)]))
        listener.stop()
        self.finish(received=[len(items)])


if __name__ == "__main__":
    main()
