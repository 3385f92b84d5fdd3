#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

// What the helper asks the desktop about applications: where copies are installed,
// which are running, and opening files and web addresses with them.
//
// The process shares one instance (shared()); tests, and the session-bus code that
// knows the running programs, replace it with setShared(). Every operation answers
// none, an empty list or false when it fails.
class Workspace {
public:
    struct RunningApplication {
        std::int64_t processIdentifier{0};
        std::string executablePath;
    };

    // Whether the sender gives up the foreground when it opens a file with another
    // application. The Linux workspace has no foreground to give up and ignores it.
    enum class Deactivation { DeactivateSender, KeepSenderActive };

    // How deep the search for installed copies descends below an applications
    // folder: 1 is the folder's own entries.
    static constexpr int kMaxScanDepth = 3;

    virtual ~Workspace() = default;

    static std::shared_ptr<Workspace> shared();
    // Null brings back the system workspace.
    static void setShared(std::shared_ptr<Workspace> workspace);

    // The system's workspace (platform::Programs starts what it opens). Helper programs
    // (xdg-open) are looked for on
    // `programSearchPath`, a colon-separated folder list; $PATH when empty.
    static std::shared_ptr<Workspace> createSystemWorkspace(std::string programSearchPath = {});

    // The running instances, each with its executable. The Linux workspace cannot
    // tell and answers none; the session-bus workspace, which sees our programs by
    // their bus names, replaces it to answer this.
    virtual std::vector<RunningApplication>
    runningApplicationsWithBundleIdentifier(const std::string& bundleIdentifier) = 0;

    // Installed copies: ".app" bundles whose identifier matches (ignoring ASCII case)
    // in the system's /Applications (under the sandbox root) and the user's
    // ~/Applications, entered through folders and symbolic links but not through
    // bundles, each folder once, at most kMaxScanDepth deep. A copy reached through
    // a link is listed under the link's path. Folders are searched in that order,
    // entries by name.
    virtual std::vector<std::string>
    allApplicationPathsForBundleIdentifier(const std::string& bundleIdentifier) = 0;
    // The first copy allApplicationPathsForBundleIdentifier would list.
    virtual std::optional<std::string>
    absolutePathForAppBundleWithIdentifier(const std::string& bundleIdentifier) = 0;
    // The same copy as a file URL.
    std::optional<std::string>
    URLForApplicationWithBundleIdentifier(const std::string& bundleIdentifier);

    // Hands `path` to the application at `appPath` (a bundle folder or an executable
    // file). Opening an application with itself launches it without a file. True
    // when the application was started or received the file.
    virtual bool openFile(const std::string& path, const std::string& appPath,
                          Deactivation deactivation) = 0;

    // Opens a web address in the user's browser.
    virtual bool openURL(const std::string& url) = 0;
};
