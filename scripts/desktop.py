"""A desktop of our own for the helper, shared by scripts/demo and tests/e2e.

Sandbox: a temporary tree standing in for the user's home folder and the root folder
(SWEEPWISE_HOME, SWEEPWISE_ROOT), with sample applications and the files they leave
behind. Desktop: a private session bus, an X server on a virtual 1280x800 screen with
a compositor, and our programs started in the sandbox on it. Everything a Desktop
starts is stopped when it closes; every wait has a timeout.

Python 3 standard library only; the programs it drives are dbus-daemon,
dbus-monitor, Xvfb, xcompmgr, xdotool and ImageMagick's import.
"""
import hashlib
import os
import plistlib
import re
import select
import shutil
import signal
import struct
import subprocess
import tempfile
import time
import zlib
from dataclasses import dataclass, field
from pathlib import Path

REPO = Path(__file__).resolve().parent.parent
HELPER_ID = "com.halvorn.Sweepwise-SIII-Helper"
MAIN_APP_ID = "com.halvorn.Sweepwise-SIII"
MOVED_TO_TRASH = "com.halvorn.UserDidMoveApplicationToTrashEvent"
NOTIFICATION_INTERFACE = "com.halvorn.Sweepwise.DistributedNotification"
# The helper waits this long after the last change of the Trash before it looks.
DEBOUNCE_SECONDS = 2.0
SCREEN = (1280, 800)


class Timeout(AssertionError):
    pass


def wait_for(predicate, timeout, what, interval=0.02):
    """Calls predicate until it answers something true and returns that answer;
    raises Timeout naming `what` when `timeout` seconds pass first."""
    deadline = time.monotonic() + timeout
    while True:
        answer = predicate()
        if answer:
            return answer
        if time.monotonic() >= deadline:
            raise Timeout(f"no {what} within {timeout:g} s")
        time.sleep(interval)


def build_folder():
    """The build whose programs run: SWEEPWISE_BUILD_DIR, else build/default."""
    return Path(os.environ.get("SWEEPWISE_BUILD_DIR", REPO / "build" / "default"))


def main_bundle():
    return build_folder() / "Sweepwise.app"


def helper_bundle():
    return main_bundle() / "Contents/Library/LoginItems/SweepwiseHelper.app"


def helper_executable(bundle=None):
    return (bundle or helper_bundle()) / "Contents/MacOS/SweepwiseHelper"


def main_executable():
    return main_bundle() / "Contents/MacOS/Sweepwise"


# ----------------------------------------------------------------------------
# Sample applications


def _png(size, colour):
    """A square RGBA PNG: a rounded tile in `colour` with a lighter band, the kind of
    icon a small application has."""
    r, g, b = colour
    radius = size // 5
    rows = []
    for y in range(size):
        row = bytearray([0])
        for x in range(size):
            dx = max(radius - x, x - (size - 1 - radius), 0)
            dy = max(radius - y, y - (size - 1 - radius), 0)
            if dx * dx + dy * dy > radius * radius:
                row += b"\0\0\0\0"
            elif size * 3 // 8 < y < size * 5 // 8 and size // 5 < x < size * 4 // 5:
                row += bytes([255, 255, 255, 235])
            else:
                shade = 1.0 - 0.35 * y / size
                row += bytes([int(r * shade), int(g * shade), int(b * shade), 255])
        rows.append(bytes(row))

    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body))

    header = struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) +
            chunk(b"IDAT", zlib.compress(b"".join(rows), 9)) + chunk(b"IEND", b""))


def _icns(png):
    """An .icns file with one 128-pixel image stored as PNG."""
    entry = b"ic07" + struct.pack(">I", 8 + len(png)) + png
    return b"icns" + struct.pack(">I", 8 + len(entry)) + entry


