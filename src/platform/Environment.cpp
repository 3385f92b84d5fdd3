#include "platform/Environment.h"

#include <cstdlib>

namespace platform {

namespace {

std::string variable(const char* name)
{
    const char* value = std::getenv(name);
    return value ? std::string(value) : std::string();
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

} // namespace platform
