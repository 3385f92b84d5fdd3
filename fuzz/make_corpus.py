#!/usr/bin/env python3
"""Writes the seed corpora of the fuzz targets into fuzz/corpus/<target>/.

Containers come from our own packer (kbtool); their layers are peeled here with the
documented scrambling and the zip module, so the unpacking and decrypting targets
start from real stages. Keyed archives come from tests/data/keyed-archives (made by
tests/data/make_keyed_archives.py) and from the leftovers tool. Everything else is
written here. The output is committed; run this again only to change the seeds:

    fuzz/make_corpus.py --kbtool build/default/tools/kbtool/kbtool \
                        --leftovers build/default/tools/leftovers/leftovers
"""

import argparse
import glob
import io
import json
import os
import plistlib
import shutil
import subprocess
import tempfile
import zipfile

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
CORPUS = os.path.join(ROOT, "fuzz", "corpus")
DEFAULT_XML = os.path.join(ROOT, "resources", "knowledge", "default.xml")
PASSWORD_PLACES = [1, 4, 6, 9, 13, 14, 18, 21, 25, 26, 30, 33, 35, 38, 42, 45]

SMALL_DOCUMENTS = [
    '<?xml version="1.0" encoding="UTF-8"?>\n<base/>\n',
    "<base><rules><rule path=\"~/Library/Caches\" deep=\"1\"><f type=\"folder\" "
    "group=\"caches\" namePrefix=\"com.\"/><rule path=\"x\" fname=\"y\" fdeep=\"2\"/>"
    "</rule></rules></base>",
    "<base><domains><d vId=\"c:tool\" domain=\"yes\"><g v=\"logs\"><f>/a/b</f><f>/a/b</f>"
    "</g></d><d v=\"x.y\" system=\"yes\"><g v=\"system\"><f>~/z</f></g></d></domains>"
    "<domainGroups><g vId=\"g:G\" name=\"G\"><subdomains><d v=\"x.y\"/><d vId=\"ch:c:a|g:G\"/>"
    "</subdomains></g></domainGroups></base>",
    "<base><separators><d><s type=\"lowercaseName\"><v>helper</v></s></d><d v=\"a.b\">"
    "<s type=\"nameComponent\"><v>B</v></s></d></separators><skipList><f>/L</f></skipList>"
    "<extensionsSkipList><item group=\"w\" bundleID=\"a.b\"/><item group=\"pp\" name=\"N\"/>"
    "</extensionsSkipList></base>",
    "<base><customScripts><scripts vId=\"bi:a.b\"><preremoval><script version=\"1.2\">x"
    "</script><script>y</script></preremoval><postremoval><script>z</script></postremoval>"
    "</scripts></customScripts><CustomDomains><CustomDomainDefinition id=\"c:v\">"
    "<![CDATA[[\"and\", [\"contains\", \"A\"], [\"!\", [\"excludes\", \"B\"]]]]]>"
    "</CustomDomainDefinition></CustomDomains></base>",
]

RULES = [
    '["contains", "CFBundleName"]',
    '["excludes", "Missing"]',
    '["compare", "CFBundleName", ["=", "Foo Tool"]]',
    '["compare", "Nested", ["compare", "Deep", ["compare", "Deeper", ["=", "x"]]]]',
    '["compare", "CFBundleName", ["hasPrefix", "Foo"]]',
    '["compare", "CFBundleName", ["hasSuffix", "Tool"]]',
    '["compare", "CFBundleName", ["contains", "o TOOL"]]',
    '["compare", "CFBundleVersion", ["regexp", "^1\\\\.[0-9]"]]',
    '["compare", "Count", [">", 2]]',
    '["compare", "Ratio", ["<", 1]]',
    '["compare", "Types", ["all", ["contains", "."]]]',
    '["and", ["contains", "Flag"], ["or", ["excludes", "X"], ["!", ["contains", "Y"]]]]',
    '["compare", "Flag", ["=", true]]',
    '[]',
    '["unknown"]',
]