@dataclass(frozen=True)
class SampleApp:
    folder: str          # "Notepad Deluxe.app"
    identifier: str      # CFBundleIdentifier
    executable: str      # CFBundleExecutable
    colour: tuple
    # Files and folders (ending in "/") it leaves in the home folder's Library,
    # relative to it, with a size in bytes for files.
    leftovers: dict = field(default_factory=dict)
    # The part of `leftovers` that the thirteen standard places cover, whatever the
    # knowledge base says.
    standard: tuple = ()

    @property
    def name(self):
        return self.folder[:-len(".app")]


def _sample_leftovers(identifier, executable, extra):
    files = {
        f"Caches/{identifier}/Cache.db": 262144,
        f"Caches/{identifier}/fsCachedData/1F3A": 65536,
        f"Saved Application State/{identifier}.savedState/windows.plist": 1200,
        f"Preferences/{identifier}.plist": None,
        f"Containers/{identifier}/Data/Library/Preferences/{identifier}.plist": None,
        f"Containers/{identifier}/Data/Documents/Untitled.txt": 3000,
        f"Application Support/{executable}/Settings.json": 900,
        f"Logs/{executable}.log": 20000,
        f"Cookies/{identifier}.cookies": 4096,
        f"LaunchAgents/{identifier}.updater.plist": None,
    }
    files.update(extra)
    standard = (
        f"Caches/{identifier}",
        f"Saved Application State/{identifier}.savedState",
        f"Preferences/{identifier}.plist",
        f"Containers/{identifier}",
        f"Application Support/{executable}",
        f"Logs/{executable}.log",
        f"Cookies/{identifier}.cookies",
        f"LaunchAgents/{identifier}.updater.plist",
    )
    return files, standard


def _sample(folder, identifier, executable, colour, extra):
    files, standard = _sample_leftovers(identifier, executable, extra)
    return SampleApp(folder, identifier, executable, colour, files, standard)


# Beyond the standard places, the shipped knowledge base knows where these two keep
# more: folders named after the product, a vendor folder, group containers.
NOTEPAD = _sample("Notepad Deluxe.app", "com.example.NotepadDeluxe", "NotepadDeluxe",
                  (231, 160, 38), {
                      "Application Support/Notepad Deluxe/Templates/Letter.txt": 2048,
                      "Application Support/Example Software/Notepad Deluxe Sync/state.json": 700,
                      "Caches/Notepad Deluxe/Thumbnails.db": 49152,
                      "Group Containers/group.com.example.notepaddeluxe/Library/Sync.db": 16384,
                  })
PIXELPAINT = _sample("PixelPaint.app", "com.example.PixelPaint", "PixelPaint",
                     (64, 132, 230), {
                         "Application Support/PixelPaint Brushes/Soft.brush": 40960,
                         "LaunchAgents/com.example.pixelpaint.render.plist": None,
                     })
# Files of the user that no application left behind and nobody may touch.
BYSTANDERS = {
    "Preferences/com.example.Calculator.plist": None,
    "Caches/com.example.Calculator/Cache.db": 4096,
    "Application Support/Notes/notes.txt": 100,
}


def sample_app(folder, identifier, executable, colour=(120, 120, 120)):
    """An application with the standard leftovers only, for measurements and
    further scenarios."""
    return _sample(folder, identifier, executable, colour, {})


def _write_plist(path, value):
    path.parent.mkdir(parents=True, exist_ok=True)
    with open(path, "wb") as out:
        plistlib.dump(value, out)


def _write_bytes(path, size, seed):
    path.parent.mkdir(parents=True, exist_ok=True)
    block = hashlib.sha256(seed.encode()).digest() * 64
    with open(path, "wb") as out:
        while size > 0:
            out.write(block[:size])
            size -= len(block)


# ----------------------------------------------------------------------------
# Sandbox


