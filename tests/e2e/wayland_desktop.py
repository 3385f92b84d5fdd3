"""A Wayland session of our own for the helper: a private session bus and a headless
compositor from Debian (GNOME's mutter, or sway), with or without XWayland, or no
display at all. Programs started on it see the variables a desktop session gives
them: WAYLAND_DISPLAY, and DISPLAY (with XAUTHORITY under mutter) where XWayland runs.

sway refuses to run as root; it runs as an unprivileged user made for the purpose
(USER), which is removed again when the tests made it.
"""
import json
import os
import pwd
import shutil
import socket as sock
import subprocess
import tempfile
from pathlib import Path

import desktop
from desktop import Desktop, Program, wait_for

USER = "sweepwise-e2e"
QT_PLUGINS = Path("/usr/lib/x86_64-linux-gnu/qt6/plugins")
X11_SOCKETS = Path("/tmp/.X11-unix")


class WaylandDesktop(Desktop):
    """`compositor` is "mutter", "sway" or None (no display at all)."""

    def __init__(self, sandbox, compositor, xwayland=True, bus=True):
        self.sandbox = sandbox
        self.programs = []
        self.display = None
        self.bus_address = None
        self.wayland_display = None
        self.xauthority = None
        self.swaysock = None
        self.compositor = compositor
        tools = {"mutter": ("mutter",), "sway": ("sway", "swaymsg", "grim"), None: ()}
        missing = [t for t in ("dbus-daemon", "dbus-send", "xdotool", "xprop", "xhost",
                               *tools[compositor]) if not shutil.which(t)]
        if xwayland and compositor and not shutil.which("Xwayland"):
            missing.append("Xwayland")
        if missing:
            raise RuntimeError(f"missing {', '.join(missing)}: run scripts/install-deps")
        # The compositor's own runtime folder, which an unprivileged compositor owns.
        self.compositor_runtime = Path(tempfile.mkdtemp(prefix="sweepwise-wl-"))
        self.compositor_runtime.chmod(0o755)
        desktop._open_desktops.append(self)
        try:
            if bus:
                self._start_bus()
            if compositor == "mutter":
                self._start_mutter(xwayland)
            elif compositor == "sway":
                self._start_sway(xwayland)
        except BaseException:
            self.close()
            raise

    def environment(self, extra=None):
        env = super().environment()
        # The helper chooses its Qt platform itself, as in a real session.
        env.pop("QT_QPA_PLATFORM", None)
        env.pop("DISPLAY", None)
        if self.display:
            env["DISPLAY"] = self.display
        if self.xauthority:
            env["XAUTHORITY"] = self.xauthority
        if self.wayland_display:
            env["WAYLAND_DISPLAY"] = self.wayland_display
        env.update(extra or {})
        return env

    def close(self):
        compositors = [p.pid for p in self.programs if p.name in ("mutter", "sway")]
        super().close()
        for pid in compositors:
            remove_stale_x_displays(pid)
        shutil.rmtree(self.compositor_runtime, ignore_errors=True)

    # Compositors -------------------------------------------------------------

    def _start_mutter(self, xwayland):
        runtime = self.compositor_runtime / "run"
        runtime.mkdir(mode=0o700)
        # mutter refuses a socket folder that others cannot write (systemd makes it 1777).
        if xwayland:
            X11_SOCKETS.mkdir(exist_ok=True)
            if X11_SOCKETS.stat().st_mode & 0o1777 != 0o1777:
                X11_SOCKETS.chmod(0o1777)
        found = self.compositor_runtime / "session.env"
        # mutter runs the command with the session's variables, once it is ready.
        report = f"env > {found}.part && mv {found}.part {found} && exec sleep 3600"
        argv = ["mutter", "--wayland", "--headless", "--virtual-monitor",
                "x".join(map(str, desktop.SCREEN)), "--wayland-display", "wayland-sweepwise",
                *([] if xwayland else ["--no-x11"]), "--", "sh", "-c", report]
        mutter = self.start("mutter", argv, {"XDG_RUNTIME_DIR": str(runtime)})
        wait_for(lambda: found.exists() or self._ended(mutter), 30, "mutter ready")
        variables = dict(line.split("=", 1) for line in found.read_text().splitlines()
                         if "=" in line)
        self.wayland_display = str(runtime / variables["WAYLAND_DISPLAY"])
        if xwayland:
            self.display = variables["DISPLAY"]
            self.xauthority = variables.get("XAUTHORITY")
            self._wait_for_x_window_manager()

    def _start_sway(self, xwayland):
        user = ensure_user()
        runtime = self.compositor_runtime / "run"
        runtime.mkdir(mode=0o700)
        os.chown(runtime, user.pw_uid, user.pw_gid)
        width, height = desktop.SCREEN
        found = runtime / "display"
        config = self.compositor_runtime / "config"
        config.write_text(
            f"output HEADLESS-1 mode {width}x{height} position 0 0\n"
            f"xwayland {'enable' if xwayland else 'disable'}\n"
            "default_border none\n"
            # XWayland lets in only the compositor's user; the test's programs run as root.
            f"exec sh -c 'xhost +si:localuser:root >/dev/null 2>&1; "
            f"echo \"$DISPLAY\" > {found}.part && mv {found}.part {found}'\n")
        config.chmod(0o644)
        env = {"XDG_RUNTIME_DIR": str(runtime), "WLR_BACKENDS": "headless",
               "WLR_LIBINPUT_NO_DEVICES": "1", "WLR_RENDERER": "pixman",
               "HOME": str(self.compositor_runtime)}
        sway = self.start("sway", ["setpriv", f"--reuid={user.pw_uid}",
                                   f"--regid={user.pw_gid}", "--clear-groups",
                                   "sway", "--config", config], env)
        wait_for(lambda: found.exists() or self._ended(sway), 30, "sway ready")
        self.swaysock = str(next(runtime.glob("sway-ipc.*.sock")))
        self.wayland_display = str(next(runtime.glob("wayland-[0-9]")))
        if xwayland:
            self.display = found.read_text().strip()

    @staticmethod
    def _ended(program):
        if not program.running():
            raise RuntimeError(f"{program.name} did not start:\n{program.output()}")
        return False

    def _wait_for_x_window_manager(self):
        def managing():
            status, out, _ = self.run(["xprop", "-root", "_NET_SUPPORTING_WM_CHECK"])
            return status == 0 and "window id" in out

        wait_for(managing, 20, "the compositor managing XWayland's windows", interval=0.1)

    # Observations --------------------------------------------------------------

    def sway_windows(self):
        """Every window that sway manages (`swaymsg -t get_tree`)."""
        status, out, err = self.run(["swaymsg", "-s", self.swaysock, "-t", "get_tree"])
        if status != 0:
            raise RuntimeError(f"swaymsg failed: {err}")
        found = []

        def walk(node):
            if node.get("pid"):
                found.append(node)
            for child in node.get("nodes", []) + node.get("floating_nodes", []):
                walk(child)

        walk(json.loads(out))
        return found

    def grim(self, path):
        status, _, err = self.run(["grim", str(path)], timeout=30)
        if status != 0:
            raise RuntimeError(f"grim failed: {err}")
        return path


