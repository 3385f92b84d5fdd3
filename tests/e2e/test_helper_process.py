"""The helper as a process: one instance per session, and an end when its own bundle
goes away."""
import shutil

from desktop_case import DesktopCase, desktop, main, wait_for


class HelperProcess(DesktopCase):
    def test_a_second_start_hands_its_files_to_the_first_and_ends(self):
        self.snapshot()
        first = self.desktop.start_helper()
        command = self.sandbox.tmp / "from-the-main-application.msgforsahelp"
        command.write_bytes(b"not a keyed archive")

        second = self.desktop.start("helper-again", [desktop.helper_executable(), command])
        self.assertEqual(second.wait(20), 0, second.output())
        # The first instance took the file (message files are deleted once read);
        # the second only passed it on.
        first.wait_for_output(f"sweepwise: app: open {command}", 10)
        wait_for(lambda: not command.exists(), 10, "message file taken by the first helper")
        self.assertNotIn("sweepwise: app: open", second.output())
        self.assertTrue(first.running())
        self.finish()

    def test_the_helper_ends_when_its_bundle_is_moved_away(self):
        # A copy of its own, so the build's bundle stays where it is.
        bundle = self.sandbox.path / "SweepwiseHelper.app"
        shutil.copytree(desktop.helper_bundle(), bundle, symlinks=True)
        self.snapshot()
        helper = self.desktop.start_helper(bundle)

        bundle.rename(self.sandbox.path / "SweepwiseHelper moved.app")
        self.assertEqual(helper.wait(20), 0, helper.output())
        self.assertFalse(self.desktop.name_owned(desktop.HELPER_ID))
        self.finish()


if __name__ == "__main__":
    main()