class Sandbox:
    def __init__(self, prefix="sweepwise-"):
        self.path = Path(tempfile.mkdtemp(prefix=prefix))
        self.home = self.path / "home"
        self.root = self.path / "root"
        self.tmp = self.path / "tmp"
        self.runtime = self.path / "run"
        self.qt_home = self.path / "qt-home"
        self.logs = self.path / "logs"
        for folder in (self.home, self.applications, self.tmp, self.runtime,
                       self.qt_home, self.logs, self.trash):
            folder.mkdir(parents=True, exist_ok=True)
        self.runtime.chmod(0o700)

    @property
    def applications(self):
        return self.root / "Applications"

    @property
    def trash(self):
        return self.home / ".Trash"

    @property
    def library(self):
        return self.home / "Library"

    def environment(self):
        """The variables that keep our programs inside the sandbox. HOME and
        XDG_RUNTIME_DIR are for Qt and the libraries below it, which must not write
        into the home folder the helper works on."""
        return {
            "SWEEPWISE_HOME": str(self.home),
            "SWEEPWISE_ROOT": str(self.root),
            "TMPDIR": str(self.tmp),
            "HOME": str(self.qt_home),
            "XDG_RUNTIME_DIR": str(self.runtime),
            "XDG_CONFIG_HOME": str(self.qt_home / ".config"),
            "XDG_CACHE_HOME": str(self.qt_home / ".cache"),
            "XDG_DATA_HOME": str(self.qt_home / ".local/share"),
        }

    def grant_full_disk_access(self, granted=True):
        """The helper has Full Disk Access when it can list Library/Safari."""
        safari = self.library / "Safari"
        if granted:
            _write_bytes(safari / "History.db", 8192, "History.db")
        else:
            shutil.rmtree(safari, ignore_errors=True)

    def install(self, app, with_leftovers=True, folder=None):
        """Puts the application into <root>/Applications (or `folder`) and, unless
        told otherwise, its leftovers into the home folder's Library."""
        bundle = (folder or self.applications) / app.folder
        contents = bundle / "Contents"
        _write_plist(contents / "Info.plist", {
            "CFBundleIdentifier": app.identifier,
            "CFBundleExecutable": app.executable,
            "CFBundleName": app.name,
            "CFBundleDisplayName": app.name,
            "CFBundleIconFile": "AppIcon",
            "CFBundlePackageType": "APPL",
            "CFBundleShortVersionString": "2.4.1",
            "CFBundleVersion": "241",
        })
        executable = contents / "MacOS" / app.executable
        executable.parent.mkdir(parents=True, exist_ok=True)
        executable.write_text(f"#!/bin/sh\necho '{app.name} 2.4.1'\n")
        executable.chmod(0o755)
        resources = contents / "Resources"
        resources.mkdir(parents=True, exist_ok=True)
        (resources / "AppIcon.icns").write_bytes(_icns(_png(128, app.colour)))
        if with_leftovers:
            self.place(app.leftovers, app.identifier)
        return bundle

    def place(self, files, seed=""):
        for relative, size in files.items():
            path = self.library / relative
            if relative.endswith(".plist") and size is None:
                _write_plist(path, {"NSWindowFrame": "100 100 800 600", "seed": seed})
            else:
                _write_bytes(path, size or 512, seed + relative)

    def move_to_trash(self, bundle, name=None):
        """Moves an application into the Trash the way a file manager does: one
        rename. Returns the path in the Trash."""
        target = self.trash / (name or Path(bundle).name)
        os.rename(bundle, target)
        return target

    def listing(self):
        """Every item of the home and root folders: relative path -> (kind, digest),
        the digest of a file's bytes or of a link's target."""
        items = {}
        for top in (self.home, self.root):
            for folder, names, files in os.walk(top):
                for name in names + files:
                    path = Path(folder) / name
                    key = str(path.relative_to(self.path))
                    if path.is_symlink():
                        items[key] = ("link", os.readlink(path))
                    elif path.is_dir():
                        items[key] = ("folder", "")
                    else:
                        items[key] = ("file", hashlib.sha256(path.read_bytes()).hexdigest())
        return items

    def relative(self, path):
        return str(Path(path).relative_to(self.path))

    def received_log(self):
        """The main application's log of every watcher message it read."""
        return self.home / "Library/Logs/Sweepwise/received.log"

    def message_files(self):
        """Message files still lying in the temporary folder."""
        return sorted(str(p) for p in self.tmp.rglob("*")
                      if p.suffix in (".msgforsahelp", ".trforsa"))

    def remove(self):
        shutil.rmtree(self.path, ignore_errors=True)