INFO = {
    "CFBundleIdentifier": "com.example.Foo",
    "CFBundleName": "Foo",
    "CFBundleExecutable": "Foo",
    "CFBundleIconFile": "Foo",
    "CFBundleShortVersionString": "1.2.3",
    "CFBundleVersion": "123",
    "LSUIElement": True,
    "CFBundleDocumentTypes": [{"CFBundleTypeExtensions": ["foo"], "LSItemContentTypes": []}],
    "NSHumanReadableCopyright": "\u00a9 2026",
    "Size": 4096,
    "Ratio": 0.25,
    "Data": b"\x00\x01",
}

WATCHER_ITEMS = [
    {"type": "10", "path": "/Users/u/Library/Caches/com.example.Foo", "bundleId": "com.example.foo"},
    {"type": 17, "path": "/p", "bundleId": "b", "size": 4096},
    {"type": "0", "path": "/Users/u/Library/Preferences/a \u00e9.plist", "bundleId": ""},
]
WATCHER_HEADER = "---=== Sweepwise Agent Watcher Message v2 ===---\n"

STRINGS = [
    '/* Title */\n"Title" = "Finish uninstalling";\n"Size %@" = "%@ of leftovers";\n',
    '"a" = "b";\n// comment\n"\\"quoted\\"" = "\\n\\t\\U00e9";\n',
    '\ufeff"key" = "value with \\\\ backslash";\n',
]


def write(target, name, data):
    folder = os.path.join(CORPUS, target)
    os.makedirs(folder, exist_ok=True)
    if isinstance(data, str):
        data = data.encode("utf-8")
    with open(os.path.join(folder, name), "wb") as handle:
        handle.write(data)


def bitrev(byte):
    return int("{:08b}".format(byte)[::-1], 2)


def unshake(scrambled):
    half = len(scrambled) // 2
    front, back = scrambled[:half], scrambled[half:]
    return b"PK\x03\x04" + bytes(bitrev(b) for b in back[::-1]) + front[::-1]


def shake(archive):
    rest = archive[4:]
    n = len(rest)
    h = n // 2
    return rest[n - h:][::-1] + bytes(bitrev(b) for b in rest[: n - h])[::-1]


def zip_of(entries, method=zipfile.ZIP_DEFLATED):
    buffer = io.BytesIO()
    with zipfile.ZipFile(buffer, "w", method) as archive:
        for name, contents in entries:
            archive.writestr(name, contents)
    return buffer.getvalue()


def pack(kbtool, document, work, name):
    source = os.path.join(work, name + ".xml")
    target = os.path.join(work, name + ".cer")
    with open(source, "w", encoding="utf-8") as handle:
        handle.write(document)
    subprocess.run([kbtool, "pack", source, target], check=True)
    with open(target, "rb") as handle:
        return handle.read()


def containers(kbtool, documents):
    with tempfile.TemporaryDirectory() as work:
        for index, document in enumerate(documents):
            container = pack(kbtool, document, work, "doc%d" % index)
            outer = unshake(container)
            encrypted = zipfile.ZipFile(io.BytesIO(outer)).read("_")
            write("Container", "container-%d.cer" % index, container)
            write("ContainerUnshake", "container-%d.cer" % index, container)
            write("ContainerUnzip", "outer-%d.zip" % index, outer)
            write("ContainerDecode", "stage-%d.bin" % index, encrypted)
    # Archives the unpacker must refuse or take apart with care.
    unzip_seeds = {
        "stored.zip": zip_of([("_", "<base/>")], zipfile.ZIP_STORED),
        "two-entries.zip": zip_of([("a/b", "x"), ("_", "y")]),
        "folder.zip": zip_of([("d/", ""), ("d/_", "z")]),
        "dotdot.zip": zip_of([("../_", "x")]),
        "no-underscore.zip": zip_of([("other", "x")]),
        "empty-entry.zip": zip_of([("_", "")]),
    }
    for name, data in unzip_seeds.items():
        write("ContainerUnzip", name, data)
        write("ContainerUnshake", name + ".shaken", shake(data))
    # A stage whose password bytes are all in place but whose message is short.
    write("ContainerDecode", "short-message.bin", bytes(range(60)))


