#pragma once

#include "platform/FileSystem.h"
#include "removal/TrashMover.h"
#include "support/Sandbox.h"

#include <cstdio>
#include <fcntl.h>
#include <functional>
#include <map>
#include <sched.h>
#include <string>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace removal_test {

// What lies under `root`: each path (relative) with its kind and contents or link target,
// so that a comparison shows exactly what moved.
inline std::map<std::string, std::string> listing(const std::string& root) {
    std::map<std::string, std::string> items;
    std::function<void(const std::string&, const std::string&)> walk =
        [&](const std::string& folder, const std::string& relative) {
            auto names = platform::FileSystem::contentsOfDirectory(folder).value_or(
                std::vector<std::string>{});
            for (const std::string& name : names) {
                const std::string path = folder + "/" + name;
                const std::string key = relative.empty() ? name : relative + "/" + name;
                struct stat status {};
                if (::lstat(path.c_str(), &status) != 0)
                    continue;
                if (S_ISLNK(status.st_mode)) {
                    char target[4096];
                    ssize_t length = ::readlink(path.c_str(), target, sizeof target);
                    items[key] = "link:" + std::string(target, length > 0 ? length : 0);
                } else if (S_ISDIR(status.st_mode)) {
                    items[key] = "folder";
                    walk(path, key);
                } else {
                    items[key] = "file:" + testing_support::readFile(path);
                }
            }
        };
    walk(root, "");
    return items;
}

// A layout whose home Trash is in the sandbox's home folder, without volumes.
inline TrashMover::Layout homeLayout() {
    TrashMover::Layout layout;
    layout.homeTrash = testing_support::Sandbox::process().home() + "/.local/share/Trash";
    layout.uid = ::getuid();
    return layout;
}

// Runs `check` in a child process with mount namespace of its own, where it may mount
// file systems that vanish with it. Answers the child's failure text, "" when it passed,
// or "skip" when the namespace cannot be had (not root).
inline std::string inPrivateMounts(const std::function<std::string()>& check) {
    int pipe[2];
    if (::pipe(pipe) != 0)
        return "no pipe";
    pid_t child = ::fork();
    if (child == 0) {
        ::close(pipe[0]);
        std::string result = "skip";
        if (::geteuid() == 0 && ::unshare(CLONE_NEWNS) == 0 &&
            ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0)
            result = check();
        (void)!::write(pipe[1], result.data(), result.size());
        ::_exit(0);
    }
    ::close(pipe[1]);
    std::string result;
    char buffer[4096];
    for (ssize_t count; (count = ::read(pipe[0], buffer, sizeof buffer)) > 0;)
        result.append(buffer, std::size_t(count));
    ::close(pipe[0]);
    int status = 0;
    ::waitpid(child, &status, 0);
    if (!WIFEXITED(status))
        return "the child ended abnormally";
    return result;
}

} // namespace removal_test
