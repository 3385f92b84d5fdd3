#pragma once

#include "platform/PlistValue.h"

#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace platform {

// A folder seen as a bundle: its information dictionary (Contents/Info.plist, XML or
// binary) and the places of its resources and executable.
//
// The information dictionary is read once, when the bundle is created; a bundle is
// immutable afterwards and may be shared between threads.
class Bundle {
public:
    // What kind of application the bundle stands for. An application of another kind (a
    // single-file AppImage, a Flatpak) has no Info.plist; its information dictionary is made
    // from its own metadata, so that it travels the same road as a bundle folder.
    enum class Kind { AppBundle, AppImage, Flatpak };

    // Info.plist files larger than this are treated as missing.
    static constexpr std::size_t kMaxInfoPlistBytes = std::size_t(4) << 20;

    // A bundle for the folder at `path` (links followed); null when nothing is there
    // or it is not a folder. Trailing slashes are dropped from the path.
    static std::shared_ptr<Bundle> create(const std::string& path);

    // An application of another kind at `path`, described by `info` (CFBundleIdentifier,
    // CFBundleName, CFBundleDisplayName, CFBundleExecutable and keys of its kind) and, when
    // it carries one, its icon's encoded image. While the returned bundle lives, create()
    // with the same path answers it, so that every stage finds the same description.
    static std::shared_ptr<Bundle> createDescribed(std::string path, Kind kind, PlistValue info,
                                                   std::string iconData = {});

    // The bundle of the running program: the nearest folder ending in ".app" around
    // its executable, else the executable's own folder. Found once per process; null
    // only when the executable's location cannot be read.
    static std::shared_ptr<Bundle> mainBundle();

    // The nearest folder ending in ".app" that contains `executablePath` (judged by
    // the path alone); none when there is none.
    static std::optional<std::string> enclosingAppPath(const std::string& executablePath);

    const std::string& bundlePath() const { return m_path; }
    Kind kind() const { return m_kind; }
    // The encoded icon image an application of another kind carries; empty otherwise.
    const std::string& iconData() const { return m_iconData; }

    // The string under CFBundleIdentifier, if it is one.
    std::optional<std::string> bundleIdentifier() const;

    // An empty dictionary when Info.plist is missing, unreadable, too large, malformed
    // or not a dictionary.
    const PlistValue& infoDictionary() const { return m_info; }
    const PlistValue* objectForInfoDictionaryKey(std::string_view key) const;

    // Contents/Resources, whether or not it exists.
    std::string resourcePath() const;

    // Contents/Resources/<name>.<type> (just <name> when `type` is empty) if something
    // exists there.
    std::optional<std::string> pathForResource(std::string_view name, std::string_view type) const;

    // Contents/MacOS/<CFBundleExecutable> if the key holds a plain file name and
    // something exists there.
    std::optional<std::string> executablePath() const;

private:
    Bundle(std::string path, PlistValue info, Kind kind = Kind::AppBundle,
           std::string iconData = {})
        : m_path(std::move(path)), m_info(std::move(info)), m_kind(kind),
          m_iconData(std::move(iconData)) {}

    std::string m_path;
    PlistValue m_info;
    Kind m_kind{Kind::AppBundle};
    std::string m_iconData;
};

} // namespace platform
