#pragma once

#include <string>
#include <string_view>

namespace platform {

// The platform's path operations on strings. They never touch the disk except
// `standardizing`, which resolves ".." of an absolute path through symbolic links.
class Path {
public:
    // Exactly one "/" between the parts and no trailing "/".
    static std::string appending(std::string_view base, std::string_view component);
    // The last component; a trailing "/" is ignored.
    static std::string lastComponent(std::string_view path);
    // What follows the final period of the last component; "" when the component
    // has none or only begins with a period.
    static std::string extension(std::string_view path);
    static std::string deletingExtension(std::string_view path);
    static std::string deletingLastComponent(std::string_view path);
    // Expands a leading "~" to `home`, reduces "//" and "/./" to "/", drops a
    // trailing "/" and resolves ".." of an absolute path; relative paths keep "..".
    static std::string standardizing(std::string_view path, std::string_view home);
};

} // namespace platform