def moved_listing(before, moves):
    """`before` with each (old, new) relative path pair of `moves` applied to the
    item and everything under it."""
    after = dict(before)
    for old, new in moves:
        for key in [k for k in after if k == old or k.startswith(old + "/")]:
            after[new + key[len(old):]] = after.pop(key)
    return after


# ----------------------------------------------------------------------------
# Processes and the desktop


class Program:
    """A started program with its output in a log file."""

    def __init__(self, name, argv, env, log, cwd=None, pass_fds=()):
        self.name = name
        self.stopped = False
        self.log_path = Path(log)
        self._log = open(self.log_path, "wb")
        self.process = subprocess.Popen(argv, env=env, cwd=cwd, stdin=subprocess.DEVNULL,
                                        stdout=self._log, stderr=subprocess.STDOUT,
                                        start_new_session=True, pass_fds=pass_fds)

    @property
    def pid(self):
        return self.process.pid

    def running(self):
        return self.process.poll() is None

    def output(self):
        try:
            return self.log_path.read_text(errors="replace")
        except OSError:
            return ""

    def wait(self, timeout):
        try:
            return self.process.wait(timeout)
        except subprocess.TimeoutExpired:
            raise Timeout(f"end of {self.name} within {timeout:g} s") from None

    def wait_for_output(self, text, timeout):
        def seen():
            if text in self.output():
                return True
            if not self.running():
                raise RuntimeError(f"{self.name} ended without '{text}':\n{self.output()}")
            return False

        return wait_for(seen, timeout, f"'{text}' from {self.name}")

    def ended_badly(self):
        """Whether it ended on its own with a failure status or by a signal."""
        return not self.stopped and self.process.poll() not in (None, 0)

    def stop(self, timeout=5):
        self.stopped = self.stopped or self.running()
        if self.running():
            try:
                os.killpg(self.process.pid, signal.SIGTERM)
            except ProcessLookupError:
                pass
            try:
                self.process.wait(timeout)
            except subprocess.TimeoutExpired:
                os.killpg(self.process.pid, signal.SIGKILL)
                self.process.wait()
        self._log.close()


_open_desktops = []


def open_desktops():
    """The desktops not closed yet, for a process that is being ended."""
    return list(_open_desktops)


