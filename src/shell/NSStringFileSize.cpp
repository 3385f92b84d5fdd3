#include "shell/NSStringFileSize.h"

#include "platform/ByteCountFormatter.h"
#include "platform/Text.h"
#include "shell/ApplicationDirectoryUtils.h"

#include <algorithm>

namespace {

bool isTeamPrefix(std::string_view part) {
    return part.size() == 10 && std::all_of(part.begin(), part.end(), [](char c) {
               return (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
           });
}

} // namespace

std::string NSStringFileSize::convertToStringFromFileSize(std::uint64_t bytes) {
    return platform::ByteCountFormatter::stringFromByteCount(bytes);
}

bool NSStringFileSize::isInFolder(const std::string& path, const std::string& folder) {
    if (!path.starts_with(folder) || path.size() <= folder.size())
        return false;
    return folder == "/" || path[folder.size()] == '/';
}

std::optional<std::string> NSStringFileSize::parentBundlePath(const std::string& path) {
    return ApplicationDirectoryUtils::parentBundlePathForPath(path);
}

bool NSStringFileSize::hasCaseInsensitiveSuffix(const std::string& text,
                                                const std::string& suffix) {
    return !suffix.empty() && platform::Text::caseInsensitiveHasSuffix(text, suffix);
}

std::string
NSStringFileSize::appropriateBundleIdentifierByHandlingGroupPrefix(const std::string& text) {
    std::string result = text;
    std::size_t firstDot = text.find('.');
    std::size_t parts = static_cast<std::size_t>(std::count(text.begin(), text.end(), '.')) + 1;
    if (parts >= 3 && firstDot != std::string::npos &&
        isTeamPrefix(std::string_view(text).substr(0, firstDot)) &&
        platform::Text::containsDecimalDigit(text) &&
        platform::Text::containsUppercaseLetter(text)) {
        std::size_t start = 11;
        while (start < text.size() && text[start] == '.')
            ++start;
        result = text.substr(start);
    }
    if (result.starts_with("group."))
        result.erase(0, 6);
    return result;
}
