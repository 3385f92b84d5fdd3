#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace platform {

// The top folders of the mounted file systems that hold the user's files, where a
// volume's own Trash lives. With SWEEPWISE_ROOT set, the folders in its "Volumes"
// folder stand for them, so that tests and the demo never look at the machine's.
class MountedVolumes {
public:
    // Read afresh on every call: volumes come and go.
    static std::vector<std::string> topFolders();

    // The mount points of a mount table in the kernel's format (/proc/self/mounts:
    // device, mount point, type, options, ...; "\040"-style escapes in the fields),
    // without the kernel's own file systems and what lies under /proc, /sys and /dev.
    // Lines that do not parse are skipped; each mount point is listed once, in order.
    static std::vector<std::string> parseMountTable(std::string_view table);
};

} // namespace platform
