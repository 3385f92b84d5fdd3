#include "notification/SuiteDefaults.h"

#include "platform/Environment.h"

#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <plist/plist.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Preferences files are small; anything larger is not one.
constexpr std::uintmax_t kMaximumSize = 16 * 1024 * 1024;

struct PlistDeleter {
    void operator()(plist_t node) const { plist_free(node); }
};
using Plist = std::unique_ptr<void, PlistDeleter>;

std::string homeFolder() {
    std::string home = platform::Environment::homeOverride();
    if (home.empty()) {
        const char* variable = std::getenv("HOME");
        home = variable ? variable : "";
    }
    while (home.size() > 1 && home.back() == '/')
        home.pop_back();
    return home;
}

enum class FileState { missing, readable, unreadable };

FileState readFile(const std::string& path, std::string& contents) {
    struct stat info {};
    if (stat(path.c_str(), &info) != 0)
        return errno == ENOENT ? FileState::missing : FileState::unreadable;
    if (!S_ISREG(info.st_mode) || static_cast<std::uintmax_t>(info.st_size) > kMaximumSize)
        return FileState::unreadable;
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return FileState::unreadable;
    contents.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return in.bad() ? FileState::unreadable : FileState::readable;
}

// The root dictionary of `contents`, or null when it is not one.
Plist parseDictionary(const std::string& contents) {
    if (contents.empty())
        return nullptr;
    plist_t root = nullptr;
    plist_from_memory(contents.data(), static_cast<std::uint32_t>(contents.size()), &root);
    Plist owned(root);
    if (!owned || plist_get_node_type(root) != PLIST_DICT)
        return nullptr;
    return owned;
}

std::optional<std::int64_t> leadingNumber(const char* text) {
    std::string_view view(text);
    while (!view.empty() && (view.front() == ' ' || view.front() == '\t' || view.front() == '\n'))
        view.remove_prefix(1);
    if (!view.empty() && view.front() == '+')
        view.remove_prefix(1);
    std::int64_t value = 0;
    const auto [end, error] = std::from_chars(view.data(), view.data() + view.size(), value);
    if (error != std::errc() || end == view.data())
        return std::nullopt;
    return value;
}

std::optional<std::int64_t> integerOf(plist_t node) {
    switch (plist_get_node_type(node)) {
    case PLIST_UINT: {
        // Negative numbers are stored in two's complement.
        std::uint64_t value = 0;
        plist_get_uint_val(node, &value);
        return static_cast<std::int64_t>(value);
    }
    case PLIST_REAL: {
        double value = 0;
        plist_get_real_val(node, &value);
        if (!std::isfinite(value) || std::fabs(value) >= 9.2e18)
            return std::nullopt;
        return static_cast<std::int64_t>(value);
    }
    case PLIST_BOOLEAN: {
        std::uint8_t value = 0;
        plist_get_bool_val(node, &value);
        return value ? 1 : 0;
    }
    case PLIST_STRING: {
        char* text = nullptr;
        plist_get_string_val(node, &text);
        const auto value = text ? leadingNumber(text) : std::nullopt;
        std::free(text);
        return value;
    }
    default:
        return std::nullopt;
    }
}

bool makeFolders(const std::string& folder) {
    std::string partial;
    for (std::size_t at = 1; at <= folder.size(); ++at) {
        if (at == folder.size() || folder[at] == '/') {
            partial = folder.substr(0, at);
            if (mkdir(partial.c_str(), 0755) != 0 && errno != EEXIST)
                return false;
        }
    }
    return true;
}

} // namespace

std::shared_ptr<SuiteDefaults> SuiteDefaults::create(const std::string& suiteName) {
    if (suiteName.empty() || suiteName == "." || suiteName == ".." ||
        suiteName.find('/') != std::string::npos || suiteName.find('\0') != std::string::npos)
        return nullptr;
    const std::string home = homeFolder();
    if (home.empty())
        return nullptr;
    const std::string path = home + "/Library/Preferences/" + suiteName + ".plist";
    return std::shared_ptr<SuiteDefaults>(new SuiteDefaults(suiteName, path));
}

std::optional<std::int64_t> SuiteDefaults::integerForKey(const std::string& key) const {
    std::string contents;
    if (readFile(m_path, contents) != FileState::readable)
        return std::nullopt;
    const Plist root = parseDictionary(contents);
    if (!root)
        return std::nullopt;
    const plist_t item = plist_dict_get_item(root.get(), key.c_str());
    return item ? integerOf(item) : std::nullopt;
}

bool SuiteDefaults::setInteger(std::int64_t value, const std::string& key) {
    std::string contents;
    Plist root;
    switch (readFile(m_path, contents)) {
    case FileState::missing:
        root.reset(plist_new_dict());
        break;
    case FileState::readable:
        root = parseDictionary(contents);
        if (!root)
            return false;
        break;
    case FileState::unreadable:
        return false;
    }
    plist_dict_set_item(root.get(), key.c_str(), plist_new_uint(static_cast<std::uint64_t>(value)));
    char* xml = nullptr;
    std::uint32_t length = 0;
    plist_to_xml(root.get(), &xml, &length);
    if (!xml)
        return false;
    const std::string written(xml, length);
    plist_to_xml_free(xml);

    // Replace the file in one step, so that a reader never sees half of it.
    const std::string folder = m_path.substr(0, m_path.rfind('/'));
    if (!makeFolders(folder))
        return false;
    const std::string temporary = m_path + ".tmp-" + std::to_string(getpid());
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        out << written;
        if (!out.flush()) {
            std::remove(temporary.c_str());
            return false;
        }
    }
    if (std::rename(temporary.c_str(), m_path.c_str()) != 0) {
        std::remove(temporary.c_str());
        return false;
    }
    return true;
}
