#!/usr/bin/env python3
"""A realistic Linux home: two dozen real desktop applications kept as AppImages in
~/Applications, each with the settings, caches and data its public catalogue entry
names, some with the menu entries, icons and thumbnails of a desktop-integration tool,
vendor folders shared with other products, another copy or a packaged install of some,
and the user's own files named after them.

Each AppImage is made here: a 128-byte ELF stub with the type-2 AppImage mark, followed
by a SquashFS image made by mksquashfs holding the application's desktop entry, its
AppStream file and an icon. Nothing is ever run.

Every application of linux_apps.APPS is moved in turn to the Trash (with its trash
information) and the dry run (`leftovers --json`) tells what the helper would offer.
Precision is the share of offered items that are its own; recall the share of its
leftovers offered. An application with another copy installed must get nothing.

Exit status 1 when anything offered is not the removed application's own, 2 when the
dry run cannot be run; 0 otherwise.

    tests/realistic/linux_home.py [--build build/default | --tool PATH] [--verbose] [--keep]
"""
import argparse
import hashlib
import json
import os
import shutil
import struct
import subprocess
import sys
import tempfile
import urllib.parse
import zlib
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent))
import linux_apps  # noqa: E402

SOURCE_DIR = Path(__file__).resolve().parents[2]


ICON_COLOUR = "#E04020"


def png(size=64, rgb=(0xE0, 0x40, 0x20)):
    """A square PNG of one colour, for the AppImages' icons."""
    def chunk(kind, data):
        return (struct.pack(">I", len(data)) + kind + data +
                struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF))
    rows = b"".join(b"\x00" + bytes(rgb) * size for _ in range(size))
    return (b"\x89PNG\r\n\x1a\n" +
            chunk(b"IHDR", struct.pack(">IIBBBBB", size, size, 8, 2, 0, 0, 0)) +
            chunk(b"IDAT", zlib.compress(rows)) + chunk(b"IEND", b""))


def stub():
    header = bytearray(128)
    header[0:7] = b"\x7fELF\x02\x01\x01"
    header[8:11] = b"AI\x02"
    struct.pack_into("<Q", header, 0x28, 64)   # section headers at 64
    struct.pack_into("<H", header, 0x3A, 64)   # one entry of 64 bytes
    struct.pack_into("<H", header, 0x3C, 1)
    return bytes(header)


def make_appimage(path, application, work):
    tree = Path(tempfile.mkdtemp(dir=work))
    (tree / "usr/share/metainfo").mkdir(parents=True)
    (tree / f"{application['id']}.desktop").write_text(
        f"[Desktop Entry]\nType=Application\nName={application['name']}\n"
        f"Exec={application['exe']} %U\nIcon={application['id']}\n")
    (tree / f"usr/share/metainfo/{application['id']}.metainfo.xml").write_text(
        f"<component type=\"desktop-application\"><id>{application['id']}</id>"
        f"<launchable type=\"desktop-id\">{application['id']}.desktop</launchable></component>\n")
    (tree / f"{application['id']}.png").write_bytes(png())
    os.symlink(f"{application['id']}.png", tree / ".DirIcon")
    image = Path(work) / "image.sqfs"
    subprocess.run(["mksquashfs", str(tree), str(image), "-noappend", "-quiet", "-no-progress",
                    "-all-root", "-comp", "gzip"], check=True, stdout=subprocess.DEVNULL)
    path.parent.mkdir(parents=True, exist_ok=True)
    path.write_bytes(stub() + image.read_bytes())
    path.chmod(0o755)
    shutil.rmtree(tree)


def is_file_name(name):
    return name.endswith(("rc", ".conf", ".kdbx", ".desktop", ".png"))


def place(home, relative, owner):
    path = home / relative
    if is_file_name(path.name):
        path.parent.mkdir(parents=True, exist_ok=True)
        path.write_text(f"{owner}\n")
    else:
        path.mkdir(parents=True, exist_ok=True)
        (path / "data").write_text(f"{owner}\n")


def file_name(application):
    return application["name"].replace(" ", "_") + "-1.0-x86_64.AppImage"


def integration_files(application, original):
    """What an integration tool makes for an AppImage, named by the MD5 of its URI."""
    uri = "file://" + urllib.parse.quote(str(original), safe="/-_.!~*'()")
    digest = hashlib.md5(uri.encode()).hexdigest()
    return {
        f".local/share/applications/appimagekit_{digest}-{application['entry']}.desktop":
            f"[Desktop Entry]\nName={application['name']}\nExec={original} %U\n",
        f".local/share/icons/hicolor/256x256/apps/appimagekit_{digest}_{application['exe']}.png":
            "icon",
        f".cache/thumbnails/normal/{digest}.png": "thumbnail",
    }


class Home:
    def __init__(self, base):
        self.base = Path(base)
        self.home = self.base / "home"
        self.root = self.base / "root"
        self.tmp = self.base / "tmp"
        self.applications = self.home / "Applications"
        self.trash = self.home / ".local/share/Trash"
        for folder in (self.home, self.root, self.tmp, self.applications,
                       self.trash / "files", self.trash / "info"):
            folder.mkdir(parents=True, exist_ok=True)

    def environment(self):
        env = {key: value for key, value in os.environ.items() if not key.startswith("XDG_")}
        env.update({"SWEEPWISE_HOME": str(self.home), "SWEEPWISE_ROOT": str(self.root),
                    "TMPDIR": str(self.tmp), "HOME": str(self.base / "qt-home")})
        return env


