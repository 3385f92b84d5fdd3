"""A desktop of our own for the helper, shared by scripts/demo and tests/e2e: a
private session bus, an X server on a virtual 1280x800 screen with a compositor, and
our programs started on it inside a sandbox (sandbox.py, whose names this module
passes on). Everything a Desktop starts is stopped when it closes; every wait has a
timeout.

Python 3 standard library only; the programs it drives are dbus-daemon,
dbus-monitor, Xvfb, xcompmgr, xdotool and ImageMagick's import.
"""
import os
import re
import select
import shutil
import signal
import subprocess
import time
from pathlib import Path

from sandbox import (BYSTANDERS, NOTEPAD, PIXELPAINT, Sandbox, SampleApp,  # noqa: F401
                     moved_listing, sample_app)

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

    def __init__(self, sandbox, bus=True, compositor=True, window_manager=None):
        self.sandbox = sandbox
        self.programs = []
        self.display = None
        self.bus_address = None
        tools = self.TOOLS + ((window_manager, "xprop") if window_manager else ())
        missing = [tool for tool in tools if not shutil.which(tool)]
        if missing:
            raise RuntimeError(f"missing {', '.join(missing)}: run scripts/install-deps")
        _open_desktops.append(self)
        try:
            if bus:
                self._start_bus()
            self._start_screen()
            if compositor:
                self.start("xcompmgr", ["xcompmgr"])
            if window_manager:
                self._start_window_manager(window_manager)
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

    def _start_window_manager(self, name):
        """Starts a window manager (openbox) and waits until it manages the screen:
        an EWMH window manager then names its check window on the root window."""
        manager = self.start(name, [name, "--sm-disable"])

        def managing():
            if not manager.running():
                raise RuntimeError(f"{name} did not start: {manager.output()}")
            status, out, _ = self.run(["xprop", "-root", "_NET_SUPPORTING_WM_CHECK"])
            return status == 0 and "window id" in out

        wait_for(managing, 15, f"{name} managing the screen", interval=0.1)

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
        # The main application's uninstall window only where a test asks for it.
        env["SWEEPWISE_NO_WINDOW"] = "1"
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

    def start_main_listener(self, timeout=20, window=False):
        """`Sweepwise listen`: the main application's side, printing what it gets and,
        with `window`, opening the uninstall window for it."""
        listener = self.start("listen", [main_executable(), "listen"],
                              {"SWEEPWISE_NO_WINDOW": "0"} if window else None)
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

    def uninstall_windows(self):
        """The main application's uninstall windows that are on screen."""
        status, out, _ = self.xdotool("search", "--onlyvisible", "--name",
                                      "^Finish Uninstalling$")
        return out.split() if status == 0 else []

    def wait_for_uninstall_window(self, timeout=20):
        return wait_for(lambda: self.uninstall_windows()[:1], timeout,
                        "uninstall window on screen")[0]

    def press(self, window, *keys):
        """Gives `window` the keyboard and presses `keys` there, as a user would."""
        self.xdotool("windowfocus", "--sync", window)
        status, _, err = self.xdotool("key", *keys)
        if status != 0:
            raise RuntimeError(f"xdotool could not press {keys}: {err}")

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
