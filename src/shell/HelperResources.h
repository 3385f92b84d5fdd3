#pragma once

#include <string>
#include <string_view>

// Where the helper's strings tables live, and the one way its classes look texts up.
//
// The resource folder is, in this order: the folder named by SWEEPWISE_RESOURCES when
// that variable is set and not empty; the folder the application gave with
// setResourceFolder at start-up; the Resources folder of the helper bundle in the
// source tree, so that tests and programs run from the build folder find the tables.
class HelperResources {
public:
    static constexpr const char* kResourcesVariable = "SWEEPWISE_RESOURCES";

    static std::string resourceFolder();

    // An empty path forgets a folder set earlier.
    static void setResourceFolder(const std::string& path);

    // The text for `key` of the strings table `table` in the user's preferred language,
    // or `defaultValue` when no table has the key. The comment is for translators only.
    static std::string localizedString(std::string_view table, std::string_view key,
                                       std::string_view defaultValue, std::string_view comment);
};
