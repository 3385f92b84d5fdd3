#include "platform/Path.h"

#include "platform/FileSystem.h"

#include <vector>

namespace platform {

namespace {

std::string_view withoutTrailingSlashes(std::string_view path) {
    while (path.size() > 1 && path.back() == '/')
        path.remove_suffix(1);
    return path;
}

std::vector<std::string_view> components(std::string_view path) {
    std::vector<std::string_view> parts;
    std::size_t start = 0;
    while (start <= path.size()) {
        std::size_t end = path.find('/', start);
        if (end == std::string_view::npos)
            end = path.size();
        if (end > start)
            parts.push_back(path.substr(start, end - start));
        start = end + 1;
    }
    return parts;
}

// The real location of an existing absolute folder, or the path itself.
std::string resolved(const std::string& path) {
    return FileSystem::resolvedPath(path).value_or(path);
}

} // namespace

std::string Path::appending(std::string_view base, std::string_view component) {
    std::string result(base);
    while (!component.empty() && component.front() == '/')
        component.remove_prefix(1);
    component = withoutTrailingSlashes(component);
    if (component == "/")
        component = {};
    if (component.empty())
        return result.size() > 1 ? std::string(withoutTrailingSlashes(result)) : result;
    while (!result.empty() && result.back() == '/')
        result.pop_back();
    if (!result.empty() || base.starts_with('/'))
        result += '/';
    result += component;
    return result;
}

std::string Path::lastComponent(std::string_view path) {
    path = withoutTrailingSlashes(path);
    if (path == "/")
        return "/";
    std::size_t slash = path.rfind('/');
    return std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
}

std::string Path::extension(std::string_view path) {
    std::string last = lastComponent(path);
    std::size_t dot = last.rfind('.');
    if (dot == std::string::npos || dot == 0 || last == "/")
        return "";
    return last.substr(dot + 1);
}

std::string Path::deletingExtension(std::string_view path) {
    path = withoutTrailingSlashes(path);
    std::size_t slash = path.rfind('/');
    std::size_t nameStart = slash == std::string_view::npos ? 0 : slash + 1;
    std::size_t dot = path.rfind('.');
    if (dot == std::string_view::npos || dot <= nameStart)
        return std::string(path);
    return std::string(path.substr(0, dot));
}

std::string Path::deletingLastComponent(std::string_view path) {
    path = withoutTrailingSlashes(path);
    std::size_t slash = path.rfind('/');
    if (slash == std::string_view::npos)
        return "";
    if (slash == 0)
        return path.size() > 1 ? "/" : "/";
    return std::string(path.substr(0, slash));
}

std::string Path::standardizing(std::string_view path, std::string_view home) {
    std::string expanded;
    if (path == "~" || path.starts_with("~/"))
        expanded = std::string(home) + std::string(path.substr(1));
    else
        expanded = std::string(path);

    bool absolute = expanded.starts_with('/');
    std::vector<std::string> kept;
    for (std::string_view part : components(expanded)) {
        if (part == ".")
            continue;
        if (part == ".." && absolute) {
            if (!kept.empty()) {
                std::string sofar;
                for (const auto& k : kept)
                    sofar += "/" + k;
                std::string parent = deletingLastComponent(resolved(sofar));
                kept.clear();
                for (std::string_view p : components(parent))
                    kept.emplace_back(p);
            }
            continue;
        }
        kept.emplace_back(part);
    }

    std::string result = absolute ? "/" : "";
    for (std::size_t i = 0; i < kept.size(); ++i) {
        if (i > 0)
            result += '/';
        result += kept[i];
    }
    if (result.empty() && !expanded.empty())
        return absolute ? "/" : ".";
    return result;
}

} // namespace platform
