#include "search/HomeSettingsFolders.h"

#include "platform/FileSystem.h"
#include "platform/Path.h"
#include "platform/Text.h"
#include "search/ApplicationNames.h"

#include <algorithm>

namespace {

// A name fit to stand for a folder of its own: no path, no dot folder of its own.
bool isFolderName(const std::string& name) {
    return !name.empty() && name.front() != '.' && name.find('/') == std::string::npos &&
           name.find('\0') == std::string::npos && !ApplicationNames::isCommonWord(name);
}

} // namespace

std::vector<HomeSettingsFolders::Candidate>
HomeSettingsFolders::find(const std::string& home, const std::vector<std::string>& names) {
    std::vector<Candidate> found;
    if (home.empty())
        return found;
    struct Place {
        std::string folder; // below the home folder
        std::string prefix; // before the name
    };
    for (const Place& place : {Place{".config", ""}, Place{"", "."}}) {
        const std::string folder =
            place.folder.empty() ? home : platform::Path::appending(home, place.folder);
        std::optional<std::vector<std::string>> entries =
            platform::FileSystem::contentsOfDirectory(folder);
        if (!entries)
            continue;
        std::sort(entries->begin(), entries->end());
        const std::string label =
            "~/" + (place.folder.empty() ? "" : place.folder + "/") + place.prefix + "<name>";
        for (std::size_t index = 0; index < names.size(); ++index) {
            const std::string& name = names[index];
            if (!isFolderName(name))
                continue;
            const auto match =
                index == 0 ? OfferReason::Match::Executable : OfferReason::Match::Name;
            for (const std::string& entry : *entries) {
                if (!entry.starts_with(place.prefix) ||
                    !platform::Text::caseInsensitiveEquals(
                        std::string_view(entry).substr(place.prefix.size()), name))
                    continue;
                const std::string path = platform::Path::appending(folder, entry);
                const bool known = std::any_of(found.begin(), found.end(),
                                               [&](const Candidate& c) { return c.path == path; });
                if (!known)
                    found.push_back({path, OfferReason::settingsFolder(label, match, name)});
            }
        }
    }
    return found;
}
