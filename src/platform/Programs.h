#pragma once

#include <optional>
#include <string>
#include <vector>

namespace platform {

// Starting other programs.
class Programs {
public:
    // Starts `arguments[0]` (an absolute path) with `arguments`, detached from this process:
    // in a session of its own, outliving the caller and never becoming its zombie. No shell
    // is involved. True once the program has been executed.
    static bool startDetached(const std::vector<std::string>& arguments);

    // Whether `path` is a regular file (links followed) that this process may execute.
    static bool isExecutableFile(const std::string& path);

    // The first executable `name` in `searchPath`, a colon-separated list of folders (relative
    // entries are skipped); $PATH when `searchPath` is empty.
    static std::optional<std::string> find(const std::string& name, std::string searchPath);

    // The executable file of this process; none when the system cannot tell.
    static std::optional<std::string> runningExecutablePath();
};

} // namespace platform
