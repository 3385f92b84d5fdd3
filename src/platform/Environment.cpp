#include "platform/Environment.h"

#include <cerrno>
#include <cstdlib>
#include <pwd.h>
#include <unistd.h>
#include <vector>

namespace platform {

namespace {

std::string variable(const char* name)
{
    const char* value = std::getenv(name);
    return value ? std::string(value) : std::string();
}

// A variable that holds an absolute path, without trailing separators; empty
// otherwise (a relative value is to be ignored, as the base-directory rules say).
std::string absoluteVariable(const char* name)
{
    std::string value = variable(name);
    if (!value.starts_with('/'))
        return {};
    while (value.size() > 1 && value.back() == '/')
        value.pop_back();
    return value;
}

// The real user's entry in the user database, read with the reentrant call so
// that any thread may ask.
template <typename Field>
std::string accountField(Field field)
{
    long suggested = sysconf(_SC_GETPW_R_SIZE_MAX);
    std::vector<char> buffer(suggested > 0 ? static_cast<std::size_t>(suggested) : 1024);
    for (int attempt = 0; attempt < 8; ++attempt) {
        passwd entry {};
        passwd* found = nullptr;
        int error = getpwuid_r(getuid(), &entry, buffer.data(), buffer.size(), &found);
        if (error == ERANGE) {
            buffer.resize(buffer.size() * 2);
            continue;
        }
        if (error != 0 || !found)
            return {};
        const char* value = field(*found);
        return value ? std::string(value) : std::string();
    }
    return {};
}

} // namespace

std::string Environment::homeOverride()
{
    std::string home = variable(kHomeVariable);
    while (home.size() > 1 && home.back() == '/')
        home.pop_back();
    return home;
}

std::string Environment::rootPath(const std::string& absolutePath)
{
    std::string root = variable(kRootVariable);
    while (!root.empty() && root.back() == '/')
        root.pop_back();
    if (root.empty())
        return absolutePath;
    if (absolutePath == "/")
        return root;
    return root + absolutePath;
}

std::string Environment::homeDirectory()
{
    std::string home = homeOverride();
    // $HOME first, as every Linux program does: it is what the session and the
    // user chose, and what the file managers' Trash is found under.
    if (home.empty())
        home = absoluteVariable("HOME");
    if (home.empty())
        home = accountField([](const passwd& entry) { return entry.pw_dir; });
    return home.empty() ? std::string("/") : home;
}

std::string Environment::userDataDirectory()
{
    std::string data;
    if (homeOverride().empty())
        data = absoluteVariable("XDG_DATA_HOME");
    if (data.empty()) {
        std::string home = homeDirectory();
        data = (home == "/" ? std::string() : home) + "/.local/share";
    }
    return data;
}

bool Environment::fullDiskAccessWithheld()
{
    std::string value = variable(kNoFullDiskAccessVariable);
    return !value.empty() && value != "0";
}

std::string Environment::userName()
{
    std::string name = accountField([](const passwd& entry) { return entry.pw_name; });
    if (name.empty())
        name = variable("USER");
    if (name.empty())
        name = variable("LOGNAME");
    return name;
}

} // namespace platform
