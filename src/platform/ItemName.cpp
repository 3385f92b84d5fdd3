#include "platform/ItemName.h"

namespace platform {

std::string_view ItemName::lastComponent(std::string_view path) {
    while (path.size() > 1 && path.back() == '/')
        path.remove_suffix(1);
    if (path == "/")
        return path;
    std::size_t slash = path.rfind('/');
    return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

std::string_view ItemName::extension(std::string_view name) {
    std::size_t period = name.rfind('.');
    if (period == std::string_view::npos || period == 0)
        return {};
    return name.substr(period + 1);
}

std::string ItemName::withoutTrailingSlashes(std::string_view path) {
    while (path.size() > 1 && path.back() == '/')
        path.remove_suffix(1);
    return std::string(path);
}

} // namespace platform
