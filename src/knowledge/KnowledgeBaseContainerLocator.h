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
    // Contents/Resources/auth.cer of the main application at `mainAppPath`; none when
    // there is no such application or file.
    static std::optional<std::string>
    embeddedContainerPathOfMainApplication(const std::string& mainAppPath);

    // The main application whose knowledge base a program run from `programBundlePath`
    // (the running program's bundle when empty) would use: that bundle when it is the
    // main application, the application around it (the helper), else the main
    // application a build or an installation put near it: "Sweepwise.app" in the
    // program's folder or one of the four above it (a build tree's tools), then in
    // /Applications and ~/Applications. Only a bundle with the main application's
    // identifier counts.
    static std::optional<std::string>
    mainApplicationForProgram(const std::string& programBundlePath = {});

    // The paths to try in order: the downloaded copy when it exists, then the embedded one.
    static std::vector<std::string> containerPaths(const std::string& helperBundlePath = {});
};
