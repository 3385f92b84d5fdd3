#!/usr/bin/env python3
"""Writes the keyed archives that the shell tests read, as the main application
sends them and broken in the ways a reader must survive.

The archives are laid out by hand with plistlib (binary property lists with UID
values), independently of the helper's own encoder, so that the tests check the
decoder against bytes it did not make. Run it from any folder; it writes next to
itself. The output is deterministic and committed, so the tests need no Python.
"""

import os
import plistlib

UID = plistlib.UID
HERE = os.path.dirname(os.path.abspath(__file__))

MUTABLE_DICTIONARY = {
    "$classname": "NSMutableDictionary",
    "$classes": ["NSMutableDictionary", "NSDictionary", "NSObject"],
}
DICTIONARY = {"$classname": "NSDictionary", "$classes": ["NSDictionary", "NSObject"]}
MUTABLE_ARRAY = {
    "$classname": "NSMutableArray",
    "$classes": ["NSMutableArray", "NSArray", "NSObject"],
}
ARRAY = {"$classname": "NSArray", "$classes": ["NSArray", "NSObject"]}
MUTABLE_SET = {
    "$classname": "NSMutableSet",
    "$classes": ["NSMutableSet", "NSSet", "NSObject"],
}
MUTABLE_STRING = {
    "$classname": "NSMutableString",
    "$classes": ["NSMutableString", "NSString", "NSObject"],
}


def archive(objects, top=None, archiver="NSKeyedArchiver", drop=()):
    document = {
        "$version": 100000,
        "$archiver": archiver,
        "$top": top if top is not None else {"root": UID(1)},
        "$objects": objects,
    }
    for key in drop:
        del document[key]
    return document


def exclude_paths():
    # Keys first, then values depth first; each class description follows the
    # first object that uses it. The second path is a mutable string, which the
    # platform writes in its dictionary form, and the number among the paths is
    # what a careless sender might add.
    return archive([
        "$null",
        {"NS.keys": [UID(2), UID(3)], "NS.objects": [UID(4), UID(5)], "$class": UID(12)},
        "command",
        "paths",
        "exclude-paths",
        {"NS.objects": [UID(6), UID(7), UID(9), UID(10)], "$class": UID(11)},
        "/Users/ann/Library/Caches/com.example.Foo",
        {"NS.string": "/Users/ann/Library/Préférences/com.example.Foo.plist", "$class": UID(8)},
        MUTABLE_STRING,
        7,
        "/Users/ann/Library/Logs/Foo",
        MUTABLE_ARRAY,
        MUTABLE_DICTIONARY,
    ])


def exclude_empty():
    return archive([
        "$null",
        {"NS.keys": [UID(2), UID(3)], "NS.objects": [UID(4), UID(5)], "$class": UID(7)},
        "command",
        "paths",
        "exclude-paths",
        {"NS.objects": [], "$class": UID(6)},
        ARRAY,
        DICTIONARY,
    ])


def exclude_paths_string():
    return archive([
        "$null",
        {"NS.keys": [UID(2), UID(3)], "NS.objects": [UID(4), UID(5)], "$class": UID(6)},
        "command",
        "paths",
        "exclude-paths",
        "/Users/ann/Library/Caches/com.example.Foo",
        DICTIONARY,
    ])


def clear():
    return archive([
        "$null",
        {"NS.keys": [UID(2)], "NS.objects": [UID(3)], "$class": UID(4)},
        "command",
        "clear-exclude-paths",
        MUTABLE_DICTIONARY,
    ])


def clear_keyless_root():
    document = clear()
    document["$top"] = {"$0": UID(1)}
    return document


def no_command():
    return archive([
        "$null",
        {"NS.keys": [UID(2)], "NS.objects": [UID(3)], "$class": UID(4)},
        "paths",
        "clear-exclude-paths",
        DICTIONARY,
    ])


