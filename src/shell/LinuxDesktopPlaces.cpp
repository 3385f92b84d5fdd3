#include "shell/LinuxDesktopPlaces.h"

#include "platform/FileSystem.h"
#include "platform/ItemStatus.h"
#include "platform/Path.h"
#include "platform/Text.h"
#include "platform/Utf8.h"
#include "shell/DesktopEntry.h"

#include <algorithm>
#include <array>
#include <openssl/evp.h>

namespace {

// Names shared by many applications: the generic names desktops give their own tools,
// and the launchers and runtimes that packaged applications name as their program.
constexpr std::array<std::string_view, 40> kGenericNames{
    "apprun",   "app",      "application", "applications", "electron",    "java",
    "python",   "python3",  "node",        "wine",         "sh",          "bash",
    "env",      "launcher", "run",         "start",        "files",       "settings",
    "terminal", "editor",   "text editor", "browser",      "web browser", "web",
    "music",    "videos",   "photos",      "pictures",     "documents",   "calculator",
    "calendar", "mail",     "notes",       "software",     "help",        "camera",
    "maps",     "weather",  "clock",       "contacts"};

bool isUsableFolderName(std::string_view name) {
    if (name.empty() || name == "." || name == ".." || !platform::Utf8::isValid(name))
        return false;
    return std::none_of(name.begin(), name.end(), [](char c) {
        const auto byte = static_cast<unsigned char>(c);
        return c == '/' || byte < 0x20 || byte == 0x7f;
    });
}

} // namespace

std::string LinuxDesktopPlaces::fileUri(std::string_view path) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string uri = "file://";
    for (char c : path) {
        const auto byte = static_cast<unsigned char>(c);
        const bool keep = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                          (c >= '0' && c <= '9') ||
                          std::string_view("-_.!~*'()/").find(c) != std::string_view::npos;
        if (keep) {
            uri += c;
        } else {
            uri += '%';
            uri += kHex[byte >> 4];
            uri += kHex[byte & 0xF];
        }
    }
    return uri;
}

std::string LinuxDesktopPlaces::md5Hex(std::string_view bytes) {
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int size = 0;
    if (EVP_Digest(bytes.data(), bytes.size(), digest, &size, EVP_md5(), nullptr) != 1)
        return {};
    static constexpr char kHex[] = "0123456789abcdef";
    std::string hex;
    for (unsigned int i = 0; i < size; ++i) {
        hex += kHex[digest[i] >> 4];
        hex += kHex[digest[i] & 0xF];
    }
    return hex;
}

void LinuxDesktopPlaces::forEachDesktopEntry(const std::string& folder, int maxDepth,
                                             const std::function<void(const std::string&)>& visit) {
    std::vector<std::pair<std::string, int>> pending{{folder, 0}};
    std::size_t seen = 0;
    while (!pending.empty() && seen < kMaxEntries) {
        auto [current, depth] = std::move(pending.back());
        pending.pop_back();
        auto names = platform::FileSystem::contentsOfDirectory(current);
        if (!names)
            continue;
        std::sort(names->begin(), names->end());
        for (const std::string& name : *names) {
            if (++seen > kMaxEntries)
                break;
            const std::string path = platform::Path::appending(current, name);
            const auto status =
                platform::ItemStatus::of(path, platform::ItemStatus::Links::NoFollow);
            if (!status)
                continue;
            if (status->directory && depth < maxDepth)
                pending.emplace_back(path, depth + 1);
            else if (!status->directory && name.size() > 8 && name.ends_with(".desktop"))
                visit(path);
        }
    }
}

bool LinuxDesktopPlaces::entryRuns(const std::string& entryPath, const std::string& program) {
    const auto entry = DesktopEntry::readFile(entryPath);
    if (!entry || program.empty())
        return false;
    for (const char* key : {"Exec", "TryExec"}) {
        const auto value = entry->value(key);
        if (value && DesktopEntry::programOfExec(*value) == program)
            return true;
    }
    return false;
}

bool LinuxDesktopPlaces::isGenericName(std::string_view name) {
    const std::string lower = platform::Text::lowercase(name);
    return std::find(kGenericNames.begin(), kGenericNames.end(), lower) != kGenericNames.end();
}

std::vector<std::string> LinuxDesktopPlaces::folderNamesFor(const std::vector<std::string>& names) {
    std::vector<std::string> result;
    for (const std::string& name : names) {
        if (!isUsableFolderName(name) || isGenericName(name))
            continue;
        for (std::string spelling : {name, platform::Text::lowercase(name)}) {
            if (std::find(result.begin(), result.end(), spelling) == result.end())
                result.push_back(std::move(spelling));
        }
    }
    return result;
}
