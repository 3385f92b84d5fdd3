#include "search/HomeSettingsFolders.h"

#include "platform/Environment.h"
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
        std::string folder; // the folder listed
        std::string prefix; // before the name
        std::string label;  // how the reason names the place
    };
    // The settings folder is where the environment puts it ($XDG_CONFIG_HOME), as for
    // Linux's own applications; under a sandboxed home folder, the one inside it.
    const Place places[] = {
        {platform::Environment::userDirectory(platform::Environment::UserFolder::Config), "",
         "~/.config/<name>"},
        {home, ".", "~/.<name>"}};
    for (const Place& place : places) {
        const std::string& folder = place.folder;
        if (folder.empty())
            continue;
        std::optional<std::vector<std::string>> entries =
            platform::FileSystem::contentsOfDirectory(folder);
        if (!entries)
            continue;
        std::sort(entries->begin(), entries->end());
        const std::string& label = place.label;
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