def nested_shared_class():
    # Two dictionaries reuse one class description; a set (read as an array) is
    # referenced twice.
    return archive([
        "$null",
        {"NS.keys": [UID(2), UID(3)], "NS.objects": [UID(4), UID(5)], "$class": UID(9)},
        "command",
        "extra",
        "clear-exclude-paths",
        {"NS.keys": [UID(6), UID(7)], "NS.objects": [UID(10), UID(10)], "$class": UID(9)},
        "a",
        "b",
        MUTABLE_SET,
        MUTABLE_DICTIONARY,
        {"NS.objects": [UID(11), UID(12), UID(13)], "$class": UID(8)},
        True,
        -3,
        2.5,
    ])


def exclude_paths_with_objects():
    # Besides two paths, the list holds what a sender may slip in that is not a
    # string: a date and a URL, objects of classes the helper does not read.
    return archive([
        "$null",
        {"NS.keys": [UID(2), UID(3)], "NS.objects": [UID(4), UID(5)], "$class": UID(13)},
        "command",
        "paths",
        "exclude-paths",
        {"NS.objects": [UID(6), UID(7), UID(9), UID(10), UID(12)], "$class": UID(11)},
        "/Applications/Foo.app",
        {"NS.time": 786000000.0, "$class": UID(8)},
        {"$classname": "NSDate", "$classes": ["NSDate", "NSObject"]},
        "/Applications/Bar.app",
        {"NS.base": UID(0), "NS.relative": UID(6), "$class": UID(14)},
        MUTABLE_ARRAY,
        "/Applications/Baz.app",
        MUTABLE_DICTIONARY,
        {"$classname": "NSURL", "$classes": ["NSURL", "NSObject"]},
    ])


def uid_out_of_range():
    document = clear()
    document["$objects"][1]["NS.objects"] = [UID(99)]
    return document


def cycle():
    return archive([
        "$null",
        {"NS.keys": [UID(2)], "NS.objects": [UID(3)], "$class": UID(5)},
        "command",
        {"NS.objects": [UID(1)], "$class": UID(4)},
        ARRAY,
        DICTIONARY,
    ])


def mismatched_arrays():
    document = clear()
    document["$objects"][1]["NS.keys"] = [UID(2), UID(3)]
    return document


def unknown_class():
    document = clear()
    document["$objects"][4] = {"$classname": "NSURL", "$classes": ["NSURL", "NSObject"]}
    return document


def wrong_archiver():
    return archive(clear()["$objects"], archiver="NSArchiver")


def missing_top():
    return archive(clear()["$objects"], drop=("$top",))


def null_root():
    return archive(clear()["$objects"], top={"root": UID(0)})


def number_key():
    document = clear()
    document["$objects"][2] = 42
    return document


FILES = {
    "exclude-paths.bin": exclude_paths,
    "exclude-empty.bin": exclude_empty,
    "exclude-paths-string.bin": exclude_paths_string,
    "exclude-paths-with-objects.bin": exclude_paths_with_objects,
    "clear.bin": clear,
    "clear-keyless-root.bin": clear_keyless_root,
    "no-command.bin": no_command,
    "nested-shared-class.bin": nested_shared_class,
    "uid-out-of-range.bin": uid_out_of_range,
    "cycle.bin": cycle,
    "mismatched-arrays.bin": mismatched_arrays,
    "unknown-class.bin": unknown_class,
    "wrong-archiver.bin": wrong_archiver,
    "missing-top.bin": missing_top,
    "null-root.bin": null_root,
    "number-key.bin": number_key,
}


def main():
    folder = os.path.join(HERE, "keyed-archives")
    os.makedirs(folder, exist_ok=True)
    for name, make in FILES.items():
        data = plistlib.dumps(make(), fmt=plistlib.FMT_BINARY, sort_keys=True)
        with open(os.path.join(folder, name), "wb") as out:
            out.write(data)


if __name__ == "__main__":
    main()
