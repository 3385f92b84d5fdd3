#pragma once

#include "platform/Localization.h"
#include "shell/HelperResources.h"

#include <cstdlib>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace testing_support {

// Points the helper's text lookups at a resource folder and preferred languages for
// the life of the object, then restores what was there. An empty folder means the
// tables shipped in the source tree.
class ScopedHelperTexts {
public:
    ScopedHelperTexts(const std::string& resourceFolder, std::vector<std::string> languages)
        : m_languages(platform::Localization::shared().preferredLanguages()) {
        if (const char* value = std::getenv(HelperResources::kResourcesVariable))
            m_variable = value;
        unsetenv(HelperResources::kResourcesVariable);
        HelperResources::setResourceFolder(resourceFolder);
        platform::Localization::shared().setPreferredLanguages(std::move(languages));
    }

    ~ScopedHelperTexts() {
        platform::Localization::shared().setPreferredLanguages(m_languages);
        HelperResources::setResourceFolder("");
        if (m_variable)
            setenv(HelperResources::kResourcesVariable, m_variable->c_str(), 1);
    }

    ScopedHelperTexts(const ScopedHelperTexts&) = delete;
    ScopedHelperTexts& operator=(const ScopedHelperTexts&) = delete;

private:
    std::vector<std::string> m_languages;
    std::optional<std::string> m_variable;
};

} // namespace testing_support
