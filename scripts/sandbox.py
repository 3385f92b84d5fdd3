"""The sandbox of the demonstration and the end-to-end tests: a temporary tree
standing in for the user's home folder and the root folder (SWEEPWISE_HOME,
SWEEPWISE_ROOT), with sample applications, the files they leave behind, and a
listing of every file with its checksum to tell what changed.

Python 3 standard library only.
"""
import functools
import hashlib
import os
import plistlib
import shutil
import struct
import tempfile
import time
import urllib.parse
import zlib
from dataclasses import dataclass, field
from pathlib import Path

# ----------------------------------------------------------------------------
# Sample applications


# Tests that install a thousand applications draw each colour's icon once.
@functools.lru_cache(maxsize=None)
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
        self.full_disk_access = True
        for folder in (self.home, self.applications, self.tmp, self.runtime,
                       self.qt_home, self.logs, self.trash, self.trash_info):
            folder.mkdir(parents=True, exist_ok=True)
        self.runtime.chmod(0o700)

    @property
    def applications(self):
        return self.root / "Applications"

    @property
    def data_home(self):
        """The user's data folder: where the freedesktop home Trash lives."""
        return self.home / ".local/share"

    @property
    def trash(self):
        """The home Trash's "files" folder, which the helper watches."""
        return self.data_home / "Trash/files"

    @property
    def trash_info(self):
        """Beside "files": one .trashinfo per trashed item, with its original place."""
        return self.data_home / "Trash/info"

    def volume(self, name):
        """A mounted volume of the sandbox: a folder of <root>/Volumes."""
        folder = self.root / "Volumes" / name
        folder.mkdir(parents=True, exist_ok=True)
        return folder

    def volume_trash(self, volume):
        """A volume's own Trash for this user ("files" of .Trash-<uid>)."""
        return Path(volume) / f".Trash-{os.getuid()}" / "files"

    @property
    def library(self):
        return self.home / "Library"

    def environment(self):
        """The variables that keep our programs inside the sandbox. HOME and
        XDG_RUNTIME_DIR are for Qt and the libraries below it, which must not write
        into the home folder the helper works on."""
        withheld = {} if self.full_disk_access else {"SWEEPWISE_NO_FULL_DISK_ACCESS": "1"}
        return withheld | {
            "SWEEPWISE_HOME": str(self.home),
            "SWEEPWISE_ROOT": str(self.root),
            "TMPDIR": str(self.tmp),
            "HOME": str(self.qt_home),
            "XDG_RUNTIME_DIR": str(self.runtime),
            "XDG_CONFIG_HOME": str(self.qt_home / ".config"),
            "XDG_CACHE_HOME": str(self.qt_home / ".cache"),
            "XDG_DATA_HOME": str(self.qt_home / ".local/share"),
        }

    def client_environment(self):
        """For the programs that trash things as the user would (gio trash,
        trash-put): the sandbox's home is their home, so its Trash is theirs."""
        return {"HOME": str(self.home), "XDG_DATA_HOME": str(self.data_home)}

    def grant_full_disk_access(self, granted=True):
        """The helper has Full Disk Access when it can list the Trash folder. As root,
        whom no permission stops, the sandbox withholds it through
        SWEEPWISE_NO_FULL_DISK_ACCESS for the programs started from then on."""
        self.full_disk_access = granted

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

    def move_to_trash(self, bundle, name=None, trash=None):
        """Moves an application into the Trash the way a file manager does: its
        .trashinfo first, then one rename. Returns the path in the Trash."""
        trash = Path(trash or self.trash)
        target = trash / (name or Path(bundle).name)
        info = self.trash_info_of(target)
        info.parent.mkdir(parents=True, exist_ok=True)
        info.write_text("[Trash Info]\n"
                        f"Path={urllib.parse.quote(os.fsencode(str(bundle)))}\n"
                        f"DeletionDate={time.strftime('%Y-%m-%dT%H:%M:%S')}\n")
        os.rename(bundle, target)
        return target

    @staticmethod
    def trash_info_of(in_trash):
        """The .trashinfo that a Trash keeps for its top-level item `in_trash`."""
        in_trash = Path(in_trash)
        return in_trash.parent.parent / "info" / (in_trash.name + ".trashinfo")

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
