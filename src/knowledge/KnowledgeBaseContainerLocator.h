#pragma once

#include <optional>
#include <string>
#include <vector>

// Where the knowledge-base container is: the copy the main application downloaded
// into its Application Support folder, and the copy shipped inside the main
// application's bundle.
class KnowledgeBaseContainerLocator {
public:
    static constexpr const char* kContainerName = "auth";
    static constexpr const char* kContainerType = "cer";

    // <main application's Application Support folder>/auth.cer, whether or not it exists.
    static std::optional<std::string> downloadedContainerPath();
    // Contents/Resources/auth.cer of the main application enclosing the helper's
    // bundle at `helperBundlePath` (the running program's bundle when empty); none
    // when there is no such application or file.
    static std::optional<std::string>
    embeddedContainerPath(const std::string& helperBundlePath = {});
    // The paths to try in order: the downloaded copy when it exists, then the embedded one.
    static std::vector<std::string> containerPaths(const std::string& helperBundlePath = {});
};
