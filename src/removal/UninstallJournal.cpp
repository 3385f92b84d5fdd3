#include "removal/UninstallJournal.h"

#include "platform/FileSystem.h"
#include "platform/Path.h"
#include "shell/TrashInfo.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <ctime>
#include <map>

namespace {

constexpr const char* kSuffix = ".journal";
constexpr std::size_t kMaxJournalSize = 256 << 20;

std::vector<std::string_view> fields(std::string_view line) {
    std::vector<std::string_view> parts;
    std::size_t start = 0;
    for (;;) {
        std::size_t tab = line.find('\t', start);
        parts.push_back(line.substr(start, tab - start));
        if (tab == std::string_view::npos)
            return parts;
        start = tab + 1;
    }
}

std::string key(const std::string& trash, const std::string& name) {
    return trash + '\0' + name;
}

// The folder a volume Trash's relative paths start from; none needed for the home Trash,
// whose paths are absolute.
std::string topOf(const std::string& trash) {
    const std::string parent = platform::Path::deletingLastComponent(trash);
    if (platform::Path::lastComponent(trash).starts_with(".Trash-"))
        return parent;
    if (platform::Path::lastComponent(parent) == ".Trash")
        return platform::Path::deletingLastComponent(parent);
    return parent;
}

} // namespace

std::string UninstallJournal::folder() {
    return platform::FileSystem::userApplicationSupportDirectory().value_or("/nonexistent") +
           "/Sweepwise/Uninstalls";
}

std::optional<UninstallJournal> UninstallJournal::create(std::string* why) {
    const std::string where = folder();
    if (!platform::FileSystem::createDirectory(where, true)) {
        *why = "cannot make " + where;
        return std::nullopt;
    }
    std::time_t now = std::time(nullptr);
    std::tm parts{};
    gmtime_r(&now, &parts);
    char stamp[32];
    std::strftime(stamp, sizeof stamp, "%Y%m%dT%H%M%SZ", &parts);
    // Names sort by time; a second uninstall within the same second takes the next number.
    for (int number = 1; number < 1000; ++number) {
        char suffix[16];
        std::snprintf(suffix, sizeof suffix, "-%03d", number);
        std::string path = where + "/" + stamp + suffix + kSuffix;
        int error = 0;
        if (std::optional<platform::AppendOnlyFile> file =
                platform::AppendOnlyFile::create(path, &error))
            return UninstallJournal(std::move(path), std::move(*file));
        if (error != EEXIST) {
            *why = "cannot write in " + where + ": " + platform::FileMoves::errorText(error);
            return std::nullopt;
        }
    }
    *why = "no free journal name in " + where;
    return std::nullopt;
}

std::optional<std::string> UninstallJournal::newest() {
    const std::string where = folder();
    std::optional<std::vector<std::string>> names =
        platform::FileSystem::contentsOfDirectory(where);
    if (!names)
        return std::nullopt;
    std::optional<std::string> last;
    for (const std::string& name : *names) {
        if (name.ends_with(kSuffix) && (!last || name > *last))
            last = name;
    }
    if (!last)
        return std::nullopt;
    return where + "/" + *last;
}

bool UninstallJournal::recordMoving(const TrashMover::Trashed& item) const {
    return m_file.append("moving\t" + TrashMover::encodePath(item.original) + "\t" +
                         TrashMover::encodePath(item.trash) + "\t" +
                         TrashMover::encodePath(item.name) + "\n");
}

bool UninstallJournal::recordMoved(const TrashMover::Trashed& item) const {
    return m_file.append("moved\t" + TrashMover::encodePath(item.trash) + "\t" +
                         TrashMover::encodePath(item.name) + "\t" + std::to_string(item.size) +
                         "\t" + (item.folder ? "folder" : "item") + "\n");
}

std::optional<std::vector<TrashMover::Trashed>> UninstallJournal::read(const std::string& path) {
    return read(path, nullptr);
}

std::optional<std::vector<TrashMover::Trashed>>
UninstallJournal::read(const std::string& path, std::vector<bool>* finished) {
    std::optional<std::string> text = platform::FileSystem::readFile(path, kMaxJournalSize);
    if (!text)
        return std::nullopt;
    std::vector<TrashMover::Trashed> items;
    std::vector<bool> done;
    std::map<std::string, std::size_t> byName;
    std::size_t start = 0;
    while (start < text->size()) {
        std::size_t end = text->find('\n', start);
        if (end == std::string::npos)
            break; // A line without its end was cut short.
        const std::vector<std::string_view> parts =
            fields(std::string_view(*text).substr(start, end - start));
        start = end + 1;
        if (parts[0] == "moving" && parts.size() == 4) {
            auto original = TrashMover::decodePath(parts[1]);
            auto trash = TrashMover::decodePath(parts[2]);
            auto name = TrashMover::decodePath(parts[3]);
            if (!original || !trash || !name || name->empty() ||
                name->find('/') != std::string::npos || !original->starts_with('/'))
                continue;
            byName[key(*trash, *name)] = items.size();
            items.push_back({*original, *trash, *name, 0, false});
            done.push_back(false);
        } else if (parts[0] == "moved" && parts.size() == 5) {
            auto trash = TrashMover::decodePath(parts[1]);
            auto name = TrashMover::decodePath(parts[2]);
            auto found = trash && name ? byName.find(key(*trash, *name)) : byName.end();
            if (found == byName.end())
                continue;
            std::uint64_t size = 0;
            std::from_chars(parts[3].data(), parts[3].data() + parts[3].size(), size);
            items[found->second].size = size;
            items[found->second].folder = parts[4] == "folder";
            done[found->second] = true;
        }
    }
    if (finished)
        *finished = std::move(done);
    return items;
}

int UninstallJournal::repair(const std::string& path) {
    std::vector<bool> finished;
    std::optional<std::vector<TrashMover::Trashed>> items = read(path, &finished);
    if (!items)
        return 0;
    int removed = 0;
    for (std::size_t index = 0; index < items->size(); ++index) {
        const TrashMover::Trashed& item = (*items)[index];
        if (finished[index] || platform::FileSystem::itemExistsNoFollow(item.filesPath()))
            continue;
        // The item was never renamed: its information stands for nothing, if it is ours.
        std::optional<TrashInfo> info = TrashInfo::read(item.infoPath(), topOf(item.trash));
        if (info && info->originalPath() == item.original &&
            platform::FileMoves::removeEntry(item.infoPath()) == 0)
            ++removed;
    }
    return removed;
}
