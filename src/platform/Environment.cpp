#include "platform/Environment.h"

#include "platform/UserAccount.h"

#include <cstdlib>

namespace platform {

namespace {

std::string variable(const char* name) {
    const char* value = std::getenv(name);
    return value ? std::string(value) : std::string();
}

// A variable that holds an absolute path, without trailing separators; empty
// otherwise (a relative value is to be ignored, as the base-directory rules say).
std::string absoluteVariable(const char* name) {
    std::string value = variable(name);
    if (!value.starts_with('/'))
        return {};
    while (value.size() > 1 && value.back() == '/')
        value.pop_back();
    return value;
}

} // namespace

std::string Environment::homeOverride() {
    std::string home = variable(kHomeVariable);
    while (home.size() > 1 && home.back() == '/')
        home.pop_back();
    return home;
}

std::string Environment::rootPath(const std::string& absolutePath) {
    std::string root = variable(kRootVariable);
    while (!root.empty() && root.back() == '/')
        root.pop_back();
    if (root.empty())
        return absolutePath;
    if (absolutePath == "/")
        return root;
    return root + absolutePath;
}

std::string Environment::homeDirectory() {
    std::string home = homeOverride();
    // $HOME first, as every Linux program does: it is what the session and the
    // user chose, and what the file managers' Trash is found under.
    if (home.empty())
        home = absoluteVariable("HOME");
    if (home.empty())
        home = UserAccount::homeFolder();
    return home.empty() ? std::string("/") : home;
}

std::string Environment::userDataDirectory() {
    return userDirectory(UserFolder::Data);
}

std::string Environment::userDirectory(UserFolder folder) {
    static constexpr struct {
        const char* variable;
        const char* below;
    } kFolders[] = {{"XDG_DATA_HOME", "/.local/share"},
                    {"XDG_CONFIG_HOME", "/.config"},
                    {"XDG_CACHE_HOME", "/.cache"},
                    {"XDG_STATE_HOME", "/.local/state"}};
    const auto& which = kFolders[static_cast<int>(folder)];
    std::string path;
    if (homeOverride().empty())
        path = absoluteVariable(which.variable);
    if (path.empty()) {
        std::string home = homeDirectory();
        path = (home == "/" ? std::string() : home) + which.below;
    }
    return path;
}

bool Environment::fullDiskAccessWithheld() {
    std::string value = variable(kNoFullDiskAccessVariable);
    return !value.empty() && value != "0";
}

std::string Environment::userName() {
    std::string name = UserAccount::loginName();
    if (name.empty())
        name = variable("USER");
    if (name.empty())
        name = variable("LOGNAME");
    return name;
}

unsigned Environment::userId() {
    return UserAccount::id();
}

} // namespace platform
