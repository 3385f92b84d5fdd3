#!/usr/bin/env python3
"""A realistic home: dozens of real applications installed, each with the files its
public uninstall list names, sibling editions and an application of the same vendor
that stay installed, and the user's own documents named after the applications.

Every application of apps.WITH_RECORDS, apps.HELD_OUT and unlisted.UNLISTED is removed
in turn (its
bundle leaves the applications folder, all others stay installed) and the dry run
(`leftovers --json`) tells what the helper would offer. For each application the
script prints precision (offered items that are truly its own) and recall (its
leftovers that were offered), then both figures per set. An offered item is its own
when it is one of its leftovers or lies inside one; a leftover counts as found when it
or a folder around it is offered.

Exit status 1 when anything offered is not the removed application's own (each such
item is listed with its cause), 2 when the dry run cannot be run; 0 otherwise.

    tests/realistic/realistic_home.py [--build build/default | --tool PATH] [--verbose] [--keep]

Python 3 standard library only; nothing outside a temporary folder is touched.
"""
import argparse
import json
import os
import plistlib
import shutil
import subprocess
import sys
import tempfile
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent))
import apps  # noqa: E402
import unlisted  # noqa: E402

SOURCE_DIR = Path(__file__).resolve().parents[2]


class Home:
    """The sandbox: <base>/home is the user's home folder, <base>/root the root folder
    with /Applications, <base>/removed where removed bundles wait."""

    def __init__(self, base):
        self.base = Path(base)
        self.home = self.base / "home"
        self.applications = self.base / "root" / "Applications"
        self.removed = self.base / "removed"
        self.tmp = self.base / "tmp"
        for folder in (self.home, self.applications, self.removed, self.tmp):
            folder.mkdir(parents=True, exist_ok=True)

    def environment(self):
        env = dict(os.environ)
        env.update({
            "SWEEPWISE_HOME": str(self.home),
            "SWEEPWISE_ROOT": str(self.base / "root"),
            "TMPDIR": str(self.tmp),
            "HOME": str(self.base / "qt-home"),
        })
        return env

    def install(self, application):
        bundle = self.applications / (application["name"] + ".app")
        contents = bundle / "Contents"
        (contents / "MacOS").mkdir(parents=True, exist_ok=True)
        with open(contents / "Info.plist", "wb") as out:
            plistlib.dump({
                "CFBundleIdentifier": application["id"],
                "CFBundleExecutable": application["exe"],
                "CFBundleName": application["bundle"],
                "CFBundleDisplayName": application["display"],
                "CFBundlePackageType": "APPL",
            }, out)
        executable = contents / "MacOS" / application["exe"]
        executable.write_text("#!/bin/sh\n")
        executable.chmod(0o755)
        return bundle

    def place(self, relative, owner):
        """A leftover: a file when the name says so, otherwise a folder with a file."""
        path = self.home / relative
        if is_file_name(path.name):
            path.parent.mkdir(parents=True, exist_ok=True)
            if not path.exists():
                path.write_text(f"{owner}\n")
        else:
            path.mkdir(parents=True, exist_ok=True)
            (path / "data").write_text(f"{owner}\n")


FILE_SUFFIXES = (".plist", ".binarycookies", ".sfl2", ".log", ".txt", ".json", ".crash",
                 ".zip", ".pdf", ".mp4", ".m3u", ".png", ".jpg", ".md", ".fig", ".mkv",
                 ".ogg", ".iso", ".aup3", ".m4v", ".7z", ".docx", ".xlsx", ".py", ".java",
                 ".yaml", ".mp3", ".ino")


def is_file_name(name):
    return name.endswith(FILE_SUFFIXES)


def inside(path, folder):
    return path == folder or path.startswith(folder + "/")


def build_home(home):
    """Installs every application and places every file; answers the owners of each
    path relative to the home folder."""
    owners = {}
    everyone = (apps.WITH_RECORDS + apps.HELD_OUT + apps.STAYING + unlisted.UNLISTED +
                unlisted.UNLISTED_STAYING)
    for application in everyone:
        home.install(application)
        for relative in application["leftovers"]:
            home.place(relative, application["id"])
            owners.setdefault(relative, set()).add(application["id"])
        for relative in application["shared"]:
            home.place(relative, "shared")
            owners.setdefault(relative, set()).add("shared")
        for relative in application["documents"]:
            home.place(relative, "user")
            owners.setdefault(relative, set()).add("user")
    return owners


def dry_run(tool, home, bundle):
    result = subprocess.run([str(tool), "--json", str(bundle)], env=home.environment(),
                            capture_output=True, text=True, timeout=60)
    if result.returncode not in (0, 1):
        raise RuntimeError(f"{tool} failed for {bundle}: {result.stderr.strip()}")
    if not result.stdout.strip():
        return []
    return [item["path"] for item in json.loads(result.stdout).get("items", [])]


