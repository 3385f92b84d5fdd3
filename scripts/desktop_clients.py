"""The programs of a Linux desktop that the helper meets, driven as a user's session
drives them: `gio trash` and `trash-put` move things to the freedesktop Trash, and
`gdbus` talks on the session bus.

Python 3 standard library only; the programs come from the Debian packages
libglib2.0-bin (gio, gdbus) and trash-cli (trash-put).
"""
import re
import shutil
import time
from pathlib import Path

from desktop import Program, helper_executable, wait_for

HELPER_ID = "com.halvorn.Sweepwise-SIII-Helper"
NOTIFICATION_PATH = "/com/halvorn/Sweepwise/DistributedNotification"
NOTIFICATION_INTERFACE = "com.halvorn.Sweepwise.DistributedNotification"
MOVED_TO_TRASH = "com.halvorn.UserDidMoveApplicationToTrashEvent"
REQUEST_ACCESS = "com.halvorn.requestFullDiskAccessState"
RESPONSE_ACCESS = "com.halvorn.responseFullDiskAccessState"

TRASH_CLIENTS = {
    "gio": lambda path: ["gio", "trash", str(path)],
    "trash-put": lambda path: ["trash-put", str(path)],
}


def missing_tools():
    return [tool for tool in ("gio", "gdbus", "trash-put") if not shutil.which(tool)]


def trash_with(desktop, client, path, environment):
    """Trashes `path` with `client` ("gio" or "trash-put") and the variables of
    `environment` (HOME and friends of the user whose Trash it is). Answers the
    monotonic time at which the client was done, and where the item went."""
    before = _trash_entries(environment)
    # gio trashes local files itself; with gvfs installed it would also start the gvfs
    # daemons, whose metadata store writes into the home folder.
    status, out, err = desktop.run(TRASH_CLIENTS[client](path),
                                   extra_env={**environment, "GIO_USE_VFS": "local"})
    done = time.monotonic()
    if status != 0:
        raise RuntimeError(f"{client} failed ({status}): {out}{err}")
    arrived = sorted(_trash_entries(environment) - before)
    if len(arrived) != 1:
        raise RuntimeError(f"{client} put {arrived} into the Trash")
    return done, arrived[0]


def _trash_entries(environment):
    files = Path(environment["XDG_DATA_HOME"]) / "Trash/files"
    return set(files.iterdir()) if files.is_dir() else set()


# What a desktop session does not set: the sandbox's redirections, and the folders
# that default to places under HOME.
_NOT_IN_A_SESSION = ("SWEEPWISE_HOME", "SWEEPWISE_ROOT", "SWEEPWISE_NO_FULL_DISK_ACCESS",
                     "TMPDIR", "XDG_CONFIG_HOME", "XDG_CACHE_HOME", "XDG_DATA_HOME")


def start_in_session(desktop, home):
    """Starts the helper as a user's desktop session would: on the desktop's bus and
    screen, with HOME the only clue to whose session it is."""
    env = {k: v for k, v in desktop.environment().items() if k not in _NOT_IN_A_SESSION}
    env["HOME"] = str(home)
    log = desktop.sandbox.logs / f"helper-session-{len(desktop.programs)}.log"
    program = Program("helper", [str(helper_executable())], env, log)
    desktop.programs.append(program)
    return program


def gdbus(desktop, *arguments, timeout=20):
    return desktop.run(["gdbus", *arguments], timeout=timeout)


def name_owned(desktop, name=HELPER_ID):
    status, out, _ = gdbus(desktop, "call", "--session", "--dest", "org.freedesktop.DBus",
                           "--object-path", "/org/freedesktop/DBus",
                           "--method", "org.freedesktop.DBus.NameHasOwner", name)
    return status == 0 and out.strip() == "(true,)"


def ask_full_disk_access(desktop):
    """Sends the main application's question as a signal with `gdbus emit`."""
    status, out, err = gdbus(desktop, "emit", "--session", "--object-path", NOTIFICATION_PATH,
                             "--signal", f"{NOTIFICATION_INTERFACE}.Notification",
                             REQUEST_ACCESS, "@as []", "@a{sv} {}")
    if status != 0:
        raise RuntimeError(f"gdbus emit failed: {out}{err}")


class GdbusMonitor:
    """`gdbus monitor` on the helper's name: the signals it sends, as gdbus prints them."""

    _SIGNAL = re.compile(re.escape(NOTIFICATION_PATH) + r": " +
                         re.escape(NOTIFICATION_INTERFACE) +
                         r"\.Notification \('([^']*)', (?:\[([^\]]*)\]|@as \[\]), (.*)\)$",
                         re.MULTILINE)

    def __init__(self, desktop, timeout=10):
        self.program = desktop.start("gdbus-monitor", [
            "gdbus", "monitor", "--session", "--dest", HELPER_ID])
        # gdbus follows the name: once it has said who owns it, it is listening.
        self.program.wait_for_output("is owned by", timeout)

    def signals(self):
        """(name, object or None, user information as printed) of each signal."""
        found = []
        for match in self._SIGNAL.finditer(self.program.output()):
            objects = match.group(2)
            found.append((match.group(1), objects.strip("'") if objects else None,
                          match.group(3)))
        return found

    def moved_to_trash(self):
        return [obj for name, obj, _ in self.signals() if name == MOVED_TO_TRASH]

    def access_answers(self):
        return [info for name, _, info in self.signals() if name == RESPONSE_ACCESS]

    def wait_for_moved(self, count=1, timeout=30):
        return wait_for(lambda: len(self.moved_to_trash()) >= count and self.moved_to_trash(),
                        timeout, "broadcast seen by gdbus")
