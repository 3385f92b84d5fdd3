#include "knowledge/KnowledgeBasePathPolicy.h"

#include "platform/FileSystem.h"

namespace {

constexpr std::string_view kWrittenLibrary = "~/Library";
constexpr std::string_view kOutsideLibrary = "outside the home folder's Library";

// The part of `path` below `library` ("" for the Library itself), or none when
// `path` is not the Library or inside it.
std::optional<std::string_view> belowLibrary(std::string_view path, std::string_view library) {
    if (!path.starts_with(library))
        return std::nullopt;
    std::string_view rest = path.substr(library.size());
    if (rest.empty())
        return rest;
    if (rest.front() != '/')
        return std::nullopt;
    return rest.substr(1);
}

std::string homeLibrary(std::string_view home) {
    std::string library(home);
    while (library.size() > 1 && library.back() == '/')
        library.pop_back();
    return library + "/Library";
}

// The part of `path` below the home folder's Library, as belowLibrary(). Every record
// of a knowledge base is checked here, so the Library's path is not built for each.
std::optional<std::string_view> belowHomeLibrary(std::string_view path, std::string_view home) {
    while (home.size() > 1 && home.back() == '/')
        home.remove_suffix(1);
    if (!path.starts_with(home))
        return std::nullopt;
    return belowLibrary(path.substr(home.size()), "/Library");
}

// Whether the folder is the home folder or lies above it: walking it walks the home.
bool holdsHome(std::string_view folder, std::string_view home) {
    std::string_view trimmed = folder;
    while (trimmed.size() > 1 && trimmed.back() == '/')
        trimmed.remove_suffix(1);
    if (trimmed.empty() || trimmed == "~")
        return true;
    if (trimmed == "/")
        return true;
    return home.starts_with(trimmed) &&
           (home.size() == trimmed.size() || home[trimmed.size()] == '/');
}

// A rule may walk the Library itself, but only to a depth.
std::optional<std::string> ruleRefusalBelow(std::optional<std::string_view> rest,
                                            std::int64_t deep) {
    if (!rest)
        return std::string(kOutsideLibrary);
    if (rest->empty())
        return deep < 0 ? std::optional<std::string>("walks the whole Library (give it a depth)")
                        : std::nullopt;
    return KnowledgeBasePathPolicy::componentRefusal(*rest);
}

} // namespace

std::optional<std::string> KnowledgeBasePathPolicy::componentRefusal(std::string_view rest) {
    if (rest.find('\0') != std::string_view::npos)
        return "holds a NUL byte";
    std::size_t start = 0;
    while (start <= rest.size()) {
        std::size_t end = rest.find('/', start);
        if (end == std::string_view::npos)
            end = rest.size();
        const std::string_view component = rest.substr(start, end - start);
        if (component == "..")
            return "climbs out of its folder with \"..\"";
        if (component.empty() || component == ".")
            return "has an empty or \".\" path component";
        start = end + 1;
    }
    return std::nullopt;
}

std::optional<std::string> KnowledgeBasePathPolicy::writtenRecordRefusal(std::string_view written) {
    if (written.starts_with("/"))
        return "an absolute path (write ~/Library/...)";
    auto rest = belowLibrary(written, kWrittenLibrary);
    if (!rest)
        return std::string(kOutsideLibrary);
    if (rest->empty())
        return "the whole Library";
    return componentRefusal(*rest);
}

std::optional<std::string> KnowledgeBasePathPolicy::recordRefusal(std::string_view path,
                                                                  std::string_view home) {
    if (home.empty() || !home.starts_with('/'))
        return "no home folder";
    auto rest = belowHomeLibrary(path, home);
    if (!rest)
        return std::string(kOutsideLibrary);
    if (rest->empty())
        return "the whole Library";
    return componentRefusal(*rest);
}

std::optional<std::string> KnowledgeBasePathPolicy::writtenRuleRefusal(std::string_view written,
                                                                       std::int64_t deep) {
    if (holdsHome(written, ""))
        return "walks the whole home folder";
    if (written.starts_with("/"))
        return "an absolute path (write ~/Library/...)";
    return ruleRefusalBelow(belowLibrary(written, kWrittenLibrary), deep);
}

std::optional<std::string> KnowledgeBasePathPolicy::ruleRefusal(std::string_view folder,
                                                                std::int64_t deep,
                                                                std::string_view home) {
    if (home.empty() || !home.starts_with('/'))
        return "no home folder";
    if (holdsHome(folder, home))
        return "walks the whole home folder";
    return ruleRefusalBelow(belowHomeLibrary(folder, home), deep);
}

std::optional<std::string> KnowledgeBasePathPolicy::systemRecordRefusal(std::string_view written) {
    std::string_view rest;
    if (written.starts_with("~/"))
        rest = written.substr(2);
    else if (written.starts_with("/"))
        rest = written.substr(1);
    else
        return "neither absolute nor below ~/";
    return componentRefusal(rest);
}

bool KnowledgeBasePathPolicy::passesThroughLink(std::string_view path, std::string_view home,
                                                Final final) {
    const std::string library = homeLibrary(home);
    auto rest = belowLibrary(path, library);
    if (!rest)
        return false;
    std::size_t end = rest->find('/');
    while (end != std::string_view::npos) {
        if (platform::FileSystem::isSymbolicLink(library + "/" + std::string(rest->substr(0, end))))
            return true;
        end = rest->find('/', end + 1);
    }
    return final == Final::included && !rest->empty() &&
           platform::FileSystem::isSymbolicLink(std::string(path));
}
