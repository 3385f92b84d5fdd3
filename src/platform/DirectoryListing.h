#pragma once

#include "platform/FolderIdentity.h"
#include "platform/ResourceValues.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

// One folder held open with all of its names read, for walks over many folders.
// Entries are examined and subfolders opened relative to the open folder, so a walk
// builds no path per entry, and one object can be reused folder after folder
// without allocating again. Nothing here follows a symbolic link except
// open(path, FinalLink::Follow).
class DirectoryListing {
public:
    enum class FinalLink { Follow, Refuse };

    struct Entry {
        // Points into the listing and is followed by a NUL byte; valid until the
        // listing is opened again or destroyed.
        std::string_view name;
        // What the folder itself records, without examining the entry; Unknown where
        // the file system does not record it.
        FileResourceType type{FileResourceType::Unknown};
    };

    DirectoryListing() = default;
    ~DirectoryListing();
    DirectoryListing(DirectoryListing&& other) noexcept;
    DirectoryListing& operator=(DirectoryListing&& other) noexcept;
    DirectoryListing(const DirectoryListing&) = delete;
    DirectoryListing& operator=(const DirectoryListing&) = delete;

    // Opens the folder at `path`. With FinalLink::Refuse, trailing "/" are ignored
    // and a final symbolic link is not followed. False when it cannot be opened.
    bool open(const std::string& path, FinalLink finalLink);
    // Opens `entry` of `parent`, which must be open, as a folder; never through a link.
    bool open(const DirectoryListing& parent, const Entry& entry);
    // Closes the folder and forgets its entries; the buffers stay for the next open.
    void close();
    bool isOpen() const { return m_folder >= 0; }

    // The open folder's own values, taken when it was opened.
    const ResourceValues& values() const { return m_values; }

    // Reads every name of the open folder, "." and ".." left out. False, with no
    // entries, when reading fails part way.
    bool read();
    const std::vector<Entry>& entries() const { return m_entries; }

    // Whether entries can be examined and opened: a folder can be readable without
    // the search permission that this needs.
    bool canExamineEntries() const;

    // The entry's own values (a link is not followed); none when it is gone or cannot
    // be examined.
    std::optional<ResourceValues> valuesOfEntry(const Entry& entry) const;
    // Whether the entry, links followed, is a folder; none when nothing can be reached
    // through it (a missing item, a dangling or looping link).
    std::optional<bool> entryLeadsToFolder(const Entry& entry) const;

    // Walks deeper than the descriptor limit give up the descriptors of folders they
    // will come back to; the entries stay.
    void releaseFolder();
    // Takes a descriptor again after releaseFolder(): through ".." of `child`, an open
    // listing of one of its subfolders, else by `path`. False unless what it finds is
    // still the folder that was released.
    bool reacquireFolder(const DirectoryListing& child, const std::string& path);

private:
    bool adopt(int descriptor, std::string_view name);

    int m_folder{-1};
    FolderIdentity m_identity;
    ResourceValues m_values;
    std::vector<char> m_buffer;
    std::vector<Entry> m_entries;
};

} // namespace platform
