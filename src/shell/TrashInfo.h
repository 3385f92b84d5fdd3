#pragma once

#include <optional>
#include <string>
#include <string_view>

// What a freedesktop Trash remembers of one trashed item: the ".trashinfo" file in the
// Trash's "info" folder, named after the item, holding its original location and the
// time it was trashed:
//
//     [Trash Info]
//     Path=/home/ann/Applications/Foo%20Bar.app
//     DeletionDate=2026-12-06T03:14:15
//
// The file is written by whatever program trashed the item, so nothing in it is trusted:
// anything that does not read as such a file gives none.
class TrashInfo {
public:
    // Files larger than this are not trash information.
    static constexpr std::size_t kMaxFileSize = 64 * 1024;

    // `text` is the file's contents; a relative Path is taken from `baseFolder`, the folder
    // that holds the Trash (the user's data folder for the home Trash, the volume's top folder
    // for a volume's). None without a "[Trash Info]" group with a usable Path, for a Path
    // with a bad escape, a NUL byte or a "." or ".." component, and for a relative Path when
    // `baseFolder` is empty.
    static std::optional<TrashInfo> parse(std::string_view text, const std::string& baseFolder);

    // Reads and parses the file at `infoPath`; none when it cannot be read or is too large.
    static std::optional<TrashInfo> read(const std::string& infoPath,
                                         const std::string& baseFolder);

    // The absolute path the item had before it was trashed.
    const std::string& originalPath() const { return m_originalPath; }
    // As written (ISO 8601 local time, "YYYY-MM-DDThh:mm:ss"); empty when missing.
    const std::string& deletionDate() const { return m_deletionDate; }

private:
    TrashInfo(std::string originalPath, std::string deletionDate)
        : m_originalPath(std::move(originalPath)), m_deletionDate(std::move(deletionDate)) {}

    std::string m_originalPath;
    std::string m_deletionDate;
};
