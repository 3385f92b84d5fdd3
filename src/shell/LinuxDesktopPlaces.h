#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

// What the Linux desktop keeps about an application outside the application itself, for
// every kind that needs it: the thumbnails and menu entries named by a file's location,
// the desktop entries that run a program, and the base-directory folders named after an
// application. Everything here reads, bounded; nothing follows a symbolic link into
// another folder.
class LinuxDesktopPlaces {
public:
    // At most this many entries are looked at in one folder tree.
    static constexpr std::size_t kMaxEntries = 20000;

    // The file:// URI of an absolute path, each byte outside the URI's unreserved set and
    // "/" written as %XX (upper-case hex), as the thumbnail rules write it.
    static std::string fileUri(std::string_view path);
    // The lower-case hexadecimal MD5 of `bytes`.
    static std::string md5Hex(std::string_view bytes);

    // The desktop entry files (".desktop") in `folder` and its folders up to `maxDepth`
    // levels below, each given to `visit`; links are not followed.
    static void forEachDesktopEntry(const std::string& folder, int maxDepth,
                                    const std::function<void(const std::string&)>& visit);

    // Whether the entry's Exec or TryExec runs the program at `program` (an absolute path,
    // compared exactly).
    static bool entryRuns(const std::string& entryPath, const std::string& program);

    // The names an application's settings, caches and data folders may have: each name as
    // given and in lower case, once each, leaving out names that cannot name a folder
    // (empty, ".", "..", with "/", control characters, not UTF-8) and common words or
    // program runtimes that many applications share ("Files", "Settings", "AppRun",
    // "electron").
    static std::vector<std::string> folderNamesFor(const std::vector<std::string>& names);
    static bool isGenericName(std::string_view name);
};