class Desktop:
    """A private session bus (or none), a virtual screen with a compositor, and the
    programs started on them, all stopped by close()."""

    TOOLS = ("dbus-daemon", "dbus-monitor", "dbus-send", "Xvfb", "xcompmgr", "xdotool",
             "import")

    def __init__(self, sandbox, bus=True, compositor=True):
        self.sandbox = sandbox
        self.programs = []
        self.display = None
        self.bus_address = None
        missing = [tool for tool in self.TOOLS if not shutil.which(tool)]
        if missing:
            raise RuntimeError(f"missing {', '.join(missing)}: run scripts/install-deps")
        _open_desktops.append(self)
        try:
            if bus:
                self._start_bus()
            self._start_screen()
            if compositor:
                self.start("xcompmgr", ["xcompmgr"])
        except BaseException:
            self.close()
            raise

    def __enter__(self):
        return self

    def __exit__(self, *_):
        self.close()

    def _start_bus(self):
        daemon = self.start("dbus-daemon", ["dbus-daemon", "--session", "--nofork",
                                            "--print-address=1",
                                            f"--address=unix:dir={self.sandbox.runtime}"])
        def address():
            lines = daemon.output().split("\n")
            if len(lines) > 1 and lines[0].startswith("unix:"):
                return lines[0]
            if not daemon.running():
                raise RuntimeError(f"dbus-daemon did not start: {daemon.output()}")
            return None

        self.bus_address = wait_for(address, 10, "session bus address")

    def _start_screen(self):
        # Xvfb picks a free display number and writes it to the pipe once it listens.
        read, write = os.pipe()
        width, height = SCREEN
        pipe = os.fdopen(read, "rb", buffering=0)
        try:
            server = Program("Xvfb", ["Xvfb", "-displayfd", str(write), "-screen", "0",
                                      f"{width}x{height}x24", "-noreset", "-nolisten", "tcp"],
                             self.environment(), self.sandbox.logs / "Xvfb.log",
                             pass_fds=(write,))
            self.programs.append(server)
        finally:
            os.close(write)
        number = b""
        with pipe:
            ready = wait_for(lambda: select.select([pipe], [], [], 0.1)[0] or
                             not server.running(), 15, "display from Xvfb", interval=0)
            while ready and not number.endswith(b"\n"):
                chunk = pipe.read(16)
                if not chunk:
                    break
                number += chunk
        if not number.strip().isdigit():
            raise RuntimeError(f"Xvfb did not start: {server.output()}")
        self.display = ":" + number.decode().strip()

    def environment(self, extra=None):
        env = {k: v for k, v in os.environ.items()
               if k not in ("WAYLAND_DISPLAY", "DBUS_SESSION_BUS_ADDRESS", "DISPLAY",
                            "SESSION_MANAGER", "XAUTHORITY")}
        env.update(self.sandbox.environment())
        env["QT_QPA_PLATFORM"] = "xcb"
        if self.display:
            env["DISPLAY"] = self.display
        # Without a bus of its own the session gets an address where nothing listens:
        # with no address at all, libdbus would start a bus on the X display
        # (dbus-launch --autolaunch) and leave it running.
        env["DBUS_SESSION_BUS_ADDRESS"] = (self.bus_address or
                                           f"unix:path={self.sandbox.runtime}/no-bus")
        env.update(extra or {})
        return env

    def start(self, name, argv, extra_env=None, cwd=None):
        log = self.sandbox.logs / f"{name}-{len(self.programs)}.log"
        program = Program(name, [str(a) for a in argv], self.environment(extra_env), log, cwd)
        self.programs.append(program)
        return program

    def run(self, argv, timeout=20, extra_env=None):
        """Runs a program to its end; returns (status, stdout, stderr)."""
        done = subprocess.run([str(a) for a in argv], env=self.environment(extra_env),
                              capture_output=True, text=True, timeout=timeout,
                              stdin=subprocess.DEVNULL)
        return done.returncode, done.stdout, done.stderr

    def failed_programs(self):
        """The programs that crashed or failed rather than being stopped."""
        return [f"{p.name} ({p.process.returncode})" for p in self.programs if p.ended_badly()]

    def close(self):
        for program in reversed(self.programs):
            program.stop()
        self.programs.clear()
        if self in _open_desktops:
            _open_desktops.remove(self)

    # Our programs -------------------------------------------------------------

    def name_owned(self, name):
        if not self.bus_address:
            return False
        status, out, _ = self.run(["dbus-send", "--session", "--print-reply",
                                   "--dest=org.freedesktop.DBus", "/org/freedesktop/DBus",
                                   "org.freedesktop.DBus.NameHasOwner", f"string:{name}"])
        return status == 0 and "boolean true" in out

    def start_helper(self, bundle=None, arguments=(), timeout=20):
        """Starts the helper and, with a bus, waits until it owns its name: by then it
        watches the Trash and answers requests."""
        helper = self.start("helper", [helper_executable(bundle), *arguments])
        if self.bus_address:
            wait_for(lambda: self.name_owned(HELPER_ID) or not helper.running(), timeout,
                     "helper on the session bus")
            if not helper.running():
                raise RuntimeError(f"the helper ended at start:\n{helper.output()}")
        return helper

    def start_main_listener(self, timeout=20):
        """`Sweepwise listen`: the main application's side, printing what it gets."""
        listener = self.start("listen", [main_executable(), "listen"])
        listener.wait_for_output("listening as", timeout)
        return listener

    def main_app(self, *arguments, timeout=20):
        return self.run([main_executable(), *arguments], timeout)

    # Windows ------------------------------------------------------------------

    def xdotool(self, *arguments):
        return self.run(["xdotool", *arguments], timeout=10)

    def panel_windows(self):
        """The helper's windows that are on screen."""
        status, out, _ = self.xdotool("search", "--onlyvisible", "--class", "SweepwiseHelper")
        return out.split() if status == 0 else []

    def wait_for_panel(self, timeout=20, interval=0.02):
        return wait_for(lambda: self.panel_windows()[:1], timeout, "panel on screen",
                        interval)[0]

    def geometry(self, window):
        status, out, err = self.xdotool("getwindowgeometry", "--shell", window)
        if status != 0:
            raise RuntimeError(f"no geometry for window {window}: {err}")
        values = dict(line.split("=", 1) for line in out.split() if "=" in line)
        return tuple(int(values[k]) for k in ("X", "Y", "WIDTH", "HEIGHT"))

    def click(self, x, y):
        # No --sync: it waits for the pointer to move, forever when it is there already.
        status, _, err = self.xdotool("mousemove", str(x), str(y), "click", "1")
        if status != 0:
            raise RuntimeError(f"xdotool could not click at {x},{y}: {err}")

    # The buttons' centres, from the panel's bottom-right corner: both are 154 x 28
    # points, 7 points above the bottom; "Uninstall" ends 15 points from the right
    # edge and "Ignore" 12 points before it.
    UNINSTALL_FROM_CORNER = (15 + 154 // 2, 7 + 28 // 2)
    IGNORE_FROM_CORNER = (15 + 154 + 12 + 154 // 2, 7 + 28 // 2)

    def click_button(self, window, from_corner):
        x, y, width, height = self.geometry(window)
        self.click(x + width - from_corner[0], y + height - from_corner[1])

    def click_uninstall(self, window):
        self.click_button(window, self.UNINSTALL_FROM_CORNER)

    def click_ignore(self, window):
        self.click_button(window, self.IGNORE_FROM_CORNER)

    def wait_until_hidden(self, window, timeout=10):
        wait_for(lambda: window not in self.panel_windows(), timeout, "panel hidden")

    def screenshot(self, path):
        status, _, err = self.run(["import", "-window", "root", str(path)], timeout=30)
        if status != 0:
            raise RuntimeError(f"screenshot failed: {err}")
        return path


class BusMonitor:
    """dbus-monitor on our notifications, as any other program on the bus sees them."""

    _EVENT = re.compile(r'member=Notification\s+string "([^"]*)"\s+array \[\s*'
                        r'(?:string "((?:[^"\\]|\\.)*)"\s*)?\]')

    def __init__(self, desktop, timeout=10):
        self.program = desktop.start("dbus-monitor", [
            "dbus-monitor", "--address", desktop.bus_address,
            f"type='signal',interface='{NOTIFICATION_INTERFACE}'"])
        # The monitor is ready when the bus has taken its name away.
        self.program.wait_for_output("NameLost", timeout)

    def notifications(self):
        """(name, object or None) of every notification seen, in order."""
        return [(m.group(1), m.group(2)) for m in self._EVENT.finditer(self.program.output())]

    def moved_to_trash(self):
        return [obj for name, obj in self.notifications() if name == MOVED_TO_TRASH]


def parse_leftovers(text):
    """The items that `Sweepwise listen` printed: a list of (group, size, identifier,
    path) per message."""
    messages, current = [], None
    for line in text.splitlines():
        if re.search(r"\.trforsa: \d+ leftovers?$", line):
            current = []
            messages.append(current)
        elif current is not None and line.count("\t") == 3:
            current.append(tuple(line.split("\t")))
    return messages
