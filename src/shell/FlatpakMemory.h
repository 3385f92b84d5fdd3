#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

// What the helper keeps about each installed Flatpak application, because uninstalling
// deletes it: its name and icon (from its exported desktop entry and icon) and the host
// folders its metadata's [Context] lets it write. Kept in the helper's cache folder
// ($XDG_CACHE_HOME/<helper id>/flatpak): one small JSON list, and one file per icon of
// at most kMaxIconBytes; each written atomically and read back at start. A list that
// cannot be read counts as empty.
//
// Not shared between threads; reading an installed application may happen on any thread.
class FlatpakMemory {
public:
    static constexpr std::size_t kMaxIconBytes = 64 * 1024;
    static constexpr std::size_t kMaxMetadataBytes = 256 * 1024;
    static constexpr std::size_t kMaxListBytes = std::size_t(16) << 20;

    struct Record {
        std::string id;
        // The installation it was last seen in, and its deployed commit folder there.
        std::string installation;
        std::string commit;
        std::string name;
        // [Context] filesystems it may write below the home folder, as the metadata
        // writes them ("xdg-config/foo", "~/.foo"), one component below their base.
        std::vector<std::string> writableFolders;
        // The icon's encoded image; empty when it has none (or it was too large).
        std::string iconData;
        // 0 while installed; once reported uninstalled, the order of that report among
        // the others (kept for the dry run, never reported again).
        std::uint64_t uninstalled{0};
    };

    // Uninstalled applications remembered beyond this many, the earliest first, are
    // forgotten.
    static constexpr std::size_t kMaxUninstalled = 256;
    // Marks `id` uninstalled, forgetting the earliest uninstalled beyond the limit.
    void markUninstalled(const std::string& id);

    // The record of `id` deployed at `commit`, read from the commit's export folder and
    // metadata. The name falls back to the id's last component; an icon is taken only
    // when the desktop entry names one of the application's own (the id, or a name that
    // starts with it) and it is a small regular file.
    static Record readInstalled(const std::string& id, const std::string& installation,
                                const std::string& commit);

    // The writable host folders of a metadata key file's [Context] group.
    static std::vector<std::string> writableFolders(std::string_view metadata);

    static std::string folder();

    // Reads the list and the icons from folder(); an unreadable list gives no records.
    static FlatpakMemory load();
    // Writes the list and the icons of new records; removes icons of forgotten ones.
    bool save();

    std::map<std::string, Record>& records() { return m_records; }
    const std::map<std::string, Record>& records() const { return m_records; }

private:
    std::map<std::string, Record> m_records;
    std::map<std::string, std::string> m_savedIcons;
};
