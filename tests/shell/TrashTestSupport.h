#pragma once

#include "FileEventTestSupport.h"
#include "platform/Bundle.h"
#include "platform/MainQueue.h"
#include "shell/AppNotificationController.h"
#include "shell/DirectoryWatcher.h"
#include "shell/MoveToTrashWithoutTrashAccessMonitor.h"
#include "support/Sandbox.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <gtest/gtest.h>
#include <memory>
#include <optional>
#include <string>
#include <sys/stat.h>
#include <vector>

namespace testing_support {

// An application folder; with an identifier it also gets an Info.plist naming it, and
// with a script an executable "run" holding it.
inline std::string makeApp(const std::string& path,
                           const std::optional<std::string>& identifier = std::nullopt,
                           const std::string& script = {}) {
    makeDirs(path + "/Contents/MacOS");
    const std::string executable =
        script.empty() ? "" : "<key>CFBundleExecutable</key><string>run</string>";
    if (identifier)
        writeFile(path + "/Contents/Info.plist",
                  "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\"><dict>"
                  "<key>CFBundleIdentifier</key><string>" +
                      *identifier + "</string>" + executable + "</dict></plist>");
    if (!script.empty()) {
        writeFile(path + "/Contents/MacOS/run", script);
        chmod((path + "/Contents/MacOS/run").c_str(), 0755);
    }
    return path;
}

// The notification controller's side of routing: which applications it was asked to show.
class RecordingController : public AppNotificationController {
public:
    void showNotificationForApp(const std::shared_ptr<platform::Bundle>& bundle) override {
        shown.push_back(bundle ? bundle->bundlePath() : std::string("(none)"));
    }
    std::vector<std::string> shown;
};

// Every application a watcher or a monitor reported, in order.
class RecordingWatcherDelegate : public DirectoryWatcherDelegate {
public:
    void onAddedAppWithPath(const std::string& path) override { reports.push_back(path); }
    bool hasReported(const std::string& path) const {
        return std::find(reports.begin(), reports.end(), path) != reports.end();
    }
    std::vector<std::string> reports;
};

class RecordingMonitorDelegate : public MoveToTrashWithoutTrashAccessMonitorDelegate {
public:
    void moveToTrashWithoutTrashAccessMonitor(MoveToTrashWithoutTrashAccessMonitor&,
                                              const std::string& path) override {
        reports.push_back(path);
    }
    bool hasReported(const std::string& path) const {
        return std::find(reports.begin(), reports.end(), path) != reports.end();
    }
    std::vector<std::string> reports;
};

// A move as the file manager makes it within one volume: one rename(2).
inline void move(const std::string& from, const std::string& to) {
    ASSERT_EQ(std::rename(from.c_str(), to.c_str()), 0) << from << " -> " << to;
}

// Runs the main queue for `duration`: for checking that nothing more arrives once everything
// that could have arrived has had its time.
inline void runFor(std::chrono::milliseconds duration) {
    platform::MainQueue::shared().runUntil([] { return false; }, duration);
}

} // namespace testing_support
