#pragma once

#include "TrashTestSupport.h"
#include "shell/MessageFileNamer.h"
#include "shell/MessageFiles.h"
#include "shell/Workspace.h"

#include <chrono>
#include <gtest/gtest.h>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace message_testing {

// A workspace that answers from its fields and records what it was asked.
class RecordingWorkspace : public Workspace {
public:
    struct OpenCall {
        std::string path;
        std::string appPath;
        Deactivation deactivation;
    };

    std::vector<RunningApplication> running;
    std::vector<std::string> installed;
    std::vector<std::string> runningQueries;
    std::vector<OpenCall> opened;

    std::vector<RunningApplication>
    runningApplicationsWithBundleIdentifier(const std::string& bundleIdentifier) override {
        runningQueries.push_back(bundleIdentifier);
        return running;
    }
    std::vector<std::string> allApplicationPathsForBundleIdentifier(const std::string&) override {
        return installed;
    }
    std::optional<std::string> absolutePathForAppBundleWithIdentifier(const std::string&) override {
        return installed.empty() ? std::nullopt : std::optional(installed.front());
    }
    bool openFile(const std::string& path, const std::string& appPath,
                  Deactivation deactivation) override {
        opened.push_back({path, appPath, deactivation});
        return true;
    }
    bool openURL(const std::string&) override { return false; }
};

// Installs a workspace as the shared one for the lifetime of a test.
struct ScopedWorkspace {
    explicit ScopedWorkspace(std::shared_ptr<Workspace> workspace) {
        Workspace::setShared(std::move(workspace));
    }
    ~ScopedWorkspace() { Workspace::setShared(nullptr); }
};

// A clock standing at `seconds` after 2001-01-01 00:00:00 UTC.
inline MessageFileNamer::Clock clockAt(double seconds) {
    using namespace std::chrono;
    auto since1970 = duration<double>(seconds + double(MessageFileNamer::kUnixSecondsAt2001));
    auto time = system_clock::time_point(duration_cast<system_clock::duration>(since1970));
    return [time] { return time; };
}

// The message folder emptied, so that a test sees only its own files.
inline std::string freshMessageFolder() {
    testing_support::removeTree(MessageFiles::folderPath());
    auto folder = MessageFiles::createFolder();
    EXPECT_TRUE(folder);
    return folder.value_or("");
}

// Waits for a file that another process writes; fails after a generous limit
// instead of hanging.
inline bool waitForFile(const std::string& path) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (std::chrono::steady_clock::now() < deadline) {
        if (access(path.c_str(), F_OK) == 0)
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
}

} // namespace message_testing