def cause_of(relative, application, owners):
    """Why an offered item is not the application's own."""
    for path, who in sorted(owners.items()):
        if not (inside(relative, path) or inside(path, relative)):
            continue
        if application["id"] in who and inside(relative, path):
            continue
        if "user" in who:
            return "the user's documents"
        if "shared" in who:
            return "shared with an installed application"
        if who - {application["id"]}:
            return "another application's files (" + ", ".join(sorted(who)) + ")"
    return "nothing the application left"


def score(application, offered, home, owners):
    own = application["leftovers"]
    relative = []
    for path in offered:
        path = path.rstrip("/")
        if not inside(path, str(home.home)):
            continue  # the bundle itself, outside the home folder
        relative.append(os.path.relpath(path, home.home))
    correct = [p for p in relative if any(inside(p, leftover) for leftover in own)]
    wrong = {p: cause_of(p, application, owners) for p in relative if p not in correct}
    found = [leftover for leftover in own if any(inside(leftover, p) for p in relative)]
    return {"offered": len(relative), "correct": len(correct), "wrong": wrong,
            "leftovers": len(own), "found": len(found),
            "missed": [leftover for leftover in own if leftover not in found]}


def ratio(part, whole):
    return part / whole if whole else 1.0


def run_set(label, applications, tool, home, owners, verbose):
    totals = {"offered": 0, "correct": 0, "leftovers": 0, "found": 0}
    false_positives = []
    print(f"\n{label}")
    print(f"  {'application':32} {'precision':>9} {'recall':>7}  offered/leftovers")
    for application in applications:
        bundle = home.applications / (application["name"] + ".app")
        removed = home.removed / bundle.name
        bundle.rename(removed)
        try:
            offered = dry_run(tool, home, removed)
        finally:
            removed.rename(bundle)
        result = score(application, offered, home, owners)
        for key in totals:
            totals[key] += result[key]
        print(f"  {application['name']:32} {ratio(result['correct'], result['offered']):9.3f} "
              f"{ratio(result['found'], result['leftovers']):7.3f}  "
              f"{result['offered']}/{result['leftovers']}")
        for path, cause in sorted(result["wrong"].items()):
            print(f"      NOT ITS OWN: {path}  ({cause})")
            false_positives.append((application["name"], path, cause))
        if verbose:
            for path in result["missed"]:
                print(f"      missed: {path}")
    precision = ratio(totals["correct"], totals["offered"])
    recall = ratio(totals["found"], totals["leftovers"])
    print(f"  {'all ' + str(len(applications)):32} {precision:9.3f} {recall:7.3f}  "
          f"{totals['offered']}/{totals['leftovers']}")
    return precision, recall, false_positives


def find_tool(build):
    for candidate in (build / "tools" / "leftovers" / "leftovers", build / "tools" / "leftovers"):
        if candidate.is_file():
            return candidate
    return build / "tools" / "leftovers"


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--build", default=os.environ.get("SWEEPWISE_BUILD_DIR",
                                                          str(SOURCE_DIR / "build/default")))
    parser.add_argument("--tool", help="the dry-run program (default: found in the build)")
    parser.add_argument("--verbose", action="store_true", help="list missed leftovers too")
    parser.add_argument("--keep", action="store_true", help="keep the sandbox and print it")
    arguments = parser.parse_args()

    tool = Path(arguments.tool) if arguments.tool else find_tool(Path(arguments.build))
    if not tool.is_file() or not os.access(tool, os.X_OK):
        print(f"realistic_home: no dry-run tool at {tool}; build the target `leftovers`",
              file=sys.stderr)
        return 2
    base = tempfile.mkdtemp(prefix="sweepwise-realistic-")
    try:
        home = Home(base)
        owners = build_home(home)
        results = [
            run_set("Applications with knowledge-base records", apps.WITH_RECORDS, tool,
                    home, owners, arguments.verbose),
            run_set("Held-out applications (generic rules only)", apps.HELD_OUT, tool,
                    home, owners, arguments.verbose),
            run_set("Unlisted applications (second held-out set, conventions)",
                    unlisted.UNLISTED, tool, home, owners, arguments.verbose),
        ]
    except (OSError, RuntimeError, subprocess.SubprocessError, ValueError) as error:
        print(f"realistic_home: {error}", file=sys.stderr)
        return 2
    finally:
        if arguments.keep:
            print(f"\nsandbox kept: {base}")
        else:
            shutil.rmtree(base, ignore_errors=True)

    (p1, r1, fp1), (p2, r2, fp2), (p3, r3, fp3) = results
    print(f"\nwith records: precision {p1:.3f} recall {r1:.3f}")
    print(f"held out:     precision {p2:.3f} recall {r2:.3f}")
    print(f"unlisted:     precision {p3:.3f} recall {r3:.3f}")
    false_positives = fp1 + fp2 + fp3
    if false_positives:
        print(f"{len(false_positives)} offered items are not the removed application's own")
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