def keyed_archives(leftovers):
    for path in sorted(glob.glob(os.path.join(ROOT, "tests", "data", "keyed-archives", "*.bin"))):
        for target in ("FileMessage", "KeyedArchive"):
            shutil.copy(path, os.path.join(CORPUS, target, os.path.basename(path)))
    with tempfile.TemporaryDirectory() as home:
        env = dict(os.environ, HOME=home, SWEEPWISE_HOME=home, TMPDIR=home)
        for arguments in (["write-exclude", "/Applications/Foo.app", "/Users/u/Foo"],
                          ["write-clear"]):
            subprocess.run([leftovers] + arguments, check=True, env=env,
                           stdout=subprocess.DEVNULL)
        written = sorted(glob.glob(os.path.join(home, "**", "*.msgforsahelp"), recursive=True))
        for index, path in enumerate(written):
            for target in ("FileMessage", "KeyedArchive"):
                shutil.copy(path, os.path.join(CORPUS, target, "leftovers-%d.bin" % index))


def documents():
    with open(DEFAULT_XML, encoding="utf-8") as handle:
        default = handle.read()
    for target in ("KnowledgeBase", "KnowledgeDocument", "xml"):
        write(target, "default.xml", default)
        for index, document in enumerate(SMALL_DOCUMENTS):
            write(target, "small-%d.xml" % index, document)
    return [default] + SMALL_DOCUMENTS[:2]


def texts():
    for index, rule in enumerate(RULES):
        write("CustomDomainRule", "rule-%d.json" % index, rule)
        write("JsonParse", "rule-%d.json" % index, rule)
    write("JsonParse", "items.json", json.dumps(WATCHER_ITEMS))
    write("WatcherMessage", "items.trforsa", WATCHER_HEADER + json.dumps(WATCHER_ITEMS))
    write("WatcherMessage", "empty.trforsa", WATCHER_HEADER + "[]")
    xml_info = plistlib.dumps(INFO, fmt=plistlib.FMT_XML)
    binary_info = plistlib.dumps(INFO, fmt=plistlib.FMT_BINARY)
    for target in ("InfoPlist", "PropertyListParse"):
        write(target, "info.xml.plist", xml_info)
        write(target, "info.binary.plist", binary_info)
    write("InfoPlist", "not-a-dictionary.plist", plistlib.dumps(["a"], fmt=plistlib.FMT_XML))
    for index, table in enumerate(STRINGS):
        write("StringsTable", "table-%d.strings" % index, table)
        write("Text", "table-%d.txt" % index, table)
    write("Text", "mixed.txt", "Stra\u00dfe \u0130stanbul caf\u00e9 \U0001F600 \xff")
    write("Text", "needle.txt", "Version 10.2 Caf\u00e9 STRASSE\x00caf\u00c9 stra\u00dfe 9")


def app_images():
    """SquashFS images as an AppImage carries them, made by mksquashfs, and an entry."""
    with tempfile.TemporaryDirectory() as work:
        tree = os.path.join(work, "tree")
        os.makedirs(os.path.join(tree, "usr", "share", "metainfo"))
        with open(os.path.join(tree, "org.example.Seed.desktop"), "w") as handle:
            handle.write("[Desktop Entry]\nName=Seed\nExec=seed %F\nIcon=seed\n"
                         "X-AppImage-Name=Seed App\n")
        with open(os.path.join(tree, "usr", "share", "metainfo",
                               "org.example.Seed.appdata.xml"), "w") as handle:
            handle.write("<component><id>org.example.Seed</id></component>")
        with open(os.path.join(tree, "seed.png"), "w") as handle:
            handle.write("PNG")
        os.symlink("seed.png", os.path.join(tree, ".DirIcon"))
        for compression in ("gzip", "xz"):
            image = os.path.join(work, compression)
            subprocess.run(["mksquashfs", tree, image, "-noappend", "-quiet", "-no-progress",
                            "-all-root", "-comp", compression], check=True,
                           stdout=subprocess.DEVNULL)
            with open(image, "rb") as handle:
                write("AppImage", "seed-" + compression, handle.read())
    write("AppImage", "entry", '[Desktop Entry]\nExec="a b" %U\n')


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--kbtool", required=True)
    parser.add_argument("--leftovers", required=True)
    arguments = parser.parse_args()
    for target in glob.glob(os.path.join(CORPUS, "*")):
        shutil.rmtree(target)
    for target in ("FileMessage", "KeyedArchive"):
        os.makedirs(os.path.join(CORPUS, target), exist_ok=True)
    containers(arguments.kbtool, documents())
    keyed_archives(arguments.leftovers)
    texts()
    app_images()


if __name__ == "__main__":
    main()