def build_home(home):
    owners = {}

    def own(relative, who):
        owners.setdefault(relative, set()).add(who)

    work = home.base / "work"
    work.mkdir()
    for application in linux_apps.APPS:
        installed = home.applications / file_name(application)
        make_appimage(installed, application, work)
        for relative in application["leftovers"]:
            place(home.home, relative, application["id"])
            own(relative, application["id"])
        for relative in application["shared"]:
            place(home.home, relative, "shared")
            own(relative, "shared")
        for relative in application["documents"]:
            place(home.home, relative, "user")
            own(relative, "user")
        if application["integrated"]:
            for relative, text in integration_files(application, installed).items():
                (home.home / relative).parent.mkdir(parents=True, exist_ok=True)
                (home.home / relative).write_text(text)
                application["leftovers"].append(relative)
                own(relative, application["id"])
        if application["copy"] == "appimage":
            make_appimage(home.applications / "Older" / file_name(application), application, work)
        elif application["copy"] == "package":
            entries = home.root / "usr/share/applications"
            entries.mkdir(parents=True, exist_ok=True)
            (entries / f"{application['id']}.desktop").write_text(
                f"[Desktop Entry]\nName={application['name']}\nExec={application['exe']}\n")
    return owners


def dry_run(tool, home, path):
    result = subprocess.run([str(tool), "--json", str(path)], env=home.environment(),
                            capture_output=True, text=True, timeout=120)
    if result.returncode not in (0, 1):
        raise RuntimeError(f"{tool} failed for {path}: {result.stderr.strip()}")
    if not result.stdout.strip():
        return []
    return [item["path"] for item in json.loads(result.stdout).get("items", [])]


def inside(path, folder):
    return path == folder or path.startswith(folder + "/")


def cause_of(relative, application, owners):
    if application["copy"]:
        return "offered while another copy is installed"
    for path, who in sorted(owners.items()):
        if inside(relative, path) or inside(path, relative):
            if application["id"] in who and inside(relative, path):
                continue
            if "user" in who:
                return "the user's own files"
            if "shared" in who:
                return "shared with another product"
            return "another application's files (" + ", ".join(sorted(who)) + ")"
    return "nothing the application left"


def remove_and_score(tool, home, application, owners):
    installed = home.applications / file_name(application)
    trashed = home.trash / "files" / installed.name
    info = home.trash / "info" / (installed.name + ".trashinfo")
    installed.rename(trashed)
    info.write_text("[Trash Info]\nPath=" + urllib.parse.quote(str(installed)) +
                    "\nDeletionDate=2026-12-01T10:00:00\n")
    try:
        offered = dry_run(tool, home, trashed)
    finally:
        trashed.rename(installed)
        info.unlink()
    relative = [os.path.relpath(p.rstrip("/"), home.home) for p in offered
                if inside(p.rstrip("/"), str(home.home)) and
                not inside(p.rstrip("/"), str(home.trash))]
    own = [] if application["copy"] else application["leftovers"]
    correct = [p for p in relative if any(inside(p, leftover) for leftover in own)]
    wrong = {p: cause_of(p, application, owners) for p in relative if p not in correct}
    found = [leftover for leftover in own if any(inside(leftover, p) for p in relative)]
    return {"offered": len(relative), "correct": len(correct), "wrong": wrong,
            "leftovers": len(own), "found": len(found),
            "missed": [leftover for leftover in own if leftover not in found]}


def ratio(part, whole):
    return part / whole if whole else 1.0


def find_tool(build):
    return build / "tools" / "leftovers" / "leftovers"


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--build", default=os.environ.get("SWEEPWISE_BUILD_DIR",
                                                          str(SOURCE_DIR / "build/default")))
    parser.add_argument("--tool", help="the dry-run program (default: found in the build)")
    parser.add_argument("--verbose", action="store_true", help="list missed leftovers too")
    parser.add_argument("--keep", action="store_true", help="keep the sandbox and print it")
    arguments = parser.parse_args()
    tool = Path(arguments.tool) if arguments.tool else find_tool(Path(arguments.build))
    if not tool.is_file() or not os.access(tool, os.X_OK) or not shutil.which("mksquashfs"):
        print(f"linux_home: needs the dry-run tool ({tool}) and mksquashfs", file=sys.stderr)
        return 2
    base = tempfile.mkdtemp(prefix="sweepwise-linux-home-")
    totals = {"offered": 0, "correct": 0, "leftovers": 0, "found": 0}
    false_positives = []
    try:
        home = Home(base)
        owners = build_home(home)
        print(f"  {'application':28} {'precision':>9} {'recall':>7}  offered/leftovers")
        for application in linux_apps.APPS:
            result = remove_and_score(tool, home, application, owners)
            for key in totals:
                totals[key] += result[key]
            note = f"  (another copy: {application['copy']})" if application["copy"] else ""
            print(f"  {application['name']:28} {ratio(result['correct'], result['offered']):9.3f} "
                  f"{ratio(result['found'], result['leftovers']):7.3f}  "
                  f"{result['offered']}/{result['leftovers']}{note}")
            for path, cause in sorted(result["wrong"].items()):
                print(f"      NOT ITS OWN: {path}  ({cause})")
                false_positives.append((application["name"], path))
            if arguments.verbose:
                for path in result["missed"]:
                    print(f"      missed: {path}")
    except (OSError, RuntimeError, subprocess.SubprocessError, ValueError) as error:
        print(f"linux_home: {error}", file=sys.stderr)
        return 2
    finally:
        if arguments.keep:
            print(f"\nsandbox kept: {base}")
        else:
            shutil.rmtree(base, ignore_errors=True)
    precision = ratio(totals["correct"], totals["offered"])
    recall = ratio(totals["found"], totals["leftovers"])
    print(f"\n{len(linux_apps.APPS)} AppImages: precision {precision:.3f} recall {recall:.3f} "
          f"({totals['offered']} offered, {totals['leftovers']} leftovers)")
    if false_positives:
        print(f"{len(false_positives)} offered items are not the removed application's own")
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