def remove_stale_x_displays(pid):
    """Removes the lock files and sockets of the X displays that the compositor `pid`
    (mutter's XWayland takes two) left behind when it was stopped."""
    for lock in Path("/tmp").glob(".X*-lock"):
        try:
            if int(lock.read_text().strip()) != pid:
                continue
        except (OSError, ValueError):
            continue
        socket = X11_SOCKETS / ("X" + lock.name[2:-5])
        probe = sock.socket(sock.AF_UNIX)
        try:
            probe.connect(str(socket))
        except OSError:
            socket.unlink(missing_ok=True)
        finally:
            probe.close()
        lock.unlink(missing_ok=True)


def ensure_user():
    """The unprivileged user the compositor runs as, made when it is missing."""
    try:
        return pwd.getpwnam(USER)
    except KeyError:
        subprocess.run(["useradd", "--system", "--no-create-home", "--shell",
                        "/usr/sbin/nologin", USER], check=True)
        _made_users.append(USER)
        return pwd.getpwnam(USER)


_made_users = []


def remove_made_users():
    while _made_users:
        subprocess.run(["userdel", _made_users.pop()], check=False)


def plugins_without_wayland(folder):
    """A copy of Qt's plugin folder without the Wayland platforms: a machine without
    qt6-wayland, for QT_PLUGIN_PATH and QT_QPA_PLATFORM_PLUGIN_PATH."""
    copy = Path(folder) / "qt-plugins"
    shutil.copytree(QT_PLUGINS, copy, symlinks=True,
                    ignore=lambda _, names: [n for n in names if "wayland" in n])
    return copy


class NotificationServer:
    """A desktop notification service on the session's bus (notification_server.py),
    which prints every call it gets; a test acts on a notification as a user would."""

    SCRIPT = Path(__file__).with_name("notification_server.py")

    def __init__(self, session, timeout=10):
        self.session = session
        self.program: Program = session.start("notifications", ["/usr/bin/python3", self.SCRIPT])
        self.program.wait_for_output("ready", timeout)

    def shown(self):
        """The Notify calls, in order."""
        calls = [json.loads(line) for line in self.program.output().splitlines()
                 if line.startswith("{")]
        return [call for call in calls if call["method"] == "Notify"]

    def act(self, method, notification, *arguments):
        status, _, err = self.session.run([
            "dbus-send", "--session", "--print-reply", "--dest=org.freedesktop.Notifications",
            "/org/freedesktop/Notifications", f"org.sweepwise.TestNotifications.{method}",
            f"uint32:{notification}", *arguments])
        if status != 0:
            raise RuntimeError(f"{method} failed: {err}")
