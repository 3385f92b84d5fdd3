#include "platform/MountedVolumes.h"

#include "platform/Environment.h"
#include "platform/FileSystem.h"
#include "platform/Path.h"

#include <algorithm>
#include <array>
#include <set>

namespace platform {

namespace {

// File systems of the kernel and of the session that never hold a Trash.
constexpr std::array kPseudoTypes = {
    "autofs",  "binfmt_misc",     "bpf",         "cgroup",     "cgroup2",    "configfs",  "debugfs",
    "devpts",  "devtmpfs",        "efivarfs",    "fusectl",    "hugetlbfs",  "mqueue",    "nsfs",
    "proc",    "pstore",          "ramfs",       "rpc_pipefs", "securityfs", "selinuxfs", "sysfs",
    "tracefs", "fuse.gvfsd-fuse", "fuse.portal", "squashfs",
};

bool isPseudoType(std::string_view type) {
    return std::find(kPseudoTypes.begin(), kPseudoTypes.end(), type) != kPseudoTypes.end();
}

bool isUnder(std::string_view path, std::string_view folder) {
    return path == folder ||
           (path.starts_with(folder) && path.size() > folder.size() && path[folder.size()] == '/');
}

// The kernel writes space, tab, newline and backslash as three octal digits.
std::string unescape(std::string_view field) {
    std::string out;
    out.reserve(field.size());
    for (std::size_t i = 0; i < field.size(); ++i) {
        if (field[i] == '\\' && i + 3 < field.size()) {
            auto digit = [](char c) { return c >= '0' && c <= '7'; };
            if (digit(field[i + 1]) && digit(field[i + 2]) && digit(field[i + 3])) {
                int value =
                    (field[i + 1] - '0') * 64 + (field[i + 2] - '0') * 8 + (field[i + 3] - '0');
                if (value > 0 && value < 256) {
                    out.push_back(static_cast<char>(value));
                    i += 3;
                    continue;
                }
            }
        }
        out.push_back(field[i]);
    }
    return out;
}

std::vector<std::string_view> fields(std::string_view line) {
    std::vector<std::string_view> parts;
    std::size_t start = 0;
    while (start < line.size()) {
        std::size_t begin = line.find_first_not_of(" \t", start);
        if (begin == std::string_view::npos)
            break;
        std::size_t end = line.find_first_of(" \t", begin);
        if (end == std::string_view::npos)
            end = line.size();
        parts.push_back(line.substr(begin, end - begin));
        start = end;
    }
    return parts;
}

} // namespace

std::vector<std::string> MountedVolumes::parseMountTable(std::string_view table) {
    std::vector<std::string> points;
    std::set<std::string> seen;
    while (!table.empty()) {
        std::size_t end = table.find('\n');
        std::string_view line = table.substr(0, end);
        table.remove_prefix(end == std::string_view::npos ? table.size() : end + 1);
        std::vector<std::string_view> parts = fields(line);
        if (parts.size() < 3 || isPseudoType(parts[2]))
            continue;
        std::string point = unescape(parts[1]);
        if (!point.starts_with('/') || point.find('\0') != std::string::npos)
            continue;
        if (isUnder(point, "/proc") || isUnder(point, "/sys") || isUnder(point, "/dev"))
            continue;
        if (seen.insert(point).second)
            points.push_back(std::move(point));
    }
    return points;
}

std::vector<std::string> MountedVolumes::topFolders() {
    if (Environment::rootPath("/") != "/") {
        std::string volumes = Environment::rootPath("/Volumes");
        std::vector<std::string> folders;
        for (const std::string& name :
             FileSystem::contentsOfDirectory(volumes).value_or(std::vector<std::string>{})) {
            std::string folder = Path::appending(volumes, name);
            bool isDirectory = false;
            if (!FileSystem::isSymbolicLink(folder) &&
                FileSystem::fileExists(folder, &isDirectory) && isDirectory)
                folders.push_back(std::move(folder));
        }
        std::sort(folders.begin(), folders.end());
        return folders;
    }
    // A mount table is small; a megabyte is far more than any machine has.
    std::optional<std::string> table = FileSystem::readFile("/proc/self/mounts", 1 << 20);
    return table ? parseMountTable(*table) : std::vector<std::string>{};
}

} // namespace platform
