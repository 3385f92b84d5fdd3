#include "knowledge/KnowledgeBasePathPolicy.h"

#include "knowledge/LeftoverPlaces.h"
#include "platform/FileSystem.h"

namespace {

constexpr std::string_view kOutside = "outside the places where leftovers lie";

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

std::string outside() {
    return std::string(kOutside) + " (" + LeftoverPlaces::writtenList() + ")";
}

// A rule may walk a root itself, but only to a depth.
std::optional<std::string> ruleRefusalBelow(std::optional<LeftoverPlaces::Placed> placed,
                                            std::int64_t deep) {
    if (!placed)
        return outside();
    if (placed->rest.empty())
        return deep < 0 ? std::optional<std::string>("walks the whole of " +
                                                     std::string(placed->root->written) +
                                                     " (give it a depth)")
                        : std::nullopt;
    return KnowledgeBasePathPolicy::componentRefusal(placed->rest);
}

std::optional<std::string> recordRefusalBelow(std::optional<LeftoverPlaces::Placed> placed) {
    if (!placed)
        return outside();
    if (placed->rest.empty())
        return "the whole of " + std::string(placed->root->written);
    if (auto refusal = KnowledgeBasePathPolicy::componentRefusal(placed->rest))
        return refusal;
    if (LeftoverPlaces::isShared(std::string(placed->root->below) + "/" +
                                 std::string(placed->rest)))
        return "a folder every application shares";
    return std::nullopt;
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
        return "an absolute path (write ~/Library/..., ~/.config/..., ...)";
    return recordRefusalBelow(LeftoverPlaces::placeWritten(written));
}

std::optional<std::string> KnowledgeBasePathPolicy::recordRefusal(std::string_view path,
                                                                  std::string_view home) {
    if (home.empty() || !home.starts_with('/'))
        return "no home folder";
    return recordRefusalBelow(LeftoverPlaces::placeInHome(path, home));
}

std::optional<std::string> KnowledgeBasePathPolicy::writtenRuleRefusal(std::string_view written,
                                                                       std::int64_t deep) {
    if (holdsHome(written, ""))
        return "walks the whole home folder";
    if (written.starts_with("/"))
        return "an absolute path (write ~/Library/..., ~/.config/..., ...)";
    return ruleRefusalBelow(LeftoverPlaces::placeWritten(written), deep);
}

std::optional<std::string> KnowledgeBasePathPolicy::ruleRefusal(std::string_view folder,
                                                                std::int64_t deep,
                                                                std::string_view home) {
    if (home.empty() || !home.starts_with('/'))
        return "no home folder";
    if (holdsHome(folder, home))
        return "walks the whole home folder";
    return ruleRefusalBelow(LeftoverPlaces::placeInHome(folder, home), deep);
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
    const auto placed = LeftoverPlaces::placeInHome(path, home);
    if (!placed)
        return false;
    const std::string_view rest = placed->rest;
    // The root's own folder is where the rest starts.
    const std::string_view root = path.substr(0, path.size() - rest.size());
    std::size_t end = rest.find('/');
    while (end != std::string_view::npos) {
        if (platform::FileSystem::isSymbolicLink(std::string(root) +
                                                 std::string(rest.substr(0, end))))
            return true;
        end = rest.find('/', end + 1);
    }
    return final == Final::included && !rest.empty() &&
           platform::FileSystem::isSymbolicLink(std::string(path));
}
